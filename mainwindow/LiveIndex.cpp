// The shown drive's rows follow the disk: the watch's changes are applied in
// place, keeping the selection and the scroll position, and the index file is
// rewritten once the changes have settled.
#include "index/IndexFile.h"
#include "mainwindow/Main.h"
#include "mainwindow/Rescan.h"
#include "platform/Controls.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// Quiet time before the index file is written: a copy of a large tree is one
// write, not thousands.
constexpr UINT kSettleMs = 3000;

}  // namespace

void TfrmMain::WatchDrive(const std::string& drive) {
    if (!watcher_) watcher_ = std::make_unique<DriveWatcher>(hwnd_, kDriveChangedMessage);
    // The rows are about to be read or scanned again: a walk in the background is of no more use.
    if (backgroundScan_) backgroundScan_->Cancel();
    ::KillTimer(hwnd_, kLiveSaveTimer);
    liveIndexUnsaved_ = false;
    if (drive.empty()) {
        watcher_->Stop();
        return;
    }
    watcher_->Start(drive.substr(0, 2) + "\\", model_.settings.Filter());
}

void TfrmMain::DriveChanged() {
    // During a scan the rows are about to be replaced: the changes wait for the scan's rows.
    if (!watcher_ || (frmRescan && frmRescan->Scanning())) return;
    if (backgroundScan_ && backgroundScan_->Running()) return;
    const std::vector<ResolvedChange> changes = watcher_->Take();
    if (changes.empty() || SelectedDrive() + "\\" != watcher_->Root()) return;
    const WinCollator collator;
    std::vector<RowsEdit> edits;
    bool lost = false;
    for (const ResolvedChange& change : changes) {
        if (ApplyChange(change, collator, model_.drive.rows, edits) == ApplyResult::kRescanNeeded) {
            lost = true;
            break;
        }
    }
    if (lost) {
        // Changes were lost: the drive is walked again; what comes meanwhile waits for its rows.
        if (!backgroundScan_)
            backgroundScan_ = std::make_unique<BackgroundScan>(hwnd_, kBackgroundScanMessage);
        backgroundScan_->Start(watcher_->Root(), model_.settings.Filter());
    }
    if (edits.empty()) return;

    const long selected = SelectedRow();
    const LRESULT top = ::SendMessageW(DirListBox, LB_GETTOPINDEX, 0, 0);
    ::SendMessageW(DirListBox, WM_SETREDRAW, FALSE, 0);
    ListBox(DirListBox).SetCount(model_.drive.rows.size());
    BuildTreeCodes();
    model_.drive.search.Clear();
    model_.drive.searchStale = true;
    ::PostMessageW(hwnd_, kBuildSearchIndexMessage, 0, 0);
    if (top != LB_ERR)
        ::SendMessageW(DirListBox, LB_SETTOPINDEX, RowAfterEdits(static_cast<size_t>(top), edits), 0);
    if (selected >= 0) SelectRow(static_cast<long>(RowAfterEdits(static_cast<size_t>(selected), edits)));
    ::SendMessageW(DirListBox, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(DirListBox, nullptr, FALSE);

    liveIndexUnsaved_ = true;
    ::SetTimer(hwnd_, kLiveSaveTimer, kSettleMs, nullptr);
}

void TfrmMain::SaveLiveIndex() {
    ::KillTimer(hwnd_, kLiveSaveTimer);
    if (!liveIndexUnsaved_ || !watcher_ || watcher_->Root().empty()) return;
    liveIndexUnsaved_ = false;
    // No message: the rows are still right, and the next change or Rescan writes again.
    TfrmRescan::SaveIndex(watcher_->Root(), IndexFileText(model_.drive.rows));
}

}  // namespace tarvolo

namespace tarvolo {

void TfrmMain::BackgroundScanDone() {
    RowStore rows;
    if (!backgroundScan_ || !backgroundScan_->Take(rows)) return;
    const std::string root = backgroundScan_->Root();
    if (SelectedDrive() + "\\" != root || (frmRescan && frmRescan->Scanning())) return;
    // The selection and the first row shown stay on the same directories where they still exist.
    const long selected = SelectedRow();
    const LRESULT top = ::SendMessageW(DirListBox, LB_GETTOPINDEX, 0, 0);
    const std::string selectedRow = selected >= 0 ? std::string(model_.drive.rows.Row(static_cast<size_t>(selected))) : "";
    const std::string topRow = top >= 0 && static_cast<size_t>(top) < model_.drive.rows.size()
                                   ? std::string(model_.drive.rows.Row(static_cast<size_t>(top)))
                                   : "";
    ::SendMessageW(DirListBox, WM_SETREDRAW, FALSE, 0);
    SetRows(std::move(rows));
    BuildTreeCodes();
    const size_t newTop = topRow.empty() ? SIZE_MAX : FindRow(model_.drive.rows, topRow);
    if (newTop != SIZE_MAX) ::SendMessageW(DirListBox, LB_SETTOPINDEX, newTop, 0);
    const size_t newSelected = selectedRow.empty() ? SIZE_MAX : FindRow(model_.drive.rows, selectedRow);
    if (newSelected != SIZE_MAX) SelectRow(static_cast<long>(newSelected));
    ::SendMessageW(DirListBox, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(DirListBox, nullptr, FALSE);
    ::KillTimer(hwnd_, kLiveSaveTimer);
    liveIndexUnsaved_ = false;
    TfrmRescan::SaveIndex(root, IndexFileText(model_.drive.rows));
    ::PostMessageW(hwnd_, kDriveChangedMessage, 0, 0);  // what changed during the walk
}

}  // namespace tarvolo
