#include "adapters/LiveIndex.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <future>
#include <mutex>

#include "adapters/WinDirectoryLister.h"
#include "adapters/WinFileSystem.h"
#include "adapters/WinJournal.h"
#include "adapters/ShownDriveRead.h"
#include "adapters/WinLocale.h"
#include "index/CatchUp.h"
#include "index/IndexFile.h"
#include "index/Journal.h"
#include "platform/Application.h"
#include "platform/AtomicFile.h"
#include "platform/BackgroundJob.h"
#include "platform/Environment.h"
#include "platform/WinText.h"

namespace tarvolo {

// A batch of changes applied to the shown drive's rows off the window's thread.
struct LiveIndex::Batch {
    // In: the changes, and the directory selected when the batch began.
    std::vector<ResolvedChange> changes;
    // A walk of the drive: its difference from the rows goes first.
    RowStore walked;
    std::string selectedRow;
    // A catch-up's batch: the journal position its rows hold once it is taken.
    std::string position;
    // When set, the rows it leaves out of the drive at `root` go first, with the changes.
    std::shared_ptr<const LeaveOut> leaveOut;
    std::string root;
    // The folded names of the rows, when they are complete: only the new rows' are folded then.
    const SearchIndex* search0 = nullptr;
    // Out, written by the thread before `done`.
    BatchOutcome outcome;
    TreeCodes codes;
    SearchIndex search;
    size_t selectedAfter = SIZE_MAX;
    bool failed = false;  // out of memory: the changes are kept for the next batch
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::thread thread;
};

// The thread copies the model's rows, which the window goes on painting and
// searching meanwhile, and says so; from then on it needs them no more, and
// the window may replace them while the file is written. A copy is memory
// only: the window may wait for it, never for the disk.
struct LiveIndex::SaveJob {
    std::string root;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable copiedChanged;
    bool copied = false;  // under `mutex`
    std::promise<void> ended;
    std::shared_future<void> endedFuture = ended.get_future().share();
    bool written = false;  // by the thread before `done`
    std::atomic<bool> done{false};
    bool superseded = false;  // newer rows of the drive were handed on; the window's thread only

