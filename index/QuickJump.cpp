#include "index/QuickJump.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
#include <unordered_map>

#include "index/JumpRules.h"

namespace tarvolo {

JumpText JumpText::Parse(std::string_view typed, const CaseFolder& folder) {
    JumpText text;
    text.folder = &folder;
    // A backslash parts terms as a space does: no name holds one, so a term
    // with it inside could never match, and "proj\src" means what it says.
    size_t at = 0;
    while (at < typed.size()) {
        const size_t end = std::min(typed.find_first_of(" \\", at), typed.size());
        if (end > at) text.terms.push_back(FoldText(typed.substr(at, end - at), folder));
        at = end + 1;
    }
    return text;
}

std::string JumpPath(char drive, const RowStore& rows, size_t row) {
    std::string path(1, drive);
    path += ':';
    rows.AppendPath(row, path);
    return path;
}

namespace jump {

bool WordStartAt(std::string_view name, size_t pos) {
    if (pos == 0) return true;
    const unsigned char before = static_cast<unsigned char>(name[pos - 1]);
    // Bytes of other scripts belong to their word; ASCII letters and digits too.
    if (before >= 0x80) return false;
    const bool letterOrDigit = (before >= 'A' && before <= 'Z') || (before >= 'a' && before <= 'z') ||
                               (before >= '0' && before <= '9');
    return !letterOrDigit;
}

namespace {

// Where the next term is looked for: in name `comp` of the path, from byte `from`.
struct Cursor {
    size_t comp = 0;
    size_t from = 0;
};

// Places terms [begin, end) one after the other, each at its first occurrence
// from `at` on; false when one does not fit. The first occurrence leaves the
// most room to the terms after it, so this finds a place whenever there is one.
bool PlaceFirst(const std::vector<std::string>& terms, size_t begin, size_t end,
                const std::vector<std::string_view>& names, Cursor& at, size_t* firstInOwn) {
    const size_t own = names.size() - 1;
    for (size_t j = begin; j < end; ++j) {
        for (;;) {
            const size_t pos = names[at.comp].find(terms[j], at.from);
            if (pos != std::string_view::npos) {
                if (firstInOwn && at.comp == own && *firstInOwn == std::string_view::npos) *firstInOwn = pos;
                at.from = pos + terms[j].size();
                break;
            }
            if (at.comp == own) return false;
            ++at.comp;
            at.from = 0;
        }
    }
    return true;
}

bool RestFits(const std::vector<std::string>& terms, size_t begin, const std::vector<std::string_view>& names,
              Cursor at) {
    const size_t own = names.size() - 1;
    if (!PlaceFirst(terms, begin, terms.size() - 1, names, at, nullptr)) return false;
    return names[own].find(terms.back(), at.comp == own ? at.from : 0) != std::string_view::npos;
}

// Earlier terms that begin no word: each term in turn takes the first place
// where it begins a word and the terms after it still fit, else its first place.
int EarlierMisses(const std::vector<std::string>& terms, const std::vector<std::string_view>& names) {
    int misses = 0;
    Cursor at;
    for (size_t j = 0; j + 1 < terms.size(); ++j) {
        const std::string& term = terms[j];
        bool placed = false;
        for (size_t c = at.comp; c < names.size() && !placed; ++c) {
            const std::string_view name = names[c];
            for (size_t pos = name.find(term, c == at.comp ? at.from : 0); pos != std::string_view::npos;
                 pos = name.find(term, pos + 1)) {
                if (!WordStartAt(name, pos)) continue;
                const Cursor next{c, pos + term.size()};
                if (RestFits(terms, j + 1, names, next)) {
                    at = next;
                    placed = true;
                    break;
                }
            }
        }
        if (!placed) {
            ++misses;
            PlaceFirst(terms, j, j + 1, names, at, nullptr);
        }
    }
    return misses;
}

}  // namespace

bool Judge(const std::vector<std::string>& terms, const std::vector<std::string_view>& names, Match& match) {
    if (terms.empty() || names.empty()) return false;
    const size_t own = names.size() - 1;
    const std::string_view name = names[own];
    const std::string& last = terms.back();
    Cursor at;
    size_t firstInOwn = std::string_view::npos;
    if (!PlaceFirst(terms, 0, terms.size() - 1, names, at, &firstInOwn)) return false;
    const size_t from = at.comp == own ? at.from : 0;
    size_t pos = name.find(last, from);
    if (pos == std::string_view::npos) return false;
    if (firstInOwn != std::string_view::npos) {
        // Earlier terms in the name too: the match runs from the first of them.
        const bool toEnd = name.size() >= from + last.size() &&
                           name.compare(name.size() - last.size(), last.size(), last) == 0;
        match.kind = firstInOwn == 0                 ? (toEnd ? kWhole : kPrefix)
                     : WordStartAt(name, firstInOwn) ? kWordStart
                                                     : kInside;
    } else if (pos == 0) {
        match.kind = name.size() == last.size() ? kWhole : kPrefix;
    } else {
        match.kind = kInside;
        for (; pos != std::string_view::npos; pos = name.find(last, pos + 1))
            if (WordStartAt(name, pos)) {
                match.kind = kWordStart;
                break;
            }
    }
    match.misses = terms.size() > 1 ? EarlierMisses(terms, names) : 0;
    return true;
}

bool Better(const Ranked& a, const Ranked& b) {
    if (a.kind != b.kind) return a.kind > b.kind;
    if (a.misses != b.misses) return a.misses < b.misses;
    if (a.weight != b.weight) return a.weight > b.weight;
    if (a.depth != b.depth) return a.depth < b.depth;
    if (a.length != b.length) return a.length < b.length;
    if (a.drive != b.drive) return a.drive < b.drive;
    return a.row < b.row;
}

namespace {

constexpr char kSeparator = '\\';

bool Boundary(unsigned char c) {
    return c < 0x80 && !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'));
}

unsigned LowestBit(unsigned mask) {
#if defined(__GNUC__)
    return static_cast<unsigned>(__builtin_ctz(mask));
#else
    unsigned bit = 0;
    while (!(mask & (1u << bit))) ++bit;
    return bit;
#endif
}

unsigned CountBits(unsigned mask) {
#if defined(__GNUC__)
    return static_cast<unsigned>(__builtin_popcount(mask));
#else
    unsigned count = 0;
    for (; mask; mask &= mask - 1) ++count;
    return count;
#endif
}

#if defined(__SSE2__) || defined(_M_X64)
__m128i InRange(__m128i v, char low, char high) {
    return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(low - 1))),
                         _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(high + 1))));
}

