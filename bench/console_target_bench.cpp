// Times how long Dialog takes to type its command into the console you came
// from, among 200 top-level windows, on a real console: the console's class
// read, its processes listed, this program attached to it, the command made
// and written into its input. Against it, a bare walk of the same windows that
// only reads each one's class. The console's shell changes directory with
// every run (to the system folder and back).
//   console_target_bench [windows]      default 200
#include <cstdio>

#ifndef _WIN32

int main() {
    std::printf("console_target_bench: Windows only\n");
    return 0;
}

#else

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "delivery/WinConsoles.h"
#include "delivery/core/Consoles.h"

namespace {

using namespace tarvolo;
using bench::Clock;
using bench::Median;
using bench::Ms;

constexpr bench::FigureLine Figure{52, 10, 3};

struct Found {
    DWORD process;
    HWND window = nullptr;
};

// The shown console window of `process` or of a process it started (Wine's
// console host runs under the shell).
HWND ConsoleWindowOf(DWORD shell) {
    Found found{shell};
    ::EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Found*>(p);
            wchar_t cls[64] = {};
            ::GetClassNameW(w, cls, 64);
            if (ConsoleHostOf(std::string(cls, cls + wcslen(cls))) == ConsoleHost::none ||
                !::IsWindowVisible(w))
                return TRUE;
            f->window = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.window;
}

}  // namespace

int main(int argc, char** argv) {
    const int windows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    // A cmd console of its own: Wine's console window, or the system's.
    std::wstring line = bench::UnderWine() ? L"wineconsole.exe cmd.exe" : L"cmd.exe";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                          &si, &pi)) {
        std::printf("console_target_bench: cannot start a console (error %lu)\n", ::GetLastError());
        return 1;
    }
    HWND console = nullptr;
    for (int i = 0; i < 200 && !console; ++i) {
        console = ConsoleWindowOf(pi.dwProcessId);
        if (!console) ::Sleep(50);
    }
    if (!console) {
        std::printf("console_target_bench: no console window came\n");
        ::TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    // The shell needs a moment to reach its prompt after its window shows.
    WinConsoles ops;
    for (int i = 0; i < 200; ++i) {
        if (SendPathToConsole(ops, reinterpret_cast<WindowHandle>(console), "C:\\") == ConsoleResult::typed)
            break;
        ::Sleep(50);
    }

    bench::RegisterPlainClass(L"BenchProgram");
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    std::vector<HWND> others;
    for (int i = 0; i < windows; ++i) {
        HWND w = ::CreateWindowExW(0, L"BenchProgram", L"A program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10 + i,
                                   10 + i, 200, 100, nullptr, nullptr, instance, nullptr);
        for (int c = 0; c < 10; ++c)
            ::CreateWindowExW(0, c % 3 ? L"Button" : L"Static", L"x", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, w,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + c)), instance, nullptr);
        others.push_back(w);
    }
    int topLevel = 0;
    ::EnumWindows([](HWND, LPARAM p) -> BOOL { return ++*reinterpret_cast<int*>(p), TRUE; },
                  reinterpret_cast<LPARAM>(&topLevel));
    Figure("top-level windows on the desktop", topLevel, "windows");

    constexpr int kRuns = 31;
    std::vector<double> bare, sends;
    for (int r = 0; r < kRuns; ++r) {
        const auto t0 = Clock::now();
        ::EnumWindows(
            [](HWND w, LPARAM) -> BOOL {
                wchar_t cls[64];
                ::GetClassNameW(w, cls, 64);
                return TRUE;
            },
            0);
        bare.push_back(Ms(t0, Clock::now()));
    }
    for (int r = 0; r < kRuns; ++r) {
        const char* path = r % 2 ? "C:\\windows\\system32" : "C:\\windows";
        const auto t0 = Clock::now();
        const ConsoleResult result = SendPathToConsole(ops, reinterpret_cast<WindowHandle>(console), path);
        sends.push_back(Ms(t0, Clock::now()));
        if (result != ConsoleResult::typed) {
            std::printf("console_target_bench: the console did not take the command (%d)\n",
                        static_cast<int>(result));
            return 1;
        }
    }
    Figure("baseline: a bare walk reading each window's class", Median(bare), "ms (median)");
    Figure("console recognised, command made and written", Median(sends), "ms (median)");
    Figure("  the slowest run", bench::Worst(sends), "ms");
    Figure("target of at most (to meet)", 50, "ms");

    for (HWND w : others) ::DestroyWindow(w);
    ::PostMessageW(console, WM_CLOSE, 0, 0);
    ::TerminateProcess(pi.hProcess, 0);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return 0;
}

#endif