    void WaitCopied() {
        std::unique_lock<std::mutex> lock(mutex);
        copiedChanged.wait(lock, [this] { return copied; });
    }
};

namespace {

// Quiet time before the index file is written: a copy of a large tree is one
// write, not thousands.
constexpr UINT kSettleMs = 3000;
// A settle-time write that failed is tried again later and later.
constexpr uint64_t kFirstRetryMs = kSettleMs;
constexpr uint64_t kLastRetryMs = 10 * 60 * 1000;
// Started at logon (MIN), the check of the drives waits this long, so that the logon is not slowed
// (TARVOLO_LOGON_CHECK_WAIT_MS may make it shorter).
constexpr ULONGLONG kCatchUpAfterLogonMs = 60 * 1000;
// Changes kept to come again after the catch-up's difference; more become a walk of the drive.
constexpr size_t kMostKeptForCatchUp = 50000;

bool StartedAtLogon() {
    const auto& args = Application::Get().Arguments();
    if (args.empty()) return false;
    std::string first = args[0];
    for (char& c : first) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return first == "MIN";
}

// On a drive's own thread: its index file, the drive's own or the per-user copy.
// The same choice between the two files as the shown drive's. `position` (may be
// null) takes the journal position saved beside the file read.
OffscreenDrives::Load LoadIndexRows(const DriveIndexPaths& index, RowStore& rows,
                                    std::string* position = nullptr) {
    WinFileSystem files;
    const WinAnsiDecoder ansi;
    IndexRead read = ReadDriveIndexFile(files, ansi, index.path, index.localPath);
    switch (read.result) {
        case FileSystem::Read::loaded:
            rows = std::move(read.rows);
            if (position) *position = std::move(read.position);
            EnsureTreeOrder(rows, WinCollator());
            return OffscreenDrives::Load::loaded;
        case FileSystem::Read::missing:
            return OffscreenDrives::Load::missing;
        case FileSystem::Read::unreadable:
            break;
    }
    return OffscreenDrives::Load::failed;
}

// On a drive's own thread, with a file system of its own. No message: the next
// change, the choice of the drive or Rescan writes again.
bool SaveIndexRows(const DriveIndexPaths& index, const RowStore& rows, const std::string& position) {
    WinFileSystem files;
    return WriteDriveIndex(files, index.path, index.localPath, IndexFileText(rows), position);
}

}  // namespace

LiveIndex::LiveIndex(HWND window, Model& model, LiveIndexView& view)
    : window_(window), model_(model), view_(view), retry_(kFirstRetryMs, kLastRetryMs) {
    if (StartedAtLogon())
        catchUpFrom_ =
            ::GetTickCount64() + WaitFromEnvironment(L"TARVOLO_LOGON_CHECK_WAIT_MS", kCatchUpAfterLogonMs);
}

LiveIndex::~LiveIndex() {
    catchUp_.reset();
    CancelBatch();
    loads_.reset();
    for (const auto& job : saves_) job->thread.join();
}

bool LiveIndex::OnMessage(UINT msg, WPARAM wp) {
    switch (msg) {
        case kDriveChangedMessage:
            DriveChanged();
            return true;
        case kBackgroundScanMessage:
            BackgroundScanDone();
            return true;
        case kDriveLoadedMessage:
            DrivesLoaded();
            return true;
        case kCatchUpWalkedMessage:
            DriveChanged();  // taken once no batch runs
            return true;
        case kBatchAppliedMessage:
            if (batch_ && batch_->done.load()) {
                FinishBatch();
                DriveChanged();  // what came in meanwhile
            }
            return true;
        case kIndexWrittenMessage:
            CollectSaves();
            if (!failedToTell_.empty()) {
                // Told once the state above is settled: the box lets other messages in.
                const std::string path = model_.IndexPaths(failedToTell_).path;
                failedToTell_.clear();
                Application::Get().ShowError("Cannot create file " + path);
            }
            return true;
        case WM_TIMER:
            if (wp == kCatchUpTimer) {
                StartDueCatchUps();
                return true;
            }
            if (wp != kSaveTimer) return false;
            SaveSettled();
            return true;
        default:
            return false;
    }
}

void LiveIndex::RowsRead(const std::string& drive, const std::string& position) {
    if (drive.size() < 2) return;
    const std::string root = drive.substr(0, 2) + "\\";
    // The rows read hold what the file's position says; the watch, running since before the read, the rest.
    positions_[root] = position;
    CatchUpDrive(root);
}

void LiveIndex::CatchUpDrive(const std::string& root) {
    if (!model_.settings.checkAtStart || !checked_.insert(root).second) return;
    dueCatchUps_.push_back(root);
    StartDueCatchUps();
}

void LiveIndex::StartDueCatchUps() {
    const ULONGLONG now = ::GetTickCount64();
    if (now < catchUpFrom_) {
        ::SetTimer(window_, kCatchUpTimer, static_cast<UINT>(catchUpFrom_ - now), nullptr);
        return;
    }
    ::KillTimer(window_, kCatchUpTimer);
    std::vector<std::string> due;
    due.swap(dueCatchUps_);
    for (const std::string& root : due) {
        if (watcher_ && root == watcher_->Root()) {
            StartShownCatchUp();
        } else if (offscreen_ && offscreen_->CatchUp(root)) {
            ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);  // walked at its next write
        }
    }
}

void LiveIndex::StartShownCatchUp() {
    // A walk of the whole drive under way (a watch lost changes) finds the same.
    if (!watcher_ ||
        (backgroundScan_ && backgroundScan_->Pending() && backgroundScan_->Root() == watcher_->Root()))
        return;
    if (!catchUp_) catchUp_ = std::make_unique<BackgroundScan>(window_, kCatchUpWalkedMessage);
    sinceCatchUp_.clear();
    const DriveIndexPaths index = model_.IndexPaths(watcher_->Root());
    const auto saved = positions_.find(watcher_->Root());
    // Written by the catch-up's thread, read once its rows or changes are taken.
    catchUpPosition_ = std::make_shared<std::string>();
    const ScanFilter filter = model_.settings.Filter();
    catchUp_->Start(
        watcher_->Root(), filter,
        [index] {
            RowStore known;
            LoadIndexRows(index, known);
            return known;
        },
        true,
        [root = watcher_->Root(), filter, saved = saved == positions_.end() ? std::string() : saved->second,
         position = catchUpPosition_](const std::atomic<bool>& cancel, std::vector<ResolvedChange>& changes) {
            return ReplayDriveJournal(root, filter, saved, cancel, changes, *position);
        });
}

void LiveIndex::CancelShownCatchUp() {
    if (catchUp_) catchUp_->Cancel();
    sinceCatchUp_.clear();
}

