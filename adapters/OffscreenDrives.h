// The watched drives that are not on screen. Each keeps only its watch and the
// changes taken since its index file was last written: the rows searched in
// memory are the model's (read again from the file once it took changes,
// TakeRewritten), and a write never has to wait for the window's thread to
// lend them. Once changes settle, a thread of the drive's own reads its index
// file, applies them and writes it again; a change
// that asks for a rescan (the watch lost changes) walks the drive on that
// thread instead. The window thread never reads or writes an index file here.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "adapters/DriveWatcher.h"
#include "index/LiveUpdate.h"
#include "index/Rows.h"

namespace tarvolo {

class OffscreenDrives {
public:
    enum class Load { loaded, missing, failed };
    // Both run on the drives' threads; `root` is "C:\". `position` is the
    // change journal's position the rows hold, read and written beside them.
    using LoadIndex = std::function<Load(const std::string& root, RowStore& rows, std::string& position)>;
    using SaveIndex =
        std::function<bool(const std::string& root, const RowStore& rows, const std::string& position)>;

    // Changes are announced with `message` to `notify`, as DriveWatcher does.
    OffscreenDrives(HWND notify, UINT message, LoadIndex load, SaveIndex save);
    ~OffscreenDrives();
    OffscreenDrives(const OffscreenDrives&) = delete;
    OffscreenDrives& operator=(const OffscreenDrives&) = delete;

    // Starts watching `root` unless it is watched already.
    void Watch(const std::string& root, const ScanFilter& filter);
    // Ends the watch of `root` and hands back the changes its index file does
    // not hold yet, oldest first. Waits for a write under way; a walk under
    // way is cancelled and its changes are handed back.
    std::vector<ResolvedChange> Release(const std::string& root);
    // A write of a watched `root`'s index file that another thread still does:
    // every read or write of the file here waits for it, so that no two writes
    // of one file run at once and none reads the file before it is replaced.
    // Call before WriteRows or Hand.
    void After(const std::string& root, std::shared_future<void> write);
    // Adds changes the index file of a watched `root` lacks (taken by another watch).
    void Hand(const std::string& root, std::vector<ResolvedChange> changes);
    // Writes `rows`, which hold every change taken so far, to the index file of
    // a watched `root` on the drive's thread: a drive leaving the screen is
    // shown again without waiting for its file. Later writes of the drive and
    // Release wait for it, so the file read next is this one or a newer one. A
    // write that fails becomes a walk of the drive, as a lost change does.
    void WriteRows(const std::string& root, RowStore rows, std::string position);
    void SetFilter(const ScanFilter& filter);
    // A watched `root` whose rows were read from its file for the first time in
    // this run is checked at its next write: the changes since the journal
    // position saved with its file are replayed where the drive's journal can
    // be read, else the drive is walked in background mode and its file written
    // only when the walk (or the position) found a change; false when `root`
    // is not watched.
    bool CatchUp(const std::string& root);
    // Every drive is walked again with the filter at its next write: the rules
    // of what is left out changed.
    void WalkAgain();
    // Takes the changes of every watch; true when some wait to be written.
    bool Collect();
    // Starts writing each drive whose changes wait and that is not being
    // written; true when changes still wait or a write is under way (call
    // again later).
    bool Write();
    // The drives whose index file was written with other rows since the last
    // call, as their writes are found ended (Write, Release, WriteNow): what a
    // copy of their rows held in memory must be read again from.
    std::vector<std::string> TakeRewritten();
    // Writes everything now and waits; walks are not waited for, so that a
    // close is never held up for minutes (that drive's file stays as it was).
    void WriteNow();

private:
    struct Drive;
    void StartWrite(Drive& drive);
    void Finish(Drive& drive);

    HWND notify_;
    UINT message_;
    LoadIndex load_;
    SaveIndex save_;
    ScanFilter filter_;
    std::map<std::string, std::unique_ptr<Drive>> drives_;
    std::vector<std::string> rewritten_;
};

}  // namespace tarvolo
