// The command buttons and the current path: Open, Copy and Send To Dialog run
// the delivery commands on the path in the history box, which then follows
// the history; a folder open in Explorer becomes the current path.
#include "mainwindow/Main.h"
#include "model/FavoritesMenu.h"
#include "platform/Application.h"
#include "platform/WinText.h"

namespace tarvolo {

void TfrmMain::CommandClick(Command command) {
    commands_->Run(command, CurrentPath());
}

void TfrmMain::ShowExplorerFolder(const std::string& path) {
    const long row = RowOfPath(model_.drive.rows, SelectedDrive(), path);
    if (row < 0) {
        SetCurrentPath(path);
        return;
    }
    SelectRow(row);
    DirListBoxClick();
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
