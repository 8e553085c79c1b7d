#include "adapters/ShownDriveRead.h"

#include "adapters/WinFileSystem.h"
#include "adapters/WinLocale.h"
#include "index/LiveUpdate.h"
#include "platform/BackgroundJob.h"
#include "platform/WinText.h"

namespace tarvolo {

bool IndexStored(const DriveIndexPaths& index) {
    for (const std::string& path : {index.path, index.localPath}) {
        if (!path.empty() && ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    }
    return false;
}

ShownDriveRead::~ShownDriveRead() {
    for (const auto& job : jobs_) job->thread.join();
}

void ShownDriveRead::Read(Outcome& outcome, const DriveIndexPaths& index) {
    WinFileSystem files;
    const WinAnsiDecoder ansi;
    outcome.read = ReadDriveIndexFile(files, ansi, index.path, index.localPath);
    if (outcome.read.result != FileSystem::Read::loaded) return;
    // Another tool's order would split subtrees that the tree and the live changes keep whole.
    EnsureTreeOrder(outcome.read.rows, WinCollator());
    outcome.codes.Build(outcome.read.rows);
}

void ShownDriveRead::Start(const std::string& drive, const DriveIndexPaths& index) {
    auto job = std::make_unique<Job>();
    job->outcome.drive = drive;
    Job& j = *job;
    const bool started = StartBackgroundJob(
        j.thread, j.done, JobReport{notify_, message_}, [&j, index] { Read(j.outcome, index); },
        [&j, index] {
            // Out of memory: the drive shows no rows, and the user is told which file failed.
            j.outcome.read = IndexRead();
            j.outcome.read.result = FileSystem::Read::unreadable;
            j.outcome.read.path = index.path;
            j.outcome.codes.Clear();
        });
    if (!started) {
        try {
            Read(j.outcome, index);
        } catch (const std::exception&) {
            j.outcome.read = IndexRead();
            j.outcome.read.result = FileSystem::Read::unreadable;
            j.outcome.read.path = index.path;
        }
        j.done = true;
        ::PostMessageW(notify_, message_, 0, 0);
    }
    wanted_ = &j;
    jobs_.push_back(std::move(job));
}

std::optional<ShownDriveRead::Outcome> ShownDriveRead::Take() {
    std::optional<Outcome> taken;
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        Job& job = **it;
        if (!job.done.load()) {
            ++it;
            continue;
        }
        if (job.thread.joinable()) job.thread.join();
        if (&job == wanted_) {
            taken = std::move(job.outcome);
            wanted_ = nullptr;
        }
        it = jobs_.erase(it);
    }
    return taken;
}

}  // namespace tarvolo
