// Times the drive scan against a bare breadth-first FindFirstFileExW walk of
// the same generated tree, alternating in one run so that drift between runs
// does not pass for overhead.
#include <cstdio>

#ifndef _WIN32

int main() {
    std::printf("scan_bench: Windows only\n");
    return 0;
}

#else

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "index/Scan.h"
#include "platform/WinDirectoryLister.h"
#include "platform/WinText.h"

namespace {

using namespace tarvolo;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Breadth first, up to eight subdirectories each, a file in every third one.
bool GenerateTree(const std::wstring& root, size_t count) {
    const std::wstring marker = root + L"complete.txt";
    if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    CreateDirectoryW(root.c_str(), nullptr);
    std::mt19937 rng(7);
    std::deque<std::wstring> queue{root};
    size_t made = 0;
    while (made < count && !queue.empty()) {
        const std::wstring parent = queue.front();
        queue.pop_front();
        const size_t children = 1 + rng() % 8;
        for (size_t c = 0; c < children && made < count; ++c, ++made) {
            std::wstring dir =
                parent + L"Dir " + std::to_wstring(made) + (rng() % 2 ? L" data" : L"-x") + L"\\";
            if (!CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                std::printf("scan_bench: cannot create %s (%lu)\n", Narrow(dir).c_str(), GetLastError());
                return false;
            }
            if (made % 3 == 0) {
                const HANDLE f = CreateFileW((dir + L"file.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
                if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
            }
            queue.push_back(std::move(dir));
        }
    }
    const HANDLE f = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    return true;
}

// The baseline: what any breadth-first directory walk has to do.
size_t BareWalk(const std::wstring& root) {
    size_t dirs = 0;
    std::deque<std::wstring> queue{root};
    WIN32_FIND_DATAW data;
    while (!queue.empty()) {
        const std::wstring dir = std::move(queue.front());
        queue.pop_front();
        const HANDLE find = FindFirstFileExW((dir + L"*").c_str(), FindExInfoBasic, &data,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            const wchar_t* n = data.cFileName;
            if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
            ++dirs;
            queue.push_back(dir + n + L"\\");
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return dirs;
}

// CPU seconds of this process, user and kernel: less disturbed than wall
// time by other work on a shared machine.
double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& f) {
        return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Pumps like the progress window does, without a window to pump for.
struct PumpingObserver : ScanObserver {
    void Progress(uint32_t count) override { last = count; }
    void Pump() override {
        ++pumps;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    bool CancelRequested() override { return false; }
    uint32_t last = 0;
    unsigned pumps = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: scan_bench <scratch folder> [directories=100000] [rounds=2]\n");
        return 2;
    }
    const size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 2;
    std::string root = argv[1];
    if (root.empty() || root.back() != '\\') root += '\\';
    root += "scan_tree_" + std::to_string(count) + "\\";

    const auto g0 = Clock::now();
    if (!GenerateTree(Widen(root), count)) return 1;
    std::printf("%-34s %10.2f s\n", "tree generation (0 when reused)", Seconds(g0, Clock::now()));

    WinDirectoryLister lister;
    const WinCollator collator;
    const ScanFilter filter;
    std::vector<double> bare, scan, bareCpu, scanCpu;
    for (int r = 0; r < rounds; ++r) {
        const double c0 = CpuSeconds();
        const auto b0 = Clock::now();
        const size_t dirs = BareWalk(Widen(root));
        const auto b1 = Clock::now();
        const double c1 = CpuSeconds();
        PumpingObserver observer;
        const RowStore rows = WalkDirectories(root, filter, lister, collator, observer);
        const auto w1 = Clock::now();
        const double c2 = CpuSeconds();
        bareCpu.push_back(c1 - c0);
        scanCpu.push_back(c2 - c1);
        if (rows.size() != dirs + 1 || observer.last != dirs) {
            std::printf("scan_bench: walk found %zu rows, bare walk %zu directories\n", rows.size(), dirs);
            return 1;
        }
        bare.push_back(Seconds(b0, b1));
        scan.push_back(Seconds(b1, w1));
        std::printf(
            "round %d: %zu directories, bare %.2f s (cpu %.2f s), WalkDirectories %.2f s (cpu %.2f s), %u "
            "pumps\n",
            r + 1, dirs, bare.back(), bareCpu.back(), scan.back(), scanCpu.back(), observer.pumps);
    }
    const double bareBest = *std::min_element(bare.begin(), bare.end());
    const double scanBest = *std::min_element(scan.begin(), scan.end());
    double bareSum = 0, scanSum = 0;
    for (const double b : bare) bareSum += b;
    for (const double s : scan) scanSum += s;
    std::printf("%-34s %10.2f s\n", "bare walk (best)", bareBest);
    std::printf("%-34s %10.2f s\n", "WalkDirectories (best)", scanBest);
    std::printf("%-34s %10.3f x\n", "ratio of best times", scanBest / bareBest);
    std::printf("%-34s %10.3f x\n", "ratio of summed times", scanSum / bareSum);
    double bareCpuSum = 0, scanCpuSum = 0;
    for (const double b : bareCpu) bareCpuSum += b;
    for (const double s : scanCpu) scanCpuSum += s;
    std::printf("%-34s %10.2f s\n", "bare walk CPU (sum)", bareCpuSum);
    std::printf("%-34s %10.2f s\n", "WalkDirectories CPU (sum)", scanCpuSum);
    std::printf("%-34s %10.3f x\n", "ratio of CPU times", scanCpuSum / bareCpuSum);
    return 0;
}

#endif
