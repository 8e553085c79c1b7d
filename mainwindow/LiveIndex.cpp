// The shown drive's rows follow the disk: the watch's changes are applied in
// place, keeping the selection and the scroll position, and the index file is
// rewritten once the changes have settled.
#include "index/IndexFile.h"
#include "mainwindow/Main.h"
#include "mainwindow/Rescan.h"
#include "platform/WinText.h"
#include "store/Global.h"

namespace tarvolo {

namespace {

// Quiet time before the index file is written: a copy of a large tree is one
// write, not thousands.
constexpr UINT kSettleMs = 3000;

}  // namespace

void TfrmMain::WatchDrive(const std::string& drive) {
    if (!watcher_) watcher_ = std::make_unique<DriveWatcher>(hwnd_, kDriveChangedMessage);
    ::KillTimer(hwnd_, kLiveSaveTimer);
    liveIndexUnsaved_ = false;
    if (drive.empty()) {
        watcher_->Stop();
        return;
    }
    ScanFilter filter;
    filter.includeReadOnly = IncludeReadOnly;
    filter.includeHidden = IncludeHidden;
    filter.includeSystem = IncludeSystem;
    watcher_->Start(drive.substr(0, 2) + "\\", filter);
}

void TfrmMain::DriveChanged() {
    // During a scan the rows are about to be replaced: the changes wait for the scan's rows.
    if (!watcher_ || (frmRescan && frmRescan->Scanning())) return;
    const std::vector<ResolvedChange> changes = watcher_->Take();
    if (changes.empty() || SelectedDrive() + "\\" != watcher_->Root()) return;
    const WinCollator collator;
    std::vector<RowsEdit> edits;
    for (const ResolvedChange& change : changes) {
        // An overflow leaves the rows as they are; the next Rescan brings them back in line.
        ApplyChange(change, collator, Rows, edits);
    }
    if (edits.empty()) return;

    const long selected = SelectedRow();
    const LRESULT top = ::SendMessageW(DirListBox, LB_GETTOPINDEX, 0, 0);
    ::SendMessageW(DirListBox, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(DirListBox, LB_SETCOUNT, Rows.size(), 0);
    BuildTreeCodes();
    Search.Clear();
    searchIndexStale_ = true;
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
    TfrmRescan::SaveIndex(watcher_->Root(), IndexFileText(Rows));
}

}  // namespace tarvolo
