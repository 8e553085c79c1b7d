// The options dialog.
#pragma once

namespace tarvolo {

class TfrmMain;
void ShowOptionsDialog(TfrmMain& main);

}  // namespace tarvolo
