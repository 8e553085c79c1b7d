// Shared by the key map, options and about tests: a program started on fixture
// drives whose index files are written up front, so nothing is scanned; the
// focus of the program's thread; a stand-in that records what the program asks
// the shell to open.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mainwindow/MainControlIds.h"
#include "tests/e2e/Harness.h"

namespace e2e {

// An index file's text: the rows, each with CR LF.
inline std::string IndexText(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& r : rows) text += r + "\r\n";
    return text;
}

// A drive letter whose folder holds only its index file.
inline void WriteIndex(const TestDir& dir, char letter, const std::vector<std::string>& rows) {
    std::string folder = std::string(1, static_cast<char>(tolower(letter)));
    MakeDirs(dir.Win(folder));
    EXPECT_TRUE(WriteFileBytes(dir.Win(folder + "/tarvolo.dir"), IndexText(rows))) << dir.Win(folder);
}

inline HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

inline long Selected(HWND list) {
    return static_cast<long>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
}
inline long Count(HWND list) {
    return static_cast<long>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
}

// Puts the window in front and waits until it is.
inline bool Front(HWND window) {
    if (!BringToFrontSettled(window)) return false;
    // Brought to the front from another process, a window can be in front without
    // being active, and then keys reach nothing: a click on its bare edge activates it.
    if (!FocusOf(window)) {
        LeftClick(window, 1, 1);
        if (!WaitFor([&] { return FocusOf(window) != nullptr; }, 5s)) return false;
    }
    return true;
}

// Started with its lists and settings files, the window shown and the first
// drive's rows loaded.
inline HWND StartLoaded(Program& program, long rows, const std::string& favorites = {},
                        const std::string& dialogs = {}, const std::string& ini = {}) {
    for (const auto& [name, text] :
         {std::pair{"favorites.dir", favorites}, {"dialogs.dir", dialogs}, {"tarvolo.ini", ini}}) {
        if (!text.empty() && !WriteFileBytes(program.File(name), text)) {
            ADD_FAILURE() << "cannot write " << program.File(name);
            return nullptr;
        }
    }
    if (!program.Start()) return nullptr;
    HWND main = program.Main();
    if (!main || !WaitFor([&] { return Visible(main); })) {
        ADD_FAILURE() << "the main window did not show";
        return nullptr;
    }
    HWND list = ::GetDlgItem(main, tarvolo::IDC_DIRLISTBOX);
    if (rows >= 0 && !WaitFor([&] { return Count(list) == rows; })) {
        ADD_FAILURE() << "the list shows " << Count(list) << " rows of drive "
                      << Text(::GetDlgItem(main, tarvolo::IDC_CMBDRIVES)) << ", not " << rows;
        std::string d = Text(::GetDlgItem(main, tarvolo::IDC_CMBDRIVES)), bytes;
        ReadFileBytes(d + "\\tarvolo.dir", bytes);
        ADD_FAILURE() << d << "\\tarvolo.dir holds " << bytes.size() << " bytes";
        return nullptr;
    }
    if (!Front(main)) {
        ADD_FAILURE() << "the main window cannot be brought to the front";
        return nullptr;
    }
    return main;
}

// A left click in the middle of a control.
inline void ClickControl(HWND control) {
    RECT r{};
    ::GetClientRect(control, &r);
    LeftClick(control, r.right / 2, r.bottom / 2);
}

// Ends the program through its icon's menu and returns a list file as written.
inline std::string FileAfterClose(Program& program, const std::string& name) {
    program.CloseFromTrayMenu();
    if (!program.WaitExit()) return "<still running>";
    std::string text;
    ReadFileBytes(program.File(name), text);
    return text;
}

