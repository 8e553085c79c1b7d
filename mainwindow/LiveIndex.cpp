// The shown drive's rows follow the disk: the watch's changes are applied in
// place, keeping the selection and the scroll position, and the index file is
// rewritten once the changes have settled. Every other fixed drive with an
// index is watched too; its changes reach its index file (OffscreenDrives),
// and the changes its file does not hold yet come along when it is chosen.
#include "index/IndexFile.h"
#include "mainwindow/Main.h"
#include "mainwindow/Rescan.h"
#include "platform/AtomicFile.h"
#include "platform/Controls.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// Quiet time before the index file is written: a copy of a large tree is one
// write, not thousands.
constexpr UINT kSettleMs = 3000;

}  // namespace

namespace {

// On a drive's own thread: its index file, the drive's own or the per-user copy.
OffscreenDrives::Load LoadIndexRows(const std::string& root, RowStore& rows) {
    for (const std::string& path : {IndexFilePath(root), LocalIndexFilePath(root)}) {
        if (path.empty()) continue;
        std::string bytes;
        bool existed = false;
        if (!ReadWholeFile(path, bytes, &existed, kMaxIndexFileBytes)) return OffscreenDrives::Load::kFailed;
        if (!existed) continue;
        const WinAnsiDecoder ansi;
        rows = ParseIndexFileBuffer(std::move(bytes), ansi);
        return OffscreenDrives::Load::kLoaded;
    }
    return OffscreenDrives::Load::kMissing;
}

// No message: the next change, the choice of the drive or Rescan writes again.
bool SaveIndexRows(const std::string& root, const RowStore& rows) {
    return TfrmRescan::SaveIndex(root, IndexFileText(rows));
}

std::string DriveEntry(HWND combo, LRESULT i) {
    wchar_t entry[16] = {};
    const LRESULT n = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n <= 0 || n >= 16) return {};
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
    return Narrow(entry);
}

bool IndexStored(const std::string& root) {
    for (const std::string& path : {IndexFilePath(root), LocalIndexFilePath(root)}) {
        if (!path.empty() && ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    }
    return false;
}

}  // namespace

void TfrmMain::WatchDrive(const std::string& drive) {
    if (!watcher_) watcher_ = std::make_unique<DriveWatcher>(hwnd_, kDriveChangedMessage);
    if (!offscreen_)
        offscreen_ =
            std::make_unique<OffscreenDrives>(hwnd_, kDriveChangedMessage, LoadIndexRows, SaveIndexRows);
    const ScanFilter filter = model_.settings.Filter();
    const std::string root = drive.empty() ? std::string() : drive.substr(0, 2) + "\\";
    const std::string left = watcher_->Root();
    // The drive leaving the screen keeps a watch, started before its own one ends so that no change falls in
    // between; its rows were just written, and what they still lack goes along, a lost walk as a lost change.
    if (!left.empty() && left != root) {
        offscreen_->Watch(left, filter);
        std::vector<ResolvedChange> lacking = watcher_->Take();
        if (backgroundScan_ && backgroundScan_->Running() && backgroundScan_->Root() == left)
            lacking.push_back(ResolvedChange{DirectoryChange::kOverflow, {}, {}, false, {}});
        offscreen_->Hand(left, std::move(lacking));
    }
    for (LRESULT i = 0, n = ::SendMessageW(cmbDrives, CB_GETCOUNT, 0, 0); i < n; ++i) {
        const std::string other = DriveEntry(cmbDrives, i) + "\\";
        if (other != root && other.size() == 3 && IndexStored(other)) offscreen_->Watch(other, filter);
    }
    // The rows are about to be read or scanned again: a walk in the background is of no more use.
    if (backgroundScan_) backgroundScan_->Cancel();
    ::KillTimer(hwnd_, kLiveSaveTimer);
    liveIndexUnsaved_ = false;
    if (root.empty()) {
        watcher_->Stop();
        return;
    }
    watcher_->Start(root, filter);
    // Taken over once the drive's new watch runs: the file about to be read may lack them, and a change
    // applied to rows that hold it already changes nothing.
    if (left != root) watcher_->Carry(offscreen_->Release(root));
    if (offscreen_->Collect()) ::SetTimer(hwnd_, kLiveSaveTimer, kSettleMs, nullptr);
}

void TfrmMain::LiveFilterChanged() {
    const ScanFilter filter = model_.settings.Filter();
    if (watcher_) watcher_->SetFilter(filter);
    if (offscreen_) offscreen_->SetFilter(filter);
}

void TfrmMain::DriveChanged() {
    if (offscreen_ && offscreen_->Collect()) ::SetTimer(hwnd_, kLiveSaveTimer, kSettleMs, nullptr);
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
    if (offscreen_) {
        // At the close and the end of the session everything is written before this returns.
        if (sessionSaved_)
            offscreen_->WriteNow();
        else if (offscreen_->Write())
            ::SetTimer(hwnd_, kLiveSaveTimer, kSettleMs, nullptr);  // a drive was still being written
    }
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
