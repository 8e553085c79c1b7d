// A drive walked again on threads of its own, without the progress window:
// for a drive whose watch lost changes. Posts a message when the rows and their
// tree codes are ready: the window's thread only swaps them in.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "index/LiveUpdate.h"
#include "index/Rows.h"
#include "index/Scan.h"
#include "index/TreeCodes.h"

namespace tarvolo {

class BackgroundScan {
public:
    BackgroundScan(HWND notify, UINT message) : notify_(notify), message_(message) {}
    ~BackgroundScan() { Cancel(); }
    BackgroundScan(const BackgroundScan&) = delete;
    BackgroundScan& operator=(const BackgroundScan&) = delete;

    // Walks `root` ("C:\") as Rescan does; a scan already running is cancelled
    // first. Should folders below the root not be listed, `known` is called on
    // the walk's thread for the drive's rows so far (in tree order), and what
    // they hold below those folders is kept.
    // `catchUp`: a check of rows read from the drive's file, which must not slow
    // the user's own work: the walk runs in background mode, and its rows are
    // only compared, so no tree codes are built for them.
    // `replay` (a catch-up's, may be empty) is tried on the walk's thread first:
    // when it gives the changes since the rows were written, there is no walk.
    using Replay = std::function<bool(const std::atomic<bool>& cancel, std::vector<ResolvedChange>& changes)>;
    void Start(const std::string& root, const ScanFilter& filter, std::function<RowStore()> known,
               bool catchUp = false, Replay replay = nullptr);
    // Stops the walk within the walk's own pump interval and forgets its rows.
    void Cancel();
    bool Running() const { return thread_.joinable() && !done_.load(); }
    // Running, or ended with its message not yet taken.
    bool Pending() const { return thread_.joinable(); }
    const std::string& Root() const { return root_; }
    // The rows and their codes once the message came; false when the walk
    // failed (the drive could not be listed) or was cancelled.
    bool Take(RowStore& rows, TreeCodes& codes);
    // After a Take that gave no rows: the changes the replay gave instead.
    std::vector<ResolvedChange> TakeReplayed() { return std::move(replayed_); }

private:
    HWND notify_;
    UINT message_;
    std::string root_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{false};
    bool ok_ = false;
    // Written by the thread before done_, read after it.
    RowStore rows_;
    TreeCodes codes_;
    std::vector<ResolvedChange> replayed_;
};

}  // namespace tarvolo
