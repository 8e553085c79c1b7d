#include "index/Search.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "index/ByteScan.h"
#include "index/Text.h"

namespace tarvolo {

namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

}  // namespace

std::string AsciiCaseFolder::Upper(std::string_view utf8) const {
    std::string out(utf8);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

std::string FoldText(std::string_view utf8, const CaseFolder& folder) {
    if (!IsAscii(utf8)) return folder.Upper(utf8);
    std::string out(utf8);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

namespace {

constexpr char kSeparator = '\\';
// What a backslash in a folded name becomes: a byte that UTF-8 never holds, so
// no typed text matches it.
constexpr char kNotSeparator = '\xFF';

}  // namespace

void SearchIndex::Clear() {
    folded_.clear();
    marks_.clear();
    starts_.clear();
    startLengths_.clear();
    startsFrom_.clear();
    count_ = 0;
    startsBuilt_ = false;
}

void SearchIndex::AppendFolded(std::string_view name, const CaseFolder& folder) {
    const size_t base = folded_.size();
    folded_.append(name.data(), name.size());
    // ASCII letters upper-cased eight bytes at a time: a million names pass
    // here at every load.
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    char* p = &folded_[base];
    char* const end = p + name.size();
    uint64_t high = 0;
    for (; end - p >= 8; p += 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        high |= word;
        // Bytes below 0x80 only: from 'a' on, and not beyond 'z', without carries between bytes.
        const uint64_t seven = word & ~kHigh;
        const uint64_t fromA = seven + kOnes * (0x80 - 'a');
        const uint64_t pastZ = seven + kOnes * (0x80 - 'z' - 1);
        word ^= (fromA & ~pastZ & ~word & kHigh) >> 2;
        std::memcpy(p, &word, 8);
    }
    for (; p < end; ++p) {
        high |= static_cast<unsigned char>(*p);
        *p = AsciiUpper(*p);
    }
    if (high & kHigh) {
        folded_.resize(base);
        folded_ += folder.Upper(name);
        // A separator inside a name would shift every row after it. Names hold
        // no backslash, but a locale service is not ours to trust with that.
        if (folded_.find(kSeparator, base) != std::string::npos)
            std::replace(folded_.begin() + static_cast<std::ptrdiff_t>(base), folded_.end(), kSeparator,
                         kNotSeparator);
    } else if (std::memchr(folded_.data() + base, kSeparator, name.size())) {
        // A name is what follows the row's last backslash; this is for any other caller.
        std::replace(folded_.begin() + static_cast<std::ptrdiff_t>(base), folded_.end(), kSeparator,
                     kNotSeparator);
    }
    folded_ += kSeparator;
    ++count_;
    if (folded_.size() > UINT32_MAX) throw std::length_error("search names exceed 4 GB");
}

void SearchIndex::RebuildMarks() {
    marks_.clear();
    marks_.reserve((count_ + kMarkEvery - 1) / kMarkEvery);
    const char* base = folded_.data();
    const size_t n = folded_.size();
    size_t seen = 0;  // separators before the place looked at
    size_t at = 0;
    // The last separator closes the last row and opens none.
    const auto found = [&](size_t pos) {
        if (seen % kMarkEvery == 0 && seen < count_) marks_.push_back(static_cast<uint32_t>(pos));
        ++seen;
    };
#ifdef TARVOLO_SSE2
    const __m128i sep = _mm_set1_epi8(kSeparator);
    for (; at + 16 <= n; at += 16) {
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at)), sep)));
        for (; mask; mask &= mask - 1) found(at + LowestBit(mask));
    }
#endif
    for (; at < n; ++at)
        if (base[at] == kSeparator) found(at);
}

size_t SearchIndex::Advance(size_t pos, size_t row, size_t count) const {
    // Past a block of rows the table is quicker than the names.
    if (count >= kMarkEvery) return SeparatorBefore(row + count);
    for (; count > 0; --count) pos = folded_.find(kSeparator, pos + 1);
    return pos;
}

size_t SearchIndex::SeparatorBefore(size_t i) const {
    if (i >= count_) return folded_.size() - 1;
    const size_t k = i / kMarkEvery;
    return Advance(marks_[k], k * kMarkEvery, i % kMarkEvery);
}

size_t SearchIndex::RowAt(size_t pos) const {
    const auto mark = std::upper_bound(marks_.begin(), marks_.end(), static_cast<uint32_t>(pos)) - 1;
    size_t row = static_cast<size_t>(mark - marks_.begin()) * kMarkEvery;
    const char* base = folded_.data();
    for (size_t at = *mark + 1; at <= pos; ++at) row += base[at] == kSeparator;
    return row;
}

