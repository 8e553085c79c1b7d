// Quick Jump's search thread: a keystroke never waits for the search under
// way, only the latest text's answer comes back, and the rows are let go of
// before the UI thread changes them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "model/JumpSearch.h"
#include "model/Model.h"
#include "tests/support/Decoders.h"
#include "tests/support/NoFiles.h"

namespace tarvolo {
namespace {

using namespace std::chrono_literals;

// Counts the answers the searcher says are ready, and lets a test wait for one.
struct Answers {
    std::mutex mutex;
    std::condition_variable ready;
    int count = 0;

    void Finished() {
        const std::lock_guard<std::mutex> lock(mutex);
        ++count;
        ready.notify_all();
    }
    // False when none came within five seconds.
    bool WaitFor(int n) {
        std::unique_lock<std::mutex> lock(mutex);
        return ready.wait_for(lock, 5s, [&] { return count >= n; });
    }
};

JumpFound Found(std::string path) {
    JumpFound found;
    found.paths.push_back(std::move(path));
    return found;
}

// A search that runs until it is cancelled, saying when it started.
struct Endless {
    std::atomic<bool> started{false};
    std::atomic<bool> sawCancel{false};

    JumpSearcher::Search Search() {
        return [this](const std::atomic<bool>& cancelled) {
            started = true;
            while (!cancelled) std::this_thread::yield();
            sawCancel = true;
            return Found("stale");
        };
    }
    bool WaitStarted() {
        for (auto end = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < end;)
            if (started) return true;
        return false;
    }
};

TEST(JumpSearcher, ANewTextReplacesTheSearchUnderWayWithoutWaitingForIt) {
    Answers answers;
    JumpSearcher searcher([&] { answers.Finished(); });
    Endless endless;
    searcher.Start(endless.Search());
    ASSERT_TRUE(endless.WaitStarted()) << "the first search never ran";
    EXPECT_TRUE(searcher.Busy());
    EXPECT_FALSE(searcher.Take()) << "no answer while the search runs";

    // Start returns at once although the search under way has not looked at its flag yet.
    searcher.Start([](const std::atomic<bool>&) { return Found("E:\\new"); });
    ASSERT_TRUE(answers.WaitFor(1)) << "the second search never answered";
    EXPECT_TRUE(endless.sawCancel);
    const std::optional<JumpFound> answer = searcher.Take();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->paths, std::vector<std::string>{"E:\\new"})
        << "the abandoned search's answer came back";
    EXPECT_FALSE(searcher.Take()) << "an answer is taken once";
    EXPECT_EQ(answers.count, 1) << "the cancelled search must not report";
}

TEST(JumpSearcher, LettingGoStopsTheSearchAndDropsTheOneWaiting) {
    Answers answers;
    int letGo = 0;
    JumpSearcher searcher([&] { answers.Finished(); }, [&] { ++letGo; });
    Endless endless;
    searcher.Start(endless.Search());
    ASSERT_TRUE(endless.WaitStarted());
    bool waitingRan = false;
    searcher.Start([&](const std::atomic<bool>&) {
        waitingRan = true;
        return Found("old rows");
    });

    searcher.LetGo();
    // Returned only once the running search had let go of the rows.
    EXPECT_TRUE(endless.sawCancel);
    EXPECT_EQ(letGo, 1);
    EXPECT_FALSE(searcher.Take());

    // The waiting search held the rows as they were: it never runs; the next does.
    searcher.Start([](const std::atomic<bool>&) { return Found("new rows"); });
    ASSERT_TRUE(answers.WaitFor(1));
    EXPECT_FALSE(waitingRan);
    const std::optional<JumpFound> answer = searcher.Take();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->paths, std::vector<std::string>{"new rows"});
}

TEST(JumpSearcher, TheModelMakesEveryReaderLetGoUntilItIsRemoved) {
    NoFiles files;
    const fakes::PassThroughDecoder ansi;
    Model model("P:", files, ansi);
    int letGo = 0;
    Answers answers;
    JumpSearcher searcher([&] { answers.Finished(); }, [&] { ++letGo; });
    Endless endless;
    searcher.Start(endless.Search());
    ASSERT_TRUE(endless.WaitStarted());
    model.AddRowsReader(&searcher);
    model.RowsAboutToChange();
    EXPECT_TRUE(endless.sawCancel) << "rows changed under a running search";
    EXPECT_EQ(letGo, 1);
    model.RemoveRowsReader(&searcher);
    model.RowsAboutToChange();
    EXPECT_EQ(letGo, 1);
}

}  // namespace
}  // namespace tarvolo
