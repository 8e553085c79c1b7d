// The drive selector (its list in DriveList.cpp): loading a drive's index (or scanning
// the drive when it has none) and the Rescan button.
#include "adapters/WinLocale.h"
#include "index/LiveUpdate.h"
#include "mainwindow/Main.h"
#include "mainwindow/Rescan.h"
#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {
// The directory list is hidden while its rows are replaced and comes back
// however the load or the scan ends.
auto HiddenUntilScopeEnds(HWND list) {
    ::ShowWindow(list, SW_HIDE);
    return ScopeExit([list] { ::ShowWindow(list, SW_SHOW); });
}
}  // namespace

void TfrmMain::cmbDrivesChange() {
    const std::string drive = SelectedDrive();
    if (drive.empty()) return;
    liveIndex_->Save();             // the rows shown are still the last drive's
    liveIndex_->WatchDrive(drive);  // before the rows are read, so that no change falls in between
    const auto showAgain = HiddenUntilScopeEnds(treeList->Handle());

    // A drive whose root cannot be written keeps its index in the user's own folder.
    const DriveIndexPaths index = model_.IndexPaths(drive);
    IndexRead read = model_.ReadDriveIndex(index.path, index.localPath);
    switch (read.result) {
        case FileSystem::Read::loaded:
            // Another tool's order would split subtrees that the tree and the live changes keep whole.
            EnsureTreeOrder(read.rows, WinCollator());
            SetRows(std::move(read.rows));
            // What changed while the program was closed, in the background.
            liveIndex_->RowsRead(drive, read.position);
            break;
        case FileSystem::Read::missing:
            // A drive that cannot be listed shows no rows: those on show are another drive's.
            if (!frmRescan->ScanDrive(drive + "\\", nullptr)) SetRows(RowStore());
            break;
        case FileSystem::Read::unreadable:
            // The old rows belong to another drive: with them the current path would name
            // directories that do not exist here.
            SetRows(RowStore());
            Application::Get().ShowError("Cannot open file " + read.path);
            break;
    }
    BuildTreeCodes();
    if (!model_.drive.rows.empty()) SelectRow(0);
    DirListBoxClick();
    SetSearchText("");
    liveIndex_->CatchUpLater();  // what changed while the rows were read
}

void TfrmMain::btnRescanClick() {
    const std::string drive = SelectedDrive();
    if (drive.empty()) return;
    const auto showAgain = HiddenUntilScopeEnds(treeList->Handle());
    liveIndex_->WatchDrive(drive);  // before the walk, so that no change falls in between
    liveIndex_->ShownDriveWalks();
    // A folder that cannot be listed this time keeps the rows known below it.
    frmRescan->ScanDrive(drive + "\\", &model_.drive.rows);
    liveIndex_->CatchUpLater();  // what changed during the walk
    BuildTreeCodes();
    if (!model_.drive.rows.empty()) SelectRow(0);
    DirListBoxClick();
}

}  // namespace tarvolo
