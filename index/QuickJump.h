// Quick Jump: one ranked list of directories over every drive. The typed text
// is split at spaces into terms; a directory matches when every term occurs in
// its path in the order typed and the last term occurs in its own name. The
// matches are ordered by how well they match, then by use, then shallower and
// shorter paths first, and the tree's order breaks what ties remain.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index/Rows.h"
#include "index/Search.h"

namespace tarvolo {

// One drive's rows as Quick Jump searches them.
struct JumpDrive {
    char letter = 0;  // 'C'
    const RowStore* rows = nullptr;
    const SearchIndex* search = nullptr;  // built over *rows
};

// A directory delivered before and how much it is used now: the larger the
// weight, the more it counts (visits aged by time, see model/Visits.h).
struct JumpUse {
    std::string path;  // "E:\Users\me\projects", as the history box shows it
    double weight = 0;
};

// The typed text, split at spaces into terms, each folded as the search folds names.
struct JumpText {
    std::vector<std::string> terms;
    // The folding of the terms, for the paths of the uses; AsciiCaseFolder when null.
    const CaseFolder* folder = nullptr;

    static JumpText Parse(std::string_view typed, const CaseFolder& folder);
    bool empty() const { return terms.empty(); }
};

// A directory found: row `row` of the drive `drive`.
struct JumpHit {
    char drive = 0;
    uint32_t row = 0;

    bool operator==(const JumpHit& other) const { return drive == other.drive && row == other.row; }
};

// What a search of one term leaves for the next keystroke: the rows of every
// drive whose names hold the term, when they were few enough to keep. A term
// that begins with it is then looked for among those rows alone, which hold
// every row that can match it. Valid for the same drives with the same rows:
// whoever changes rows clears it first.
struct JumpMemo {
    struct Place {
        uint32_t row = 0;
        uint32_t name = 0;  // where the row's name begins in the search's folded names
    };
    struct Drive {
        const RowStore* rows = nullptr;
        const SearchIndex* search = nullptr;
        size_t size = 0;
        std::vector<Place> places;
    };
    std::string term;
    std::vector<Drive> drives;

    void Clear() {
        term.clear();
        drives.clear();
    }
};

// How the directories are found: through the drives' name starts where every
// drive has them, or by a scan of every name, which the name starts must
// always agree with.
enum class JumpScan { fastest, everyName };

// At most `limit` directories of `drives` that match `text`, best first. An
// empty text matches nothing. Stops early, with what it has, once `cancelled`
// is set: a search that the next keystroke made useless is abandoned.
std::vector<JumpHit> RankDirectories(const JumpText& text, const std::vector<JumpDrive>& drives,
                                     const std::vector<JumpUse>& uses, size_t limit,
                                     const std::atomic<bool>* cancelled = nullptr,
                                     JumpScan how = JumpScan::fastest, JumpMemo* memo = nullptr);

// "E:" followed by the row, "E:\" for the root: the path as the history box shows it.
std::string JumpPath(char drive, const RowStore& rows, size_t row);

}  // namespace tarvolo
