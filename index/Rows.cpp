#include "index/Rows.h"

#include <cstdint>
#include <cstring>

namespace tarvolo {

int CountChar(std::string_view text, char c) {
    // Eight bytes at a time: depths of a million rows are counted on every
    // load, and a byte loop was most of the tree-code time.
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    const uint64_t pattern = 0x0101010101010101ULL * static_cast<unsigned char>(c);
    const char* p = text.data();
    const char* end = p + text.size();
    int count = 0;
    for (; end - p >= 8; p += 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        const uint64_t x = word ^ pattern;  // zero bytes where c was
        // High bit set exactly in the zero bytes of x, without carries between bytes.
        const uint64_t zero = ~(((x & kLow7) + kLow7) | x | kLow7);
        // One bit per byte; the multiply sums the eight bytes into the top one.
        count += static_cast<int>(((zero >> 7) * 0x0101010101010101ULL) >> 56);
    }
    for (; p < end; ++p) count += *p == c;
    return count;
}

namespace {

// memcmp(a, b, n) == 0, eight bytes at a time and inlined: the C runtime's
// memcmp the Windows build links compares byte by byte, and every row of a
// loaded file is compared with its parent's path.
bool SameBytes(const char* a, const char* b, size_t n) {
    for (; n >= 8; a += 8, b += 8, n -= 8) {
        uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y) return false;
    }
    for (; n > 0; ++a, ++b, --n)
        if (*a != *b) return false;
    return true;
}

}  // namespace

int RowLevel(std::string_view path) {
    return path == "\\" ? 0 : CountChar(path, '\\');
}

size_t RowStore::PathLength(size_t i) const {
    size_t length = 0;
    for (size_t j = i;; j = parents_[j]) {
        length += Tail(j).size();
        if (Whole(j)) return length;
    }
}

void RowStore::AppendPath(size_t i, std::string& out) const {
    // Two walks up the parents: the first sizes the path, the second fills it
    // from its end, so no piece is moved twice.
    const size_t length = PathLength(i);
    const size_t at = out.size();
    out.resize(at + length);
    char* end = &out[0] + at + length;
    for (size_t j = i;; j = parents_[j]) {
        const std::string_view tail = Tail(j);
        end -= tail.size();
        std::memcpy(end, tail.data(), tail.size());
        if (Whole(j)) break;
    }
}

std::string_view RowStore::Name(size_t i) const {
    // Below its parent a row adds "\name" ("name" below the root), so the name
    // is always the end of what the row holds.
    const std::string_view tail = Tail(i);
    const size_t slash = tail.rfind('\\');
    return slash == std::string_view::npos ? tail : tail.substr(slash + 1);
}

uint32_t RowStore::ParentFor(uint32_t level) {
    while (!open_.empty() && Level(open_.back()) >= level) {
        open_.pop_back();
        openLength_.pop_back();
    }
    return open_.empty() ? kNoParent : open_.back();
}

void RowStore::Append(std::string_view path) {
    const uint32_t level = static_cast<uint32_t>(RowLevel(path));
    const uint32_t parent = ParentFor(level);
    std::string_view tail = path;
    bool whole = true;
    // In a walk's order the parent's path is the start of the row above's,
    // which is kept; only odd rows have theirs put together.
    const bool parentInChain = parent != kNoParent && chainKnown_ && open_.size() - 1 >= prefixFrom_;
    std::string built;
    std::string_view above;
    if (parent != kNoParent) {
        if (parentInChain) {
            above = std::string_view(chainPath_).substr(0, openLength_.back());
        } else {
            AppendPath(parent, built);
            above = built;
        }
        if (path.size() > above.size() && SameBytes(path.data(), above.data(), above.size())) {
            tail.remove_prefix(above.size());
            whole = false;
        }
    }
    // 32-bit offsets halve the offset table; no index comes near 4 GB.
    if (tail.size() > kMaxTextBytes - tails_.size()) throw std::length_error("index rows exceed 4 GB");
    if (levels_.size() >= kNoParent) throw std::length_error("index rows exceed 4 G rows");
    const uint32_t row = static_cast<uint32_t>(levels_.size());
    tails_.append(tail.data(), tail.size());
    tailEnds_.push_back(static_cast<uint32_t>(tails_.size()));
    levels_.push_back(level | (whole ? kWhole : 0));
    parents_.push_back(parent);

    if (whole || !parentInChain) {
        chainPath_.assign(path.data(), path.size());
        prefixFrom_ = open_.size();
    } else {
        chainPath_.resize(above.size());
        chainPath_.append(tail.data(), tail.size());
    }
    chainKnown_ = true;
    open_.push_back(row);
    openLength_.push_back(static_cast<uint32_t>(path.size()));
}

