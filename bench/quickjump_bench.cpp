// Quick Jump over three generated drives of a million rows each (bench/BenchRows.h:
// names of 3 to 20 bytes, some of them common words, most rows 3 to 7 levels
// down): the time of the ranked list for every keystroke of texts of 1 to 10
// letters, median and 99th percentile per length, with 500 used directories.
// Then the same texts typed a letter at a time, each search given what the
// one before kept. Then texts of several terms by shape, afresh and typed.
// Beside it, for scale, today's search: one scan of one drive for a text that
// matches nothing.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
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
    // "terms" after the count: texts of several terms alone.
    const int passes = argc > 2 && std::string(argv[2]) == "terms" ? 0 : 3;
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
    for (int pass = 0; pass < passes; ++pass) {
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
    for (size_t n = 1; n <= 10 && passes > 0; ++n) {
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
    for (int pass = 0; pass < passes; ++pass) {
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
    for (size_t n = 1; n <= 10 && passes > 0; ++n) {
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
    std::vector<double> all;
    for (const auto& v : byLength) all.insert(all.end(), v.begin(), v.end());
    if (passes > 0) {
        std::printf("%-44s %12.2f ms\n", "typed, every keystroke, median", Percentile(typedAll, 0.5));
        std::printf("%-44s %12.2f ms\n", "typed, every keystroke, p99", Percentile(typedAll, 0.99));
        std::printf("%-44s %12.2f ms\n", "every keystroke, median", Percentile(all, 0.5));
        std::printf("%-44s %12.2f ms\n", "every keystroke, p99", Percentile(all, 0.99));
    }

    // Texts of two and three terms. Afresh: each keystroke of the last term
    // searched on its own, with nothing kept. Typed: the whole text a letter
    // at a time, each search given what the one before kept, as Quick Jump's
    // searcher runs them; the keystrokes from the first space on are timed.
    // By shape: common words, names of the drives (rare terms: the beginnings
    // of an ancestor's name and of a row's own, as a person types for a
    // directory they know), three terms, and texts whose last term begins
    // many names or few.
    const auto rareText = [&](size_t termCount) {
        for (;;) {
            const Drive& d = drives[rng() % drives.size()];
            size_t row = rng() % d.rows.size();
            std::vector<std::string> names;
            for (uint32_t r = static_cast<uint32_t>(row); r != RowStore::kNoParent; r = d.rows.Parent(r)) {
                std::string name(d.rows.Name(r));
                name.erase(
                    std::remove_if(name.begin(), name.end(),
                                   [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }),
                    name.end());
                if (!name.empty()) names.insert(names.begin(), name);
            }
            if (names.size() < termCount + 1) continue;
            std::string text;
            // Terms from names spread along the path, the last from the row's own.
            for (size_t k = 0; k < termCount; ++k) {
                const size_t at = k + 1 == termCount ? names.size() - 1 : k * (names.size() - 1) / termCount;
                if (!text.empty()) text += ' ';
                text += names[at].substr(0, 3 + rng() % 4);
            }
            return text;
        }
    };
    struct Shape {
        const char* what;
        std::vector<std::string> texts;
    };
    std::vector<Shape> shapes = {
        {"two common terms",
         {"program files", "users temp", "windows system", "src lib", "data backup", "pro src",
          "cache config", "assets include"}},
        {"three terms",
         {"config cache src", "users me docs", "program files data", "windows system temp", "src lib assets",
          "users temp backup"}},
        {"last term a letter or two", {"src l", "users t", "program f", "data b", "windows s", "temp c"}},
        {"two rare terms", {}},
        {"three rare terms", {}},
    };
    for (int k = 0; k < 12; ++k) shapes[3].texts.push_back(rareText(2));
    for (int k = 0; k < 8; ++k) shapes[4].texts.push_back(rareText(3));
    std::vector<double> terms, cpuTerms, typedTerms, typedTermsCpu;
    size_t memoBytes = 0;
    for (const Shape& shape : shapes) {
        std::vector<double> fresh, typedMs;
        for (int pass = 0; pass < 3; ++pass)
            for (const std::string& text : shape.texts) {
                for (size_t n = text.rfind(' ') + 2; n <= text.size(); ++n) {
                    const JumpText typed = JumpText::Parse(text.substr(0, n), folder);
                    const auto t0 = Clock::now();
                    const double c0 = bench::ProcessCpuMs();
                    found += RankDirectories(typed, list, uses, 50).size();
                    fresh.push_back(Ms(t0, Clock::now()));
                    terms.push_back(fresh.back());
                    cpuTerms.push_back(bench::ProcessCpuMs() - c0);
                }
                JumpMemo memo;
                for (size_t n = 1; n <= text.size(); ++n) {
                    const JumpText typed = JumpText::Parse(text.substr(0, n), folder);
                    const auto t0 = Clock::now();
                    const double c0 = bench::ProcessCpuMs();
                    found += RankDirectories(typed, list, uses, 50, nullptr, JumpScan::fastest, &memo).size();
                    memoBytes = std::max(memoBytes, memo.MemoryBytes());
                    // From the space after the first term on: that keystroke searches too.
                    if (n < text.find(' ') + 1) continue;
                    typedMs.push_back(Ms(t0, Clock::now()));
                    typedTerms.push_back(typedMs.back());
                    typedTermsCpu.push_back(bench::ProcessCpuMs() - c0);
                }
            }
        char what[64];
        std::snprintf(what, sizeof what, "%s, afresh, median / p99", shape.what);
        std::printf("%-44s %12.2f ms %8.2f ms\n", what, Percentile(fresh, 0.5), Percentile(fresh, 0.99));
        std::snprintf(what, sizeof what, "%s, typed, median / p99", shape.what);
        std::printf("%-44s %12.2f ms %8.2f ms\n", what, Percentile(typedMs, 0.5), Percentile(typedMs, 0.99));
    }
    std::printf("%-44s %12.2f ms\n", "keystroke, several terms, median", Percentile(terms, 0.5));
    std::printf("%-44s %12.2f ms\n", "keystroke, several terms, p99", Percentile(terms, 0.99));
#ifndef _WIN32
    std::printf("%-44s %12.2f ms %8.2f ms\n", "  processor time, median / p99", Percentile(cpuTerms, 0.5),
                Percentile(cpuTerms, 0.99));
#endif
    std::printf("%-44s %12.2f MB\n", "kept between keystrokes, at most",
                static_cast<double>(memoBytes) / 1e6);
    std::printf("%-44s %12.2f ms\n", "typed, several terms, median", Percentile(typedTerms, 0.5));
    std::printf("%-44s %12.2f ms\n", "typed, several terms, p99", Percentile(typedTerms, 0.99));
#ifndef _WIN32
    std::printf("%-44s %12.2f ms %8.2f ms\n", "  processor time, median / p99",
                Percentile(typedTermsCpu, 0.5), Percentile(typedTermsCpu, 0.99));
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
