// Times how long Dialog takes to find its target among 200 top-level windows,
// on real windows: the file dialog lies at the bottom of the z-order, under
// program windows with children and other programs' own dialogs (which are of
// the dialog class, so their trees are read too). Against it, a bare walk of
// the same windows that only reads each one's class.
//   dialog_target_bench [windows]      default 200
#include <cstdio>

#ifndef _WIN32

int main() {
    std::printf("dialog_target_bench: Windows only\n");
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
#include "delivery/WinWindowOps.h"
#include "delivery/core/SendToDialog.h"

namespace {

using namespace tarvolo;
using bench::Clock;
using bench::Median;
using bench::Ms;

constexpr bench::FigureLine Figure{52, 10, 3};

HWND Make(const wchar_t* cls, const wchar_t* text, DWORD style, HWND parent, int id, int x = 0, int y = 0) {
    return ::CreateWindowExW(0, cls, text, style, x, y, 120, 24, parent,
                             parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

// A file dialog's parts, as far as recognition reads them: the file view and
// the file-name box with its edit.
HWND MakeFileDialog() {
    HWND dialog = Make(L"#32770",
                       L"\x00D6"
                       L"ffnen",
                       WS_POPUP | WS_VISIBLE | WS_CAPTION, nullptr, 0, 10, 10);
    Make(L"SHELLDLL_DefView", L"", WS_CHILD | WS_VISIBLE, dialog, 1121);
    Make(L"ComboBox", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, dialog, 1148);  // holds an edit
    Make(L"Button", L"&Open", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, dialog, IDOK);
    Make(L"Button", L"Cancel", WS_CHILD | WS_VISIBLE, dialog, IDCANCEL);
    return dialog;
}

}  // namespace

int main(int argc, char** argv) {
    const int windows = argc > 1 ? std::max(2, std::atoi(argv[1])) : 200;
    bench::RegisterPlainClass(L"SHELLDLL_DefView");
    bench::RegisterPlainClass(L"BenchProgram");

    // Made first, so every other window lies above it.
    HWND target = MakeFileDialog();
    std::vector<HWND> others;
    for (int i = 1; i < windows; ++i) {
        HWND w = nullptr;
        if (i % 5 == 0) {
            // Another program's own dialog: a settings tree and its fields.
            w = Make(L"#32770", L"Settings", WS_POPUP | WS_VISIBLE | WS_CAPTION, nullptr, 0, 20 + i, 20 + i);
            Make(L"SysTreeView32", L"", WS_CHILD | WS_VISIBLE, w, 1000);
            for (int c = 0; c < 8; ++c) Make(L"Edit", L"value", WS_CHILD | WS_VISIBLE, w, 1001 + c);
        } else {
            const DWORD shown = i % 17 == 0 ? 0 : WS_VISIBLE;
            w = Make(L"BenchProgram", L"Document - Program", WS_OVERLAPPEDWINDOW | shown, nullptr, 0, 30 + i,
                     30 + i);
            for (int c = 0; c < 10; ++c)
                Make(c % 3 ? L"Button" : L"Static", L"x", WS_CHILD | WS_VISIBLE, w, 100 + c);
            Make(L"Edit", L"text", WS_CHILD | WS_VISIBLE, w, 200);
        }
        others.push_back(w);
    }
    ::SetWindowPos(target, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    int topLevel = 0;
    ::EnumWindows([](HWND, LPARAM p) -> BOOL { return ++*reinterpret_cast<int*>(p), TRUE; },
                  reinterpret_cast<LPARAM>(&topLevel));
    Figure("top-level windows on the desktop", topLevel, "windows");

    constexpr int kRuns = 31;
    WinWindowOps ops([] {});
    const std::vector<std::string> noCaptions;
    std::vector<std::string> captions;
    for (int i = 0; i < 10; ++i) captions.push_back("Custom dialog " + std::to_string(i));

    auto time = [&](const char* what, WindowHandle cameFrom, const std::vector<std::string>& list) {
        std::vector<double> runs;
        for (int r = 0; r < kRuns; ++r) {
            DialogSender sender;
            sender.DialogPath = "C:\\Work";
            sender.CameFrom = cameFrom;
            const auto t0 = Clock::now();
            const SendOutcome outcome = sender.SendPathToDialog(ops, list);
            runs.push_back(Ms(t0, Clock::now()));
            if (outcome.kind != SendOutcome::Kind::delivered ||
                sender.DialogWindow != reinterpret_cast<WindowHandle>(target)) {
                std::printf("dialog_target_bench: the file dialog was not found (%s)\n", what);
                std::exit(1);
            }
        }
        Figure(what, Median(runs), "ms (median)");
        Figure("  the slowest run", *std::max_element(runs.begin(), runs.end()), "ms");
    };

    std::vector<double> bare;
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
    Figure("baseline: a bare walk reading each window's class", Median(bare), "ms (median)");
    time("target at the bottom of the z-order, no captions", 0, noCaptions);
    time("the same with 10 caption entries matching nothing", 0, captions);
    time("the dialog you came from", reinterpret_cast<WindowHandle>(target), noCaptions);
    Figure("target of at most (to meet)", 50, "ms");

    for (HWND w : others) ::DestroyWindow(w);
    ::DestroyWindow(target);
    return 0;
}

#endif