// Bytes after which a word begins: ASCII, neither letter nor digit (the separator among them).
__m128i BoundaryBytes(__m128i v) {
    const __m128i ascii = _mm_cmpgt_epi8(v, _mm_set1_epi8(-1));
    const __m128i word =
        _mm_or_si128(_mm_or_si128(InRange(v, 'A', 'Z'), InRange(v, 'a', 'z')), InRange(v, '0', '9'));
    return _mm_andnot_si128(word, ascii);
}
#endif

// Calls hit(row, pos) for each place `pos` in `names` (a SearchIndex's folded
// names) where `term` stands, in order; with `wordStarts`, only where it
// begins a word. One pass over the bytes, sixteen at a time, counting the
// separators on the way: a hit's row costs no search. hit returns false to
// stop; so does a search that was cancelled, and then ScanTerm returns false.
template <class F>
bool ScanTerm(std::string_view names, std::string_view term, bool wordStarts,
              const std::atomic<bool>* cancelled, F&& hit) {
    const char* base = names.data();
    const size_t n = names.size();
    const size_t len = term.size();
    if (n < 2 || len == 0) return true;
    const char t0 = term[0], t1 = len > 1 ? term[1] : 0;
    const auto rest = [&](size_t p) {
        return n - p >= len && (len <= 2 || std::memcmp(base + p + 2, term.data() + 2, len - 2) == 0);
    };
    size_t at = 1;    // names[0] is the separator in front of row 0
    size_t seps = 1;  // separators before `at`
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i vsep = _mm_set1_epi8(kSeparator), v0 = _mm_set1_epi8(t0), v1 = _mm_set1_epi8(t1);
    // A block reads from at - 1 to at + 16.
    for (; at + 17 <= n; at += 16) {
        if ((at & 0xFFFF) < 16 && cancelled && cancelled->load(std::memory_order_relaxed)) return false;
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at));
        const unsigned sepMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, vsep)));
        __m128i found = _mm_cmpeq_epi8(bytes, v0);
        if (len > 1)
            found = _mm_and_si128(
                found, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at + 1)), v1));
        if (wordStarts)
            found = _mm_and_si128(
                found, BoundaryBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at - 1))));
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(found)); mask; mask &= mask - 1) {
            const unsigned bit = LowestBit(mask);
            const size_t p = at + bit;
            if (!rest(p)) continue;
            if (!hit(seps + CountBits(sepMask & ((1u << bit) - 1)) - 1, p)) return false;
        }
        seps += CountBits(sepMask);
    }
