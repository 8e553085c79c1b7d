// The watch on one drive: ReadDirectoryChangesW on its root (subtree,
// directory names) on a thread of its own, which also reads from the disk what
// each change needs, so that the window thread only applies them to the rows.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "index/LiveUpdate.h"
#include "platform/Handles.h"

namespace tarvolo {

class DriveWatcher {
public:
    // Posts `message` to `notify` whenever changes are ready to Take. The
    // thread owns no window.
    DriveWatcher(HWND notify, UINT message);
    ~DriveWatcher();
    DriveWatcher(const DriveWatcher&) = delete;
    DriveWatcher& operator=(const DriveWatcher&) = delete;

    // Watches `root` ("C:\"); new directories are filtered with `filter`.
    // Returns once the first read is under way (or has failed), so a change
    // made after Start is never missed: start the watch before the rows are
    // read or scanned, and changes they already hold apply as no change. A
    // watch that cannot start or fails later hands over one overflow change:
    // the rows may have missed changes and need a rescan.
    void Start(const std::string& root, const ScanFilter& filter);
    // Ends the watch; returns within a few milliseconds, also while a large
    // subtree moved in is being walked: that walk is cut short, and Take then
    // gives what was resolved, with one overflow for the rest.
    void Stop();
    // The changes ready, oldest first; on the window thread.
    std::vector<ResolvedChange> Take();
    // Changes taken elsewhere that the rows still lack go before those ready.
    void Carry(std::vector<ResolvedChange> changes);
    // New directories are filtered with `filter` from the next batch of changes on.
    void SetFilter(const ScanFilter& filter);
    const std::string& Root() const { return root_; }
    // False once the watch has ended by itself (the drive went, or a read
    // failed): its last change asked for a rescan, and only Start watches again.
    bool Watching() const { return thread_.joinable() && !ended_.load(); }

private:
    void Run(std::string root);
    void Hand(std::vector<ResolvedChange> changes);

    HWND notify_;
    UINT message_;
    std::string root_;
    UniqueHandle stop_;
    UniqueHandle watching_;  // set once the first read is under way or failed
    std::thread thread_;
    std::atomic<bool> stopping_{false};  // cuts a walk of a new subtree short
    std::atomic<bool> ended_{false};     // the thread has returned
    // Who came first: the first read under way (armed) or Start giving up on it (late). A watch armed
    // after Start gave up missed what changed in between, while the rows were being read.
    enum Arming : int { kArming, kArmed, kLate };
    std::atomic<int> arming_{kArming};
    std::mutex mutex_;
    std::vector<ResolvedChange> ready_;  // under mutex_
    ScanFilter filter_;                  // under mutex_
};

}  // namespace tarvolo
