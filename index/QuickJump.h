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
    // The text ends in a space or backslash: another term is about to be typed.
    bool open = false;

    static JumpText Parse(std::string_view typed, const CaseFolder& folder);
    bool empty() const { return terms.empty(); }
};

// A directory found: row `row` of the drive `drive`.
struct JumpHit {
    char drive = 0;
    uint32_t row = 0;

    bool operator==(const JumpHit& other) const { return drive == other.drive && row == other.row; }
};

// What a search leaves for the next keystroke, valid for the same drives with
// the same rows: whoever changes rows clears it first.
//
// One term: the rows of every drive whose names hold the term, when they were
// few enough to keep. A term that begins with it is then looked for among
// those rows alone, which hold every row that can match it.
//
// Several terms: where the terms before the last are placed, each at its
// first place along the path as the match places them. A span is a row whose
// own name takes the last of them and, below it, its whole subtree, which
// follows it in the rows: a match's own name holds the last term after `from`
// in the span's row, or anywhere in a row below. The terms before the last
// stay the same while the last one is typed, so their spans are kept (found
// already at the space typed before it); spans for more terms are found
// inside those for fewer. Beside them, the rows of the spans whose names hold
// the last term, while few: a last term that begins with it is looked for
// among those rows alone.
struct JumpMemo {
    struct Place {
        uint32_t row = 0;
        uint32_t name = 0;  // where the row's name begins in the search's folded names
    };
    // Rows, and places in the search's folded names.
    struct Span {
        uint32_t row = 0;   // the row whose own name takes the last of the earlier terms
        uint32_t end = 0;   // the row after its subtree
        uint32_t from = 0;  // where the earlier terms end in that row's name
        uint32_t tail = 0;  // the separator after that name
        uint32_t stop = 0;  // the separator in front of row `end`
    };
    struct Drive {
        const RowStore* rows = nullptr;
        const SearchIndex* search = nullptr;
        size_t size = 0;
        std::vector<Place> places;
        std::vector<Span> spans;
    };
    // One term.
    std::string term;
    std::vector<Drive> drives;
    // Several terms: the spans of `earlier` in each drive's spans and, when
    // `last` is not empty, the rows of those spans whose names hold it in places.
    std::vector<std::string> earlier;
    std::string last;
    std::vector<Drive> spanDrives;

    // At most this many spans and places are kept over all drives: 2.5 MB and 512 KB.
    static constexpr size_t kSpansAtMost = 1 << 17;
    static constexpr size_t kPlacesAtMost = 1 << 16;

    void Clear() {
        term.clear();
        drives.clear();
        earlier.clear();
        last.clear();
        spanDrives.clear();
    }
    size_t MemoryBytes() const;
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