void SearchIndex::Build(const RowStore& rows, const CaseFolder& folder, bool withStarts) {
    Clear();
    const size_t n = rows.size();
    if (n == 0) return;
    size_t nameBytes = 0;
    for (size_t i = 0; i < n; ++i) nameBytes += rows.Name(i).size();
    folded_.reserve(nameBytes + n + 1);
    marks_.reserve((n + kMarkEvery - 1) / kMarkEvery);
    folded_ += kSeparator;
    for (size_t i = 0; i < n; ++i) {
        if (i % kMarkEvery == 0) marks_.push_back(static_cast<uint32_t>(folded_.size() - 1));
        AppendFolded(rows.Name(i), folder);
    }
    if (withStarts) BuildNameStarts(rows);
}

bool SearchIndex::BuildEdited(const SearchIndex& old, const RowStore& rows,
                              const std::vector<RowsEdit>& edits, const CaseFolder& folder) {
    Clear();
    folded_.reserve(old.folded_.size());
    folded_ += kSeparator;
    // oldAt is the first old row not yet copied or dropped, oldPos the separator in front of it.
    size_t oldAt = 0, oldPos = 0;
    const auto copy = [&](size_t count) {
        if (count == 0) return;
        const size_t end = old.Advance(oldPos, oldAt, count);
        folded_.append(old.folded_, oldPos + 1, end - oldPos);
        if (folded_.size() > UINT32_MAX) throw std::length_error("search names exceed 4 GB");
        count_ += count;
        oldAt += count;
        oldPos = end;
    };
    bool fits = true;
    for (const RowsEdit& e : edits) {
        // Rows kept up to the edit, then the rows that went, then the new ones.
        if (e.at < count_ || oldAt + (e.at - count_) + e.removed > old.size() ||
            e.at + e.inserted > rows.size()) {
            fits = false;
            break;
        }
        copy(e.at - count_);
        if (e.removed) oldPos = old.Advance(oldPos, oldAt, e.removed);
        oldAt += e.removed;
        for (size_t i = e.at; i < e.at + e.inserted; ++i) AppendFolded(rows.Name(i), folder);
    }
    if (fits) copy(old.size() - oldAt);
    // Edits that do not lead from the old names to these rows: folded anew.
    if (fits && count_ == rows.size()) {
        if (count_ == 0) folded_.clear();
        RebuildMarks();
        BuildNameStarts(rows);
        return true;
    }
    Build(rows, folder);
    return false;
}

void SearchIndex::BuildNameStarts(const RowStore& rows) {
    startsBuilt_ = true;  // also when a path is too deep for them: the names are scanned then
    starts_.clear();
    startLengths_.clear();
    startsFrom_.clear();
    // One key a name orders and holds it: depth, path length, place, length.
    // The place breaks ties as the row would, and the length rides along.
    constexpr size_t kMaxDepth = 0xFF, kMaxPath = 0xFFFF, kMaxLength = 0xFF;
    const char* base = folded_.data();
    // The names by first byte, counted first, so that each key goes straight
    // to its group: no second array of a million keys to fault in and copy.
    uint32_t counts[257] = {};
    for (size_t before = 0, i = 0; i < count_; ++i) {
        const size_t end = folded_.find(kSeparator, before + 1);
        if (end != before + 1) ++counts[static_cast<unsigned char>(base[before + 1]) + 1];
        before = end;
    }
    std::vector<uint32_t> from(257, 0);
    for (size_t b = 1; b < 257; ++b) from[b] = from[b - 1] + counts[b];
    std::vector<uint64_t> sorted(from[256]);
    std::vector<uint32_t> next(from.begin(), from.end() - 1);
    size_t before = 0;  // the separator in front of row i
    bool fits = true;
    // The paths are put together in order, each from its parent's: cheaper
    // than a walk up the parents for every row.
    rows.ForEachPath(0, count_, [&](size_t i, std::string_view path) {
        const size_t begin = before + 1;
        const size_t end = folded_.find(kSeparator, begin);
        before = end;
        if (end == begin) return true;  // the root has no name
        const size_t depth = static_cast<size_t>(rows.Depth(i));
        if (depth > kMaxDepth || path.size() > kMaxPath) return fits = false;
        sorted[next[static_cast<unsigned char>(base[begin])]++] =
            uint64_t{depth} << 56 | uint64_t{path.size()} << 40 | uint64_t{begin} << 8 |
            std::min(end - begin, kMaxLength);
        return true;
    });
    if (!fits) return;
    startsFrom_ = std::move(from);
    for (size_t b = 0; b < 256; ++b)
        std::sort(sorted.begin() + startsFrom_[b], sorted.begin() + startsFrom_[b + 1]);
    starts_.resize(sorted.size());
    startLengths_.resize(sorted.size());
    for (size_t k = 0; k < sorted.size(); ++k) {
        starts_[k] = static_cast<uint32_t>(sorted[k] >> 8);
        startLengths_[k] = static_cast<uint8_t>(sorted[k]);
    }
}

