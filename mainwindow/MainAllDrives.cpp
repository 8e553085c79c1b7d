// Every drive at once: the rows Quick Jump searches, and a directory found on
// any drive shown in the tree.
#include <algorithm>
#include <cctype>

#include "adapters/WinLocale.h"
#include "index/LiveUpdate.h"
#include "mainwindow/Main.h"

namespace tarvolo {

std::vector<JumpDrive> TfrmMain::SearchableDrives() {
    static const WinCaseFolder folder;
    TakeSearchFold();  // waited for: the names are folded sooner there than here
    return model_.SearchableDrives(SelectedDrive(), folder);
}

std::vector<std::string> TfrmMain::DrivesStillLoading() const {
    return liveIndex_ ? liveIndex_->DrivesStillLoading() : std::vector<std::string>();
}

bool TfrmMain::ShowDirectory(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') return false;
    std::string drive = path.substr(0, 2);
    drive[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])));
    if (SelectedDrive() != drive) {
        const std::vector<std::string> drives = driveList->Drives();
        const auto it = std::find(drives.begin(), drives.end(), drive);
        if (it == drives.end()) return false;
        ChooseDrive(static_cast<int>(it - drives.begin()));
        if (SelectedDrive() != drive) return false;
    }
    const std::string row = path.size() > 2 ? path.substr(2) : std::string("\\");
    const size_t found = FindRow(model_.drive.rows, row);
    if (found == SIZE_MAX) return false;
    SelectRow(static_cast<long>(found));
    DirListBoxClick();
    return true;
}

}  // namespace tarvolo