void LiveIndex::CatchUpLater() {
    ::PostMessageW(window_, kDriveChangedMessage, 0, 0);
    if (walkEndedWhileRead_ && !view_.RowsComing()) {
        walkEndedWhileRead_ = false;
        ::PostMessageW(window_, kBackgroundScanMessage, 0, 0);
    }
}

void LiveIndex::WatchDrive(const std::string& drive) {
    // A drive's file may have been written under other rules (or before its walk with the new ones ended).
    const ScanFilter rules = model_.settings.Filter();
    pruneRows_ = rules.leaveOut && !rules.leaveOut->Empty();
    walkShown_ = false;
    if (!watcher_) watcher_ = std::make_unique<DriveWatcher>(window_, kDriveChangedMessage);
    if (!offscreen_) {
        // The drives' own threads read and write with a copy of the user folder, never the model.
        const std::string folder = model_.UserFolder();
        loads_ = std::make_unique<DriveLoads>(
            window_, kDriveLoadedMessage, [folder](const std::string& root, RowStore& rows) {
                return LoadIndexRows(IndexPathsOf(root, folder), rows) == OffscreenDrives::Load::loaded;
            });
        offscreen_ = std::make_unique<OffscreenDrives>(
            window_, kDriveChangedMessage,
            [folder](const std::string& root, RowStore& rows, std::string& position) {
                return LoadIndexRows(IndexPathsOf(root, folder), rows, &position);
            },
            [folder](const std::string& root, const RowStore& rows, const std::string& position) {
                return SaveIndexRows(IndexPathsOf(root, folder), rows, position);
            });
    }
    const ScanFilter filter = model_.settings.Filter();
    const std::string root = drive.empty() ? std::string() : drive.substr(0, 2) + "\\";
    const std::string left = watcher_->Root();
    RowsAboutToChange();
    // The drive leaving the screen keeps a watch, started before its own one ends so that no change falls in
    // between; its rows are written on its thread, and what they still lack goes along, a lost walk as a lost
    // change. A write of its file under way here is not waited for: the drive's thread waits for it.
    if (!left.empty() && left != root) {
        offscreen_->Watch(left, filter);
        if (SaveJob* job = SaveUnderWay(left)) offscreen_->After(left, job->endedFuture);
        FinishBatch();
        if (unsaved_) {
            // The window needs the rows no more: they are written on the drive's thread, and the next drive
            // is shown meanwhile. The changes taken after them follow them.
            if (SaveJob* job = SaveUnderWay(left)) job->superseded = true;
            offscreen_->WriteRows(left, model_.drive.rows, PositionOf(left));  // a copy: memory only
            unsaved_ = false;
        }
        positions_.erase(left);
        // Its rows stay searchable, held by the model; the watch off screen keeps their file current, and
        // they are read again from it once it took changes.
        if (!model_.drive.rows.empty()) {
            loads_->Forget(left);
            RowsAboutToChange();  // a search under way reads them where they are now
            model_.held[left[0]] = std::move(model_.drive);
            model_.drive = DriveRows();
            view_.ShowRows(RowStore());
            DrivesChanged();
        }
        // A walk of a subtree moved in is cut short rather than waited for: what it resolved comes
        // along, and the rest as a lost change.
        watcher_->Stop();
        std::vector<ResolvedChange> lacking = watcher_->Take();
        // A walk that ended without its rows taken counts as one under way: it is done again there.
        if (backgroundScan_ && backgroundScan_->Pending() && backgroundScan_->Root() == left)
            lacking.push_back(ResolvedChange::Overflow());
        offscreen_->Hand(left, std::move(lacking));
        // A catch-up cut short by the change of drive is done again off screen; the rows and the file
        // are as they were before it.
        if (catchUp_ && catchUp_->Pending() && catchUp_->Root() == left) {
            CancelShownCatchUp();
            offscreen_->CatchUp(left);
        }
    }
    for (const std::string& entry : view_.ListedDrives()) {
        const std::string other = entry + "\\";
        if (other != root && other.size() == 3 && IndexStored(model_.IndexPaths(other)))
            offscreen_->Watch(other, filter);
    }
    // The drive about to be shown is read by the window; its held copy goes, and a read of it is of no use.
    if (!root.empty()) {
        loads_->Forget(root);
        if (model_.held.count(root[0])) {
            RowsAboutToChange();
            model_.held.erase(root[0]);
            DrivesChanged();
        }
    }
    loadOthers_ = true;
    // The file about to be read (or replaced by a walk's) is the newest: a write of it under way ends
    // first. That waits only when a drive comes back while its last rows are still being written.
    if (!root.empty()) CollectSaves(root);
    if (!failedToTell_.empty()) ::PostMessageW(window_, kIndexWrittenMessage, 0, 0);
    if (!root.empty() && left == root) {
        // A reload reads the drive's file again: it must hold what the rows hold, the batch under way
        // included. The watch goes on, with the changes it holds and the subtree it may be walking, and
        // so does a walk in the background: they come after the rows read, where those the file holds
        // already change nothing. Only a watch that has ended (the drive was gone) starts again.
        FinishBatch();
        WriteShownRows();
        ::KillTimer(window_, kSaveTimer);
        if (!watcher_->Watching()) {
            std::vector<ResolvedChange> kept = watcher_->Take();
            watcher_->Start(root, filter);
            watcher_->Carry(std::move(kept));
        }
        if (offscreen_->Collect()) ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
        return;
    }
    // The rows are about to be read or scanned again: a walk in the background is of no more use, nor a
    // batch; its changes are still on the disk, which the read rows are brought up to or the walk sees.
    if (backgroundScan_) backgroundScan_->Cancel();
    walkEndedWhileRead_ = false;
    CancelShownCatchUp();
    CancelBatch();
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
    // Its rows come from the file about to be read (RowsRead), or from a walk, which claims no position.
    if (left != root) positions_.erase(root);
    // Also to learn how a write of the drive that left ended.
    if (offscreen_->Collect() || !left.empty()) ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
}

