#include "adapters/OffscreenDrives.h"

#include <algorithm>
#include <iterator>

#include "adapters/WinDirectoryLister.h"
#include "adapters/WinJournal.h"
#include "adapters/WinLocale.h"
#include "platform/BackgroundJob.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// A drive whose file cannot be read or written is tried again later and later,
// so that a walk whose rows cannot be saved is not repeated at every change.
constexpr uint64_t kFirstRetryMs = 3000;
constexpr uint64_t kLastRetryMs = 10 * 60 * 1000;
// More changes than this waiting for a file that cannot be written become one walk of the drive.
constexpr size_t kMostKept = 50000;

}  // namespace

struct OffscreenDrives::Drive {
    std::string root;
    std::unique_ptr<DriveWatcher> watcher;
    std::vector<ResolvedChange> pending;  // taken, not handed to a write yet
    // The write under way: its changes, and whether they reached the file.
    // Touched by the thread only while it runs; read after the join.
    std::thread writer;
    std::vector<ResolvedChange> writing;
    std::atomic<bool> done{false};
    std::atomic<bool> cancel{false};
    bool written = false;
    bool rewrote = false;            // the file now holds other rows than before the write
    std::shared_future<void> after;  // another thread's write of the file, waited for first
    unsigned failures = 0;           // failed writes in a row
    ULONGLONG nextTry = 0;           // GetTickCount64 of the next write after a failure
    bool catchUp = false;            // the next walk checks the file against the disk, in background mode
};

OffscreenDrives::OffscreenDrives(HWND notify, UINT message, LoadIndex load, SaveIndex save)
    : notify_(notify), message_(message), load_(std::move(load)), save_(std::move(save)) {}

OffscreenDrives::~OffscreenDrives() {
    for (auto& [root, drive] : drives_) {
        drive->cancel = true;
        drive->watcher->Stop();
        if (drive->writer.joinable()) drive->writer.join();
    }
}

void OffscreenDrives::Watch(const std::string& root, const ScanFilter& filter) {
    filter_ = filter;
    if (drives_.count(root)) return;
    auto drive = std::make_unique<Drive>();
    drive->root = root;
    drive->watcher = std::make_unique<DriveWatcher>(notify_, message_);
    drive->watcher->Start(root, filter);
    drives_.emplace(root, std::move(drive));
}

void OffscreenDrives::Finish(Drive& drive) {
    if (!drive.writer.joinable()) return;
    drive.writer.join();
    // What did not reach the file goes before what came since.
    if (!drive.written) {
        for (ResolvedChange& c : drive.pending) drive.writing.push_back(std::move(c));
        drive.pending.swap(drive.writing);
        KeepBounded(drive.pending, kMostKept);
        ++drive.failures;
        drive.nextTry = ::GetTickCount64() + BackOffMs(drive.failures, kFirstRetryMs, kLastRetryMs);
    } else {
        drive.failures = 0;
        if (drive.rewrote && std::find(rewritten_.begin(), rewritten_.end(), drive.root) == rewritten_.end())
            rewritten_.push_back(drive.root);
    }
    drive.writing.clear();
    drive.written = false;
    drive.rewrote = false;
}

std::vector<ResolvedChange> OffscreenDrives::Release(const std::string& root) {
    const auto it = drives_.find(root);
    if (it == drives_.end()) return {};
    Drive& drive = *it->second;
    drive.cancel = true;  // only a walk looks at it
    Finish(drive);
    std::vector<ResolvedChange> out = std::move(drive.pending);
    drive.watcher->Stop();  // a walk of a new subtree is cut short; what it resolved comes along
    for (ResolvedChange& c : drive.watcher->Take()) out.push_back(std::move(c));
    drives_.erase(it);
    return out;
}

void OffscreenDrives::After(const std::string& root, std::shared_future<void> write) {
    const auto it = drives_.find(root);
    if (it != drives_.end()) it->second->after = std::move(write);
}

void OffscreenDrives::Hand(const std::string& root, std::vector<ResolvedChange> changes) {
    const auto it = drives_.find(root);
    if (it == drives_.end()) return;
    for (ResolvedChange& c : changes) it->second->pending.push_back(std::move(c));
}

void OffscreenDrives::WriteRows(const std::string& root, RowStore rows, std::string position) {
    const auto it = drives_.find(root);
    if (it == drives_.end()) return;
    Drive& drive = *it->second;
    Finish(drive);  // one write of a drive at a time, in order
    // Should the rows not reach the file, the changes they hold are known no more: the drive is walked.
    drive.writing.assign(1, ResolvedChange::Overflow());
    drive.done = false;
    drive.cancel = false;
    drive.written = false;
    // The window's thread finds the write done when it next writes (Write, WriteNow) or lets the drive go.
    const bool started = StartBackgroundJob(
        drive.writer, drive.done, JobReport{},
        [this, &drive, rows = std::move(rows), position = std::move(position), after = drive.after] {
            if (after.valid()) after.wait();
            drive.written = drive.rewrote = save_(drive.root, rows, position);
        },
        [&drive] { drive.written = false; });
    if (!started) {
        // No thread: the same as a failed write.
        for (ResolvedChange& c : drive.pending) drive.writing.push_back(std::move(c));
        drive.pending.swap(drive.writing);
        drive.writing.clear();
    }
}

void OffscreenDrives::SetFilter(const ScanFilter& filter) {
    filter_ = filter;
    for (auto& [root, drive] : drives_) drive->watcher->SetFilter(filter);
}

