// The main window's side of Quick Jump and of tarvolo-find: the rows they
// search, the deliveries Quick Jump's keys make, and the answer to a request
// from the command line.
#include <algorithm>
#include <string_view>

#include "adapters/WinLocale.h"
#include "delivery/WinWindowOps.h"
#include "mainwindow/Main.h"
#include "model/FavoritesMenu.h"
#include "tray/CoolTrayIcon.h"

namespace tarvolo {

void TfrmMain::QuickJumpHotKey() {
    if (quickJump_->Shown()) {
        quickJump_->HideJump();
        return;
    }
    // Pressed in another program: that window is where Enter delivers. Pressed
    // in this program, the window remembered before stays.
    if (const WindowHandle front = WinWindowOps::ForegroundOfAnotherProgram())
        commands_->RememberWindowCameFrom(front);
    quickJump_->ShowJump();
}

void TfrmMain::OpenQuickJump() {
    quickJump_->ShowJump();
}

std::vector<JumpDrive> TfrmMain::JumpDrives() {
    // While the scan window walks the drive on show, or its file is read, its rows are not there yet; the
    // other drives are.
    std::vector<JumpDrive> drives = SearchableDrives();
    if (ScanWindowBusy() || RowsComing()) {
        const std::string shown = SelectedDrive();
        drives.erase(
            std::remove_if(drives.begin(), drives.end(),
                           [&](const JumpDrive& d) { return !shown.empty() && d.letter == shown[0]; }),
            drives.end());
    }
    return drives;
}

std::vector<std::string> TfrmMain::LoadingDrives() {
    std::vector<std::string> loading = DrivesStillLoading();
    if ((ScanWindowBusy() || RowsComing()) &&
        std::find(loading.begin(), loading.end(), SelectedDrive()) == loading.end())
        loading.insert(loading.begin(), SelectedDrive());
    return loading;
}

std::vector<JumpUse> TfrmMain::JumpUses() {
    return model_.visits.Uses(model_.Now());
}

bool TfrmMain::CameFromATarget() {
    // Gone, hidden or minimized since, it is forgotten: the directory opens instead.
    const WindowHandle cameFrom = commands_->CurrentWindowCameFrom();
    if (cameFrom == 0) return false;
    return commands_->DialogCameFrom() != 0 ||
           IsExplorerWindowClass(windowOps_->GetWindowClassName(cameFrom));
}

void TfrmMain::RunJumpAction(JumpAction action, const std::string& path) {
    switch (action) {
        case JumpAction::deliver:
            commands_->Run(CameFromATarget() ? Command::sendToDialog : Command::open, path);
            break;
        case JumpAction::open:
            commands_->Run(Command::open, path);
            break;
        case JumpAction::copy:
            commands_->Run(Command::copy, path);
            break;
        case JumpAction::showInTree:
            ShowInTree(path);
            break;
    }
}

void TfrmMain::ShowInTree(const std::string& path) {
    CoolTrayIcon->RestoreMainWindow();
    RestoreApplication();
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    const int index = path.size() >= 2 && path[1] == ':' ? FindDrive(path[0]) : -1;
    if (index >= 0 && SelectedDrive() != path.substr(0, 2)) ChooseDrive(index);
    // Its drive's rows are still being read: the row is selected once they are there (DriveShown).
    if (index >= 0 && RowsComing()) {
        showWhenRead_ = path;
        return;
    }
    SelectPath(path);
}

void TfrmMain::SelectPath(const std::string& path) {
    const long row = RowOfPath(model_.drive.rows, SelectedDrive(), path);
    if (row < 0) {
        // Gone since it was listed, or its drive is gone: the path is still the current one.
        SetCurrentPath(path);
        return;
    }
    FocusList();
    ClickRow(row);
}

void TfrmMain::StartFindServer() {
    const HWND window = hwnd_;
    // Without the pipe Quick Jump works all the same; tarvolo-find says no Tarvolo runs.
    findServer_.Start(
        SessionPipeName(kFindPipeName), kFindMaxRequestBytes, kFindTimeoutMs,
        [window](const std::string& request) -> std::optional<std::string> {
            // Shared with the window, which may take the message after this
            // send has given up; the window frees what it is handed.
            const auto call = std::make_shared<FindCall>();
            call->request = request;
            auto* handed = new std::shared_ptr<FindCall>(call);
            DWORD_PTR taken = 0;
            if (!::SendMessageTimeoutW(window, kFindMessage, 0, reinterpret_cast<LPARAM>(handed),
                                       SMTO_ABORTIFHUNG, kFindWindowTimeoutMs, &taken) ||
                !taken)
                return std::nullopt;
            return call->reply;
        });
}

std::optional<std::string> TfrmMain::AnswerFind(const std::string& request) {
    const std::optional<FindRequest> decoded = DecodeFindRequest(request);
    if (!decoded) return std::nullopt;
    static const WinCaseFolder folder;
    const JumpFound found =
        FindDirectories(JumpText::Parse(decoded->text, folder), JumpDrives(), JumpUses(), decoded->count);
    return EncodeFindReply(found.paths);
}

}  // namespace tarvolo
