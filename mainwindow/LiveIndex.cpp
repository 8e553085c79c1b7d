#include "mainwindow/LiveIndex.h"

#include "index/IndexFile.h"
#include "mainwindow/Rescan.h"
#include "platform/AtomicFile.h"
#include "platform/WinFileSystem.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// Quiet time before the index file is written: a copy of a large tree is one
// write, not thousands.
constexpr UINT kSettleMs = 3000;

// On a drive's own thread: its index file, the drive's own or the per-user copy.
// The same choice between the two files as the shown drive's.
OffscreenDrives::Load LoadIndexRows(const std::string& root, RowStore& rows) {
    WinFileSystem files;
    const WinAnsiDecoder ansi;
    IndexRead read = ReadDriveIndexFile(files, ansi, IndexFilePath(root), LocalIndexFilePath(root));
    switch (read.result) {
        case FileSystem::Read::loaded:
            rows = std::move(read.rows);
            return OffscreenDrives::Load::kLoaded;
        case FileSystem::Read::missing:
            return OffscreenDrives::Load::kMissing;
        case FileSystem::Read::unreadable:
            break;
    }
    return OffscreenDrives::Load::kFailed;
}

// On a drive's own thread, with a file system of its own. No message: the next
// change, the choice of the drive or Rescan writes again.
bool SaveIndexRows(const std::string& root, const RowStore& rows) {
    WinFileSystem files;
    return WriteDriveIndex(files, IndexFilePath(root), LocalIndexFilePath(root), IndexFileText(rows));
}

bool IndexStored(const std::string& root) {
    for (const std::string& path : {IndexFilePath(root), LocalIndexFilePath(root)}) {
        if (!path.empty() && ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    }
    return false;
}

}  // namespace

LiveIndex::LiveIndex(HWND window, Model& model, LiveIndexView& view)
    : window_(window), model_(model), view_(view) {}

LiveIndex::~LiveIndex() = default;

bool LiveIndex::OnMessage(UINT msg, WPARAM wp) {
    switch (msg) {
        case kDriveChangedMessage:
            DriveChanged();
            return true;
        case kBackgroundScanMessage:
            BackgroundScanDone();
            return true;
        case WM_TIMER:
            if (wp != kSaveTimer) return false;
            Save();
            return true;
        default:
            return false;
    }
}

void LiveIndex::CatchUpLater() {
    ::PostMessageW(window_, kDriveChangedMessage, 0, 0);
}

void LiveIndex::WatchDrive(const std::string& drive) {
    if (!watcher_) watcher_ = std::make_unique<DriveWatcher>(window_, kDriveChangedMessage);
    if (!offscreen_)
        offscreen_ =
            std::make_unique<OffscreenDrives>(window_, kDriveChangedMessage, LoadIndexRows, SaveIndexRows);
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
    for (const std::string& entry : view_.ListedDrives()) {
        const std::string other = entry + "\\";
        if (other != root && other.size() == 3 && IndexStored(other)) offscreen_->Watch(other, filter);
    }
    // The rows are about to be read or scanned again: a walk in the background is of no more use.
    if (backgroundScan_) backgroundScan_->Cancel();
    ::KillTimer(window_, kSaveTimer);
    unsaved_ = false;
    if (root.empty()) {
        watcher_->Stop();
        return;
    }
    watcher_->Start(root, filter);
    // Taken over once the drive's new watch runs: the file about to be read may lack them, and a change
    // applied to rows that hold it already changes nothing.
    if (left != root) watcher_->Carry(offscreen_->Release(root));
    if (offscreen_->Collect()) ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
}

void LiveIndex::FilterChanged() {
    const ScanFilter filter = model_.settings.Filter();
    if (watcher_) watcher_->SetFilter(filter);
    if (offscreen_) offscreen_->SetFilter(filter);
}

void LiveIndex::DriveChanged() {
    if (offscreen_ && offscreen_->Collect()) ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
    // During a scan the rows are about to be replaced: the changes wait for the scan's rows.
    if (!watcher_ || view_.ScanWindowBusy()) return;
    if (backgroundScan_ && backgroundScan_->Running()) return;
    const std::vector<ResolvedChange> changes = watcher_->Take();
    if (changes.empty() || view_.ShownDrive() + "\\" != watcher_->Root()) return;
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
            backgroundScan_ = std::make_unique<BackgroundScan>(window_, kBackgroundScanMessage);
        backgroundScan_->Start(watcher_->Root(), model_.settings.Filter());
    }
    if (edits.empty()) return;

    const long selected = view_.SelectedListRow();
    const long top = view_.FirstShownRow();
    {
        const RedrawHeld held = view_.HoldListRedraw();
        model_.drive.BuildCodes();
        model_.drive.search.Clear();
        model_.drive.searchStale = true;
        view_.RowsEdited();
        if (top >= 0) view_.ShowFromRow(RowAfterEdits(static_cast<size_t>(top), edits));
        if (selected >= 0)
            view_.SelectListRow(static_cast<long>(RowAfterEdits(static_cast<size_t>(selected), edits)));
    }
    unsaved_ = true;
    ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
}

void LiveIndex::SaveBeforeExit() {
    exiting_ = true;
    Save();
}

void LiveIndex::Save() {
    ::KillTimer(window_, kSaveTimer);
    if (offscreen_) {
        // At the close and the end of the session everything is written before this returns.
        if (exiting_)
            offscreen_->WriteNow();
        else if (offscreen_->Write())
            ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);  // a drive was still being written
    }
    if (!unsaved_ || !watcher_ || watcher_->Root().empty()) return;
    unsaved_ = false;
    // No message: the rows are still right, and the next change or Rescan writes again.
    const std::string& root = watcher_->Root();
    model_.SaveDriveIndex(IndexFilePath(root), LocalIndexFilePath(root), IndexFileText(model_.drive.rows));
}

void LiveIndex::BackgroundScanDone() {
    RowStore rows;
    if (!backgroundScan_ || !backgroundScan_->Take(rows)) return;
    const std::string root = backgroundScan_->Root();
    if (view_.ShownDrive() + "\\" != root || view_.ScanWindowBusy()) return;
    // The selection and the first row shown stay on the same directories where they still exist.
    const long selected = view_.SelectedListRow();
    const long top = view_.FirstShownRow();
    const std::string selectedRow =
        selected >= 0 ? std::string(model_.drive.rows.Row(static_cast<size_t>(selected))) : "";
    const std::string topRow = top >= 0 && static_cast<size_t>(top) < model_.drive.rows.size()
                                   ? std::string(model_.drive.rows.Row(static_cast<size_t>(top)))
                                   : "";
    {
        const RedrawHeld held = view_.HoldListRedraw();
        view_.ShowRows(std::move(rows));
        model_.drive.BuildCodes();
        const size_t newTop = topRow.empty() ? SIZE_MAX : FindRow(model_.drive.rows, topRow);
        if (newTop != SIZE_MAX) view_.ShowFromRow(newTop);
        const size_t newSelected = selectedRow.empty() ? SIZE_MAX : FindRow(model_.drive.rows, selectedRow);
        if (newSelected != SIZE_MAX) view_.SelectListRow(static_cast<long>(newSelected));
    }
    ::KillTimer(window_, kSaveTimer);
    unsaved_ = false;
    model_.SaveDriveIndex(IndexFilePath(root), LocalIndexFilePath(root), IndexFileText(model_.drive.rows));
    CatchUpLater();  // what changed during the walk
}

}  // namespace tarvolo
