#include "adapters/WinDirectoryLister.h"

#include <windows.h>

#include "platform/Handles.h"
#include "platform/WinText.h"

namespace tarvolo {

std::wstring ExtendedLengthPath(const std::string& absolutePath) {
    std::wstring path = Widen(absolutePath);
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
    if (path.compare(0, 2, L"\\\\") == 0) return path.replace(0, 2, L"\\\\?\\UNC\\");
    return path.insert(0, L"\\\\?\\");
}

bool WinDirectoryLister::List(const std::string& dirWithTrailingBackslash,
                              const std::function<bool(const DirEntry&)>& each) {
    std::wstring pattern = ExtendedLengthPath(dirWithTrailingBackslash);
    pattern.push_back(L'*');
    WIN32_FIND_DATAW data;
    // Owned, so that a callback that throws (out of memory on a huge drive)
    // does not leave the directory open.
    const UniqueFind find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        // A drive's root has no "." or "..": an empty one finds no file at all,
        // which is a listing of nothing, not a failure. A root that is gone or
        // locked fails otherwise, or is no directory.
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
        pattern.pop_back();
        const DWORD attributes = ::GetFileAttributesW(pattern.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    std::string name;
    do {
        name.clear();
        AppendNarrow(data.cFileName, name);
        if (!each(DirEntry{name, data.dwFileAttributes})) break;
    } while (FindNextFileW(find.get(), &data));
    return true;
}

}  // namespace tarvolo

namespace tarvolo {

bool BackgroundMode(bool on) {
    return ::SetThreadPriority(::GetCurrentThread(),
                               on ? THREAD_MODE_BACKGROUND_BEGIN : THREAD_MODE_BACKGROUND_END) != FALSE;
}

bool BackgroundDirectoryLister::List(const std::string& dirWithTrailingBackslash,
                                     const std::function<bool(const DirEntry&)>& each) {
    // The walk's worker threads are its own and end with it, so each is put in the mode once.
    thread_local bool background = false;
    if (!background) {
        BackgroundMode(true);
        background = true;
    }
    return WinDirectoryLister::List(dirWithTrailingBackslash, each);
}

}  // namespace tarvolo
