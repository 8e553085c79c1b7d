// Quick Jump's search on a thread of its own, so that typing never waits for
// it: each keystroke starts a search in place of the one under way, which is
// told to stop and is never waited for; only the answer to the latest text is
// handed back. The search reads the drives' rows where they are, without a
// copy; before the UI thread changes any rows it makes the search let go of
// them (Model::RowsAboutToChange), and the window asks again afterwards.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "index/QuickJump.h"

namespace tarvolo {

// What a search found: the directories, best first, with their whole paths.
struct JumpFound {
    std::vector<JumpHit> hits;
    std::vector<std::string> paths;  // "E:\Users\me\projects"
};

// The directories of `drives` that match `text`, best first, with their
// paths: what the Quick Jump list shows and tarvolo-find prints.
// `memo` carries what one search leaves for the next (see JumpMemo).
JumpFound FindDirectories(const JumpText& text, const std::vector<JumpDrive>& drives,
                          const std::vector<JumpUse>& uses, size_t limit,
                          const std::atomic<bool>* cancelled = nullptr, JumpMemo* memo = nullptr);

// Whatever reads the model's rows off the UI thread.
class RowsReader {
public:
    virtual ~RowsReader() = default;
    // Called on the UI thread before it changes rows: returns once nothing is
    // read any more, and reads nothing until asked anew.
    virtual void LetGo() = 0;
};

class JumpSearcher : public RowsReader {
public:
    // A search over rows that stay as they are while it runs; it stops early,
    // with what it has, once `cancelled` is set.
    using Search = std::function<JumpFound(const std::atomic<bool>& cancelled)>;

    // `finished` runs on the search's thread when the latest search has an
    // answer (the window posts itself a message there); `letGo` on the UI
    // thread when rows are about to change (the window asks again later).
    JumpSearcher(std::function<void()> finished, std::function<void()> letGo = {});
    ~JumpSearcher() override;
    JumpSearcher(const JumpSearcher&) = delete;
    JumpSearcher& operator=(const JumpSearcher&) = delete;

    // Runs `search` in place of the search under way or waiting. Never waits.
    void Start(Search search);
    // The answer to the latest search, once; nothing while it runs, after it
    // was cancelled, or when a later one was started.
    std::optional<JumpFound> Take();
    // True while a search is waiting or running.
    bool Busy() const;
    // What one search leaves for the next, for the searches alone: they run
    // one at a time, and LetGo clears it once none runs.
    JumpMemo* Memo() { return &memo_; }

    void LetGo() override;

private:
    void Run();

    std::function<void()> finished_;
    std::function<void()> letGo_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;     // the worker: a search waits, or the end
    std::condition_variable stopped_;  // LetGo: the worker has let go
    std::optional<Search> waiting_;
    uint64_t latest_ = 0;  // the number of the latest search started
    bool running_ = false;
    bool ending_ = false;
    std::atomic<bool> cancelled_{false};
    JumpMemo memo_;
    std::optional<JumpFound> answer_;
    uint64_t answerOf_ = 0;
    std::thread thread_;
};

}  // namespace tarvolo
