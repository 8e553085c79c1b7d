#include "index/QuickJump.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "index/ByteScan.h"
#include "index/JumpRules.h"

// Kept out of its one caller: inlined there, the several-term search made the
// compiler lay out the one-term loops beside it a tenth slower.
#if defined(__GNUC__)
#define TARVOLO_OUT_OF_LINE __attribute__((noinline))
#else
#define TARVOLO_OUT_OF_LINE __declspec(noinline)
#endif

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
    text.open = !text.terms.empty() && (typed.back() == ' ' || typed.back() == '\\');
    return text;
}

size_t JumpMemo::MemoryBytes() const {
    size_t bytes = term.capacity() + last.capacity() + drives.capacity() * sizeof(Drive) +
                   spanDrives.capacity() * sizeof(Drive);
    for (const std::string& e : earlier) bytes += sizeof(std::string) + e.capacity();
    for (const std::vector<Drive>* list : {&drives, &spanDrives})
        for (const Drive& d : *list)
            bytes += d.places.capacity() * sizeof(Place) + d.spans.capacity() * sizeof(Span);
    return bytes;
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
    if (!JudgeKind(terms, names, match)) return false;
    match.misses = CountMisses(terms, names);
    return true;
}

uint8_t CountMisses(const std::vector<std::string>& terms, const std::vector<std::string_view>& names) {
    return static_cast<uint8_t>(terms.size() > 1 ? EarlierMisses(terms, names) : 0);
}

bool JudgeKind(const std::vector<std::string>& terms, const std::vector<std::string_view>& names,
               Match& match) {
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

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

#ifdef TARVOLO_SSE2
__m128i InRange(__m128i v, char low, char high) {
    return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(low - 1))),
                         _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(high + 1))));
}

// Bytes after which a word may begin: ASCII, neither a digit nor a capital.
// Folded names hold few small letters; the byte is looked at again for them.
__m128i BoundaryBytes(__m128i v) {
    const __m128i ascii = _mm_cmpgt_epi8(v, _mm_set1_epi8(-1));
    return _mm_andnot_si128(_mm_or_si128(InRange(v, 'A', 'Z'), InRange(v, '0', '9')), ascii);
}
#endif

// The rows of places met in order along a search's folded names: the
// separators between two places are counted, or, past a long stretch, the
// search's table of separator places is asked.
class RowCounter {
public:
    // Past `far` bytes from the last place the table is asked instead.
    explicit RowCounter(const SearchIndex& search, size_t far = 2048)
        : search_(search), names_(search.FoldedNames()), far_(far) {}

    // Byte `pos` is the first of row `row`'s name.
    void At(size_t pos, size_t row) {
        counted_ = pos;
        seps_ = row + 1;
    }

    size_t RowOf(size_t pos) {
        if (pos - counted_ > far_) {
            const size_t row = search_.RowAt(pos);
            counted_ = pos;
            seps_ = row + 1;
            return row;
        }
        const char* p = names_.data() + counted_;
        const char* const end = names_.data() + pos;
#ifdef TARVOLO_SSE2
        // Each separator subtracts -1 from its byte's count; the counts are
        // added up before any of them could pass 255.
        const __m128i sep = _mm_set1_epi8(kSeparator), zero = _mm_setzero_si128();
        while (end - p >= 16) {
            __m128i counts = zero;
            for (int k = 0; k < 255 && end - p >= 16; ++k, p += 16)
                counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(Load16(p), sep));
            const __m128i sums = _mm_sad_epu8(counts, zero);
            seps_ += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
                     static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        }
        // Places met close together leave a few bytes each: one block, its
        // bytes past `pos` masked off, while the names go on that far.
        if (p < end && names_.data() + names_.size() - p >= 16) {
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(p), sep))) &
                                  ((1u << (end - p)) - 1);
            seps_ += CountBits(mask);
            p = end;
        }
#endif
        for (; p < end; ++p) seps_ += *p == kSeparator;
        counted_ = pos;
        return seps_ - 1;
    }

private:
    const SearchIndex& search_;
    std::string_view names_;
    size_t far_;
    size_t counted_ = 0;  // the separators in front of this place
    size_t seps_ = 0;     // are this many
};

// Where in a name a place may stand to be of use, by the byte before it.
enum class Before { anything, wordStart, nameStart };

// Calls hit(pos) for each place `pos` in `names` (a SearchIndex's folded
// names) where `term` stands, in order, as long as the byte before it is what
// `before` asks for; hit may ask for more at any time, never for less. Sixteen
// places at a time. hit returns false to stop; so does a cancelled search, and
// then ScanTerm returns false.
template <class F>
bool ScanTerm(std::string_view names, std::string_view term, const Before& before,
              const std::atomic<bool>* cancelled, F&& hit) {
    const char* base = names.data();
    const size_t n = names.size();
    const size_t len = term.size();
    if (n < 2 || len == 0) return true;
    const char t0 = term[0], t1 = len > 1 ? term[1] : '\0';
    const auto rest = [&](size_t p) {
        if (n - p < len) return false;
        for (size_t k = 2; k < len; ++k)
            if (base[p + k] != term[k]) return false;
        return true;
    };
    const auto wanted = [&](size_t p) {
        switch (before) {
            case Before::nameStart:
                return base[p - 1] == kSeparator;
            case Before::wordStart:
                return Boundary(static_cast<unsigned char>(base[p - 1]));
            case Before::anything:
                break;
        }
        return true;
    };
    size_t at = 1;  // names[0] is the separator in front of row 0
#ifdef TARVOLO_SSE2
    const __m128i vsep = _mm_set1_epi8(kSeparator), v0 = _mm_set1_epi8(t0), v1 = _mm_set1_epi8(t1);
    // A block reads from at - 1 to at + 16.
    for (; at + 17 <= n; at += 16) {
        if ((at & 0xFFFF) < 16 && cancelled && cancelled->load(std::memory_order_relaxed)) return false;
        unsigned mask = PairMask(base + at, v0, v1, len == 1);
        if (mask && before == Before::nameStart)
            mask &= static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(base + at - 1), vsep)));
        else if (mask && before == Before::wordStart)
            mask &= static_cast<unsigned>(_mm_movemask_epi8(BoundaryBytes(Load16(base + at - 1))));
        for (; mask; mask &= mask - 1) {
            const size_t p = at + LowestBit(mask);
            if (rest(p) && wanted(p) && !hit(p)) return false;
        }
    }
#endif
    for (; at < n; ++at) {
        if (base[at] != t0 || (len > 1 && (at + 1 >= n || base[at + 1] != t1))) continue;
        if (rest(at) && wanted(at) && !hit(at)) return false;
    }
    return true;
}

