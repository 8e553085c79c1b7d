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

std::string_view RowStore::Name(size_t i) const {
    const std::string_view row = Row(i);
    const size_t slash = row.rfind('\\');
    return slash == std::string_view::npos ? row : row.substr(slash + 1);
}

void RowStore::AppendRange(const RowStore& from, size_t begin, size_t end) {
    if (begin >= end) return;
    const size_t first = begin ? from.ends_[begin - 1] : 0;
    const size_t last = from.ends_[end - 1];
    if (last - first > kMaxTextBytes - bytes_.size()) throw std::length_error("index rows exceed 4 GB");
    const size_t offset = bytes_.size();
    bytes_.append(from.bytes_.data() + first, last - first);
    ends_.reserve(ends_.size() + (end - begin));
    for (size_t k = begin; k < end; ++k)
        ends_.push_back(static_cast<uint32_t>(from.ends_[k] - first + offset));
}

RowStore RowStore::FromBuffer(std::string&& bytes, std::vector<uint32_t>&& ends) {
    RowStore rows;
    const size_t used = ends.empty() ? 0 : ends.back();
    if (used > bytes.size()) throw std::invalid_argument("row ends past the buffer");
    bytes.resize(used);
    rows.bytes_ = std::move(bytes);
    rows.ends_ = std::move(ends);
    return rows;
}

}  // namespace tarvolo
