// Helpers of the find tests: the program started on test drives and waited
// for until its scan or load is done, the directory list and the search box
// read from outside, tooltips read from the program's memory, screen pixels.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "mainwindow/MainControlIds.h"
#include "tests/e2e/Harness.h"

namespace e2e::find {

using tarvolo::IDC_BTNFINDNEXT;
using tarvolo::IDC_BTNRESCAN;
using tarvolo::IDC_CMBDRIVES;
using tarvolo::IDC_CMBHISTORY;
using tarvolo::IDC_DIRLISTBOX;
using tarvolo::IDC_DIRTOFIND;

inline void WriteIni(Program& program, int drive, bool hidden = true) {
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"),
                               "[Window]\r\nLeft=100\r\nTop=100\r\nDrive=" + std::to_string(drive) +
                                   "\r\n[Rescan]\r\nHidden=" + (hidden ? "1" : "0") + "\r\n"));
}

inline HWND RescanWindow(Program& program) {
    return FindProcessWindow(program.Pid(), L"TfrmRescan", {}, false);
}

// The directory list holds the chosen drive's rows: it is hidden while they are read or scanned.
inline bool RowsShown(Program& program) {
    return (::GetWindowLongW(program.Control(IDC_DIRLISTBOX), GWL_STYLE) & WS_VISIBLE) != 0;
}

// The main window shown, enabled and answering, with no scan running and the drive's rows in place.
inline bool Idle(Program& program) {
    HWND main = program.Main(1s);
    return main && Visible(main) && ::IsWindowEnabled(main) && !Visible(RescanWindow(program)) &&
           program.Responsive(2s) && RowsShown(program);
}

inline HWND StartIdle(Program& program, std::chrono::milliseconds timeout = 60s) {
    if (!program.Start()) return nullptr;
    HWND main = program.Main();
    if (!main || !WaitFor([&] { return Idle(program); }, timeout)) {
        ADD_FAILURE() << (main ? "the main window did not become idle: " : "no main window: ")
                      << program.Describe();
        return nullptr;
    }
    return main;
}

// A descendant window of class `cls` whose text is `text`.
inline HWND DescendantByText(HWND parent, const std::string& cls, const std::string& text) {
    struct Query {
        std::string cls, text;
        HWND found;
    } query{cls, text, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND w, LPARAM p) -> BOOL {
            auto* q = reinterpret_cast<Query*>(p);
            if (ClassName(w) != q->cls || Text(w) != q->text) return TRUE;
            q->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.found;
}

// Opens the drive selector with the mouse and clicks entry `index` of its list.
inline void ChooseDrive(Program& program, int index) {
    HWND combo = program.Control(IDC_CMBDRIVES);
    RECT r{};
    ::GetClientRect(combo, &r);
    LeftClick(combo, r.right / 2, r.bottom / 2);
    HWND dropped = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        return (dropped = FindProcessWindow(program.Pid(), L"ComboLBox")) != nullptr;
    })) << "the drive list did not drop down";
    LeftClick(dropped, 20, 16 * index + 8);
}

inline long Count(HWND list) {
    return static_cast<long>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
}
inline long Selected(HWND list) {
    return static_cast<long>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
}
inline long TopIndex(HWND list) {
    return static_cast<long>(::SendMessageW(list, LB_GETTOPINDEX, 0, 0));
}

// An index file's bytes. Tests poll this: a file not replaced since the last
// read is not opened again. Under Wine a file that is open, whatever its
// sharing, cannot be replaced by a rename, so a reader that keeps a large index
// open most of the time makes the program's write go to its per-user copy.
inline std::string ReadIndex(const std::string& path) {
    struct Seen {
        FILETIME written{};
        DWORD sizeHigh = 0, sizeLow = 0;
        std::string bytes;
    };
    static std::map<std::string, Seen> seen;
    WIN32_FILE_ATTRIBUTE_DATA now{};
    if (!::GetFileAttributesExW(W(path).c_str(), GetFileExInfoStandard, &now)) {
        seen.erase(path);
        return {};
    }
    const auto it = seen.find(path);
    if (it != seen.end() && ::CompareFileTime(&it->second.written, &now.ftLastWriteTime) == 0 &&
        it->second.sizeHigh == now.nFileSizeHigh && it->second.sizeLow == now.nFileSizeLow)
        return it->second.bytes;
    Seen read{now.ftLastWriteTime, now.nFileSizeHigh, now.nFileSizeLow, {}};
    ReadFileBytes(path, read.bytes);
    seen[path] = read;
    return read.bytes;
}

