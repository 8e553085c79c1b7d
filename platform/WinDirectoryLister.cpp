#include "platform/WinDirectoryLister.h"

#include <windows.h>

#include "platform/WinText.h"

namespace tarvolo {

namespace {

// Paths past MAX_PATH need the extended-length prefix, which also turns off
// the path normalisation we do not need for absolute paths.
std::wstring SearchPattern(const std::string& dir) {
    std::wstring pattern = Widen(dir);
    pattern.push_back(L'*');
    if (pattern.size() >= MAX_PATH && pattern.compare(0, 4, L"\\\\?\\") != 0) {
        if (pattern.compare(0, 2, L"\\\\") == 0) {
            pattern.replace(0, 2, L"\\\\?\\UNC\\");
        } else {
            pattern.insert(0, L"\\\\?\\");
        }
    }
    return pattern;
}

}  // namespace

bool WinDirectoryLister::List(const std::string& dirWithTrailingBackslash,
                              const std::function<bool(const DirEntry&)>& each) {
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW(SearchPattern(dirWithTrailingBackslash).c_str(), FindExInfoBasic,
                                         &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        name_.clear();
        AppendNarrow(data.cFileName, name_);
        if (!each(DirEntry{name_, data.dwFileAttributes})) break;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

}  // namespace tarvolo
