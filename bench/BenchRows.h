// The rows of a drive-like tree, generated the same way for every benchmark.
#pragma once

#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "index/Rows.h"
#include "index/Scan.h"

namespace tarvolo::bench {

inline std::string RandomName(std::mt19937& rng) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static const char* const kWords[] = {"Program", "Files",   "Windows", "System", "data",
                                         "cache",   "Users",   "config",  "Temp",   "src",
                                         "lib",     "include", "assets",  "backup"};
    const size_t len = 3 + rng() % 18;
    std::string name;
    if (rng() % 3 == 0) name = kWords[rng() % std::size(kWords)];
    while (name.size() < len) {
        const unsigned pick = rng() % 100;
        if (pick < 4 && !name.empty()) {
            name += ' ';
        } else if (pick < 6) {
            name += '-';
        } else if (pick < 7) {
            name += "\xC3\xA9";  // some names are not ASCII
        } else {
            name += kLetters[rng() % (sizeof(kLetters) - 1)];
        }
    }
    if (name.size() > 20) name.resize(20);
    while (!name.empty() &&
           (name.back() == ' ' || (static_cast<unsigned char>(name.back()) & 0xC0) == 0xC0)) {
        name.pop_back();
    }
    return name.size() < 3 ? name + "dir" : name;
}

// A drive-like tree: depths 1 to 12, most directories 3 to 7 levels down,
// rows in the component-wise order a scan writes. Another seed, another drive.
inline RowStore GenerateRows(size_t count, unsigned seed = 42) {
    std::mt19937 rng(seed);
    const double weights[] = {0.1, 2, 5, 8, 9, 8, 6, 4, 2.5, 1.5, 0.8, 0.5};
    std::discrete_distribution<int> depthPick(std::begin(weights), std::end(weights));
    std::vector<std::vector<std::string>> byDepth(13);
    byDepth[0].push_back("");
    RowStore rows;
    rows.Append("\\");
    while (rows.size() < count) {
        int depth = depthPick(rng) + 1;
        while (byDepth[depth - 1].empty()) --depth;
        const std::vector<std::string>& parents = byDepth[depth - 1];
        std::string row = parents[rng() % parents.size()] + "\\" + RandomName(rng);
        rows.Append(row);
        byDepth[depth].push_back(std::move(row));
    }
    SortRowsComponentwise(rows, AsciiCollator());
    return rows;
}

}  // namespace tarvolo::bench
