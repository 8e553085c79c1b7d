#include "options/Options.h"

namespace tarvolo {

void ShowOptionsDialog(TfrmMain&) {}

}  // namespace tarvolo