// Lines of an index file, each with CR LF.
inline std::string Lines(std::initializer_list<const char*> rows) {
    std::string text;
    for (const char* r : rows) text += std::string(r) + "\r\n";
    return text;
}

// "\", then `tops` folders of 999 folders each, then the root rows `more`: names whose collation is
// their byte order, and a file large enough that its read is still under way when the next keys come.
inline std::string LargeIndex(int tops, std::initializer_list<const char*> more = {}) {
    std::string text = "\\\r\n";
    char row[32];
    for (int top = 0; top < tops; ++top) {
        std::snprintf(row, sizeof row, "\\d%04d\r\n", top);
        text += row;
        for (int sub = 0; sub < 999; ++sub) {
            std::snprintf(row, sizeof row, "\\d%04d\\s%03d\r\n", top, sub);
            text += row;
        }
    }
    for (const char* extra : more) text += std::string(extra) + "\r\n";
    return text;
}

// The tip text the program keeps for `control`, read through a buffer in its memory.
inline std::string ToolTipText(Program& program, HWND control) {
    HWND main = program.Main();
    struct Query {
        DWORD pid;
        HWND owner;
        HWND tip;
    } query{program.Pid(), main, nullptr};
    ::EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* q = reinterpret_cast<Query*>(p);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            if (pid == q->pid && ClassName(w) == "tooltips_class32" && ::GetWindow(w, GW_OWNER) == q->owner) {
                q->tip = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&query));
    if (!query.tip) return "<no tooltip window>";
    HANDLE process =
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, program.Pid());
    if (!process) return "<cannot open the process>";
    char* remote = static_cast<char*>(::VirtualAllocEx(process, nullptr, 8192, MEM_COMMIT, PAGE_READWRITE));
    std::string text = "<cannot read>";
    if (remote) {
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND;
        ti.hwnd = main;
        ti.uId = reinterpret_cast<UINT_PTR>(control);
        ti.lpszText = reinterpret_cast<wchar_t*>(remote + 1024);
        SIZE_T done = 0;
        ::WriteProcessMemory(process, remote, &ti, sizeof ti, &done);
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(query.tip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(remote),
                              SMTO_ABORTIFHUNG, 5000, &result);
        std::vector<wchar_t> buffer(1024);
        if (::ReadProcessMemory(process, remote + 1024, buffer.data(), buffer.size() * sizeof(wchar_t),
                                &done)) {
            buffer.back() = 0;
            text = U(buffer.data());
        }
        ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    ::CloseHandle(process);
    return text;
}

// A pixel on the screen at client coordinates of `hwnd`.
inline COLORREF Pixel(HWND hwnd, int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    HDC screen = ::GetDC(nullptr);
    COLORREF c = ::GetPixel(screen, pt.x, pt.y);
    ::ReleaseDC(nullptr, screen);
    return c;
}

// The search box's text and caret, and a click into it to give it the focus.
inline std::string SearchText(Program& program) {
    return Text(program.Control(IDC_DIRTOFIND));
}
inline DWORD Caret(Program& program) {
    return HIWORD(::SendMessageW(program.Control(IDC_DIRTOFIND), EM_GETSEL, 0, 0));
}
inline void ClickSearchBox(Program& program) {
    LeftClick(program.Control(IDC_DIRTOFIND), 60, 8);
}
inline std::string CurrentPath(Program& program) {
    return Text(program.Control(IDC_CMBHISTORY));
}

}  // namespace e2e::find
