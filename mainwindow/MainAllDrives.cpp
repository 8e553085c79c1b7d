// Every drive at once: the rows Quick Jump searches.
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

}  // namespace tarvolo