void LiveIndex::LoadOtherDrives(const std::string& shownRoot) {
    const std::vector<std::string> pending = loads_->Pending();
    for (const std::string& entry : view_.ListedDrives()) {
        const std::string other = entry + "\\";
        if (other == shownRoot || other.size() != 3 || model_.held.count(other[0]) ||
            std::find(pending.begin(), pending.end(), other) != pending.end() ||
            !IndexStored(model_.IndexPaths(other)))
            continue;
        // A write of its file under way is waited for: the read gets the newest rows.
        SaveJob* job = SaveUnderWay(other);
        loads_->Load(other, job ? job->endedFuture : std::shared_future<void>());
    }
}

void LiveIndex::ReadRewrittenDrives() {
    if (!offscreen_ || !loads_) return;
    const std::string shown = watcher_ ? watcher_->Root() : std::string();
    for (const std::string& root : offscreen_->TakeRewritten())
        if (root != shown) loads_->Load(root);
}

void LiveIndex::DrivesLoaded() {
    if (!loads_) return;
    const std::string shown = watcher_ ? watcher_->Root() : std::string();
    bool changed = false;
    std::vector<DriveLoads::Loaded> taken = loads_->Take();
    // Held rows are replaced or dropped here: a search under way lets go of them first.
    if (!taken.empty()) RowsAboutToChange();
    for (DriveLoads::Loaded& loaded : taken) {
        if (loaded.root.empty() || loaded.root == shown) continue;
        changed = true;
        if (!loaded.ok) {
            model_.held.erase(loaded.root[0]);
            continue;
        }
        CatchUpDrive(loaded.root);
        DriveRows& held = model_.held[loaded.root[0]];
        held.rows = std::move(loaded.rows);
        held.search = std::move(loaded.search);
        held.codes.Clear();
        held.searchStale = false;
    }
    if (changed) DrivesChanged();
}

std::vector<std::string> LiveIndex::DrivesStillLoading() const {
    std::vector<std::string> drives;
    if (!loads_) return drives;
    for (const std::string& root : loads_->Pending())
        if (!model_.held.count(root[0])) drives.push_back(root.substr(0, 2));
    std::sort(drives.begin(), drives.end());
    return drives;
}

void LiveIndex::DrivesChanged() {
    ::PostMessageW(window_, kDrivesChangedMessage, 0, 0);
}

void LiveIndex::ShownDriveWalks() {
    // The walk may be cut short: its rows claim no journal position.
    if (watcher_) positions_.erase(watcher_->Root());
    if (backgroundScan_) backgroundScan_->Cancel();
    walkEndedWhileRead_ = false;
    CancelShownCatchUp();
    CancelBatch();
}

