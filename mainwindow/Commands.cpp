// The command buttons and the current path: Open, Copy and Send To Dialog run
// the delivery commands on the path in the history box, which then follows
// the history.
#include "mainwindow/Main.h"
#include "platform/Application.h"
#include "platform/WinText.h"

namespace tarvolo {

void TfrmMain::CommandClick(Command command) {
    commands_->Run(command, CurrentPath());
}

void TfrmMain::Inform(const std::string& text) {
    // Chosen from the icon's menu the window may be hidden; the box must show all the same.
    ShowInformation(::IsWindowVisible(hwnd_) ? hwnd_ : nullptr, text);
}

void TfrmMain::ShowError(const std::string& text) {
    Application::Get().ShowError(text);
}

void TfrmMain::HistoryChanged() {
    UpdateHistory();
}

}  // namespace tarvolo
