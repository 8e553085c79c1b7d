// The shell's list of its windows, asked with a time limit. Every question goes
// across processes to the file browser, and one of its windows stuck on a dead
// network share can hold a question for minutes: the window's thread must not
// wait on that. The questions run on one thread of their own, kept for the
// program's life; one that takes too long is given up, and while it still runs
// the shell is not asked again.
#pragma once

#include <chrono>
#include <memory>

#include "delivery/core/ExplorerWindows.h"

namespace tarvolo {

class BoundedShellWindows final : public ShellWindows {
public:
    // `shell` is called on one other thread, always the same; it must set up what
    // that thread needs (the Win32 one its COM apartment) itself.
    BoundedShellWindows(std::shared_ptr<ShellWindows> shell, std::chrono::milliseconds limit);
    ~BoundedShellWindows() override;
    BoundedShellWindows(const BoundedShellWindows&) = delete;
    BoundedShellWindows& operator=(const BoundedShellWindows&) = delete;

    // Empty, and false, when the shell did not answer in time or an earlier
    // question is still running.
    std::vector<ShellWindowReport> List() override;
    bool Navigate(WindowHandle window, const std::string& folder) override;

    // True while a question that was given up still runs.
    bool Stuck() const;

    struct State;

private:
    std::shared_ptr<ShellWindows> shell_;
    std::chrono::milliseconds limit_;
    std::shared_ptr<State> state_;
};

}  // namespace tarvolo
