#include "index/Search.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
#include <stdexcept>

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

void SearchIndex::Clear() {
    folded_.clear();
    ends_.clear();
}

void SearchIndex::AppendFolded(std::string_view name, const CaseFolder& folder) {
    const size_t base = folded_.size();
    folded_.append(name.data(), name.size());
    unsigned char high = 0;
    for (size_t k = base; k < folded_.size(); ++k) {
        high |= static_cast<unsigned char>(folded_[k]);
        folded_[k] = AsciiUpper(folded_[k]);
    }
    if (high & 0x80) {
        folded_.resize(base);
        folded_ += folder.Upper(name);
    }
    if (folded_.size() > UINT32_MAX) throw std::length_error("search names exceed 4 GB");
    ends_.push_back(static_cast<uint32_t>(folded_.size()));
}

void SearchIndex::Build(const RowStore& rows, const CaseFolder& folder) {
    Clear();
    const size_t n = rows.size();
    size_t nameBytes = 0;
    for (size_t i = 0; i < n; ++i) nameBytes += rows.Name(i).size();
    folded_.reserve(nameBytes);
    ends_.reserve(n);
    for (size_t i = 0; i < n; ++i) AppendFolded(rows.Name(i), folder);
}

bool SearchIndex::BuildEdited(const SearchIndex& old, const RowStore& rows,
                              const std::vector<RowsEdit>& edits, const CaseFolder& folder) {
    Clear();
    folded_.reserve(old.folded_.size());
    ends_.reserve(rows.size());
    const auto copy = [&](size_t from, size_t to) {
        if (from >= to) return;
        const size_t first = from ? old.ends_[from - 1] : 0;
        const size_t offset = folded_.size();
        folded_.append(old.folded_, first, old.ends_[to - 1] - first);
        if (folded_.size() > UINT32_MAX) throw std::length_error("search names exceed 4 GB");
        for (size_t k = from; k < to; ++k)
            ends_.push_back(static_cast<uint32_t>(old.ends_[k] - first + offset));
    };
    size_t oldAt = 0;
    bool fits = true;
    for (const RowsEdit& e : edits) {
        // Rows kept up to the edit, then the rows that went, then the new ones.
        if (e.at < ends_.size() || oldAt + (e.at - ends_.size()) + e.removed > old.size() ||
            e.at + e.inserted > rows.size()) {
            fits = false;
            break;
        }
        const size_t kept = e.at - ends_.size();
        copy(oldAt, oldAt + kept);
        oldAt += kept + e.removed;
        for (size_t i = e.at; i < e.at + e.inserted; ++i) AppendFolded(rows.Name(i), folder);
    }
    if (fits) copy(oldAt, old.size());
    // Edits that do not lead from the old names to these rows: folded anew.
    if (fits && ends_.size() == rows.size()) return true;
    Build(rows, folder);
    return false;
}

bool SearchIndex::Matches(size_t row, std::string_view foldedText, MatchRule rule) const {
    const size_t begin = row ? ends_[row - 1] : 0;
    const std::string_view name(folded_.data() + begin, ends_[row] - begin);
    if (rule == MatchRule::anywhere) return name.find(foldedText) != std::string_view::npos;
    return name.size() >= foldedText.size() &&
           std::memcmp(name.data(), foldedText.data(), foldedText.size()) == 0;
}

long SearchIndex::Scan(size_t from, size_t to, std::string_view foldedText) const {
    if (from >= to) return -1;
    const size_t len = foldedText.size();
    if (len == 0) return static_cast<long>(from);
    const char* base = folded_.data();
    const char* text = foldedText.data();
    const char first = text[0];
    size_t begin = from ? ends_[from - 1] : 0;
    for (size_t i = from; i < to; ++i) {
        const size_t end = ends_[i];
        if (end - begin >= len && base[begin] == first && std::memcmp(base + begin, text, len) == 0) {
            return static_cast<long>(i);
        }
        begin = end;
    }
    return -1;
}

namespace {

// The first place in [p, end) where `a` stands followed by `b` (`b` is not
// looked at when `single`); `end` for none. Bytes up to end + 1 may be read
// when a pair is looked for, so `end` lies at least one byte before the buffer's
// end. Sixteen places at a time: a keystroke must stay within a few
// milliseconds at a million names, where a byte at a time, or the C library's
// memchr under Wine, takes several times that.
const char* FindStart(const char* p, const char* end, char a, char b, bool single) {
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
    while (end - p >= 16) {
        __m128i hits = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), va);
        if (!single)
            hits = _mm_and_si128(
                hits, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)), vb));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask) {
            unsigned bit = 0;
            while (!(mask & (1u << bit))) ++bit;
            return p + bit;
        }
        p += 16;
    }
#endif
    for (; p < end; ++p)
        if (p[0] == a && (single || p[1] == b)) return p;
    return end;
}

}  // namespace

// The names lie back to back without separators, so the text is looked for in
// the whole stretch at once and a hit is then placed in its row; a hit that
// runs over the end of its name into the next is none. Folded names are UTF-8,
// which never lets a character's bytes match in the middle of another's.
long SearchIndex::ScanAnywhere(size_t from, size_t to, std::string_view foldedText) const {
    if (from >= to) return -1;
    const size_t len = foldedText.size();
    if (len == 0) return static_cast<long>(from);
    const size_t begin = from ? ends_[from - 1] : 0, stop = ends_[to - 1];
    if (stop - begin < len) return -1;
    const char* base = folded_.data();
    const char* text = foldedText.data();
    // Past the last place the text could start; the pair read there stays inside the names.
    const char* last = base + stop - len + 1;
    auto row = ends_.begin() + static_cast<std::ptrdiff_t>(from);
    const auto rowsEnd = ends_.begin() + static_cast<std::ptrdiff_t>(to);
    for (const char* p = base + begin;; ++p) {
        p = FindStart(p, last, text[0], len > 1 ? text[1] : '\0', len == 1);
        if (p == last) return -1;
        if (len > 2 && std::memcmp(p + 2, text + 2, len - 2) != 0) continue;
        const size_t pos = static_cast<size_t>(p - base);
        // The row holding byte `pos`: the first whose end lies past it.
        row = std::upper_bound(row, rowsEnd, static_cast<uint32_t>(pos));
        if (pos + len <= *row) return static_cast<long>(row - ends_.begin());
    }
}

long SearchIndex::FindFolded(long start, std::string_view foldedText, MatchRule rule) const {
    const auto scan = [&](size_t from, size_t to) {
        return rule == MatchRule::anywhere ? ScanAnywhere(from, to, foldedText) : Scan(from, to, foldedText);
    };
    const size_t n = ends_.size();
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
