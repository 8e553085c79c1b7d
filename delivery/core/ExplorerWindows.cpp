#include "delivery/core/ExplorerWindows.h"

#include <algorithm>
#include <climits>

namespace tarvolo {

const char kNoExplorerWindow[] = "No Explorer window with a folder is open.";

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameFolder(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

// "C:\Users\" as "C:\Users"; a drive's root keeps its backslash.
std::string WithoutTrailingBackslash(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

bool IsFileSystemFolder(std::string_view path) {
    if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
    // A share: two backslashes, a server name, a backslash and a share name.
    if (path.size() >= 5 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\' && path[2] != '?' &&
        path[2] != '.') {
        const size_t slash = path.find('\\', 2);
        return slash != std::string_view::npos && slash > 2 && slash + 1 < path.size() &&
               path[slash + 1] != '\\';
    }
    return false;
}

std::string DeliverableFolder(const ShellWindowReport& report) {
    if (IsFileSystemFolder(report.fileSystemPath)) return WithoutTrailingBackslash(report.fileSystemPath);
    if (IsFileSystemFolder(report.parsingName)) return WithoutTrailingBackslash(report.parsingName);
    return {};
}

std::vector<std::string> ExplorerFolders(const std::vector<ShellWindowReport>& reports) {
    // Sort keys: the window's place, then the window's first place in the shell's
    // list (which keeps a window's tabs together where the place is unknown), then
    // the tab on show before the others; the stable sort keeps the shell's order
    // for the rest.
    struct Key {
        int rank;
        size_t window;
        bool hidden;
        const ShellWindowReport* report;
    };
    std::vector<Key> order;
    order.reserve(reports.size());
    for (size_t i = 0; i < reports.size(); ++i) {
        const ShellWindowReport& r = reports[i];
        size_t first = i;
        for (size_t k = 0; k < i; ++k)
            if (reports[k].window == r.window) {
                first = k;
                break;
            }
        order.push_back({r.zOrder < 0 ? INT_MAX : r.zOrder, first, !r.tabShown, &r});
    }
    std::stable_sort(order.begin(), order.end(), [](const Key& a, const Key& b) {
        if (a.rank != b.rank) return a.rank < b.rank;
        if (a.window != b.window) return a.window < b.window;
        return a.hidden < b.hidden;
    });
    std::vector<std::string> folders;
    for (const Key& k : order) {
        std::string folder = DeliverableFolder(*k.report);
        if (folder.empty()) continue;
        const bool listed = std::any_of(folders.begin(), folders.end(),
                                        [&](const std::string& f) { return SameFolder(f, folder); });
        if (!listed) folders.push_back(std::move(folder));
    }
    return folders;
}

bool IsExplorerWindowClass(std::string_view className) {
    return SameFolder(className, "CabinetWClass") || SameFolder(className, "ExplorerWClass");
}

bool IsExplorerTarget(WindowHandle cameFrom, const std::vector<ShellWindowReport>& reports) {
    return cameFrom != 0 && std::any_of(reports.begin(), reports.end(),
                                        [&](const ShellWindowReport& r) { return r.window == cameFrom; });
}

bool ExplorerFolderCommands::NavigateExplorerWindow(WindowHandle cameFrom, const std::string& path) {
    // The shell is not asked when no window is known.
    if (cameFrom == 0 || !IsExplorerTarget(cameFrom, shell_.List())) return false;
    return shell_.Navigate(cameFrom, path);
}

bool ExplorerFolderCommands::SendFrontFolderToDialog() {
    const std::vector<std::string> folders = Folders();
    if (folders.empty()) {
        view_.Inform(kNoExplorerWindow);
        return false;
    }
    return SendFolderToDialog(folders.front());
}

}  // namespace tarvolo
