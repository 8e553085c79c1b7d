// Times the drive scan at 1, 2 and 4 worker threads against a bare
// breadth-first FindFirstFileExW walk of the same generated tree on one
// thread, alternating in one run so that drift between runs does not pass for
// overhead or gain.
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

#include "adapters/WinDirectoryLister.h"
#include "bench/BenchSupport.h"
#include "adapters/WinLocale.h"
#include "index/Scan.h"
#include "platform/WinText.h"

namespace {

using namespace tarvolo;
using bench::Clock;
using bench::Seconds;

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

// Pumps like the progress window does, without a window to pump for.
struct PumpingObserver : ScanObserver {
    void Progress(uint32_t count) override { last = count; }
    void Pump() override {
        ++pumps;
        bench::Settle();
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
    // The scan as the program runs it (worker threads, this thread pumping),
    // at each thread count, against one bare walk on one thread per round.
    const unsigned threadCounts[] = {1, 2, 4};
    constexpr size_t kScans = sizeof(threadCounts) / sizeof(threadCounts[0]);
    std::vector<double> bare;
    std::vector<double> scan[kScans];
    for (int r = 0; r < rounds; ++r) {
        const auto b0 = Clock::now();
        const size_t dirs = BareWalk(Widen(root));
        bare.push_back(Seconds(b0, Clock::now()));
        std::printf("round %d: %zu directories, bare walk %.2f s", r + 1, dirs, bare.back());
        for (size_t k = 0; k < kScans; ++k) {
            PumpingObserver observer;
            const auto w0 = Clock::now();
            const RowStore rows =
                WalkDirectoriesParallel(root, filter, lister, collator, observer, threadCounts[k]);
            scan[k].push_back(Seconds(w0, Clock::now()));
            if (rows.size() != dirs + 1 || observer.last != dirs) {
                std::printf("\nscan_bench: scan found %zu rows, bare walk %zu directories\n", rows.size(),
                            dirs);
                return 1;
            }
            std::printf(", scan %u thread%s %.2f s (%u pumps)", threadCounts[k],
                        threadCounts[k] == 1 ? "" : "s", scan[k].back(), observer.pumps);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    const auto best = bench::Best;
    auto sum = [](const std::vector<double>& v) {
        double total = 0;
        for (const double x : v) total += x;
        return total;
    };
    std::printf("%-34s %10.2f s\n", "bare walk, 1 thread (best)", best(bare));
    for (size_t k = 0; k < kScans; ++k) {
        const std::string label = "scan, " + std::to_string(threadCounts[k]) + " thread(s)";
        std::printf("%-34s %10.2f s\n", (label + " (best)").c_str(), best(scan[k]));
        std::printf("%-34s %10.3f x\n", (label + " / bare, best").c_str(), best(scan[k]) / best(bare));
        std::printf("%-34s %10.3f x\n", (label + " / bare, summed").c_str(), sum(scan[k]) / sum(bare));
    }
    std::printf("%-34s %10u\n", "threads the program uses here", ScanThreadCount());
    return 0;
}

#endif
