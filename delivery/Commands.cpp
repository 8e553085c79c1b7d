#include "mainwindow/Main.h"
#include "platform/Form.h"

namespace tarvolo {

void TfrmMain::CommandClick(int) {}
void TfrmMain::UpdateHistory() {}
std::string TfrmMain::CurrentPath() const { return WindowText(cmbHistory); }
void TfrmMain::SetCurrentPath(const std::string& path) { SetWindowTextUtf8(cmbHistory, path); }

}  // namespace tarvolo