// Calls hit(pos) for each place `pos` from `begin` to before `end` in `names`
// (a SearchIndex's folded names) where `term` stands, in order, as ScanTerm
// does; hit returns where to go on from, past `pos`: `end` or further stops.
// False when cancelled.
template <class F>
bool ScanRange(std::string_view names, size_t begin, size_t end, std::string_view term, const Before& before,
               const std::atomic<bool>* cancelled, F&& hit) {
    const char* base = names.data();
    const size_t n = names.size();
    const size_t len = term.size();
    if (len == 0 || begin == 0) return true;
    const char t0 = term[0], t1 = len > 1 ? term[1] : '\0';
    const auto match = [&](size_t p) {
        if (n - p < len || base[p] != t0) return false;
        for (size_t k = 1; k < len; ++k)
            if (base[p + k] != term[k]) return false;
        switch (before) {
            case Before::nameStart:
                return base[p - 1] == kSeparator;
            case Before::wordStart:
                return Boundary(static_cast<unsigned char>(base[p - 1]));
            case Before::anything:
                break;
        }
        return true;
    };
    size_t at = begin, checked = begin;
#ifdef TARVOLO_SSE2
    const __m128i vsep = _mm_set1_epi8(kSeparator), v0 = _mm_set1_epi8(t0), v1 = _mm_set1_epi8(t1);
    // A block reads from at - 1 to at + 16.
    while (at < end && at + 17 <= n) {
        if (at - checked >= 0x10000) {
            checked = at;
            if (cancelled && cancelled->load(std::memory_order_relaxed)) return false;
        }
        unsigned mask = PairMask(base + at, v0, v1, len == 1);
        // The last block's places from `end` on are left out.
        if (end - at < 16) mask &= (1u << (end - at)) - 1;
        if (mask && before == Before::nameStart)
            mask &= static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(base + at - 1), vsep)));
        else if (mask && before == Before::wordStart)
            mask &= static_cast<unsigned>(_mm_movemask_epi8(BoundaryBytes(Load16(base + at - 1))));
        size_t next = at + 16;
        for (; mask; mask &= mask - 1) {
            const size_t p = at + LowestBit(mask);
            if (!match(p)) continue;
            const size_t resume = hit(p);
            if (resume > p + 1) {
                next = resume;
                break;
            }
        }
        at = next;
    }
#endif
    while (at < end) {
        if (at - checked >= 0x10000) {
            checked = at;
            if (cancelled && cancelled->load(std::memory_order_relaxed)) return false;
        }
        at = match(at) ? std::max(hit(at), at + 1) : at + 1;
    }
    return !(cancelled && cancelled->load(std::memory_order_relaxed));
}

// Where `term` first stands in `names` from `from` on, ending by `to`; npos for nowhere.
// The rest of one name is a few bytes: they are compared as they stand.
size_t Find(std::string_view names, size_t from, size_t to, std::string_view term) {
    const size_t len = term.size();
    for (size_t p = from; p + len <= to; ++p)
        if (names[p] == term[0] && std::memcmp(names.data() + p + 1, term.data() + 1, len - 1) == 0) return p;
    return std::string_view::npos;
}

// The folded name that holds byte `pos` of `names`.
std::string_view NameAt(std::string_view names, size_t pos) {
    const size_t begin = names.rfind(kSeparator, pos) + 1;
    return names.substr(begin, names.find(kSeparator, pos) - begin);
}

// How the name holds the term that stands at byte `pos` of `names`, as far as
// the byte before it tells: a name's start counts as a whole name.
uint8_t PlaceKind(std::string_view names, size_t pos) {
    const unsigned char before = static_cast<unsigned char>(names[pos - 1]);
    return before == kSeparator ? kWhole : Boundary(before) ? kWordStart : kInside;
}

// How a name holds one term at best.
uint8_t KindIn(std::string_view name, std::string_view term) {
    size_t pos = name.find(term);
    if (pos == 0) return name.size() == term.size() ? kWhole : kPrefix;
    for (; pos != std::string_view::npos; pos = name.find(term, pos + 1))
        if (WordStartAt(name, pos)) return kWordStart;
    return kInside;
}

