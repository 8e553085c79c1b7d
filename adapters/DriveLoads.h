// The index files of the drives not on show, read on threads of their own with
// their search names folded, so that every drive can be searched while the
// window goes on answering. Posts a message when a read ends; the window's
// thread only moves the rows in.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "index/Rows.h"
#include "index/Search.h"

namespace tarvolo {

class DriveLoads {
public:
    // Runs on a load's thread: the drive's rows in tree order; false when its
    // index could not be read or there is none.
    using Read = std::function<bool(const std::string& root, RowStore& rows)>;

    DriveLoads(HWND notify, UINT message, Read read);
    ~DriveLoads();
    DriveLoads(const DriveLoads&) = delete;
    DriveLoads& operator=(const DriveLoads&) = delete;

    // Reads `root` ("D:\") once `after` (a write of its file under way, or
    // nothing) has ended. A read of it under way is left to end and its rows
    // dropped: the file is read again, as it is now.
    void Load(const std::string& root, std::shared_future<void> after = {});
    // The read under way of `root`, if any, is of no more use.
    void Forget(const std::string& root);
    // The roots being read.
    std::vector<std::string> Pending() const;

    struct Loaded {
        std::string root;
        bool ok = false;
        RowStore rows;
        SearchIndex search;
    };
    // The reads that ended since the last call, each drive's newest only.
    std::vector<Loaded> Take();

private:
    struct Job;
    HWND notify_;
    UINT message_;
    Read read_;
    std::vector<std::unique_ptr<Job>> jobs_;
};

}  // namespace tarvolo