// Registers a recording command for an HTML document or a URL protocol; every
// open lands as one line in Lines(). The machine's classes are used, which is
// where Wine looks them up; what was there before is put back at the end.
class OpenRecorder {
public:
    OpenRecorder(const TestDir& dir, const std::wstring& classKey, bool protocol = false)
        : log_(dir.Win("opened.log")) {
        // The recorder is a Windows program: Wine's CreateProcess of a Unix one
        // (a shell script) hands back no real handles, and the opening program
        // closes whatever its stack held instead, handles of its own among them.
        const std::string host = RecorderExe();
        std::wstring command;
        if (!host.empty()) {
            command = L"\"" + W(host) + L"\" record \"" + W(log_) + L"\" \"%1\"";
        } else {
            std::string script = dir.UnixOf("record.sh");
            EXPECT_TRUE(WriteFileBytes(
                dir.Win("record.sh"),
                "printf 'args %s\\n' \"$1\" >> " + ShellQuote(dir.UnixOf("opened.log")) + "\n"));
            command = L"Z:\\bin\\sh " + W(script) + L" \"%1\"";
        }
        std::wstring commandKey;
        if (!protocol) {
            // The extension names a class of its own with the open command.
            Set(L"Software\\Classes\\" + classKey, L"TarvoloTestRecorder");
            createdClass_ = L"Software\\Classes\\TarvoloTestRecorder";
            commandKey = createdClass_ + L"\\shell\\open\\command";
        } else {
            commandKey = L"Software\\Classes\\" + classKey + L"\\shell\\open\\command";
        }
        Set(commandKey, command);
    }
    ~OpenRecorder() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            HKEY k = nullptr;
            if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, it->key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &k, nullptr) != ERROR_SUCCESS)
                continue;
            if (it->existed)
                ::RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(it->value.c_str()),
                                 static_cast<DWORD>((it->value.size() + 1) * sizeof(wchar_t)));
            else
                ::RegDeleteValueW(k, nullptr);
            ::RegCloseKey(k);
        }
        if (!createdClass_.empty()) ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, createdClass_.c_str());
    }
    OpenRecorder(const OpenRecorder&) = delete;
    OpenRecorder& operator=(const OpenRecorder&) = delete;

    std::vector<std::string> Lines() const {
        std::string text;
        ReadFileBytes(log_, text);
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                std::string line = text.substr(start, i - start);
                if (line.rfind("args ", 0) == 0) line.erase(0, 5);
                lines.push_back(line);
                start = i + 1;
            }
        }
        return lines;
    }
    // Waits for the n-th open (1-based) and returns it; empty when none came.
    std::string Wait(size_t n) const {
        std::vector<std::string> lines;
        WaitFor([&] { return (lines = Lines()).size() >= n; }, 15s);
        return lines.size() >= n ? lines[n - 1] : std::string();
    }

private:
    // dialoghost.exe: from TARVOLO_DIALOGHOST, else beside this test; empty when there is none.
    static std::string RecorderExe() {
        const char* env = std::getenv("TARVOLO_DIALOGHOST");
        std::string exe = env ? env : "";
        if (exe.empty()) {
            wchar_t self[MAX_PATH] = {};
            ::GetModuleFileNameW(nullptr, self, MAX_PATH);
            const std::string path = U(self);
            exe = path.substr(0, path.find_last_of('\\') + 1) + "dialoghost.exe";
        } else if (exe[0] == '/') {
            exe = "Z:" + exe;
            std::replace(exe.begin(), exe.end(), '/', '\\');
        }
        return FileExists(exe) ? exe : std::string();
    }
    struct Saved {
        std::wstring key, value;
        bool existed;
    };
    void Set(const std::wstring& key, const std::wstring& value) {
        HKEY k = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                              nullptr) != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot write the registry key " << U(key);
            return;
        }
        wchar_t old[1024] = {};
        DWORD size = sizeof old, type = 0;
        bool existed = ::RegQueryValueExW(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                       ERROR_SUCCESS;
        if (!createdClass_.empty() && key.rfind(createdClass_, 0) == 0)
            existed = true;  // the tree goes as a whole
        else
            saved_.push_back({key, old, existed});
        ::RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(k);
    }

    std::vector<Saved> saved_;
    std::wstring createdClass_;
    std::string log_;
};

// The help document beside a test's program, copied from beside the built exe.
inline bool CopyHelpBeside(const Program& program) {
    const char* exe = std::getenv("TARVOLO_EXE");
    if (!exe) return false;
    std::string path = exe;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path)
            if (c == '/') c = '\\';
    }
    std::string help = path.substr(0, path.find_last_of('\\') + 1) + "Tarvolo.html";
    return ::CopyFileW(W(help).c_str(), W(program.File("Tarvolo.html")).c_str(), FALSE) != 0;
}

}  // namespace e2e

namespace e2e {

// The n-th (0-based) child of `parent` with this class and text.
inline HWND ChildByText(HWND parent, const std::string& cls, const std::string& text, int n = 0) {
    HWND child = nullptr;
    while ((child = ::FindWindowExW(parent, child, W(cls).c_str(), W(text).c_str())) != nullptr)
        if (n-- == 0) return child;
    return nullptr;
}

inline std::string ListItem(HWND list, int index) {
    wchar_t buf[1024] = {};
    LRESULT n = ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf));
    return n < 0 ? std::string() : U(std::wstring(buf, static_cast<size_t>(n)));
}

// Opens the options dialog with its button and waits until it has the keyboard.
inline HWND OpenOptions(Program& program, HWND main) {
    if (!Front(main)) return nullptr;
    ::PostMessageW(::GetDlgItem(main, tarvolo::IDC_BTNOPTIONS), BM_CLICK, 0, 0);
    HWND options = program.WaitWindow("Tarvolo Options");
    bool ready = options && WaitFor([&] { return ::GetForegroundWindow() == options && FocusOf(options); });
    if (!ready) {
        ADD_FAILURE() << "options window " << options << ", in front " << ::GetForegroundWindow() << " \""
                      << Text(::GetForegroundWindow()) << "\", focus "
                      << (options ? FocusOf(options) : nullptr);
        Screenshot("/tmp/h6-options.png");
        return nullptr;
    }
    return options;
}

}  // namespace e2e
