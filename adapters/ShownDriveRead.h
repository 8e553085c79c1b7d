// The shown drive's index file read on a thread of its own: parsed, put in
// tree order and given its tree codes there, so that the window goes on
// answering while a million rows come (a third of a second under Wine). Only
// the newest read counts: one begun before it, or dropped, is left to end on
// its own and its rows are thrown away, never waited for.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "index/TreeCodes.h"
#include "model/Model.h"

namespace tarvolo {

// Whether either of a drive's index files exists: a drive with none is scanned instead of read.
bool IndexStored(const DriveIndexPaths& index);

class ShownDriveRead {
public:
    // `message` is posted to `notify` when a read ends.
    ShownDriveRead(HWND notify, UINT message) : notify_(notify), message_(message) {}
    ~ShownDriveRead();
    ShownDriveRead(const ShownDriveRead&) = delete;
    ShownDriveRead& operator=(const ShownDriveRead&) = delete;

    struct Outcome {
        std::string drive;  // "C:"
        IndexRead read;     // ran out of memory: unreadable, with the path it read
        TreeCodes codes;    // of the rows read, when loaded
    };

    // Reads the index of `drive` ("C:") from `index` by the rule of
    // ReadDriveIndexFile; a read under way is dropped. When no thread can be
    // started the read is done here, before this returns.
    void Start(const std::string& drive, const DriveIndexPaths& index);
    // The read under way is of no more use.
    void Drop() { wanted_ = nullptr; }
    // A read was started, not dropped and not yet taken.
    bool Pending() const { return wanted_ != nullptr; }
    // The newest read once it has ended; nothing while it runs, and nothing
    // for a read dropped. Reads that were dropped and have ended are let go.
    std::optional<Outcome> Take();

private:
    struct Job {
        Outcome outcome;
        std::atomic<bool> done{false};
        std::thread thread;
    };
    static void Read(Outcome& outcome, const DriveIndexPaths& index);

    HWND notify_;
    UINT message_;
    std::vector<std::unique_ptr<Job>> jobs_;
    const Job* wanted_ = nullptr;
};

}  // namespace tarvolo
