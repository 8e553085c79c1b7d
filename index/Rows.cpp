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