#endif
    for (; at < n; ++at) {
        if (base[at] == kSeparator) {
            ++seps;
            continue;
        }
        if (base[at] != t0 || (len > 1 && (at + 1 >= n || base[at + 1] != t1))) continue;
        if (wordStarts && !Boundary(static_cast<unsigned char>(base[at - 1]))) continue;
        if (rest(at) && !hit(seps - 1, at)) return false;
    }
    return true;
}

// The folded name that holds byte `pos` of `names`.
std::string_view NameAt(std::string_view names, size_t pos) {
    const size_t begin = names.rfind(kSeparator, pos) + 1;
    return names.substr(begin, names.find(kSeparator, pos) - begin);
}

bool HasWordStart(std::string_view name, std::string_view term) {
    for (size_t pos = name.find(term); pos != std::string_view::npos; pos = name.find(term, pos + 1))
        if (WordStartAt(name, pos)) return true;
    return false;
}

// The uses by their folded paths. Most candidates are told apart from every
// used directory by their own name's length and ends alone.
class UseTable {
public:
    UseTable(const std::vector<JumpUse>& uses, const CaseFolder& folder) : folder_(folder) {
        for (const JumpUse& use : uses) {
            if (!(use.weight > 0)) continue;
            std::string key = FoldText(use.path, folder);
            const size_t slash = key.rfind(kSeparator);
            const std::string_view name =
                std::string_view(key).substr(slash == std::string::npos ? 0 : slash + 1);
            if (name.empty()) continue;
            seen_[Hash(name) / 64] |= uint64_t{1} << (Hash(name) % 64);
            weights_[std::move(key)] += use.weight;
        }
    }
    bool empty() const { return weights_.empty(); }
    // The weight of row `row` of `drive`, whose folded name is `name`.
    double Weight(std::string_view name, char letter, const RowStore& rows, size_t row) {
        if (weights_.empty() || name.empty() || !(seen_[Hash(name) / 64] >> (Hash(name) % 64) & 1)) return 0;
        path_.clear();
        path_ += letter;
        path_ += ':';
        rows.AppendPath(row, path_);
        const auto found = weights_.find(FoldText(path_, folder_));
        return found == weights_.end() ? 0 : found->second;
    }

private:
    static size_t Hash(std::string_view name) {
        const size_t h = name.size() * 977 + static_cast<unsigned char>(name.front()) * 131 +
                         static_cast<unsigned char>(name.back());
        return h % (64 * kWords);
    }
    static constexpr size_t kWords = 1024;

    const CaseFolder& folder_;
    std::unordered_map<std::string, double> weights_;
    uint64_t seen_[kWords] = {};
    std::string path_;
};

