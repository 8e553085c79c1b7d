#include "delivery/core/BoundedShellWindows.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace tarvolo {

struct BoundedShellWindows::State {
    std::mutex mutex;
    std::condition_variable done;
    bool running = false;  // a question is on its thread, answered or not
};

namespace {

// Runs `ask` on a thread of its own and waits for its answer at most `limit`;
// nullopt when there was none in time. The thread and what it holds outlive a
// question given up: it ends on its own whenever the shell answers.
template <class Answer>
std::optional<Answer> Ask(const std::shared_ptr<BoundedShellWindows::State>& state,
                          std::chrono::milliseconds limit, std::function<Answer()> ask) {
    {
        const std::lock_guard<std::mutex> lock(state->mutex);
        if (state->running) return std::nullopt;
        state->running = true;
    }
    auto answer = std::make_shared<std::optional<Answer>>();
    try {
        std::thread([state, answer, ask = std::move(ask)] {
            std::optional<Answer> got;
            try {
                got = ask();
            } catch (...) {
                got = Answer{};  // a failed question is an empty answer
            }
            const std::lock_guard<std::mutex> lock(state->mutex);
            *answer = std::move(got);
            state->running = false;
            state->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        const std::lock_guard<std::mutex> lock(state->mutex);
        state->running = false;
        return std::nullopt;
    }
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->done.wait_for(lock, limit, [&] { return answer->has_value(); })) return std::nullopt;
    return std::move(*answer);
}

}  // namespace

BoundedShellWindows::BoundedShellWindows(std::shared_ptr<ShellWindows> shell, std::chrono::milliseconds limit)
    : shell_(std::move(shell)), limit_(limit), state_(std::make_shared<State>()) {}

std::vector<ShellWindowReport> BoundedShellWindows::List() {
    std::shared_ptr<ShellWindows> shell = shell_;
    return Ask<std::vector<ShellWindowReport>>(state_, limit_, [shell] { return shell->List(); })
        .value_or(std::vector<ShellWindowReport>{});
}

bool BoundedShellWindows::Navigate(WindowHandle window, const std::string& folder) {
    std::shared_ptr<ShellWindows> shell = shell_;
    return Ask<bool>(state_, limit_, [shell, window, folder] { return shell->Navigate(window, folder); })
        .value_or(false);
}

bool BoundedShellWindows::Stuck() const {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->running;
}

}  // namespace tarvolo
