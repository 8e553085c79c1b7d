#include "index/QuickJump.h"

#include <algorithm>
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

}  // namespace jump

std::vector<JumpHit> RankDirectories(const JumpText& text, const std::vector<JumpDrive>& drives,
                                     const std::vector<JumpUse>& uses, size_t limit,
                                     const std::atomic<bool>* cancelled) {
    using namespace jump;
    std::vector<JumpHit> hits;
    if (text.empty() || limit == 0) return hits;
    static const AsciiCaseFolder ascii;
    const CaseFolder& folder = text.folder ? *text.folder : ascii;
    std::unordered_map<std::string, double> weights;
    for (const JumpUse& use : uses)
        if (use.weight > 0) weights[FoldText(use.path, folder)] += use.weight;

    std::vector<Ranked> best;  // a heap, the worst on top
    const auto worse = [](const Ranked& a, const Ranked& b) { return Better(a, b); };
    std::vector<std::string_view> names;
    std::vector<uint32_t> chain;
    for (size_t d = 0; d < drives.size(); ++d) {
        const JumpDrive& drive = drives[d];
        if (!drive.rows || !drive.search || drive.search->size() != drive.rows->size()) continue;
        const RowStore& rows = *drive.rows;
        const SearchIndex& search = *drive.search;
        for (size_t i = 0; i < rows.size(); ++i) {
            if ((i & 0xFFF) == 0 && cancelled && cancelled->load(std::memory_order_relaxed)) break;
            if (search.FoldedName(i).find(text.terms.back()) == std::string_view::npos) continue;
            chain.clear();
            for (uint32_t r = static_cast<uint32_t>(i); r != RowStore::kNoParent; r = rows.Parent(r))
                chain.push_back(r);
            names.clear();
            for (auto r = chain.rbegin(); r != chain.rend(); ++r) names.push_back(search.FoldedName(*r));
            Match match;
            if (!Judge(text.terms, names, match)) continue;
            Ranked ranked;
            ranked.kind = match.kind;
            ranked.misses = match.misses;
            const auto use = weights.empty()
                                 ? weights.end()
                                 : weights.find(FoldText(JumpPath(drive.letter, rows, i), folder));
            if (use != weights.end()) {
                ranked.weight = use->second;
                // Use lifts a directory by one step of match, never further.
                ++ranked.kind;
            }
            ranked.depth = static_cast<uint32_t>(rows.Depth(i));
            size_t length = 0;
            for (std::string_view n : names) length += n.size() + 1;
            ranked.length = static_cast<uint32_t>(length);
            ranked.drive = static_cast<uint32_t>(d);
            ranked.row = static_cast<uint32_t>(i);
            if (best.size() < limit) {
                best.push_back(ranked);
                std::push_heap(best.begin(), best.end(), worse);
            } else if (Better(ranked, best.front())) {
                std::pop_heap(best.begin(), best.end(), worse);
                best.back() = ranked;
                std::push_heap(best.begin(), best.end(), worse);
            }
        }
    }
    std::sort_heap(best.begin(), best.end(), worse);
    for (const Ranked& r : best) hits.push_back(JumpHit{drives[r.drive].letter, r.row});
    return hits;
}

}  // namespace tarvolo