void LiveIndex::FilterChanged(const std::shared_ptr<const LeaveOut>& leaveOutBefore) {
    const ScanFilter filter = model_.settings.Filter();
    if (watcher_) watcher_->SetFilter(filter);
    if (offscreen_) offscreen_->SetFilter(filter);
    const std::vector<std::string> before =
        leaveOutBefore ? leaveOutBefore->Rules() : std::vector<std::string>();
    const std::vector<std::string> now =
        filter.leaveOut ? filter.leaveOut->Rules() : std::vector<std::string>();
    if (before == now) return;
    // A rule that went may let in directories no row holds: only a walk finds them.
    const bool walk = std::any_of(before.begin(), before.end(), [&](const std::string& rule) {
        return std::find(now.begin(), now.end(), rule) == now.end();
    });
    // The other drives are walked again on their own threads, with the new rules.
    if (offscreen_) {
        offscreen_->WalkAgain();
        ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
    }
    if (backgroundScan_ && backgroundScan_->Running() && watcher_ &&
        backgroundScan_->Root() == watcher_->Root()) {
        // Its rows would follow the old rules: it starts again with the new ones.
        StartBackgroundScan();
        return;
    }
    if (catchUp_ && catchUp_->Running() && watcher_ && catchUp_->Root() == watcher_->Root()) {
        // Its walk would bring back what the new rules leave out.
        StartShownCatchUp();
    }
    // The shown drive: the rows now left out go in the next batch, at once; a walk follows when needed.
    pruneRows_ = true;
    walkShown_ = walkShown_ || walk;
    CatchUpLater();
}

void LiveIndex::DriveChanged() {
    // Posted once the shown drive's rows were read or walked (CatchUpLater): the other drives' turn.
    const bool rowsComing = view_.ScanWindowBusy() || view_.RowsComing();
    if (loadOthers_ && loads_ && watcher_ && !rowsComing) {
        loadOthers_ = false;
        LoadOtherDrives(watcher_->Root());
    }
    if (offscreen_ && offscreen_->Collect()) ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
    // During a scan or a read the rows are about to be replaced: the changes wait for the new rows.
    if (!watcher_ || rowsComing) return;
    if (backgroundScan_ && backgroundScan_->Running()) return;
    // One batch at a time: what comes meanwhile waits in the watch and makes the next one.
    if (batch_) return;
    if (catchUp_ && catchUp_->Pending() && !catchUp_->Running()) {
        RowStore walked;
        TreeCodes none;
        const bool ok = catchUp_->Take(walked, none) && catchUp_->Root() == watcher_->Root() &&
                        view_.ShownDrive() + "\\" == watcher_->Root();
        std::vector<ResolvedChange> again;
        again.swap(sinceCatchUp_);
        // A walk that failed (the root could not be listed, the drive went) changes nothing; the
        // changes kept for it are in the rows already.
        if (ok) {
            // From the journal, the changes while closed instead of a walk; what came since goes after them.
            std::vector<ResolvedChange> changes = catchUp_->TakeReplayed();
            for (ResolvedChange& c : again) changes.push_back(std::move(c));
            for (ResolvedChange& c : watcher_->Take()) changes.push_back(std::move(c));
            if (walkShown_) changes.push_back(ResolvedChange::Overflow());
            const bool prune = pruneRows_;
            pruneRows_ = walkShown_ = false;
            StartBatch(std::move(changes), prune, std::move(walked));
            if (batch_ && catchUpPosition_) batch_->position = *catchUpPosition_;
            return;
        }
    }
    std::vector<ResolvedChange> changes = watcher_->Take();
    if ((changes.empty() && !pruneRows_) || view_.ShownDrive() + "\\" != watcher_->Root()) return;
    if (walkShown_) changes.push_back(ResolvedChange::Overflow());
    const bool prune = pruneRows_;
    pruneRows_ = walkShown_ = false;
    StartBatch(std::move(changes), prune);
}

