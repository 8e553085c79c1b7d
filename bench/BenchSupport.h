// What every benchmark times, sums up and prints with, so that their figures
// are measured and laid out alike: the clock, the figure line, the median and
// the percentiles, the processor time, a walk that reports to nobody and, on
// Windows, the few things a benchmark of real windows needs around it.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "index/Rows.h"
#include "index/Scan.h"
#include "index/Search.h"
#include "index/TreeCodes.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarvolo::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

inline double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// One figure a line: its name left-aligned in `nameWidth`, its value in
// `valueWidth` with `decimals`, then its unit. Each benchmark keeps one, so
// that its lines stay in columns.
struct FigureLine {
    int nameWidth;
    int valueWidth;
    int decimals;

    void operator()(const char* what, double value, const char* unit) const {
        std::printf("%-*s %*.*f %s\n", nameWidth, what, valueWidth, decimals, value, unit);
    }
};

// The value at `share` (0 to 1) of the sorted values, the nearest rank; 0 for
// none. At 0.5 it is the middle value, the upper one of an even count.
inline double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

inline double Median(std::vector<double> values) {
    return Percentile(std::move(values), 0.5);
}

inline double Worst(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

inline double Best(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

// The processor time of this (single-threaded) process: on a shared machine the
// wall clock also counts the time others took. Windows' clock() is the wall, so
// there it is 0.
inline double ProcessCpuMs() {
#ifdef _WIN32
    return 0;
#else
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

// A walk's observer that nobody watches: no progress, no pumping, no cancel.
struct QuietScan : ScanObserver {
    void Progress(uint32_t) override {}
    void Pump() override {}
    bool CancelRequested() override { return false; }
};

// A whole walk of `lister` as drive C:, in ASCII order, reporting to nobody.
inline RowStore QuietWalk(DirectoryLister& lister, const ScanFilter& filter = {}) {
    QuietScan quiet;
    return WalkDirectories("C:\\", filter, lister, AsciiCollator(), quiet);
}

// What a drive's rows, their tree codes and their folded names hold, in MB and
// against the size of the index file they were read from.
inline void MemoryFigures(const FigureLine& figure, const RowStore& rows, const TreeCodes& codes,
                          const SearchIndex& search, double fileBytes) {
    figure("memory: rows", static_cast<double>(rows.MemoryBytes()) / 1e6, "MB");
    figure("memory: tree codes", static_cast<double>(codes.MemoryBytes()) / 1e6, "MB");
    figure("memory: search index", static_cast<double>(search.MemoryBytes()) / 1e6, "MB");
    figure("memory rows / file size", static_cast<double>(rows.MemoryBytes()) / fileBytes, "x");
    figure("memory tree codes / file size", static_cast<double>(codes.MemoryBytes()) / fileBytes, "x");
    figure("memory search index / file size", static_cast<double>(search.MemoryBytes()) / fileBytes, "x");
    figure("memory rows+codes+search / file size",
           static_cast<double>(rows.MemoryBytes() + codes.MemoryBytes() + search.MemoryBytes()) / fileBytes,
           "x");
}

#ifdef _WIN32

// The calling thread's own processor time, which other programs on a busy
// machine do not stretch (10 ms steps under Wine: good for means over many runs).
inline double ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](FILETIME f) {
        return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) |
                                   f.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e4;
}

inline bool UnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// The path of `name` in this program's own folder.
inline std::wstring BesideThisProgram(const wchar_t* name) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// A window class of this program's own that only does what any window does,
// or what `proc` does.
inline void RegisterPlainClass(const wchar_t* name, WNDPROC proc = ::DefWindowProcW) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    ::RegisterClassW(&wc);
}

// Everything this thread's windows have queued, their paints included: a step
// on a window is over when the window is idle again.
inline void Settle() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

#endif

}  // namespace tarvolo::bench
