#include "platform/Help.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "platform/Application.h"
#include "platform/Form.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

std::wstring ProgramFolder() {
    return Widen(ExecutableFolder());
}

std::wstring FullPath(const std::wstring& path) {
    DWORD n = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(n);
    return full;
}

bool IsAbsolute(const std::wstring& path) {
    return (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
           (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\');
}

void OpenHelp(const std::string& topic) {
    std::wstring path = HelpDocumentPath();
    if (path.empty()) return;
    Form* main = Application::Get().MainForm();
    HWND owner = main ? main->Handle() : nullptr;
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Application::Get().ShowError("Cannot find the help file " + Narrow(path));
        return;
    }
    if (!OpenInBrowser(DocumentUrl(path, topic), owner))
        Application::Get().ShowError("No program is set up to show the help file " + Narrow(path));
}

}  // namespace

std::wstring ProgramFolderPath(const std::wstring& name) {
    return FullPath(ProgramFolder() + name);
}

std::wstring HelpDocumentPath() {
    std::wstring file = Widen(Application::Get().HelpFile());
    if (file.empty()) return {};
    if (!IsAbsolute(file)) file = ProgramFolder() + file;
    // The stored name has a doubled backslash before the file name.
    return FullPath(file);
}

std::wstring DocumentUrl(const std::wstring& path, const std::string& topic) {
    wchar_t url[2084];
    DWORD n = ARRAYSIZE(url);
    std::wstring result;
    if (SUCCEEDED(::UrlCreateFromPathW(path.c_str(), url, &n, 0))) {
        result.assign(url, n);
    } else {
        result = L"file:///" + path;
        for (wchar_t& c : result)
            if (c == L'\\') c = L'/';
    }
    if (!topic.empty()) result += L"#" + Widen(topic);
    return result;
}

std::wstring ExpandOpenCommand(const std::wstring& command, const std::wstring& url) {
    std::wstring out;
    bool placed = false;
    for (size_t i = 0; i < command.size(); ++i) {
        wchar_t c = command[i];
        if (c != L'%' || i + 1 == command.size()) {
            out += c;
            continue;
        }
        wchar_t next = command[++i];
        if (next == L'1' || next == L'L' || next == L'l') {
            // A placeholder written without quotes gets them: the path may hold blanks.
            bool quoted = !out.empty() && out.back() == L'"';
            out += quoted ? url : L"\"" + url + L"\"";
            placed = true;
        } else if (next == L'%') {
            out += L'%';
        }
        // %* and the other placeholders stand for arguments there are none of.
    }
    if (!placed) out += L" \"" + url + L"\"";
    return out;
}

bool OpenInBrowser(const std::wstring& url, HWND owner) {
    wchar_t command[4096];
    DWORD n = ARRAYSIZE(command);
    if (SUCCEEDED(::AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, L".html", L"open", command, &n))) {
        wchar_t expanded[8192];
        DWORD m = ::ExpandEnvironmentStringsW(command, expanded, ARRAYSIZE(expanded));
        std::wstring line = ExpandOpenCommand(m && m <= ARRAYSIZE(expanded) ? expanded : command, url);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            ::CloseHandle(pi.hThread);
            ::CloseHandle(pi.hProcess);
            return true;
        }
    }
    // No registered command to hand the topic to: the shell opens the document at its top.
    auto result =
        reinterpret_cast<INT_PTR>(::ShellExecuteW(owner, nullptr, url.c_str(), nullptr, nullptr, SW_SHOW));
    return result > 32;
}

void ShowHelpContents() {
    OpenHelp({});
}

void ShowHelpTopic(const std::string& topic) {
    OpenHelp(topic.substr(0, 255));
}

}  // namespace tarvolo