void LiveIndex::StartBatch(std::vector<ResolvedChange> changes, bool prune, RowStore walked) {
    // While the catch-up walks, what is applied now comes again after its difference.
    if (catchUp_ && catchUp_->Running() && walked.empty()) {
        sinceCatchUp_.insert(sinceCatchUp_.end(), changes.begin(), changes.end());
        KeepBounded(sinceCatchUp_, kMostKeptForCatchUp);
    }
    auto batch = std::make_unique<Batch>();
    batch->changes = std::move(changes);
    batch->walked = std::move(walked);
    if (prune) {
        batch->leaveOut = model_.settings.Filter().leaveOut;
        batch->root = watcher_->Root();
    }
    const long selected = view_.SelectedListRow();
    if (selected >= 0 && static_cast<size_t>(selected) < model_.drive.rows.size())
        batch->selectedRow = std::string(model_.drive.rows.Path(static_cast<size_t>(selected)));
    // Complete names are not built again before the rows change (DriveRows::EnsureSearch), so the
    // thread may read them.
    if (!model_.drive.searchStale && model_.drive.search.size() == model_.drive.rows.size())
        batch->search0 = &model_.drive.search;
    // The thread only reads the model's rows; they are replaced on this thread only after
    // the batch is taken or cancelled (FinishBatch, CancelBatch).
    const RowStore& rows = model_.drive.rows;
    Batch& b = *batch;
    const bool started = StartBackgroundJob(
        b.thread, b.done, JobReport{window_, kBatchAppliedMessage},
        [&b, &rows] {
            const WinCollator collator;
            if (!b.walked.empty()) {
                std::vector<ResolvedChange> difference = WalkDifference(rows, b.walked, &b.cancel);
                b.walked = RowStore();
                b.changes.insert(b.changes.begin(), std::make_move_iterator(difference.begin()),
                                 std::make_move_iterator(difference.end()));
            }
            if (b.leaveOut) {
                // Before the watch's changes: those below a directory that goes change nothing.
                std::vector<ResolvedChange> removals = LeftOutRemovals(rows, b.root, *b.leaveOut, &b.cancel);
                b.changes.insert(b.changes.begin(), std::make_move_iterator(removals.begin()),
                                 std::make_move_iterator(removals.end()));
            }
            b.outcome = ApplyBatch(rows, b.changes, collator, &b.cancel);
            if (b.outcome.changed && !b.cancel.load()) {
                b.codes.Build(b.outcome.rows);
                const WinCaseFolder folder;
                if (b.search0)
                    b.search.BuildEdited(*b.search0, b.outcome.rows, b.outcome.edits, folder);
                else
                    b.search.Build(b.outcome.rows, folder);
                if (!b.selectedRow.empty())
                    b.selectedAfter = NearestRow(b.outcome.rows, FollowRenames(b.selectedRow, b.changes));
            }
        },
        [&b] { b.failed = true; });
    if (!started) {
        // No thread: the changes wait in the watch for the next try.
        watcher_->Carry(std::move(batch->changes));
        return;
    }
    batch_ = std::move(batch);
}

void LiveIndex::StartSave() {
    if (!unsaved_ || !watcher_ || watcher_->Root().empty()) return;
    const std::string root = watcher_->Root();
    // One write of a file at a time; and after a failure, not before the back-off ends.
    uint64_t wait = retry_.WaitMs(::GetTickCount64());
    if (SaveUnderWay(root)) wait = std::max<uint64_t>(wait, kSettleMs);
    if (wait > 0) {
        ::SetTimer(window_, kSaveTimer, static_cast<UINT>(std::min<uint64_t>(wait, kLastRetryMs)), nullptr);
        return;
    }
    auto job = std::make_unique<SaveJob>();
    job->root = root;
    // The thread reads the model's rows only until it has its copy (RowsAboutToChange).
    const RowStore& rows = model_.drive.rows;
    SaveJob& j = *job;
    const DriveIndexPaths index = model_.IndexPaths(root);
    // What the rows hold as they are now: a catch-up taken later comes with rows copied later.
    const std::string position = PositionOf(root);
    const bool started = StartBackgroundJob(
        j.thread, JobReport{window_, kIndexWrittenMessage},
        [&j, &rows, index, position] {
            RowStore copy;
            bool ok = true;
            try {
                copy = rows;
            } catch (const std::exception&) {
                ok = false;  // out of memory: tried again like a failed write
            }
            {
                const std::lock_guard<std::mutex> lock(j.mutex);
                j.copied = true;
            }
            j.copiedChanged.notify_all();
            j.written = ok && SaveIndexRows(index, copy, position);
        },
        [&j] { j.written = false; },
        [&j] {
            j.done = true;
            j.ended.set_value();
        });
    if (!started) {
        ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);  // no thread: tried again later
        return;
    }
    unsaved_ = false;
    saves_.push_back(std::move(job));
}

LiveIndex::SaveJob* LiveIndex::SaveUnderWay(const std::string& root) const {
    for (const auto& job : saves_)
        if (job->root == root) return job.get();
    return nullptr;
}

