#include "adapters/DriveWatcher.h"

#include "adapters/WinDirectoryLister.h"
#include "adapters/WinLocale.h"
#include "platform/BackgroundJob.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// Large enough for a burst of changes; a burst beyond it is an overflow.
constexpr DWORD kBufferBytes = 64 * 1024;

std::vector<DirectoryChange> ParseChanges(const DWORD* buffer, DWORD bytes) {
    std::vector<DirectoryChange> out;
    const char* base = reinterpret_cast<const char*>(buffer);
    for (DWORD offset = 0; offset + sizeof(FILE_NOTIFY_INFORMATION) <= bytes;) {
        const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + offset);
        const std::wstring_view name(info->FileName, info->FileNameLength / sizeof(wchar_t));
        DirectoryChange::Kind kind;
        bool known = true;
        switch (info->Action) {
            case FILE_ACTION_ADDED:
                kind = DirectoryChange::Kind::added;
                break;
            case FILE_ACTION_REMOVED:
                kind = DirectoryChange::Kind::removed;
                break;
            case FILE_ACTION_RENAMED_OLD_NAME:
                kind = DirectoryChange::Kind::renamedOldName;
                break;
            case FILE_ACTION_RENAMED_NEW_NAME:
                kind = DirectoryChange::Kind::renamedNewName;
                break;
            default:
                known = false;
                kind = DirectoryChange::Kind::added;
                break;
        }
        if (known) out.push_back({kind, Narrow(name)});
        if (info->NextEntryOffset == 0) break;
        offset += info->NextEntryOffset;
    }
    return out;
}

}  // namespace

DriveWatcher::DriveWatcher(HWND notify, UINT message) : notify_(notify), message_(message) {}

DriveWatcher::~DriveWatcher() {
    Stop();
}

void DriveWatcher::Start(const std::string& root, const ScanFilter& filter) {
    Stop();
    {
        // What the last watch resolved belongs to its drive.
        std::lock_guard<std::mutex> lock(mutex_);
        ready_.clear();
    }
    stopping_ = false;
    ended_ = false;
    arming_ = kArming;
    root_ = root;
    SetFilter(filter);
    stop_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    watching_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop_ || !watching_) {
        Hand({ResolvedChange::Overflow()});
        return;
    }
    const bool started = StartBackgroundJob(
        thread_, JobReport{},  // Run tells the window of every change it hands over
        [this, root] { Run(root); },
        // Out of memory before the watch began: what changed can no longer be known.
        [this] { Hand({ResolvedChange::Overflow()}); },
        [this] {
            ended_ = true;
            ::SetEvent(watching_.get());  // a watch that ended early no longer holds Start up
        });
    if (!started) {
        Hand({ResolvedChange::Overflow()});
        return;
    }
    // Bounded, so that a drive that does not answer cannot hold up the window.
    if (::WaitForSingleObject(watching_.get(), 2000) != WAIT_OBJECT_0) {
        int expected = kArming;
        arming_.compare_exchange_strong(expected, kLate);
    }
}

void DriveWatcher::Stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        ::SetEvent(stop_.get());
        thread_.join();
    }
}

std::vector<ResolvedChange> DriveWatcher::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ResolvedChange> out;
    out.swap(ready_);
    return out;
}

void DriveWatcher::Carry(std::vector<ResolvedChange> changes) {
    if (changes.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (ResolvedChange& c : ready_) changes.push_back(std::move(c));
        ready_.swap(changes);
    }
    ::PostMessageW(notify_, message_, 0, 0);
}

void DriveWatcher::SetFilter(const ScanFilter& filter) {
    std::lock_guard<std::mutex> lock(mutex_);
    filter_ = filter;
}

void DriveWatcher::Hand(std::vector<ResolvedChange> changes) {
    if (changes.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (ResolvedChange& c : changes) ready_.push_back(std::move(c));
    }
    ::PostMessageW(notify_, message_, 0, 0);
}

void DriveWatcher::Run(std::string root) {
    const auto overflow = [this] { Hand({ResolvedChange::Overflow()}); };
    const HANDLE dir =
        ::CreateFileW(ExtendedLengthPath(root).c_str(), FILE_LIST_DIRECTORY,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (dir == INVALID_HANDLE_VALUE) {
        overflow();
        return;
    }
    UniqueHandle ownDir(dir);
    UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) {
        overflow();
        return;
    }
    // Two buffers: the next read is asked for before the changes just read are
    // resolved, which lists folders and may walk a subtree moved in. Changes
    // made meanwhile then go into the other buffer, not past the end of what
    // the system keeps for a watch that is not reading (which it reports as
    // lost, and the drive is walked again).
    std::vector<DWORD> buffers[2] = {std::vector<DWORD>(kBufferBytes / sizeof(DWORD)),
                                     std::vector<DWORD>(kBufferBytes / sizeof(DWORD))};
    int reading = 0;
    OVERLAPPED overlapped{};
    auto read = [&] {
        overlapped = OVERLAPPED{};
        overlapped.hEvent = done.get();
        ::ResetEvent(done.get());
        return ::ReadDirectoryChangesW(dir, buffers[reading].data(), kBufferBytes, TRUE,
                                       FILE_NOTIFY_CHANGE_DIR_NAME, nullptr, &overlapped, nullptr) != FALSE;
    };
    WinDirectoryLister lister;
    const WinCollator collator;
    bool reads = false;
    try {
        for (;;) {
            if (!reads && !read()) {
                overflow();
                return;
            }
            reads = true;
            int expected = kArming;
            if (!arming_.compare_exchange_strong(expected, kArmed) && expected == kLate) {
                // Armed after the rows were read: what changed before is not known.
                arming_ = kArmed;
                overflow();
            }
            ::SetEvent(watching_.get());
            const HANDLE waits[] = {stop_.get(), done.get()};
            const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            DWORD bytes = 0;
            if (woke != WAIT_OBJECT_0 + 1) {
                // Stopping: the read must be over before its buffer goes.
                ::CancelIoEx(dir, &overlapped);
                ::GetOverlappedResult(dir, &overlapped, &bytes, TRUE);
                return;
            }
            reads = false;
            if (!::GetOverlappedResult(dir, &overlapped, &bytes, FALSE)) {
                // Read before overflow(), whose lock, allocation and post may
                // each set another error: a recoverable overflow taken for a
                // fatal one would end the watch for the rest of the run.
                const DWORD error = ::GetLastError();
                overflow();
                if (error == ERROR_NOTIFY_ENUM_DIR) continue;
                return;
            }
            if (bytes == 0) {  // more changes than the buffer held
                overflow();
                continue;
            }
            const int full = reading;
            reading ^= 1;
            if (!read()) {
                overflow();
                return;
            }
            reads = true;
            ScanFilter filter;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                filter = filter_;
            }
            Hand(ResolveChanges(ParseChanges(buffers[full].data(), bytes), root, filter, lister, collator,
                                &stopping_));
        }
    } catch (const std::exception&) {
        // Out of memory while resolving: the rows can no longer be trusted.
        if (reads) {
            DWORD bytes = 0;
            ::CancelIoEx(dir, &overlapped);
            ::GetOverlappedResult(dir, &overlapped, &bytes, TRUE);
        }
        overflow();
    }
}

}  // namespace tarvolo