// The best `limit` so far, the worst on top of a heap.
class Best {
public:
    explicit Best(size_t limit) : limit_(limit) { heap_.reserve(limit); }
    bool Full() const { return heap_.size() >= limit_; }
    const Ranked& Worst() const { return heap_.front(); }
    // Whether a directory of this step of match, lifted by use or not, may still come in.
    bool Wants(uint8_t kind) const { return !Full() || kind + 1 >= Worst().kind; }
    // Whether `r`, its length not yet known, may still come in.
    bool MayTake(const Ranked& r) const {
        if (!Full()) return true;
        const Ranked& w = Worst();
        if (r.kind != w.kind) return r.kind > w.kind;
        if (r.misses != w.misses) return r.misses < w.misses;
        if (r.weight != w.weight) return r.weight > w.weight;
        return r.depth <= w.depth;
    }
    void Offer(const Ranked& r) {
        const auto worse = [](const Ranked& a, const Ranked& b) { return Better(a, b); };
        if (!Full()) {
            heap_.push_back(r);
            std::push_heap(heap_.begin(), heap_.end(), worse);
        } else if (Better(r, heap_.front())) {
            std::pop_heap(heap_.begin(), heap_.end(), worse);
            heap_.back() = r;
            std::push_heap(heap_.begin(), heap_.end(), worse);
        }
    }
    std::vector<Ranked> Sorted() {
        std::sort(heap_.begin(), heap_.end(), Better);
        return heap_;
    }

private:
    size_t limit_;
    std::vector<Ranked> heap_;
};

class Ranking {
public:
    Ranking(const JumpText& text, const std::vector<JumpDrive>& drives, UseTable& uses, size_t limit,
            const std::atomic<bool>* cancelled)
        : terms_(text.terms), drives_(drives), uses_(uses), best_(limit), cancelled_(cancelled) {}

    std::vector<Ranked> Run() {
        if (terms_.size() == 1)
            RunOneTerm();
        else
            RunTerms();
        return best_.Sorted();
    }

private:
    bool Searchable(const JumpDrive& d) const {
        return d.rows && d.search && d.search->size() == d.rows->size() && !d.rows->empty();
    }

    // A directory whose name holds the one term: `kind` is how, `pos` one place of it.
    void Consider(uint32_t drive, size_t row, size_t pos, uint8_t kind) {
        if (!best_.Wants(kind)) return;
        const JumpDrive& d = drives_[drive];
        const std::string_view names = d.search->FoldedNames();
        Ranked r;
        if (!uses_.empty()) r.weight = uses_.Weight(NameAt(names, pos), d.letter, *d.rows, row);
        r.kind = static_cast<uint8_t>(kind + (r.weight > 0 ? 1 : 0));
        Finish(r, drive, row);
    }

    void Finish(Ranked& r, uint32_t drive, size_t row) {
        const RowStore& rows = *drives_[drive].rows;
        r.depth = static_cast<uint32_t>(rows.Depth(row));
        if (!best_.MayTake(r)) return;
        r.length = static_cast<uint32_t>(2 + rows.PathLength(row));
        r.drive = drive;
        r.row = static_cast<uint32_t>(row);
        best_.Offer(r);
    }

    // One term: the names where it begins a word first, those that hold it
    // only inside a word after, and only while they may still come in.
    void RunOneTerm() {
        const std::string& term = terms_[0];
        for (uint32_t d = 0; d < drives_.size(); ++d) {
            if (!Searchable(drives_[d])) continue;
            const std::string_view names = drives_[d].search->FoldedNames();
            size_t last = SIZE_MAX;
            const bool done = ScanTerm(names, term, true, cancelled_, [&](size_t row, size_t pos) {
                // The first place in a name is its best: a name's start comes first.
                if (row == last) return true;
                last = row;
                uint8_t kind = kWordStart;
                if (names[pos - 1] == kSeparator)
                    kind = names[pos + term.size()] == kSeparator ? kWhole : kPrefix;
                Consider(d, row, pos, kind);
                return true;
            });
            if (!done) return;
        }
        if (best_.Full() && !best_.Wants(kInside)) return;
        for (uint32_t d = 0; d < drives_.size(); ++d) {
            if (!Searchable(drives_[d])) continue;
            const std::string_view names = drives_[d].search->FoldedNames();
            size_t last = SIZE_MAX;
            const bool done = ScanTerm(names, term, false, cancelled_, [&](size_t row, size_t pos) {
                if (row == last) return true;
                last = row;
                // A name where the term also begins a word was judged above.
                if (best_.Wants(kInside) && !HasWordStart(NameAt(names, pos), term))
                    Consider(d, row, pos, kInside);
                return best_.Wants(kInside);
            });
            if (!done) return;
        }
    }

