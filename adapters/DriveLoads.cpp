#include "adapters/DriveLoads.h"

#include <algorithm>
#include <system_error>

#include "adapters/WinLocale.h"

namespace tarvolo {

struct DriveLoads::Job {
    Loaded loaded;
    bool dropped = false;  // forgotten, or superseded by a newer read
    std::atomic<bool> done{false};
    std::thread thread;
};

DriveLoads::DriveLoads(HWND notify, UINT message, Read read)
    : notify_(notify), message_(message), read_(std::move(read)) {}

DriveLoads::~DriveLoads() {
    for (const auto& job : jobs_) job->thread.join();
}

void DriveLoads::Load(const std::string& root, std::shared_future<void> after) {
    Forget(root);
    auto job = std::make_unique<Job>();
    job->loaded.root = root;
    Job& j = *job;
    try {
        j.thread = std::thread([this, &j, after] {
            // Behind the window's thread and the shown drive: these drives are only searched.
            ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
            if (after.valid()) after.wait();
            try {
                j.loaded.ok = read_(j.loaded.root, j.loaded.rows);
                if (j.loaded.ok) {
                    // Held for the whole run: the room a read keeps for names it guessed is given back.
                    j.loaded.rows.ShrinkToFit();
                    const WinCaseFolder folder;
                    j.loaded.search.Build(j.loaded.rows, folder);
                }
            } catch (const std::exception&) {
                // Out of memory: the drive is not searchable until it is read again.
                j.loaded.ok = false;
                j.loaded.rows = RowStore();
                j.loaded.search = SearchIndex();
            }
            j.done = true;
            ::PostMessageW(notify_, message_, 0, 0);
        });
    } catch (const std::system_error&) {
        return;  // no thread: the drive is read at its next change
    }
    jobs_.push_back(std::move(job));
}

void DriveLoads::Forget(const std::string& root) {
    for (const auto& job : jobs_)
        if (job->loaded.root == root) job->dropped = true;
}

std::vector<std::string> DriveLoads::Pending() const {
    std::vector<std::string> roots;
    for (const auto& job : jobs_)
        if (!job->dropped && std::find(roots.begin(), roots.end(), job->loaded.root) == roots.end())
            roots.push_back(job->loaded.root);
    return roots;
}

std::vector<DriveLoads::Loaded> DriveLoads::Take() {
    std::vector<Loaded> out;
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        Job& job = **it;
        if (!job.done.load()) {
            ++it;
            continue;
        }
        job.thread.join();
        if (!job.dropped) out.push_back(std::move(job.loaded));
        it = jobs_.erase(it);
    }
    return out;
}

}  // namespace tarvolo