SearchIndex::NameStarts SearchIndex::StartsWith(unsigned char first) const {
    if (startsFrom_.empty()) return NameStarts{};
    const size_t from = startsFrom_[first], to = startsFrom_[first + 1u];
    return NameStarts{starts_.data() + from, startLengths_.data() + from, to - from};
}

std::string_view SearchIndex::FoldedName(size_t row) const {
    const size_t begin = SeparatorBefore(row) + 1;
    return std::string_view(folded_.data() + begin, folded_.find(kSeparator, begin) - begin);
}

bool SearchIndex::Matches(size_t row, std::string_view foldedText, MatchRule rule) const {
    const std::string_view name = FoldedName(row);
    if (rule == MatchRule::anywhere) return name.find(foldedText) != std::string_view::npos;
    return name.size() >= foldedText.size() &&
           std::memcmp(name.data(), foldedText.data(), foldedText.size()) == 0;
}

// A name begins with the text where a separator is followed by it; the text
// holds no separator, so the comparison ends inside that one name.
long SearchIndex::Scan(size_t from, size_t to, std::string_view foldedText) const {
    const size_t len = foldedText.size();
    const char* base = folded_.data();
    const char* text = foldedText.data();
    const char* end = base + SeparatorBefore(to);
    const char* const stop = base + folded_.size();
    for (const char* p = base + SeparatorBefore(from);; ++p) {
        p = FindStart(p, end, kSeparator, text[0], false);
        if (p == end) return -1;
        if (stop - (p + 1) < static_cast<std::ptrdiff_t>(len)) return -1;
        if (std::memcmp(p + 2, text + 1, len - 1) == 0)
            return static_cast<long>(RowAt(static_cast<size_t>(p - base)));
    }
}

// The text is looked for in the whole stretch at once and a hit is then placed
// in its row; a text without a separator never runs from one name into the
// next. Folded names are UTF-8, which never lets a character's bytes match in
// the middle of another's.
long SearchIndex::ScanAnywhere(size_t from, size_t to, std::string_view foldedText) const {
    const size_t len = foldedText.size();
    const char* base = folded_.data();
    const char* text = foldedText.data();
    // The separator after row to - 1: no match of the text reaches it.
    const char* end = base + SeparatorBefore(to);
    const char* const stop = base + folded_.size();
    for (const char* p = base + SeparatorBefore(from) + 1;; ++p) {
        p = FindStart(p, end, text[0], len > 1 ? text[1] : '\0', len == 1);
        if (p == end) return -1;
        if (stop - p < static_cast<std::ptrdiff_t>(len)) return -1;
        if (len > 2 && std::memcmp(p + 2, text + 2, len - 2) != 0) continue;
        return static_cast<long>(RowAt(static_cast<size_t>(p - base)));
    }
}

long SearchIndex::FindFolded(long start, std::string_view foldedText, MatchRule rule) const {
    // Both scans take a stretch of rows and a text that is neither empty nor
    // holds a separator (no name does).
    const bool noName = foldedText.find(kSeparator) != std::string_view::npos;
    const auto scan = [&](size_t from, size_t to) -> long {
        if (from >= to || noName) return -1;
        if (foldedText.empty()) return static_cast<long>(from);
        return rule == MatchRule::anywhere ? ScanAnywhere(from, to, foldedText) : Scan(from, to, foldedText);
    };
    const size_t n = count_;
    if (start < 0) return scan(0, n);
    const size_t s = static_cast<size_t>(start);
    const long after = scan(s + 1, n);
    if (after >= 0) return after;
    return scan(0, s < n ? s : n);
}

long SearchIndex::FindFrom(long start, std::string_view text, const CaseFolder& folder,
                           MatchRule rule) const {
    return FindFolded(start, FoldText(text, folder), rule);
}

}  // namespace tarvolo