void LiveIndex::RowsAboutToChange() {
    model_.RowsAboutToChange();
    for (const auto& job : saves_) job->WaitCopied();
}

void LiveIndex::CollectSaves(const std::string& root) {
    std::vector<std::unique_ptr<SaveJob>> ended;
    for (auto it = saves_.begin(); it != saves_.end();) {
        if ((*it)->done.load() || (*it)->root == root) {
            ended.push_back(std::move(*it));
            it = saves_.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& job : ended) {
        job->thread.join();
        if (job->written) {
            retry_.Succeeded();
            continue;
        }
        if (job->superseded) continue;  // newer rows went to the drive's own thread
        if (watcher_ && job->root == watcher_->Root()) {
            // The rows are still on screen: written again once the back-off ends.
            unsaved_ = true;
            const bool first = retry_.Failed(::GetTickCount64());
            ::SetTimer(window_, kSaveTimer, static_cast<UINT>(retry_.WaitMs(::GetTickCount64())), nullptr);
            if (first) failedToTell_ = job->root;
        } else if (offscreen_) {
            // The drive left the screen meanwhile: its file lacks changes nobody holds any more, so its
            // own thread walks it, with its own back-off.
            offscreen_->Hand(job->root, {ResolvedChange::Overflow()});
            if (retry_.Failed(::GetTickCount64())) failedToTell_ = job->root;
            ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
        }
    }
}

void LiveIndex::SaveSettled() {
    ::KillTimer(window_, kSaveTimer);
    if (offscreen_ && offscreen_->Write()) ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
    ReadRewrittenDrives();
    if (batch_)
        ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);  // once the batch under way is taken
    else
        StartSave();
}

void LiveIndex::StartBackgroundScan() {
    CancelShownCatchUp();  // the walk finds what it would
    if (!backgroundScan_) backgroundScan_ = std::make_unique<BackgroundScan>(window_, kBackgroundScanMessage);
    const DriveIndexPaths index = model_.IndexPaths(watcher_->Root());
    backgroundScan_->Start(watcher_->Root(), model_.settings.Filter(), [index] {
        RowStore known;
        LoadIndexRows(index, known);
        return known;
    });
}

void LiveIndex::CancelBatch() {
    if (!batch_) return;
    batch_->cancel = true;
    batch_->thread.join();
    batch_.reset();
}

void LiveIndex::FinishBatch() {
    if (!batch_) return;
    std::unique_ptr<Batch> batch = std::move(batch_);
    batch->thread.join();
    if (batch->failed) {
        watcher_->Carry(std::move(batch->changes));
        return;
    }
    BatchOutcome& outcome = batch->outcome;
    if (!batch->position.empty() && !outcome.cancelled && outcome.result != ApplyResult::rescanNeeded &&
        watcher_) {
        // The catch-up is in the rows from now on: their next write saves where the journal's replay goes on.
        // A batch cut short by a lost change leaves the position the rows had: the walk that follows holds
        // more.
        positions_[watcher_->Root()] = batch->position;
        unsaved_ = true;
        ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
    }
    if (outcome.result == ApplyResult::rescanNeeded) {
        // Changes were lost: the drive is walked again; what comes meanwhile waits for its rows.
        StartBackgroundScan();
    }
    if (!outcome.changed || outcome.cancelled) return;

    const long selected = view_.SelectedListRow();
    const long top = view_.FirstShownRow();
    // The selection may have moved while the batch ran; the directory it names is followed then too.
    const std::string selectedRow = selected >= 0 && static_cast<size_t>(selected) < model_.drive.rows.size()
                                        ? std::string(model_.drive.rows.Path(static_cast<size_t>(selected)))
                                        : std::string();
    size_t selectedAfter = batch->selectedAfter;
    if (selectedRow != batch->selectedRow)
        selectedAfter = selectedRow.empty()
                            ? SIZE_MAX
                            : NearestRow(outcome.rows, FollowRenames(selectedRow, batch->changes));
    RowsAboutToChange();
    {
        const RedrawHeld held = view_.HoldListRedraw();
        model_.drive.rows = std::move(outcome.rows);
        model_.drive.codes = std::move(batch->codes);
        model_.drive.search = std::move(batch->search);
        model_.drive.searchStale = false;
        view_.RowsEdited();
        if (top >= 0) view_.ShowFromRow(RowAfterEdits(static_cast<size_t>(top), outcome.edits));
        if (selectedAfter != SIZE_MAX) view_.SelectListRow(static_cast<long>(selectedAfter));
    }
    if (!selectedRow.empty() && selectedAfter != SIZE_MAX &&
        model_.drive.rows.Path(selectedAfter) != selectedRow)
        view_.SelectedRowMoved();
    DrivesChanged();
    unsaved_ = true;
    ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);
}

