#include "about/About.h"

namespace tarvolo {

void ShowAboutBox(HWND) {}
void ShowHelpContents() {}

}  // namespace tarvolo
