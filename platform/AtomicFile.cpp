#include "platform/AtomicFile.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "platform/Handles.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (n != 0 && text != nullptr) {
        std::wstring_view view(text, n);
        while (!view.empty() && (view.back() == L'\r' || view.back() == L'\n' || view.back() == L' ')) {
            view.remove_suffix(1);
        }
        message = Narrow(view);
    }
    if (text != nullptr) ::LocalFree(text);
    if (message.empty()) message = "error";
    return message + " (" + std::to_string(code) + ")";
}

void SetError(std::string* error, const char* step, DWORD code) {
    if (error != nullptr) *error = std::string(step) + ": " + SystemMessage(code);
}

bool IsMissing(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// Another program (a virus scanner, an indexer, an editor) holding the file
// open for a moment.
bool IsTransient(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_ACCESS_DENIED;
}

constexpr int kReplaceAttempts = 10;
constexpr DWORD kRetryDelayMs = 50;
constexpr DWORD kWriteChunk = 1u << 30;

// Creates a new temporary file beside the target; CREATE_NEW so no other file
// is ever truncated.
UniqueFile CreateTemporary(const std::wstring& target, std::wstring& tempPath, DWORD& code) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + L".tmp" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                   std::to_wstring(counter.fetch_add(1));
        UniqueFile file(::CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return file;
        code = ::GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) return nullptr;
    }
    return nullptr;
}

bool WriteAll(HANDLE file, std::string_view bytes, DWORD& code) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), kWriteChunk));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
            code = ::GetLastError();
            return false;
        }
        if (written == 0) {
            code = ERROR_WRITE_FAULT;
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// Puts the complete temporary file in the target's place with one replacing
// rename, so at every moment the target is either the old or the new file.
// (ReplaceFileW is not used: Wine implements it by first moving the old file
// aside, and leaves an "rf*.tmp" file behind whenever that fails.)
bool MoveIntoPlace(const std::wstring& target, const std::wstring& temp, DWORD& code) {
    // A hidden or system settings file stays so.
    const DWORD oldAttributes = ::GetFileAttributesW(target.c_str());
    if (oldAttributes != INVALID_FILE_ATTRIBUTES) {
        // Windows refuses to rename onto a read-only file, Wine does not; a user
        // who made the file read-only meant it to stay as it is.
        if (oldAttributes & FILE_ATTRIBUTE_READONLY) {
            code = ERROR_ACCESS_DENIED;
            return false;
        }
        const DWORD keep = oldAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if (keep != 0) ::SetFileAttributesW(temp.c_str(), keep);
    }
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (attempt > 0) ::Sleep(kRetryDelayMs);
        if (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        code = ::GetLastError();
        if (!IsTransient(code)) return false;
    }
    return false;
}

// Opens a file to read it from start to end and finds its size within
// `maxBytes`. A missing file is no failure: `file` then stays empty.
bool OpenToRead(const std::string& pathUtf8, bool* existed, uint64_t maxBytes, UniqueFile& file,
                uint64_t& fileBytes, std::string* error) {
    if (existed != nullptr) *existed = false;
    file.reset(::CreateFileW(Widen(pathUtf8).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD code = ::GetLastError();
        if (IsMissing(code)) return true;
        if (existed != nullptr) *existed = true;
        SetError(error, "Cannot open the file", code);
        return false;
    }
    if (existed != nullptr) *existed = true;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        SetError(error, "Cannot read the file", ::GetLastError());
        return false;
    }
    fileBytes = static_cast<uint64_t>(size.QuadPart);
    if (fileBytes > maxBytes) {
        SetError(error, "The file is too large", ERROR_FILE_TOO_LARGE);
        return false;
    }
    return true;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& pathUtf8, std::string_view bytes, std::string* error) {
    const std::wstring target = Widen(pathUtf8);
    std::wstring temp;
    DWORD code = 0;
    {
        UniqueFile file = CreateTemporary(target, temp, code);
        if (!file) {
            SetError(error, "Cannot create the temporary file", code);
            return false;
        }
        bool ok = WriteAll(file.get(), bytes, code);
        if (ok && !::FlushFileBuffers(file.get())) {
            code = ::GetLastError();
            ok = false;
        }
        if (ok && !::CloseHandle(file.release())) {
            code = ::GetLastError();
            ok = false;
        }
        if (!ok) {
            file.reset();
            ::DeleteFileW(temp.c_str());
            SetError(error, "Cannot write the temporary file", code);
            return false;
        }
    }
    if (MoveIntoPlace(target, temp, code)) return true;

    ::DeleteFileW(temp.c_str());
    SetError(error, "Cannot replace the file", code);
    return false;
}

bool ReadWholeFile(const std::string& pathUtf8, std::string& out, bool* existed, uint64_t maxBytes,
                   std::string* error) {
    out.clear();
    UniqueFile file;
    uint64_t fileBytes = 0;
    if (!OpenToRead(pathUtf8, existed, maxBytes, file, fileBytes, error)) return false;
    if (!file) return true;  // missing: nothing to read
    // One buffer of the size seen, plus a byte that tells whether the file grew
    // meanwhile; reading goes on to the end all the same, within the limit.
    constexpr size_t kMaxRead = 64u << 20;
    out.resize(static_cast<size_t>(fileBytes) + 1);
    size_t have = 0;
    for (;;) {
        if (have == out.size()) {
            if (out.size() > maxBytes) break;
            out.resize(static_cast<size_t>(std::min<uint64_t>(maxBytes + 1, uint64_t{out.size()} * 2)));
        }
        const DWORD want = static_cast<DWORD>(std::min(out.size() - have, kMaxRead));
        DWORD got = 0;
        if (!::ReadFile(file.get(), out.data() + have, want, &got, nullptr)) {
            const DWORD code = ::GetLastError();
            out.clear();
            SetError(error, "Cannot read the file", code);
            return false;
        }
        if (got == 0) break;
        have += got;
        if (have > maxBytes) break;
    }
    if (have > maxBytes) {
        out.clear();
        SetError(error, "The file is too large", ERROR_FILE_TOO_LARGE);
        return false;
    }
    out.resize(have);
    return true;
}

bool ReadFilePieces(const std::string& pathUtf8, bool* existed, uint64_t maxBytes, const FilePiece& piece,
                    std::string* error) {
    UniqueFile file;
    uint64_t fileBytes = 0;
    if (!OpenToRead(pathUtf8, existed, maxBytes, file, fileBytes, error)) return false;
    if (!file) return true;  // missing: nothing to read
    // Measured under Wine: pieces of 64 to 256 KB read a 36 MB file eight times
    // faster than one buffer of its size; larger pieces fall back towards it.
    constexpr DWORD kPiece = 256u << 10;
    std::string buffer(kPiece, '\0');
    uint64_t have = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer.data(), kPiece, &got, nullptr)) {
            SetError(error, "Cannot read the file", ::GetLastError());
            return false;
        }
        if (got == 0) return true;
        // A file that grew past the limit while it was read is refused as one that was too large.
        have += got;
        if (have > maxBytes) {
            SetError(error, "The file is too large", ERROR_FILE_TOO_LARGE);
            return false;
        }
        piece(std::string_view(buffer.data(), got), fileBytes);
    }
}

}  // namespace tarvolo