uint64_t NameHash(std::string_view name) {
    uint64_t h = 14695981039346656037ull;
    for (char c : name) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

// The uses by their folded paths. A place where the term stands is told apart
// from every used directory's name first by the bytes on either side of the
// term, then by the whole name, and only then is the path put together.
class UseTable {
public:
    UseTable(const std::vector<JumpUse>& uses, const std::string& term, const CaseFolder& folder)
        : folder_(folder), length_(term.size()) {
        for (const JumpUse& use : uses) {
            if (!(use.weight > 0)) continue;
            std::string key = FoldText(use.path, folder);
            const size_t slash = key.rfind(kSeparator);
            // In the key, the name stands between separators, as in a search's names.
            const std::string name = "\\" + key.substr(slash == std::string::npos ? 0 : slash + 1) + "\\";
            if (name.size() == 2 || name.find(term) == std::string::npos) continue;
            for (size_t pos = name.find(term); pos != std::string::npos; pos = name.find(term, pos + 1))
                marks_.set(Sides(name, pos));
            const std::string_view inner = std::string_view(name).substr(1, name.size() - 2);
            kinds_[KindIn(inner, term)] = true;
            const uint64_t hash = NameHash(inner);
            names_.push_back(hash);
            // A name shared by many directories ("src", "node_modules") is told
            // apart by its parent's name before the path is put together: a
            // parent named in ASCII is folded as plain ASCII there, which is what
            // any folding makes of ASCII. A folding that made separators of
            // other letters would move the parent's name, so it is not asked.
            if (std::count(key.begin(), key.end(), kSeparator) !=
                std::count(use.path.begin(), use.path.end(), kSeparator)) {
                anyParent_.push_back(hash);
            } else {
                const std::string_view above =
                    std::string_view(key).substr(0, slash == std::string::npos ? 0 : slash);
                const size_t cut = above.rfind(kSeparator);
                // "C:\X": the root above, whose name is empty.
                pairs_.push_back(
                    Pair(hash, NameHash(cut == std::string_view::npos ? "" : above.substr(cut + 1))));
            }
            weights_[std::move(key)] += use.weight;
        }
        std::sort(names_.begin(), names_.end());
        std::sort(pairs_.begin(), pairs_.end());
        std::sort(anyParent_.begin(), anyParent_.end());
    }
    // Whether the place `pos` of `names`, where the term stands, may be in a
    // used directory's name; `hash` gets that name's hash when it may.
    bool MayBeUsed(std::string_view names, size_t pos, uint64_t& hash) const {
        if (names_.empty() || !marks_.test(Sides(names, pos))) return false;
        size_t begin = pos, end = pos + 1;
        while (names[begin - 1] != kSeparator) --begin;
        while (names[end] != kSeparator) ++end;
        hash = NameHash(names.substr(begin, end - begin));
        return std::binary_search(names_.begin(), names_.end(), hash);
    }
    // Whether a used name holds the term at best this way.
    bool UsedAs(uint8_t kind) const { return kinds_[kind]; }
    // The weight of row `row` of `drive`, whose folded name has the hash `hash`.
    double Weight(char letter, const RowStore& rows, size_t row, uint64_t hash) {
        if (rows.NameBelowParent(row) && !std::binary_search(anyParent_.begin(), anyParent_.end(), hash)) {
            const std::string_view above = rows.Name(rows.Parent(row));
            if (std::all_of(above.begin(), above.end(), [](char c) { return !(c & 0x80); })) {
                uint64_t h = 14695981039346656037ull;
                for (char c : above) h = (h ^ static_cast<unsigned char>(AsciiUpper(c))) * 1099511628211ull;
                if (!std::binary_search(pairs_.begin(), pairs_.end(), Pair(hash, h))) return 0;
            }
        }
        path_.clear();
        path_ += letter;
        path_ += ':';
        rows.AppendPath(row, path_);
        const auto found = weights_.find(FoldText(path_, folder_));
        return found == weights_.end() ? 0 : found->second;
    }

private:
    // The byte before the term and the two after it, within the name.
    size_t Sides(std::string_view names, size_t pos) const {
        const unsigned char before = static_cast<unsigned char>(names[pos - 1]);
        const unsigned char after = static_cast<unsigned char>(names[pos + length_]);
        const unsigned char next =
            after == kSeparator ? after : static_cast<unsigned char>(names[pos + length_ + 1]);
        return ((before * 31u + after) * 131u + next) % kMarks;
    }
    static constexpr size_t kMarks = 1 << 16;
    static uint64_t Pair(uint64_t name, uint64_t parent) { return name ^ (parent * 0x9E3779B97F4A7C15ull); }

    const CaseFolder& folder_;
    size_t length_;
    std::unordered_map<std::string, double> weights_;
    std::vector<uint64_t> names_;      // hashes of the used names that hold the term
    std::vector<uint64_t> pairs_;      // the same, each with its parent's name
    std::vector<uint64_t> anyParent_;  // the names whose parent is not told apart
    bool kinds_[kWhole + 1] = {};
    std::bitset<kMarks> marks_;
    std::string path_;
};

// The best `limit` so far, the worst on top of a heap.
class Best {
public:
    explicit Best(size_t limit) : limit_(limit) { heap_.reserve(limit); }
    bool Full() const { return heap_.size() >= limit_; }
    const Ranked& Worst() const { return heap_.front(); }
    // The least step of match, before the lift of use, that may still come in.
    uint8_t LeastKind() const {
        return Full() && Worst().kind > 0 ? static_cast<uint8_t>(Worst().kind - 1) : 0;
    }
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

// What the byte before a place must be for the place to come in now: one
// step of match below the list's worst comes in only lifted by use, and then
// only when some used name holds the term that way.
Before BeforeFor(const Best& best, const UseTable& uses) {
    if (!best.Full()) return Before::anything;
    switch (best.Worst().kind) {
        case kInside:
            return Before::anything;
        case kWordStart:
            return uses.UsedAs(kInside) ? Before::anything : Before::wordStart;
        case kPrefix:
            return uses.UsedAs(kWordStart) ? Before::wordStart : Before::nameStart;
        default:
            return Before::nameStart;
    }
}

class Ranking {
public:
    Ranking(const JumpText& text, const std::vector<JumpDrive>& drives, const std::vector<JumpUse>& uses,
            const CaseFolder& folder, size_t limit, const std::atomic<bool>* cancelled, JumpMemo* memo)
        : terms_(text.terms),
          drives_(drives),
          uses_(uses, text.terms.back(), folder),
          folder_(folder),
          limit_(limit),
          best_(limit),
          cancelled_(cancelled),
          memo_(memo),
          open_(text.open) {}

    std::vector<Ranked> Run(JumpScan how, const std::vector<JumpUse>& uses) {
        keep_.clear();
        keeping_ = false;
        if (terms_.size() > 1) {
            if (how == JumpScan::fastest) {
                RunSpans();
                if (open_) KeepSpansForNext();
                return best_.Sorted();
            }
            holds_.resize(terms_.size() - 1);
            RunTerms();
        } else if (how == JumpScan::fastest && EveryDriveHasStarts() && UsedPlaces(uses)) {
            if (MemoHolds())
                RunOneTermFromMemo();
            else
                RunOneTermByStarts();
            for (const UsedPlace& place : used_) {
                if (best_.Full() && !Better(place.rank, best_.Worst())) break;
                if (Cancelled()) break;
                FindUsed(place);
            }
        } else {
            RunOneTerm();
        }
        if (memo_) {
            const bool kept = keeping_ && !Cancelled();
            memo_->term.clear();
            memo_->drives.clear();
            if (kept) {
                memo_->term = terms_[0];
                for (uint32_t d = 0; d < drives_.size(); ++d)
                    memo_->drives.push_back(JumpMemo::Drive{drives_[d].rows,
                                                            drives_[d].search,
                                                            drives_[d].search ? drives_[d].search->size() : 0,
                                                            std::move(keep_[d]),
                                                            {}});
            }
        }
        if (open_ && how == JumpScan::fastest) KeepSpansForNext();
        return best_.Sorted();
    }

private:
    bool Searchable(const JumpDrive& d) const {
        return d.rows && d.search && d.search->size() == d.rows->size() && !d.rows->empty();
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

    // One term, one pass a drive: a place that cannot come in, even lifted by
    // use, costs a glance at the byte before it; once the list holds better,
    // the scan itself passes such places by.
    void RunOneTerm() {
        const std::string& term = terms_[0];
        Before before = Before::anything;
        for (uint32_t d = 0; d < drives_.size(); ++d) {
            const JumpDrive& drive = drives_[d];
            if (!Searchable(drive)) continue;
            const std::string_view names = drive.search->FoldedNames();
            RowCounter rows(*drive.search);
            size_t last = SIZE_MAX;
            const bool done = ScanTerm(names, term, before, cancelled_, [&](size_t pos) {
                const char b = names[pos - 1];
                const uint8_t kind = b == kSeparator
                                         ? (names[pos + term.size()] == kSeparator ? kWhole : kPrefix)
                                     : Boundary(static_cast<unsigned char>(b)) ? kWordStart
                                                                               : kInside;
                const uint8_t least = best_.LeastKind();
                if (kind < least) return true;
                // Only a use could lift it far enough.
                uint64_t hash = 0;
                const bool mayBeUsed = uses_.MayBeUsed(names, pos, hash);
                if (best_.Full() && kind < Worst() && !mayBeUsed) return true;
                const size_t row = rows.RowOf(pos);
                if (row == last) return true;
                last = row;
                // The first place of a row met is its best, but for one inside a
                // word: a word may begin with the term further on.
                const uint8_t best = kind == kInside ? KindIn(NameAt(names, pos), term) : kind;
                if (!MayComeIn(best, 0, mayBeUsed, *drive.rows, row)) return true;
                Ranked r;
                if (mayBeUsed) r.weight = uses_.Weight(drive.letter, *drive.rows, row, hash);
                r.kind = static_cast<uint8_t>(best + (r.weight > 0 ? 1 : 0));
                Finish(r, d, row);
                before = BeforeFor(best_, uses_);
                return true;
            });
            if (!done) return;
        }
    }

    uint8_t Worst() const { return best_.Worst().kind; }

    bool EveryDriveHasStarts() const {
        for (const JumpDrive& d : drives_)
            if (Searchable(d) && !d.search->HasNameStarts()) return false;
        return true;
    }

    // A used directory whose name holds the term, as far as its path tells:
    // the row it names is looked for only when it may come in.
    struct UsedPlace {
        Ranked rank;  // its length and row not known yet
        std::string key;
        size_t nameAt = 0;  // where its name begins in key
    };

    // The used directories whose names hold the term, best first; false when a
    // path's folding moved its separators, and so its depth is not known.
    bool UsedPlaces(const std::vector<JumpUse>& uses) {
        const std::string& term = terms_.back();
        std::unordered_map<std::string, size_t> byKey;
        for (const JumpUse& use : uses) {
            if (!(use.weight > 0) || use.path.size() < 3 || use.path[1] != ':') continue;
            std::string key = FoldText(use.path, folder_);
            const long depth = std::count(key.begin(), key.end(), kSeparator);
            if (depth != std::count(use.path.begin(), use.path.end(), kSeparator)) return false;
            const auto known = byKey.find(key);
            if (known != byKey.end()) {
                used_[known->second].rank.weight += use.weight;
                continue;
            }
            const size_t nameAt = key.rfind(kSeparator) + 1;
            const std::string_view name = std::string_view(key).substr(nameAt);
            if (name.find(term) == std::string_view::npos) continue;
            uint32_t drive = 0;
            while (drive < drives_.size() &&
                   !(Searchable(drives_[drive]) && AsciiUpper(drives_[drive].letter) == key[0]))
                ++drive;
            if (drive == drives_.size()) continue;
            UsedPlace place;
            place.rank.kind = static_cast<uint8_t>(KindAtMost(name) + 1);
            place.rank.weight = use.weight;
            place.rank.depth = static_cast<uint32_t>(depth);
            place.rank.drive = drive;
            place.nameAt = nameAt;
            byKey.emplace(key, used_.size());
            place.key = std::move(key);
            used_.push_back(std::move(place));
        }
        std::sort(used_.begin(), used_.end(),
                  [](const UsedPlace& a, const UsedPlace& b) { return Better(a.rank, b.rank); });
        return true;
    }

    // One term through the drives' name starts. The rows not used come first:
    // the names that begin with the term, each drive's best first, until a
    // drive gave as many as are asked for (the rest of its names could only
    // be whole ones). A drive where many names begin as the term does but few
    // go on as it does is scanned instead, which costs the same for any term.
    // When the names beginning with the term were too few, a scan for it at a
    // word's beginning or inside one follows. The used directories come last
    // (Run), each looked up only while it could still come in.
    void RunOneTermByStarts() {
        const std::string& term = terms_[0];
        const size_t n = term.size();
        StartKeeping();
        std::vector<Scan> scans(drives_.size(), Scan::none);
        std::vector<std::vector<size_t>> walked(drives_.size());
        for (uint32_t d = 0; d < drives_.size(); ++d) {
            const JumpDrive& drive = drives_[d];
            if (!Searchable(drive)) continue;
            const SearchIndex& search = *drive.search;
            const std::string_view names = search.FoldedNames();
            const SearchIndex::NameStarts starts = search.StartsWith(static_cast<unsigned char>(term[0]));
            size_t prefixes = 0, wholes = 0, compared = 0;
            for (size_t k = 0; k < starts.count; ++k) {
                if ((k & 0xFFF) == 0 && Cancelled()) return;
#if defined(__GNUC__)
                // The names lie all over the buffer: their bytes are asked for well before they are compared.
                if (k + 16 < starts.count) __builtin_prefetch(names.data() + starts.places[k + 16]);
#endif
                const size_t length = starts.lengths[k];
                if (length < std::min<size_t>(n, 0xFF) ||
                    (prefixes >= limit_ && length != n && length != 0xFF))
                    continue;
                if (prefixes < limit_ && ++compared > kWalkAtMost) {
                    scans[d] = Scan::everyPlace;
                    break;
                }
                const size_t pos = starts.places[k];
                if (pos + n >= names.size() ||
                    std::memcmp(names.data() + pos + 1, term.data() + 1, n - 1) != 0)
                    continue;
                const bool whole = names[pos + n] == kSeparator;
                if (!whole && prefixes >= limit_) continue;
                const size_t row = search.RowAt(pos);
                walked[d].push_back(row);
                Keep(d, row, pos);
                if (!OfferUnused(d, pos, row, whole ? kWhole : kPrefix)) continue;
                // The rest of this drive's names are not all looked at: none are kept.
                if (!whole && ++prefixes >= limit_) keeping_ = false;
                // Whole names as many as asked for: none further can come in.
                if (whole && ++wholes >= limit_) {
                    keeping_ = false;
                    break;
                }
            }
        }
        const bool below = !best_.Full() || Worst() < kPrefix;
        for (uint32_t d = 0; d < drives_.size(); ++d) {
            if (!Searchable(drives_[d])) continue;
            if (scans[d] == Scan::none && below) scans[d] = Scan::belowNameStart;
            // Names not beginning with the term that were not looked at.
            if (scans[d] == Scan::none) keeping_ = false;
        }
        for (uint32_t d = 0; d < drives_.size(); ++d) {
            if (scans[d] == Scan::none) continue;
            std::sort(walked[d].begin(), walked[d].end());
            if (!ScanDrive(d, scans[d], walked[d])) return;
        }
    }

    // Names compared on one drive before it is scanned instead: a scan takes
    // about as long as comparing this many names that lie all over the buffer.
    static constexpr size_t kWalkAtMost = 1 << 13;
    enum class Scan { none, belowNameStart, everyPlace };

    // A row that holds the term this way at best, its place at `pos`, unless
    // it was used (Run looks up those); false then.
    bool OfferUnused(uint32_t d, size_t pos, size_t row, uint8_t kind) {
        const JumpDrive& drive = drives_[d];
        uint64_t hash = 0;
        if (uses_.MayBeUsed(drive.search->FoldedNames(), pos, hash) &&
            uses_.Weight(drive.letter, *drive.rows, row, hash) > 0)
            return false;
        if (!MayComeIn(kind, 0, false, *drive.rows, row)) return true;
        Ranked r;
        r.kind = kind;
        Finish(r, d, row);
        return true;
    }

    // What the byte before a place must be for a row not used to come in.
    Before BeforeUnused() const {
        if (keeping_ || !best_.Full()) return Before::anything;  // kept rows are every row holding the term
        return Worst() >= kPrefix      ? Before::nameStart
               : Worst() == kWordStart ? Before::wordStart
                                       : Before::anything;
    }

    // The places of the term on drive `d`: every one, or those not at a name's
    // beginning in names that do not begin with it; the rows in `walked`
    // (sorted) were met among the name starts. False when cancelled.
    bool ScanDrive(uint32_t d, Scan scan, const std::vector<size_t>& walked) {
        const std::string& term = terms_[0];
        const JumpDrive& drive = drives_[d];
        const std::string_view names = drive.search->FoldedNames();
        RowCounter rows(*drive.search);
        size_t last = SIZE_MAX;
        Before before = BeforeUnused();
        return ScanTerm(names, term, before, cancelled_, [&](size_t pos) {
            const unsigned char b = static_cast<unsigned char>(names[pos - 1]);
            if (b == kSeparator && scan != Scan::everyPlace) return true;
            const uint8_t kind = b == kSeparator ? (names[pos + term.size()] == kSeparator ? kWhole : kPrefix)
                                 : Boundary(b)   ? kWordStart
                                                 : kInside;
            if (!keeping_ && best_.Full() && kind < Worst()) return true;
            const size_t row = rows.RowOf(pos);
            if (row == last) return true;
            last = row;
            const std::string_view name = NameAt(names, pos);
            // A name that begins with the term was met among the name starts.
            if (std::binary_search(walked.begin(), walked.end(), row) ||
                (scan != Scan::everyPlace && name.substr(0, term.size()) == term))
                return true;
            Keep(d, row, static_cast<size_t>(name.data() - names.data()));
            OfferUnused(d, pos, row, kind == kInside ? KindIn(name, term) : kind);
            before = BeforeUnused();
            return true;
        });
    }

    bool Cancelled() const {
        return cancelled_ && cancelled_->load(std::memory_order_relaxed);
    }

    // Whether the memo holds every row of these drives that the term can match.
    bool MemoHolds() const {
        if (!memo_ || memo_->term.empty() || terms_[0].compare(0, memo_->term.size(), memo_->term) != 0 ||
            memo_->drives.size() != drives_.size())
            return false;
        for (size_t d = 0; d < drives_.size(); ++d) {
            const JumpMemo::Drive& m = memo_->drives[d];
            if (m.rows != drives_[d].rows || m.search != drives_[d].search ||
                m.size != (drives_[d].search ? drives_[d].search->size() : 0))
                return false;
        }
        return true;
    }

    // The term among the rows the memo holds, and those that hold it kept for the next.
    void RunOneTermFromMemo() {
        const std::string& term = terms_[0];
        StartKeeping();
        for (uint32_t d = 0; d < drives_.size(); ++d) {
            const JumpDrive& drive = drives_[d];
            if (!Searchable(drive)) continue;
            const std::string_view names = drive.search->FoldedNames();
            const std::vector<JumpMemo::Place>& places = memo_->drives[d].places;
            for (size_t k = 0; k < places.size(); ++k) {
                if ((k & 0xFFF) == 0 && Cancelled()) return;
                const size_t begin = places[k].name;
                const std::string_view name = names.substr(begin, names.find(kSeparator, begin) - begin);
                const size_t at = name.find(term);
                if (at == std::string_view::npos) continue;
                keep_[d].push_back(places[k]);
                OfferUnused(d, begin + at, places[k].row, KindIn(name, term));
            }
        }
    }

    // Rows that hold the term are kept for the next keystroke while they are few.
    static constexpr size_t kKeepAtMost = JumpMemo::kPlacesAtMost;
    void StartKeeping() {
        keeping_ = memo_ != nullptr;
        keep_.assign(drives_.size(), {});
        kept_ = 0;
    }
    void Keep(uint32_t drive, size_t row, size_t name) {
        if (!keeping_) return;
        if (++kept_ > kKeepAtMost) {
            keeping_ = false;
            keep_.clear();
            return;
        }
        keep_[drive].push_back(JumpMemo::Place{static_cast<uint32_t>(row), static_cast<uint32_t>(name)});
    }

    // The rows whose folded path is the used place's, among the names that
    // begin as its own does at its depth: first those whose path is as long as
    // its own, which is every one when the path is ASCII (folding ASCII keeps
    // every length) and nearly always otherwise; then, for a path not in
    // ASCII that none of those was, every length.
    void FindUsed(const UsedPlace& place) {
        const JumpDrive& drive = drives_[place.rank.drive];
        const SearchIndex& search = *drive.search;
        const RowStore& rows = *drive.rows;
        const SearchIndex::NameStarts starts =
            search.StartsWith(static_cast<unsigned char>(place.key[place.nameAt]));
        // The order of the starts: depth, then the path's length.
        const auto at = [&](size_t k) {
            const size_t row = search.RowAt(starts.places[k]);
            return static_cast<uint64_t>(rows.Depth(row)) << 32 | (2 + rows.PathLength(row));
        };
        const uint64_t depth = static_cast<uint64_t>(place.rank.depth) << 32;
        // The first start whose key is at least `wanted`.
        const auto bound = [&](size_t from, uint64_t wanted) {
            size_t lo = from, hi = starts.count;
            while (lo < hi) {
                const size_t mid = lo + (hi - lo) / 2;
                if (at(mid) < wanted)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            return lo;
        };
        const size_t first = bound(0, depth | place.key.size());
        const size_t end = bound(first, depth | (place.key.size() + 1));
        if (FindUsedAmong(place, starts, first, end) ||
            std::all_of(place.key.begin(), place.key.end(), [](char c) { return !(c & 0x80); }))
            return;
        const size_t from = bound(0, depth), to = bound(from, depth + (uint64_t{1} << 32));
        FindUsedAmong(place, starts, from, first);
        FindUsedAmong(place, starts, end, to);
    }

    bool FindUsedAmong(const UsedPlace& place, const SearchIndex::NameStarts& starts, size_t first,
                       size_t end) {
        const JumpDrive& drive = drives_[place.rank.drive];
        const std::string_view names = drive.search->FoldedNames();
        const std::string_view name = std::string_view(place.key).substr(place.nameAt);
        const size_t length = std::min<size_t>(name.size(), 0xFF);
        bool found = false;
        for (size_t k = first; k < end; ++k) {
            if (starts.lengths[k] != length) continue;
            const size_t pos = starts.places[k];
            if (pos + name.size() >= names.size() || names[pos + name.size()] != kSeparator ||
                std::memcmp(names.data() + pos, name.data(), name.size()) != 0)
                continue;
            const size_t row = drive.search->RowAt(pos);
            if (FoldText(JumpPath(drive.letter, *drive.rows, row), folder_) != place.key) continue;
            found = true;
            Ranked r = place.rank;
            Finish(r, place.rank.drive, row);
        }
        return found;
    }

    // The most a folded own name that holds the last term can give its row's
    // kind, whatever the path above it: the term that takes the name's
    // beginning may be an earlier one, which makes a whole name when the last
    // term ends it.
    uint8_t KindAtMost(std::string_view name) const {
        const std::string& last = terms_.back();
        uint8_t most = KindIn(name, last);
        const bool toEnd =
            name.size() >= last.size() && name.compare(name.size() - last.size(), last.size(), last) == 0;
        for (size_t j = 0; j + 1 < terms_.size(); ++j) {
            const uint8_t kind = KindIn(name, terms_[j]);
            most = std::max(most, kind >= kPrefix ? uint8_t{toEnd ? kWhole : kPrefix} : kind);
        }
        return most;
    }

    // Whether a row of this kind and misses could come in at its depth, were
    // it used more than any other: a glance before its use or path is looked up.
    bool MayComeIn(uint8_t kind, uint8_t misses, bool mayBeUsed, const RowStore& rows, size_t row) const {
        if (!best_.Full()) return true;
        Ranked r;
        r.kind = static_cast<uint8_t>(kind + (mayBeUsed ? 1 : 0));
        r.misses = misses;
        r.weight = mayBeUsed ? HUGE_VAL : 0;
        r.depth = static_cast<uint32_t>(rows.Depth(row));
        return best_.MayTake(r);
    }

    // Several terms, scanned as they stand: the names that hold the last one,
    // whose path holds each of the others somewhere, are judged from their
    // whole path. What the earlier terms can give a row's kind is known from
    // where they stand in its own name before the row is judged.
    TARVOLO_OUT_OF_LINE void RunTerms() {
        const std::string& lastTerm = terms_.back();
        std::vector<uint8_t> bound;
        const Before anything = Before::anything;
        for (uint32_t d = 0; d < drives_.size(); ++d) {
            const JumpDrive& drive = drives_[d];
            if (!Searchable(drive)) continue;
            const RowStore& rows = *drive.rows;
            const SearchIndex& search = *drive.search;
            const std::string_view names = search.FoldedNames();
            bound.assign(rows.size(), kInside);
            for (size_t j = 0; j + 1 < terms_.size(); ++j) {
                holds_[j].assign(rows.size() / 64 + 1, 0);
                RowCounter counter(search);
                const bool done = ScanTerm(names, terms_[j], anything, cancelled_, [&](size_t pos) {
                    const size_t row = counter.RowOf(pos);
                    holds_[j][row / 64] |= uint64_t{1} << (row % 64);
                    bound[row] = std::max(bound[row], PlaceKind(names, pos));
                    return true;
                });
                if (!done) return;
            }
            RowCounter counter(search);
            size_t last = SIZE_MAX;
            const bool done = ScanTerm(names, lastTerm, anything, cancelled_, [&](size_t pos) {
                const size_t row = counter.RowOf(pos);
                if (row == last) return true;
                last = row;
                // The first place of the last term in a row is its best, but
                // for one inside a word: a word may begin with it further on.
                const uint8_t here = PlaceKind(names, pos);
                const uint8_t kind = std::max(bound[row], here);
                const uint8_t most = here == kInside && kind == kInside ? uint8_t{kWordStart} : kind;
                Consider(d, row, pos, kind, most);
                return true;
            });
            if (!done) return;
        }
    }

    // Several terms through the spans of the earlier ones (see JumpMemo): the
    // spans the memo keeps for them or for the first of them, the rest found
    // inside those; the last term is then looked for in the spans alone, or
    // among the rows kept for a last term it begins with. Every row that can
    // match lies in a span, and each is met once.
    TARVOLO_OUT_OF_LINE void RunSpans() {
        if (!TermsFit()) return;
        const size_t count = drives_.size();
        const size_t earlier = terms_.size() - 1;
        SpansFound spans;
        if (!FindEverySpan(earlier, spans)) return;
        const bool lastKnown = spans.known == earlier && !memo_->last.empty() &&
                               terms_.back().compare(0, memo_->last.size(), memo_->last) == 0;
        StartKeeping();
        // A last term of one letter stands in most names: to keep them would
        // cost each a look, and they would be too many to keep.
        if (terms_.back().size() < 2 && !lastKnown) keeping_ = false;
        for (uint32_t d = 0; d < count; ++d) {
            if (!spans.of[d]) continue;
            const bool done =
                lastKnown ? JudgeKept(d, memo_->spanDrives[d].places) : ScanSpans(d, *spans.of[d]);
            if (!done) return;
        }
        KeepSpans(earlier, spans);
    }

    // No name holds a separator: a term with one matches nothing.
    bool TermsFit() const {
        for (const std::string& term : terms_)
            if (term.find(kSeparator) != std::string::npos) return false;
        return true;
    }

    // A text that ends in a space is followed by another term: the spans of
    // every term so far are found while the person types the space, and the
    // next keystroke starts from them.
    void KeepSpansForNext() {
        if (!memo_ || Cancelled() || !TermsFit()) return;
        SpansFound spans;
        if (!FindEverySpan(terms_.size(), spans) || spans.known == terms_.size()) return;
        keeping_ = false;
        KeepSpans(terms_.size(), spans);
    }

    struct SpansFound {
        size_t known = 0;  // terms whose spans the memo held
        std::vector<std::vector<JumpMemo::Span>> found;
        std::vector<const std::vector<JumpMemo::Span>*> of;  // each drive's, null where none is searched
        size_t count = 0;
    };

    // The spans of the first `n` terms on every drive, from those the memo
    // keeps for them or for fewer where it can. False when cancelled.
    bool FindEverySpan(size_t n, SpansFound& spans) {
        const size_t count = drives_.size();
        if (memo_ && !memo_->earlier.empty() && memo_->earlier.size() <= n &&
            std::equal(memo_->earlier.begin(), memo_->earlier.end(), terms_.begin()) &&
            MemoFits(memo_->spanDrives))
            spans.known = memo_->earlier.size();
        spans.found.resize(count);
        spans.of.assign(count, nullptr);
        for (uint32_t d = 0; d < count; ++d) {
            if (!Searchable(drives_[d])) continue;
            const std::vector<JumpMemo::Span>* from = spans.known ? &memo_->spanDrives[d].spans : nullptr;
            std::vector<JumpMemo::Span> next;
            for (size_t j = spans.known; j < n; ++j) {
                next.clear();
                if (!FindSpans(d, from, terms_[j], next)) return false;
                spans.found[d].swap(next);
                from = &spans.found[d];
            }
            spans.of[d] = from;
            spans.count += from->size();
        }
        return true;
    }

    // Keeps the spans of the first `n` terms for the next keystroke and,
    // while keeping_, the rows of them that hold the last term.
    void KeepSpans(size_t n, SpansFound& spans) {
        if (!memo_ || Cancelled()) return;
        if (spans.count > JumpMemo::kSpansAtMost) {
            memo_->earlier.clear();
            memo_->last.clear();
            memo_->spanDrives.clear();
            return;
        }
        const size_t count = drives_.size();
        std::vector<JumpMemo::Drive> kept(count);
        for (uint32_t d = 0; d < count; ++d) {
            kept[d].rows = drives_[d].rows;
            kept[d].search = drives_[d].search;
            kept[d].size = drives_[d].search ? drives_[d].search->size() : 0;
            if (!spans.of[d]) continue;
            kept[d].spans = spans.of[d] == &spans.found[d] ? std::move(spans.found[d])
                                                           : std::move(memo_->spanDrives[d].spans);
            if (keeping_) kept[d].places = std::move(keep_[d]);
        }
        memo_->earlier.assign(terms_.begin(), terms_.begin() + static_cast<std::ptrdiff_t>(n));
        memo_->last = keeping_ ? terms_.back() : std::string();
        memo_->spanDrives = std::move(kept);
    }

    // Whether what the memo keeps for each drive was kept for these drives with these rows.
    bool MemoFits(const std::vector<JumpMemo::Drive>& kept) const {
        if (kept.size() != drives_.size()) return false;
        for (size_t d = 0; d < drives_.size(); ++d)
            if (kept[d].rows != drives_[d].rows || kept[d].search != drives_[d].search ||
                kept[d].size != (drives_[d].search ? drives_[d].search->size() : 0))
                return false;
        return true;
    }

    // Where row `row`'s separator stands in the folded names: the one after
    // the last name for row == size().
    static size_t SeparatorOf(const SearchIndex& search, size_t row) {
        const std::string_view names = search.FoldedNames();
        if (row >= search.size()) return names.size() - 1;
        // The search's table gives every 64th row's place at once; the
        // separators from there on are counted, sixteen bytes at a time.
        const size_t marked = row - row % SearchIndex::kMarkEvery;
        const size_t sep = static_cast<size_t>(search.FoldedName(marked).data() - names.data()) - 1;
        return marked == row ? sep : SeparatorAfter(search, sep + 1, marked, row);
    }

    // Row `row`'s folded name on drive `d`: the names of the rows above the
    // rows judged are asked for again and again, so the latest are kept.
    std::string_view NameOf(uint32_t d, size_t row) {
        NameSeen& seen = namesSeen_[row % kNamesSeen];
        const std::string_view names = drives_[d].search->FoldedNames();
        if (seen.drive != d || seen.row != row) {
            const size_t begin = SeparatorOf(*drives_[d].search, row) + 1;
            seen = NameSeen{d, static_cast<uint32_t>(row), static_cast<uint32_t>(begin),
                            static_cast<uint32_t>(names.find(kSeparator, begin) - begin)};
        }
        return names.substr(seen.begin, seen.length);
    }
    struct NameSeen {
        uint32_t drive = UINT32_MAX;
        uint32_t row = 0;
        uint32_t begin = 0;
        uint32_t length = 0;
    };
    static constexpr size_t kNamesSeen = 1024;
    std::vector<NameSeen> namesSeen_ = std::vector<NameSeen>(kNamesSeen);

    // The row after the subtree of `row`, which ends by `limit` at the latest:
    // the rows below a row follow it, each of a deeper level.
    size_t SubtreeEnd(const RowStore& rows, size_t row, size_t limit) const {
        const uint32_t level = rows.Level(row);
        size_t r = row + 1;
        for (; r < limit && rows.Level(r) > level; ++r)
            if ((r & 0xFFF) == 0 && Cancelled()) break;
        return r;
    }

    // The separator in front of row `after`, which follows row `row`, whose
    // name holds byte `pos`: the separators of a subtree of up to a few
    // hundred rows are counted, past them the search's table is asked.
    static size_t SeparatorAfter(const SearchIndex& search, size_t pos, size_t row, size_t after) {
        size_t left = after - row;  // separators to pass, the last one the answer
        if (left > 256) return SeparatorOf(search, after);
        const std::string_view names = search.FoldedNames();
        const char* base = names.data();
        size_t at = pos;
#ifdef TARVOLO_SSE2
        const __m128i sep = _mm_set1_epi8(kSeparator);
        for (; at + 16 <= names.size(); at += 16) {
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(base + at), sep)));
            const size_t here = CountBits(mask);
            if (here < left) {
                left -= here;
                continue;
            }
            for (; left > 1; --left) mask &= mask - 1;
            return at + LowestBit(mask);
        }
#endif
        for (;; ++at)
            if (base[at] == kSeparator && --left == 0) return at;
    }

    // The spans of one more term on drive `d`, inside `from` (every row when
    // null): a span's own name takes the term where it holds it after the
    // terms before, or else each outermost row below whose name holds the
    // term takes it there, with its subtree. False when cancelled.
    bool FindSpans(uint32_t d, const std::vector<JumpMemo::Span>* from, const std::string& term,
                   std::vector<JumpMemo::Span>& out) {
        const RowStore& rows = *drives_[d].rows;
        const SearchIndex& search = *drives_[d].search;
        const std::string_view names = search.FoldedNames();
        // Counting the separators is quicker than the table within 32 KB.
        RowCounter counter(search, 1 << 15);
        const Before anything = Before::anything;
        // The rows before row `end`, their names from byte `first` to the separator at `last`.
        const auto below = [&](size_t end, size_t first, size_t last) {
            return ScanRange(names, first, last, term, anything, cancelled_, [&](size_t pos) {
                const size_t row = counter.RowOf(pos);
                const size_t after = SubtreeEnd(rows, row, end);
                const size_t tail = names.find(kSeparator, pos);
                const size_t stop = after >= end       ? last
                                    : after == row + 1 ? tail
                                                       : SeparatorAfter(search, tail + 1, row + 1, after);
                out.push_back(JumpMemo::Span{static_cast<uint32_t>(row), static_cast<uint32_t>(after),
                                             static_cast<uint32_t>(pos + term.size()),
                                             static_cast<uint32_t>(tail), static_cast<uint32_t>(stop)});
                // The rows below it hold the term after it on their paths.
                if (after < end) counter.At(stop + 1, after);
                return stop + 1;
            });
        };
        if (!from) return below(rows.size(), 1, names.size() - 1);
        for (size_t k = 0; k < from->size(); ++k) {
            if ((k & 0xFFF) == 0 && Cancelled()) return false;
#if defined(__GNUC__)
            // The spans' names lie apart in the buffer: they are asked for well before they are read.
            if (k + 8 < from->size()) __builtin_prefetch(names.data() + (*from)[k + 8].from);
#endif
            const JumpMemo::Span& span = (*from)[k];
            const size_t at = Find(names, span.from, span.tail, term);
            if (at != std::string_view::npos) {
                JumpMemo::Span taken = span;
                taken.from = static_cast<uint32_t>(at + term.size());
                out.push_back(taken);
                continue;
            }
            if (span.end <= span.row + 1) continue;
            counter.At(span.tail + 1, span.row + 1);
            if (!below(span.end, span.tail + 1, span.stop)) return false;
        }
        return !Cancelled();
    }

    // What the byte before a place of the last term must be for its row to
    // come in, unless every row holding it is kept.
    Before BeforeInSpans() const {
        return keeping_ ? Before::anything : BeforeFor(best_, uses_);
    }

    // The last term in the spans of drive `d`: in each span's own name after
    // the earlier terms, and anywhere in the names below it. False when cancelled.
    bool ScanSpans(uint32_t d, const std::vector<JumpMemo::Span>& spans) {
        const std::string& lastTerm = terms_.back();
        const SearchIndex& search = *drives_[d].search;
        const std::string_view names = search.FoldedNames();
        RowCounter counter(search, 1 << 15);
        Before before = BeforeInSpans();
        const auto place = [&](size_t pos) {
            const size_t row = counter.RowOf(pos);
            const size_t next = names.find(kSeparator, pos);
            if (keeping_) Keep(d, row, names.rfind(kSeparator, pos) + 1);
            // The earlier terms lie above: the last term's places alone tell the kind.
            uint8_t here = PlaceKind(names, pos);
            if (here == kWhole && names[pos + lastTerm.size()] != kSeparator) here = kPrefix;
            Consider(d, row, pos, here, here == kInside ? uint8_t{kWordStart} : here);
            before = BeforeInSpans();
            // The row's first place that passed is its best: on to the next name.
            return next;
        };
        for (size_t k = 0; k < spans.size(); ++k) {
            if ((k & 0xFFF) == 0 && Cancelled()) return false;
#if defined(__GNUC__)
            if (k + 8 < spans.size()) __builtin_prefetch(names.data() + spans[k + 8].from);
#endif
            const JumpMemo::Span& span = spans[k];
            const size_t at = Find(names, span.from, span.tail, lastTerm);
            if (at != std::string_view::npos) {
                const size_t begin = names.rfind(kSeparator, span.from - 1) + 1;
                Keep(d, span.row, begin);
                const uint8_t most = KindAtMost(names.substr(begin, span.tail - begin));
                Consider(d, span.row, at, most, most);
                before = BeforeInSpans();
            }
            if (span.end <= span.row + 1) continue;
            counter.At(span.tail + 1, span.row + 1);
            if (!ScanRange(names, span.tail + 1, span.stop, lastTerm, before, cancelled_, place))
                return false;
        }
        return true;
    }

    // The rows of drive `d` that the memo kept for a last term this one begins with.
    bool JudgeKept(uint32_t d, const std::vector<JumpMemo::Place>& places) {
        const std::string& lastTerm = terms_.back();
        const std::string_view names = drives_[d].search->FoldedNames();
        for (size_t k = 0; k < places.size(); ++k) {
            if ((k & 0xFFF) == 0 && Cancelled()) return false;
            const size_t begin = places[k].name;
            const std::string_view name = names.substr(begin, names.find(kSeparator, begin) - begin);
            const size_t at = name.find(lastTerm);
            if (at == std::string_view::npos) continue;
            Keep(d, places[k].row, begin);
            const uint8_t most = KindAtMost(name);
            Consider(d, places[k].row, begin + at, most, most);
        }
        return true;
    }

    // Row `row` of drive `d`, whose own name holds the last term at `pos`:
    // `kind` is what its match's kind is at most, as far as its places tell,
    // and `most` what it may be at most once a word's start further on is
    // looked for. Judged from its whole path when it may come in (the earlier
    // terms' rows are in holds_ when it is not empty): true when it was offered.
    bool Consider(uint32_t d, size_t row, size_t pos, uint8_t kind, uint8_t most) {
        const JumpDrive& drive = drives_[d];
        const RowStore& rows = *drive.rows;
        const SearchIndex& search = *drive.search;
        const std::string_view names = search.FoldedNames();
        const std::string& lastTerm = terms_.back();
        uint64_t hash = 0;
        bool mayBeUsed = false;
        if (best_.Full() && most < Worst()) {
            // Only a use could lift it far enough.
            if (most + 1 < Worst() || !uses_.MayBeUsed(names, pos, hash)) return false;
            mayBeUsed = true;
        } else {
            mayBeUsed = uses_.MayBeUsed(names, pos, hash);
        }
        if (most != kind) kind = KindIn(NameAt(names, pos), lastTerm);
        if (!MayComeIn(kind, 0, mayBeUsed, rows, row)) return false;
        chain_.clear();
        for (uint32_t r = static_cast<uint32_t>(row); r != RowStore::kNoParent; r = rows.Parent(r))
            chain_.push_back(r);
        for (size_t j = 0; j < holds_.size(); ++j) {
            const std::vector<uint64_t>& bits = holds_[j];
            bool somewhere = false;
            for (uint32_t r : chain_) somewhere = somewhere || ((bits[r / 64] >> (r % 64)) & 1);
            if (!somewhere) return false;
        }
        pathNames_.clear();
        for (auto r = chain_.rbegin(); r != chain_.rend(); ++r) pathNames_.push_back(NameOf(d, *r));
        Match match;
        if (!JudgeKind(terms_, pathNames_, match) || !MayComeIn(match.kind, 0, mayBeUsed, rows, row))
            return false;
        Ranked ranked;
        if (mayBeUsed) ranked.weight = uses_.Weight(drive.letter, rows, row, hash);
        ranked.kind = static_cast<uint8_t>(match.kind + (ranked.weight > 0 ? 1 : 0));
        ranked.depth = static_cast<uint32_t>(rows.Depth(row));
        if (!best_.MayTake(ranked)) return false;
        ranked.misses = CountMisses(terms_, pathNames_);
        Finish(ranked, d, row);
        return true;
    }

    const std::vector<std::string>& terms_;
    const std::vector<JumpDrive>& drives_;
    UseTable uses_;
    const CaseFolder& folder_;
    size_t limit_;
    Best best_;
    const std::atomic<bool>* cancelled_;
    std::vector<UsedPlace> used_;
    JumpMemo* memo_;
    bool open_;  // the text ends where another term begins
    bool keeping_ = false;
    size_t kept_ = 0;
    std::vector<std::vector<JumpMemo::Place>> keep_;
    // Several terms: for each earlier term, a bit for each row of the drive
    // searched whose own name holds it.
    std::vector<std::vector<uint64_t>> holds_;
    std::vector<uint32_t> chain_;
    std::vector<std::string_view> pathNames_;
};

}  // namespace

}  // namespace jump

std::vector<JumpHit> RankDirectories(const JumpText& text, const std::vector<JumpDrive>& drives,
                                     const std::vector<JumpUse>& uses, size_t limit,
                                     const std::atomic<bool>* cancelled, JumpScan how, JumpMemo* memo) {
    std::vector<JumpHit> hits;
    if (text.empty() || limit == 0) {
        if (memo) memo->Clear();
        return hits;
    }
    static const AsciiCaseFolder ascii;
    jump::Ranking ranking(text, drives, uses, text.folder ? *text.folder : ascii, limit, cancelled, memo);
    for (const jump::Ranked& r : ranking.Run(how, uses))
        hits.push_back(JumpHit{drives[r.drive].letter, r.row});
    return hits;
}

}  // namespace tarvolo
