// Work on a thread of its own that reports back to a window's thread, which
// owns the state and takes the outcome at its own pace.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

namespace tarvolo {

// Where a job tells that it has ended: a message posted to a window. None
// where the window's thread looks at the job's flag by itself (on a timer,
// or when it next needs the job).
struct JobReport {
    HWND window = nullptr;
    UINT message = 0;
};

// Starts `work` on `thread`, which must hold no thread. There, an exception
// that `work` lets out goes to `failed` (out of memory on a huge drive ends
// the job as one that failed, never the program); then `ended` runs, which
// sets what the window's thread reads of the job, and last the message is
// posted, so that what it announces is all there when it arrives. False, with
// nothing started, when the system cannot start a thread.
template <class Work, class Failed, class Ended>
bool StartBackgroundJob(std::thread& thread, JobReport report, Work work, Failed failed, Ended ended) {
    try {
        thread = std::thread(
            [report, work = std::move(work), failed = std::move(failed), ended = std::move(ended)]() mutable {
                try {
                    work();
                } catch (const std::exception&) {
                    failed();
                }
                ended();
                if (report.window) ::PostMessageW(report.window, report.message, 0, 0);
            });
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

// The same, for a job whose end is one flag: `done` is set once it has ended,
// however it ended.
template <class Work, class Failed>
bool StartBackgroundJob(std::thread& thread, std::atomic<bool>& done, JobReport report, Work work,
                        Failed failed) {
    return StartBackgroundJob(thread, report, std::move(work), std::move(failed), [&done] { done = true; });
}

}  // namespace tarvolo
