// Finding a directory by its name: by the name's beginning, or by text anywhere
// in it. The names are upper-cased once when the rows are loaded, into one
// buffer, so that a keystroke over a million rows is a scan of contiguous bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index/Rows.h"

namespace tarvolo {

// Locale-aware upper case of UTF-8 text.
struct CaseFolder {
    virtual ~CaseFolder() = default;
    virtual std::string Upper(std::string_view utf8) const = 0;
};

// Upper-cases ASCII letters only; the fallback where no locale service exists.
struct AsciiCaseFolder : CaseFolder {
    std::string Upper(std::string_view utf8) const override;
};

// ASCII text is upper-cased here without asking `folder`: for it the locale's
// answer is plain ASCII upper case.
std::string FoldText(std::string_view utf8, const CaseFolder& folder);

// Where in a name the typed text may stand.
enum class MatchRule { beginning, anywhere };

class SearchIndex {
public:
    // Every name folded, and the name starts below built from them, unless the
    // caller builds those in a step of its own (the shown drive's, on the
    // window's thread, so that neither step holds the window long).
    void Build(const RowStore& rows, const CaseFolder& folder, bool withStarts = true);
    // The names of `rows`, which `edits` (top to bottom, as a batch of live
    // changes gives them) made from the rows whose names `old` holds: only the
    // new rows are folded, the rest is copied. False when the edits do not lead
    // from `old` to `rows`: every name is folded anew then.
    bool BuildEdited(const SearchIndex& old, const RowStore& rows, const std::vector<RowsEdit>& edits,
                     const CaseFolder& folder);
    void Clear();

    // The first row, in the order start+1 .. last, then 0 .. start-1, whose
    // name begins with `text` (or holds it anywhere, by `rule`) regardless of
    // case; `start` itself is never tested, and start = -1 tests every row
    // from 0. -1 when none matches.
    long FindFrom(long start, std::string_view text, const CaseFolder& folder,
                  MatchRule rule = MatchRule::beginning) const;
    // The same with text already passed through FoldText.
    long FindFolded(long start, std::string_view foldedText, MatchRule rule = MatchRule::beginning) const;
    bool Matches(size_t row, std::string_view foldedText, MatchRule rule = MatchRule::beginning) const;
    // Row `row`'s name as folded when the rows were loaded.
    std::string_view FoldedName(size_t row) const;
    // Every folded name, each between two separators: "\NAME0\NAME1\", or ""
    // for no rows. A scan of its own goes through them all in order.
    std::string_view FoldedNames() const { return folded_; }
    // The row whose name holds byte `pos` of FoldedNames(), or whose separator stands there.
    size_t RowAt(size_t pos) const;

    // The names that begin with one folded byte, shallowest first, then by the
    // shorter path, then in row order: the place in FoldedNames() where each
    // begins, and beside it its length in bytes (255 for 255 and more). Quick
    // Jump walks them from the best on and stops once nothing further can come
    // in. Empty for every byte when a path is too deep or too long for that
    // order's keys; the names are scanned then.
    struct NameStarts {
        const uint32_t* places = nullptr;
        const uint8_t* lengths = nullptr;
        size_t count = 0;
    };
    NameStarts StartsWith(unsigned char first) const;
    bool HasNameStarts() const { return !startsFrom_.empty(); }
    // The names folded without their starts: BuildNameStarts, with the same rows, is due.
    bool NameStartsPending() const { return count_ != 0 && !startsBuilt_; }
    void BuildNameStarts(const RowStore& rows);

    size_t size() const { return count_; }
    size_t MemoryBytes() const {
        return folded_.capacity() + marks_.capacity() * sizeof(uint32_t) +
               starts_.capacity() * sizeof(uint32_t) + startLengths_.capacity() +
               startsFrom_.capacity() * sizeof(uint32_t);
    }

    bool operator==(const SearchIndex& other) const {
        return count_ == other.count_ && folded_ == other.folded_;
    }

    // Rows between two entries of the table of separator places.
    static constexpr size_t kMarkEvery = 64;

private:
    void AppendFolded(std::string_view name, const CaseFolder& folder);
    void RebuildMarks();
    // The place of the separator in front of row i; i == size() gives the last one.
    size_t SeparatorBefore(size_t i) const;
    // The separator `count` rows after the one at `pos`, which stands before `row`.
    size_t Advance(size_t pos, size_t row, size_t count) const;
    // Rows [from, to), from < to, for a text neither empty nor holding a separator.
    long Scan(size_t from, size_t to, std::string_view foldedText) const;
    long ScanAnywhere(size_t from, size_t to, std::string_view foldedText) const;

    // Every name with a separator on each side: "\NAME0\NAME1\". No name holds
    // a backslash, and the folding keeps it so (see AppendFolded), so a text
    // without one never matches across two names, and "\" followed by the text
    // is a match at a name's beginning. Per row this costs one byte, where an
    // end offset cost four.
    std::string folded_;
    std::vector<uint32_t> marks_;        // marks_[k]: the separator in front of row k * kMarkEvery
    std::vector<uint32_t> starts_;       // the names' places, by first byte, best first
    std::vector<uint8_t> startLengths_;  // beside them, their lengths
    std::vector<uint32_t> startsFrom_;  // startsFrom_[b]: where the names beginning with b begin; 257 or none
    size_t count_ = 0;
    bool startsBuilt_ = false;
};

}  // namespace tarvolo
