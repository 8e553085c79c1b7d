#include "adapters/WinJournal.h"

#include <winioctl.h>

#include <vector>

#include "adapters/WinDirectoryLister.h"
#include "adapters/WinLocale.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// Declared by newer SDKs only: the journal read that needs no administrator,
// on a handle to a file or directory of the volume (traverse access is enough).
constexpr DWORD kReadUnprivilegedUsnJournal =
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 234, METHOD_NEITHER, FILE_ANY_ACCESS);
constexpr DWORD kReadBytes = 64 * 1024;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

UniqueFile Open(const std::wstring& path, DWORD access) {
    return UniqueFile(::CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool FileNumber(HANDLE h, uint64_t& file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info)) return false;
    file = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return true;
}

bool QueryOn(HANDLE h, USN_JOURNAL_DATA& data) {
    DWORD returned = 0;
    return h && h != INVALID_HANDLE_VALUE &&
           ::DeviceIoControl(h, FSCTL_QUERY_USN_JOURNAL, nullptr, 0, &data, sizeof data, &returned,
                             nullptr) &&
           returned >= sizeof data;
}

}  // namespace

WinChangeJournal::WinChangeJournal(const std::string& rootPath) : drive_(rootPath.substr(0, 2)) {
    root_ = Open(ExtendedLengthPath(drive_ + "\\"), FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE);
    if (root_ && !FileNumber(root_.get(), rootFile_)) root_.reset();
}

bool WinChangeJournal::Query(State& state) {
    if (!root_) return false;
    USN_JOURNAL_DATA data{};
    if (!reader_) {
        // Only an elevated administrator opens the volume; for everyone else this fails at once.
        volume_ = Open(L"\\\\.\\" + Widen(drive_), GENERIC_READ);
        if (QueryOn(volume_.get(), data)) {
            reader_ = volume_.get();
            readCode_ = FSCTL_READ_USN_JOURNAL;
        } else {
            volume_.reset();
            if (!QueryOn(root_.get(), data)) return false;
            reader_ = root_.get();
            readCode_ = kReadUnprivilegedUsnJournal;
        }
    } else if (!QueryOn(reader_, data)) {
        return false;
    }
    state.id = data.UsnJournalID;
    state.first = data.FirstUsn;
    state.next = data.NextUsn;
    return true;
}

bool WinChangeJournal::Read(uint64_t id, int64_t from, std::string& bytes) {
    if (!reader_) return false;
    READ_USN_JOURNAL_DATA in{};
    in.StartUsn = from;
    in.ReasonMask = USN_REASON_FILE_CREATE | USN_REASON_FILE_DELETE | USN_REASON_RENAME_OLD_NAME |
                    USN_REASON_RENAME_NEW_NAME;
    in.UsnJournalID = id;
    // Records are aligned to 8 bytes: the buffer is too.
    std::vector<uint64_t> buffer(kReadBytes / sizeof(uint64_t));
    DWORD returned = 0;
    if (!::DeviceIoControl(reader_, readCode_, &in, sizeof in, buffer.data(), kReadBytes, &returned,
                           nullptr) ||
        returned < sizeof(USN))
        return false;
    bytes.assign(reinterpret_cast<const char*>(buffer.data()), returned);
    return true;
}

bool WinChangeJournal::Directory(uint64_t file, uint64_t& parent, std::string& name) {
    if (!root_) return false;
    FILE_ID_DESCRIPTOR id{};
    id.dwSize = sizeof id;
    id.Type = FileIdType;
    id.FileId.QuadPart = static_cast<LONGLONG>(file);
    const UniqueFile opened(::OpenFileById(root_.get(), &id, FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                           FILE_FLAG_BACKUP_SEMANTICS));
    if (!opened) return false;
    // "\a\b" on the volume, as the disk names it now.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFinalPathNameByHandleW(opened.get(), path.data(), static_cast<DWORD>(path.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_NONE);
        if (length == 0) return false;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(length + 1);
    }
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos || slash + 1 == path.size()) return false;
    name = Narrow(std::wstring_view(path).substr(slash + 1));
    if (slash == 0) {
        parent = rootFile_;
        return true;
    }
    const UniqueFile up =
        Open(ExtendedLengthPath(drive_ + Narrow(std::wstring_view(path).substr(0, slash)) + "\\"),
             FILE_READ_ATTRIBUTES);
    return up && FileNumber(up.get(), parent);
}

bool ReplayDriveJournal(const std::string& root, const ScanFilter& filter, const std::string& saved,
                        const std::atomic<bool>& cancel, std::vector<ResolvedChange>& changes,
                        std::string& position) {
    WinChangeJournal journal(root);
    const JournalReplay replay = ReplayJournal(journal, saved, root, filter, &cancel);
    position = replay.position;
    if (replay.result != JournalReplay::Result::replayed) return false;
    BackgroundDirectoryLister lister;
    changes = ResolveChanges(replay.changes, root, filter, lister, WinCollator(), &cancel);
    return !cancel.load();
}

}  // namespace tarvolo
