#include "index/Search.h"

#include <cstring>
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

bool SearchIndex::Matches(size_t row, std::string_view foldedText) const {
    const size_t begin = row ? ends_[row - 1] : 0;
    return ends_[row] - begin >= foldedText.size() &&
           std::memcmp(folded_.data() + begin, foldedText.data(), foldedText.size()) == 0;
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

long SearchIndex::FindFolded(long start, std::string_view foldedText) const {
    const size_t n = ends_.size();
    if (start < 0) return Scan(0, n, foldedText);
    const size_t s = static_cast<size_t>(start);
    const long after = Scan(s + 1, n, foldedText);
    if (after >= 0) return after;
    return Scan(0, s < n ? s : n, foldedText);
}

long SearchIndex::FindFrom(long start, std::string_view text, const CaseFolder& folder) const {
    return FindFolded(start, FoldText(text, folder));
}

}  // namespace tarvolo