    // Several terms: the names that hold the last one, whose path holds each
    // of the others somewhere, are judged from their whole path.
    void RunTerms() {
        const std::string& lastTerm = terms_.back();
        std::vector<std::vector<uint64_t>> holds(terms_.size() - 1);
        std::vector<uint32_t> chain;
        std::vector<std::string_view> pathNames;
        for (uint32_t d = 0; d < drives_.size(); ++d) {
            const JumpDrive& drive = drives_[d];
            if (!Searchable(drive)) continue;
            const RowStore& rows = *drive.rows;
            const SearchIndex& search = *drive.search;
            const std::string_view names = search.FoldedNames();
            for (size_t j = 0; j + 1 < terms_.size(); ++j) {
                holds[j].assign(rows.size() / 64 + 1, 0);
                const bool done = ScanTerm(names, terms_[j], false, cancelled_, [&](size_t row, size_t) {
                    holds[j][row / 64] |= uint64_t{1} << (row % 64);
                    return true;
                });
                if (!done) return;
            }
            size_t last = SIZE_MAX;
            const bool done = ScanTerm(names, lastTerm, false, cancelled_, [&](size_t row, size_t pos) {
                if (row == last) return true;
                last = row;
                chain.clear();
                for (uint32_t r = static_cast<uint32_t>(row); r != RowStore::kNoParent; r = rows.Parent(r))
                    chain.push_back(r);
                for (const std::vector<uint64_t>& bits : holds) {
                    bool somewhere = false;
                    for (uint32_t r : chain) somewhere = somewhere || (bits[r / 64] >> (r % 64) & 1);
                    if (!somewhere) return true;
                }
                pathNames.clear();
                for (auto r = chain.rbegin(); r != chain.rend(); ++r)
                    pathNames.push_back(search.FoldedName(*r));
                Match match;
                if (!Judge(terms_, pathNames, match) || !best_.Wants(match.kind)) return true;
                Ranked ranked;
                if (!uses_.empty()) ranked.weight = uses_.Weight(NameAt(names, pos), drive.letter, rows, row);
                ranked.kind = static_cast<uint8_t>(match.kind + (ranked.weight > 0 ? 1 : 0));
                ranked.misses = match.misses;
                Finish(ranked, d, row);
                return true;
            });
            if (!done) return;
        }
    }

    const std::vector<std::string>& terms_;
    const std::vector<JumpDrive>& drives_;
    UseTable& uses_;
    Best best_;
    const std::atomic<bool>* cancelled_;
};

}  // namespace

}  // namespace jump

std::vector<JumpHit> RankDirectories(const JumpText& text, const std::vector<JumpDrive>& drives,
                                     const std::vector<JumpUse>& uses, size_t limit,
                                     const std::atomic<bool>* cancelled) {
    std::vector<JumpHit> hits;
    if (text.empty() || limit == 0) return hits;
    static const AsciiCaseFolder ascii;
    jump::UseTable table(uses, text.folder ? *text.folder : ascii);
    jump::Ranking ranking(text, drives, table, limit, cancelled);
    for (const jump::Ranked& r : ranking.Run()) hits.push_back(JumpHit{drives[r.drive].letter, r.row});
    return hits;
}

}  // namespace tarvolo
