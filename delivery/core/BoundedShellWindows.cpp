#include "delivery/core/BoundedShellWindows.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace tarvolo {

// Shared by the window's side and the one thread that asks the shell; the
// thread holds it too, so that a question given up can still end safely after
// the object that asked is gone.
struct BoundedShellWindows::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> question;  // waiting for the thread; empty for none
    bool running = false;            // a question is taken or waiting, answered or not
    bool started = false;            // the thread runs
    bool ending = false;             // the owner is gone: the thread ends after its question
};

namespace {

// The asking thread: one for the program's life, so that what the shell needs of
// a thread (the Win32 one's COM apartment) is set up once and not torn down and
// built again at every question.
void AskingThread(const std::shared_ptr<BoundedShellWindows::State>& state) {
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->ending || state->question; });
        if (!state->question) return;
        std::function<void()> question = std::move(state->question);
        state->question = nullptr;
        lock.unlock();
        question();
        lock.lock();
        state->running = false;
        state->changed.notify_all();
    }
}

// Puts `ask` to the asking thread and waits for its answer at most `limit`;
// nullopt when there was none in time, or when an earlier question still runs.
template <class Answer>
std::optional<Answer> Ask(const std::shared_ptr<BoundedShellWindows::State>& state,
                          std::chrono::milliseconds limit, std::function<Answer()> ask) {
    auto answer = std::make_shared<std::optional<Answer>>();
    std::unique_lock<std::mutex> lock(state->mutex);
    if (state->running) return std::nullopt;
    if (!state->started) {
        try {
            std::thread([state] { AskingThread(state); }).detach();
        } catch (const std::system_error&) {
            return std::nullopt;
        }
        state->started = true;
    }
    state->running = true;
    state->question = [state, answer, ask = std::move(ask)] {
        std::optional<Answer> got;
        try {
            got = ask();
        } catch (...) {
            got = Answer{};  // a failed question is an empty answer
        }
        const std::lock_guard<std::mutex> guard(state->mutex);
        *answer = std::move(got);
    };
    state->changed.notify_all();
    if (!state->changed.wait_for(lock, limit, [&] { return answer->has_value(); })) return std::nullopt;
    return std::move(*answer);
}

}  // namespace

BoundedShellWindows::BoundedShellWindows(std::shared_ptr<ShellWindows> shell, std::chrono::milliseconds limit)
    : shell_(std::move(shell)), limit_(limit), state_(std::make_shared<State>()) {}

BoundedShellWindows::~BoundedShellWindows() {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->ending = true;
    state_->changed.notify_all();
}

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
