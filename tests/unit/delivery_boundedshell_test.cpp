#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "delivery/core/BoundedShellWindows.h"

namespace tarvolo {
namespace {

using namespace std::chrono_literals;

// A shell that answers at once, or holds every question until released, as one
// of its windows on a dead network share does.
class StuckShell : public ShellWindows {
public:
    std::atomic<int> lists{0}, navigations{0};
    bool holds = false;

    std::vector<ShellWindowReport> List() override {
        ++lists;
        Hold();
        ShellWindowReport report;
        report.window = 0x10;
        report.fileSystemPath = "C:\\Users";
        return {report};
    }
    bool Navigate(WindowHandle, const std::string&) override {
        ++navigations;
        Hold();
        return true;
    }
    void Release() {
        const std::lock_guard<std::mutex> lock(mutex_);
        holds = false;
        released_.notify_all();
    }

private:
    void Hold() {
        std::unique_lock<std::mutex> lock(mutex_);
        released_.wait(lock, [this] { return !holds; });
    }
    std::mutex mutex_;
    std::condition_variable released_;
};

bool WaitUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(BoundedShellWindows, AnAnsweringShellIsPassedThrough) {
    auto shell = std::make_shared<StuckShell>();
    BoundedShellWindows bounded(shell, 10s);
    const std::vector<ShellWindowReport> reports = bounded.List();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].fileSystemPath, "C:\\Users");
    EXPECT_TRUE(bounded.Navigate(0x10, "D:\\"));
    EXPECT_FALSE(bounded.Stuck());
}

// A stuck question is given up, not waited for; while it runs the shell is not
// asked again, and once it ends the shell is asked as before.
TEST(BoundedShellWindows, AStuckShellIsGivenUpAndNotAskedAgainUntilItAnswers) {
    auto shell = std::make_shared<StuckShell>();
    shell->holds = true;
    BoundedShellWindows bounded(shell, 1s);
    EXPECT_TRUE(bounded.List().empty()) << "a stuck list is no list";
    EXPECT_TRUE(bounded.Stuck());
    EXPECT_TRUE(bounded.List().empty());
    EXPECT_FALSE(bounded.Navigate(0x10, "D:\\"));
    EXPECT_EQ(shell->lists, 1) << "the shell was asked again while stuck";
    EXPECT_EQ(shell->navigations, 0);

    shell->Release();
    ASSERT_TRUE(WaitUntil([&] { return !bounded.Stuck(); })) << "the given-up question never ended";
    EXPECT_EQ(bounded.List().size(), 1u);
    EXPECT_EQ(shell->lists, 2);
}

}  // namespace
}  // namespace tarvolo
