#include "model/JumpSearch.h"

#include <utility>

namespace tarvolo {

JumpFound FindDirectories(const JumpText& text, const std::vector<JumpDrive>& drives,
                          const std::vector<JumpUse>& uses, size_t limit, const std::atomic<bool>* cancelled,
                          JumpMemo* memo) {
    JumpFound found;
    for (const JumpHit& hit : RankDirectories(text, drives, uses, limit, cancelled, JumpScan::fastest, memo))
        for (const JumpDrive& drive : drives)
            if (drive.letter == hit.drive && drive.rows && hit.row < drive.rows->size()) {
                found.hits.push_back(hit);
                found.paths.push_back(JumpPath(hit.drive, *drive.rows, hit.row));
                break;
            }
    return found;
}

JumpSearcher::JumpSearcher(std::function<void()> finished, std::function<void()> letGo)
    : finished_(std::move(finished)), letGo_(std::move(letGo)), thread_([this] { Run(); }) {}

JumpSearcher::~JumpSearcher() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
        waiting_.reset();
        cancelled_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void JumpSearcher::Start(Search search) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++latest_;
        waiting_ = std::move(search);
        // The search under way answers a text that is gone.
        cancelled_ = true;
    }
    wake_.notify_all();
}

std::optional<JumpFound> JumpSearcher::Take() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!answer_ || answerOf_ != latest_) return std::nullopt;
    std::optional<JumpFound> taken = std::move(answer_);
    answer_.reset();
    return taken;
}

bool JumpSearcher::Busy() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return running_ || waiting_.has_value();
}

void JumpSearcher::LetGo() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        // A waiting search holds pointers to the rows as they are now.
        waiting_.reset();
        answer_.reset();
        ++latest_;
        cancelled_ = true;
        // The search checks its flag often: this is a short wait.
        stopped_.wait(lock, [this] { return !running_; });
        memo_.Clear();
    }
    if (letGo_) letGo_();
}

void JumpSearcher::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || waiting_.has_value(); });
        if (ending_) return;
        Search search = std::move(*waiting_);
        waiting_.reset();
        const uint64_t number = latest_;
        cancelled_ = false;
        running_ = true;
        lock.unlock();
        JumpFound found = search(cancelled_);
        lock.lock();
        running_ = false;
        stopped_.notify_all();
        const bool current = !cancelled_ && number == latest_;
        if (current) {
            answer_ = std::move(found);
            answerOf_ = number;
        }
        if (current && finished_) {
            lock.unlock();
            finished_();
            lock.lock();
        }
    }
}

}  // namespace tarvolo