void RowStore::AppendRange(const RowStore& from, size_t begin, size_t end) {
    if (begin >= end) return;
    // A row that held its whole path there, as the top of a subtree walked on
    // its own does, may continue its parent's path here.
    if (from.Whole(begin)) {
        Append(from.Tail(begin));
        ++begin;
        if (begin >= end) return;
    }
    const size_t first = begin ? from.tailEnds_[begin - 1] : 0;
    const size_t last = from.tailEnds_[end - 1];
    if (last - first > kMaxTextBytes - tails_.size()) throw std::length_error("index rows exceed 4 GB");
    if (end - begin >= kNoParent - levels_.size()) throw std::length_error("index rows exceed 4 G rows");
    const size_t offset = tails_.size();
    tails_.append(from.tails_.data() + first, last - first);
    const size_t n = end - begin;
    tailEnds_.reserve(tailEnds_.size() + n);
    levels_.reserve(levels_.size() + n);
    parents_.reserve(parents_.size() + n);
    for (size_t k = begin; k < end; ++k) {
        const uint32_t row = static_cast<uint32_t>(levels_.size());
        tailEnds_.push_back(static_cast<uint32_t>(from.tailEnds_[k] - first + offset));
        levels_.push_back(from.levels_[k]);
        parents_.push_back(ParentFor(from.Level(k)));
        open_.push_back(row);
        openLength_.push_back(0);
    }
    chainKnown_ = false;
}

void RowStore::Clear() {
    tails_.clear();
    tailEnds_.clear();
    levels_.clear();
    parents_.clear();
    open_.clear();
    openLength_.clear();
    chainKnown_ = false;
}

void RowStore::Reserve(size_t rows, size_t textBytes) {
    tails_.reserve(textBytes);
    tailEnds_.reserve(rows);
    levels_.reserve(rows);
    parents_.reserve(rows);
}

void RowStore::ShrinkToFit() {
    tails_.shrink_to_fit();
    tailEnds_.shrink_to_fit();
    levels_.shrink_to_fit();
    parents_.shrink_to_fit();
}

bool RowStore::OneNameBelowEachParent() const {
    if (empty() || !IsRootRow(0)) return false;
    for (size_t i = 1; i < size(); ++i) {
        if (Whole(i)) return false;
        std::string_view tail = Tail(i);
        // Below the root a row adds "name", below any other row "\name".
        if (!IsRootRow(parents_[i])) {
            if (tail.empty() || tail.front() != '\\') return false;
            tail.remove_prefix(1);
        }
        if (tail.empty() || tail.find('\\') != std::string_view::npos) return false;
    }
    return true;
}

size_t RowStore::PathBytes() const {
    // A parent comes before its rows, so its length is known when they come.
    std::vector<size_t> length(size());
    size_t total = 0;
    for (size_t i = 0; i < size(); ++i) {
        length[i] = Tail(i).size() + (Whole(i) ? 0 : length[parents_[i]]);
        total += length[i];
    }
    return total;
}

size_t RowStore::MemoryBytes() const {
    return tails_.capacity() +
           (tailEnds_.capacity() + levels_.capacity() + parents_.capacity()) * sizeof(uint32_t);
}

const std::string& RowStore::PathWalk::Next(size_t i) {
    if (rows_.Whole(i)) {
        const std::string_view tail = rows_.Tail(i);
        path_.assign(tail.data(), tail.size());
        open_.clear();
    } else {
        const uint32_t parent = rows_.parents_[i];
        while (!open_.empty() && open_.back().first != parent) open_.pop_back();
        if (open_.empty()) {
            // Entered in the middle, or below a row that held its whole path.
            path_.clear();
            rows_.AppendPath(parent, path_);
            open_.emplace_back(parent, static_cast<uint32_t>(path_.size()));
        }
        path_.resize(open_.back().second);
        path_.append(rows_.Tail(i));
    }
    open_.emplace_back(static_cast<uint32_t>(i), static_cast<uint32_t>(path_.size()));
    return path_;
}

bool RowStore::operator==(const RowStore& other) const {
    if (size() != other.size()) return false;
    PathWalk mine(*this), theirs(other);
    for (size_t i = 0; i < size(); ++i)
        if (mine.Next(i) != theirs.Next(i)) return false;
    return true;
}

}  // namespace tarvolo
