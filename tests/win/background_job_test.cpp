// A background job ends the same way whatever its work did: a failure is
// caught on its thread, the window's flag is set, and only then is the window
// told, so that what the message announces is there when it arrives.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/BackgroundJob.h"
#include "platform/Handles.h"

namespace tarvolo {
namespace {

constexpr UINT kJobEnded = WM_APP + 7;

HWND MessageWindow() {
    return ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

// Waits, bounded, for the job's message on this thread's queue.
bool WaitForMessage(HWND window) {
    for (int i = 0; i < 500; ++i) {
        MSG msg;
        if (::PeekMessageW(&msg, window, kJobEnded, kJobEnded, PM_REMOVE)) return true;
        ::Sleep(10);
    }
    return false;
}

enum class Outcome { works, throwsRuntimeError, runsOutOfMemory };

struct Case {
    const char* name;
    Outcome outcome;
    bool toldByMessage;
    const char* steps;  // what ran on the job's thread, in order
};

TEST(BackgroundJob, FailureIsCaughtTheFlagIsSetAndThenTheWindowIsTold) {
    const Case cases[] = {
        {"work that ends, told by a message", Outcome::works, true, "work ended"},
        {"work that throws, told by a message", Outcome::throwsRuntimeError, true, "work failed ended"},
        {"out of memory, told by a message", Outcome::runsOutOfMemory, true, "work failed ended"},
        {"work that ends, the flag looked at", Outcome::works, false, "work ended"},
        {"work that throws, the flag looked at", Outcome::throwsRuntimeError, false, "work failed ended"},
    };
    const UniqueWindow window(MessageWindow());
    ASSERT_TRUE(window);
    for (const Case& c : cases) {
        std::mutex mutex;
        std::string steps;
        const auto step = [&](const char* what) {
            const std::lock_guard<std::mutex> lock(mutex);
            steps += steps.empty() ? what : std::string(" ") + what;
        };
        std::atomic<bool> done{false};
        std::thread thread;
        const JobReport report = c.toldByMessage ? JobReport{window.get(), kJobEnded} : JobReport{};
        const bool started = StartBackgroundJob(
            thread, report,
            [&] {
                step("work");
                if (c.outcome == Outcome::throwsRuntimeError) throw std::runtime_error("the disk went");
                if (c.outcome == Outcome::runsOutOfMemory) throw std::bad_alloc();
            },
            [&] { step("failed"); },
            [&] {
                step("ended");
                done = true;
            });
        ASSERT_TRUE(started) << c.name;
        if (c.toldByMessage) {
            ASSERT_TRUE(WaitForMessage(window.get())) << c.name << ": no message within 5 s";
            EXPECT_TRUE(done.load()) << c.name << ": the message came before the flag was set";
        }
        thread.join();
        EXPECT_TRUE(done.load()) << c.name;
        EXPECT_EQ(steps, c.steps) << c.name;
        MSG stray;
        EXPECT_FALSE(::PeekMessageW(&stray, window.get(), kJobEnded, kJobEnded, PM_REMOVE))
            << c.name << ": a message too many";
    }
}

TEST(BackgroundJob, TheFlagFormSetsTheFlagOnceTheWorkHasFailed) {
    std::atomic<bool> done{false};
    bool failed = false;
    std::thread thread;
    ASSERT_TRUE(StartBackgroundJob(
        thread, done, JobReport{}, [] { throw std::runtime_error("no"); }, [&failed] { failed = true; }));
    thread.join();
    EXPECT_TRUE(failed);
    EXPECT_TRUE(done.load());
}

}  // namespace
}  // namespace tarvolo
