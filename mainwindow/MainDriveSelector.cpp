// The drive selector (its list in DriveList.cpp): loading a drive's index (or scanning
// the drive when it has none) and the Rescan button.
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
    // A read of the drive chosen before is of no more use, nor what was asked of its rows.
    driveRead_->Drop();
    showWhenRead_.clear();
    typedWhileRead_ = false;

    // A drive whose root cannot be written keeps its index in the user's own folder.
    const DriveIndexPaths index = model_.IndexPaths(drive);
    if (!IndexStored(index)) {
        {
            const auto showAgain = HiddenUntilScopeEnds(treeList->Handle());
            // A drive that cannot be listed shows no rows: those on show are another drive's.
            if (!frmRescan->ScanDrive(drive + "\\", nullptr)) SetRows(RowStore());
            BuildTreeCodes();
        }
        SetSearchText("");
        DriveShown();
        return;
    }
    // The list stays hidden and empty until the rows come (TakeDriveRead); the window answers meanwhile.
    ::ShowWindow(treeList->Handle(), SW_HIDE);
    if (!model_.drive.rows.empty()) {
        SetRows(RowStore());
        BuildTreeCodes();
    }
    driveRead_->Start(drive, index);
    // What is typed from now on is looked for on this drive, once its rows are there.
    LastFindText.clear();
    SetSearchText("");
}

void TfrmMain::TakeDriveRead() {
    std::optional<ShownDriveRead::Outcome> outcome = driveRead_->Take();
    if (!outcome) return;  // dropped: another drive was chosen, or Rescan pressed, since
    const std::string& drive = outcome->drive;
    IndexRead& read = outcome->read;
    const auto showAgain = HiddenUntilScopeEnds(treeList->Handle());
    switch (read.result) {
        case FileSystem::Read::loaded:
            SetRows(std::move(read.rows));
            model_.drive.codes = std::move(outcome->codes);  // built with the rows, on the read's thread
            // What changed while the program was closed, in the background.
            liveIndex_->RowsRead(drive, read.position);
            break;
        case FileSystem::Read::missing:
            // Gone since it was found: scanned, as a drive without an index is.
            if (!frmRescan->ScanDrive(drive + "\\", nullptr)) SetRows(RowStore());
            BuildTreeCodes();
            break;
        case FileSystem::Read::unreadable:
            // The old rows belong to another drive: with them the current path would name
            // directories that do not exist here.
            SetRows(RowStore());
            BuildTreeCodes();
            Application::Get().ShowError("Cannot open file " + read.path);
            break;
    }
    DriveShown();
}

void TfrmMain::DriveShown() {
    if (!showWhenRead_.empty()) {
        const std::string path = std::move(showWhenRead_);
        showWhenRead_.clear();
        SelectPath(path);
    } else {
        if (!model_.drive.rows.empty()) SelectRow(0);
        DirListBoxClick();
    }
    // The text typed meanwhile is looked for once the names are folded (FindTypedMeanwhile).
    typedWhileRead_ = !searchBox->Empty();
    if (typedWhileRead_) ::PostMessageW(hwnd_, kBuildSearchIndexMessage, 0, 0);
    liveIndex_->CatchUpLater();  // what changed while the rows were read
}

void TfrmMain::btnRescanClick() {
    const std::string drive = SelectedDrive();
    if (drive.empty()) return;
    // The walk's rows are newer than those of a read under way, which is dropped.
    const bool rowsComing = RowsComing();
    driveRead_->Drop();
    const auto showAgain = HiddenUntilScopeEnds(treeList->Handle());
    liveIndex_->WatchDrive(drive);  // before the walk, so that no change falls in between
    liveIndex_->ShownDriveWalks();
    // A folder that cannot be listed this time keeps the rows known below it.
    frmRescan->ScanDrive(drive + "\\", &model_.drive.rows);
    BuildTreeCodes();
    if (rowsComing) {
        DriveShown();  // what was asked for while the rows were being read
        return;
    }
    liveIndex_->CatchUpLater();  // what changed during the walk
    if (!model_.drive.rows.empty()) SelectRow(0);
    DirListBoxClick();
}

}  // namespace tarvolo
