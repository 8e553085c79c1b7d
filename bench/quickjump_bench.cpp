// Quick Jump over three generated drives of a million rows each (bench/BenchRows.h:
// names of 3 to 20 bytes, some of them common words, most rows 3 to 7 levels
// down): the time of the ranked list for every keystroke of texts of 1 to 10
// letters, median and 99th percentile per length, with 500 used directories.
// Then the same texts typed a letter at a time, each search given what the
// one before kept. Beside it, for scale, today's search: one scan of one drive for a text that
// matches nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchRows.h"
#include "bench/BenchSupport.h"
#include "index/QuickJump.h"
#include "index/Search.h"

#ifdef _WIN32
#include "adapters/WinLocale.h"
#endif

namespace {

using namespace tarvolo;
using bench::Clock;
using bench::Ms;
using bench::Percentile;

}  // namespace

int main(int argc, char** argv) {
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
#ifdef _WIN32
    const WinCaseFolder folder;
    std::printf("quickjump_bench: Win32 locale folder\n");
#else
    const AsciiCaseFolder folder;
    std::printf("quickjump_bench: ASCII folder\n");
#endif
    struct Drive {
        char letter;
        RowStore rows;
        SearchIndex search;
    };
    std::vector<Drive> drives(3);
    size_t rowCount = 0;
    for (size_t d = 0; d < drives.size(); ++d) {
        drives[d].letter = static_cast<char>('C' + d);
        drives[d].rows = bench::GenerateRows(count, static_cast<unsigned>(42 + d));
        drives[d].search.Build(drives[d].rows, folder);
        rowCount += drives[d].rows.size();
    }
    std::vector<JumpDrive> list;
    for (const Drive& d : drives) list.push_back(JumpDrive{d.letter, &d.rows, &d.search});
    std::printf("%-44s %12zu rows\n", "three drives", rowCount);

    std::mt19937 rng(7);
    std::vector<JumpUse> uses;
    for (int k = 0; k < 500; ++k) {
        const Drive& d = drives[rng() % drives.size()];
        uses.push_back(JumpUse{JumpPath(d.letter, d.rows, rng() % d.rows.size()), 0.25 * (1 + rng() % 40)});
    }

    // What a person types: words the names are made of, and the beginnings of
    // names found on the drives, each up to ten letters.
    std::vector<std::string> texts = {"program",    "windows", "configurat", "assets",     "include",
                                      "backupdata", "temp",    "users",      "systemfile", "cachedir"};
    while (texts.size() < 40) {
        const Drive& d = drives[rng() % drives.size()];
        std::string name(d.rows.Name(rng() % d.rows.size()));
        name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return c == ' ' || c < 0; }),
                   name.end());
        if (name.size() >= 3) texts.push_back(name.substr(0, 10));
    }

    std::vector<std::vector<double>> byLength(11), cpuByLength(11);
    size_t found = 0;
    for (int pass = 0; pass < 3; ++pass) {
        for (const std::string& text : texts) {
            for (size_t n = 1; n <= text.size() && n <= 10; ++n) {
                const JumpText typed = JumpText::Parse(text.substr(0, n), folder);
                const auto t0 = Clock::now();
                const double c0 = bench::ProcessCpuMs();
                found += RankDirectories(typed, list, uses, 50).size();
                byLength[n].push_back(Ms(t0, Clock::now()));
                cpuByLength[n].push_back(bench::ProcessCpuMs() - c0);
            }
        }
    }
    for (size_t n = 1; n <= 10; ++n) {
        char what[64];
        std::snprintf(what, sizeof what, "keystroke, text of %zu letters, median", n);
        std::printf("%-44s %12.2f ms\n", what, Percentile(byLength[n], 0.5));
        std::snprintf(what, sizeof what, "keystroke, text of %zu letters, p99", n);
        std::printf("%-44s %12.2f ms\n", what, Percentile(byLength[n], 0.99));
#ifndef _WIN32
        std::snprintf(what, sizeof what, "  processor time, median / p99");
        std::printf("%-44s %12.2f ms %8.2f ms\n", what, Percentile(cpuByLength[n], 0.5),
                    Percentile(cpuByLength[n], 0.99));
#endif
    }
    // The same texts typed a letter at a time, each search after the one
    // before, as Quick Jump's own searcher runs them: what a search keeps for
    // the next keystroke is used.
    std::vector<std::vector<double>> typedByLength(11), typedCpu(11);
    for (int pass = 0; pass < 3; ++pass) {
        for (const std::string& text : texts) {
            JumpMemo memo;
            for (size_t n = 1; n <= text.size() && n <= 10; ++n) {
                const JumpText typed = JumpText::Parse(text.substr(0, n), folder);
                const auto t0 = Clock::now();
                const double c0 = bench::ProcessCpuMs();
                found += RankDirectories(typed, list, uses, 50, nullptr, JumpScan::fastest, &memo).size();
                typedByLength[n].push_back(Ms(t0, Clock::now()));
                typedCpu[n].push_back(bench::ProcessCpuMs() - c0);
            }
        }
    }
    std::vector<double> typedAll;
    for (size_t n = 1; n <= 10; ++n) {
        typedAll.insert(typedAll.end(), typedByLength[n].begin(), typedByLength[n].end());
        char what[64];
        std::snprintf(what, sizeof what, "typed, text of %zu letters, median / p99", n);
        std::printf("%-44s %12.2f ms %8.2f ms\n", what, Percentile(typedByLength[n], 0.5),
                    Percentile(typedByLength[n], 0.99));
#ifndef _WIN32
        std::printf("%-44s %12.2f ms %8.2f ms\n", "  processor time, median / p99",
                    Percentile(typedCpu[n], 0.5), Percentile(typedCpu[n], 0.99));
#endif
    }
    std::printf("%-44s %12.2f ms\n", "typed, every keystroke, median", Percentile(typedAll, 0.5));
    std::printf("%-44s %12.2f ms\n", "typed, every keystroke, p99", Percentile(typedAll, 0.99));

    std::vector<double> all;
    for (const auto& v : byLength) all.insert(all.end(), v.begin(), v.end());
    std::printf("%-44s %12.2f ms\n", "every keystroke, median", Percentile(all, 0.5));
    std::printf("%-44s %12.2f ms\n", "every keystroke, p99", Percentile(all, 0.99));

    // Texts of two and three terms, each keystroke of the last.
    const std::vector<std::string> spaced = {"program files", "users temp",  "windows system",
                                             "src lib",       "data backup", "config cache src"};
    std::vector<double> terms, cpuTerms;
    for (int pass = 0; pass < 3; ++pass)
        for (const std::string& text : spaced)
            for (size_t n = text.find(' ') + 2; n <= text.size(); ++n) {
                const JumpText typed = JumpText::Parse(text.substr(0, n), folder);
                const auto t0 = Clock::now();
                const double c0 = bench::ProcessCpuMs();
                found += RankDirectories(typed, list, uses, 50).size();
                terms.push_back(Ms(t0, Clock::now()));
                cpuTerms.push_back(bench::ProcessCpuMs() - c0);
            }
    std::printf("%-44s %12.2f ms\n", "keystroke, several terms, median", Percentile(terms, 0.5));
    std::printf("%-44s %12.2f ms\n", "keystroke, several terms, p99", Percentile(terms, 0.99));
#ifndef _WIN32
    std::printf("%-44s %12.2f ms %8.2f ms\n", "  processor time, median / p99", Percentile(cpuTerms, 0.5),
                Percentile(cpuTerms, 0.99));
#endif

    std::vector<double> scans;
    long none = 0;
    for (int k = 0; k < 20; ++k) {
        const auto t0 = Clock::now();
        none += drives[0].search.FindFrom(-1, "Program~", folder);
        scans.push_back(Ms(t0, Clock::now()));
    }
    std::printf("%-44s %12.2f ms\n", "today's search, one drive, no match, median", Percentile(scans, 0.5));
    std::printf("%-44s %12zu\n", "directories listed in all", found + static_cast<size_t>(none + 20));
    return 0;
}