bool OffscreenDrives::CatchUp(const std::string& root) {
    const auto it = drives_.find(root);
    if (it == drives_.end()) return false;
    it->second->catchUp = true;
    it->second->pending.push_back(ResolvedChange::Overflow());
    return true;
}

void OffscreenDrives::WalkAgain() {
    for (auto& [root, drive] : drives_) drive->pending.push_back(ResolvedChange::Overflow());
}

bool OffscreenDrives::Collect() {
    bool waiting = false;
    for (auto& [root, drive] : drives_) {
        for (ResolvedChange& c : drive->watcher->Take()) drive->pending.push_back(std::move(c));
        KeepBounded(drive->pending, kMostKept);
        waiting = waiting || !drive->pending.empty();
    }
    return waiting;
}

bool OffscreenDrives::Write() {
    bool waiting = false;
    for (auto& [root, drive] : drives_) {
        if (drive->writer.joinable() && drive->done.load()) Finish(*drive);
        if (drive->pending.empty()) {
            waiting = waiting || drive->writer.joinable();  // its failure is known once it is done
            continue;
        }
        if (drive->writer.joinable() || ::GetTickCount64() < drive->nextTry) {
            waiting = true;
            continue;
        }
        StartWrite(*drive);
        waiting = waiting || !drive->pending.empty();
    }
    return waiting;
}

void OffscreenDrives::StartWrite(Drive& drive) {
    drive.writing = std::move(drive.pending);
    drive.pending.clear();
    drive.done = false;
    drive.cancel = false;
    drive.written = false;
    const ScanFilter filter = filter_;
    const bool catchUp = drive.catchUp;
    drive.catchUp = false;
    const bool started = StartBackgroundJob(
        drive.writer, drive.done, JobReport{},
        [this, &drive, filter, catchUp, after = drive.after] {
            if (after.valid()) after.wait();
            RowStore rows;
            std::string position;
            const Load load = load_(drive.root, rows, position);
            if (load == Load::missing) {
                // No index any more: the drive is scanned when it is chosen.
                drive.written = true;
            } else if (load == Load::loaded) {
                const WinCollator collator;
                switch (ApplyChanges(drive.writing, collator, rows)) {
                    case ApplyResult::unchanged:
                        drive.written = true;
                        break;
                    case ApplyResult::changed:
                        drive.written = drive.rewrote = save_(drive.root, rows, position);
                        break;
                    case ApplyResult::rescanNeeded: {
                        if (catchUp) BackgroundMode(true);
                        // A walk's rows hold at least what the file's did.
                        std::string walkPosition = position;
                        if (catchUp) {
                            // The rows hold the changes before the check was asked for; the journal's since
                            // the file was written come next, then those taken after the ask.
                            std::vector<ResolvedChange> replayed;
                            std::string replayPosition;
                            const bool ok = ReplayDriveJournal(drive.root, filter, position, drive.cancel,
                                                               replayed, replayPosition);
                            if (!replayPosition.empty()) walkPosition = replayPosition;
                            const auto ask = std::find_if(
                                drive.writing.begin(), drive.writing.end(), [](const ResolvedChange& c) {
                                    return c.kind == DirectoryChange::Kind::overflow;
                                });
                            if (ok && ask != drive.writing.end()) {
                                replayed.insert(replayed.end(), std::next(ask), drive.writing.end());
                                if (ApplyChanges(replayed, collator, rows) != ApplyResult::rescanNeeded) {
                                    drive.written = drive.rewrote = save_(drive.root, rows, replayPosition);
                                    break;
                                }
                            }
                            if (drive.cancel.load()) break;
                        }
                        // The same walk as Rescan's; what the watch saw meanwhile comes after it.
                        WinDirectoryLister plainLister;
                        BackgroundDirectoryLister backgroundLister;
                        WinDirectoryLister& lister = catchUp ? backgroundLister : plainLister;
                        CancelOnlyObserver observer(drive.cancel);
                        RowStore walked = WalkDirectoriesParallel(drive.root, filter, lister, collator,
                                                                  observer, ScanThreadCount());
                        // A drive that could not be listed keeps its file; the changes wait for a
                        // later try. A folder that could not be listed keeps what the file knew.
                        if (observer.rootUnlisted || drive.cancel.load()) break;
                        KeepKnownBelow(walked, rows, observer.unlisted, collator);
                        // A disk that holds what the file holds leaves the file alone (when no change
                        // before the walk went into the rows read).
                        if (drive.writing.front().kind == DirectoryChange::Kind::overflow && walked == rows &&
                            walkPosition == position)
                            drive.written = true;
                        else
                            drive.written = drive.rewrote = save_(drive.root, walked, walkPosition);
                        break;
                    }
                }
            }
        },
        [&drive] { drive.written = false; });  // out of memory: kept for the next try
    if (!started) {
        drive.pending = std::move(drive.writing);
        drive.writing.clear();
    }
}

std::vector<std::string> OffscreenDrives::TakeRewritten() {
    std::vector<std::string> out;
    out.swap(rewritten_);
    return out;
}

void OffscreenDrives::WriteNow() {
    for (auto& [root, drive] : drives_) {
        // The changes that came after the walk's start are kept: the walk may be right or not.
        if (drive->writer.joinable() && !drive->done.load()) drive->cancel = true;
        Finish(*drive);
    }
    Collect();
    for (auto& [root, drive] : drives_) {
        const bool rescan = [&] {
            for (const ResolvedChange& c : drive->pending)
                if (c.kind == DirectoryChange::Kind::overflow) return true;
            return false;
        }();
        if (drive->pending.empty() || rescan) continue;
        StartWrite(*drive);
        Finish(*drive);
    }
}

}  // namespace tarvolo