void LiveIndex::SaveBeforeExit() {
    exiting_ = true;
    Save();
}

void LiveIndex::Save() {
    ::KillTimer(window_, kSaveTimer);
    FinishBatch();
    if (offscreen_) {
        // At the close and the end of the session everything is written before this returns.
        if (exiting_)
            offscreen_->WriteNow();
        else if (offscreen_->Write())
            ::SetTimer(window_, kSaveTimer, kSettleMs, nullptr);  // a drive was still being written
        if (!exiting_) ReadRewrittenDrives();
    }
    // Before a drive change the shown drive's rows are left to WatchDrive, which writes them off this thread.
    if (exiting_) {
        // What failed is written once more here; the session may be ending, so no message.
        RowsAboutToChange();
        while (!saves_.empty()) CollectSaves(saves_.front()->root);
        failedToTell_.clear();
        WriteShownRows();
    }
}

void LiveIndex::WriteShownRows() {
    if (!unsaved_ || !watcher_ || watcher_->Root().empty()) return;
    unsaved_ = false;
    // No message: the rows are still right, and the next change or Rescan writes again.
    const std::string& root = watcher_->Root();
    const DriveIndexPaths index = model_.IndexPaths(root);
    model_.SaveDriveIndex(index.path, index.localPath, IndexFileText(model_.drive.rows), PositionOf(root));
}

std::string LiveIndex::PositionOf(const std::string& root) const {
    const auto it = positions_.find(root);
    return it == positions_.end() ? std::string() : it->second;
}

void LiveIndex::BackgroundScanDone() {
    // A reload's rows are being read: the walk, which may have seen more, comes after them.
    if (view_.RowsComing() && backgroundScan_ && backgroundScan_->Pending() && !backgroundScan_->Running()) {
        walkEndedWhileRead_ = true;
        return;
    }
    RowStore rows;
    TreeCodes codes;
    if (!backgroundScan_ || !backgroundScan_->Take(rows, codes)) return;
    // A batch begun after the walk ended is applied again to the walk's rows: it may hold
    // changes the walk did not see, and those it saw change nothing.
    if (batch_) {
        batch_->cancel = true;
        batch_->thread.join();
        watcher_->Carry(std::move(batch_->changes));
        batch_.reset();
    }
    const std::string root = backgroundScan_->Root();
    if (view_.ShownDrive() + "\\" != root || view_.ScanWindowBusy()) return;
    // The selection and the first row shown stay on the same directories where they still exist.
    const long selected = view_.SelectedListRow();
    const long top = view_.FirstShownRow();
    const std::string selectedRow =
        selected >= 0 ? std::string(model_.drive.rows.Path(static_cast<size_t>(selected))) : "";
    const std::string topRow = top >= 0 && static_cast<size_t>(top) < model_.drive.rows.size()
                                   ? std::string(model_.drive.rows.Path(static_cast<size_t>(top)))
                                   : "";
    size_t newSelected = SIZE_MAX;
    RowsAboutToChange();
    {
        const RedrawHeld held = view_.HoldListRedraw();
        view_.ShowRows(std::move(rows));
        model_.drive.codes = std::move(codes);  // built on the walk's thread
        const size_t newTop = topRow.empty() ? SIZE_MAX : FindRow(model_.drive.rows, topRow);
        if (newTop != SIZE_MAX) view_.ShowFromRow(newTop);
        // A selected directory that is gone gives way to its nearest parent, as with a batch.
        newSelected = selectedRow.empty() ? SIZE_MAX : NearestRow(model_.drive.rows, selectedRow);
        if (newSelected != SIZE_MAX) view_.SelectListRow(static_cast<long>(newSelected));
    }
    if (newSelected != SIZE_MAX && model_.drive.rows.Path(newSelected) != selectedRow)
        view_.SelectedRowMoved();
    DrivesChanged();
    ::KillTimer(window_, kSaveTimer);
    unsaved_ = true;
    StartSave();
    CatchUpLater();  // what changed during the walk
}

}  // namespace tarvolo
