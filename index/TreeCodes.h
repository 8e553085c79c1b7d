// Tree codes: per row, one digit per depth level telling the painter which
// connector goes in each column. For k < depth, digit k is "1" when the row's
// ancestor at depth k has a later sibling (a vertical line passes) and "0"
// otherwise; the last digit is "2" (tee) when the row itself has a later
// sibling and "3" (elbow) when it is the last one. Row 0 is always "2".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index/Rows.h"

namespace tarvolo {

class TreeCodes {
public:
    // Linear in the total length of the codes: one reverse pass finds each
    // row's next sibling, one forward pass derives the columns from the row above.
    void Build(const RowStore& rows);

    size_t size() const { return ends_.size(); }
    std::string_view Code(size_t i) const {
        const size_t begin = i ? ends_[i - 1] : 0;
        return std::string_view(digits_.data() + begin, ends_[i] - begin);
    }
    void Clear() {
        digits_.clear();
        ends_.clear();
    }
    size_t MemoryBytes() const { return digits_.capacity() + ends_.capacity() * sizeof(uint32_t); }

private:
    std::string digits_;
    std::vector<uint32_t> ends_;
};

// The row-by-row definition with its look-ahead, quadratic for a directory with
// a large subtree. Kept as the oracle the fast build is checked against.
std::vector<std::string> BuildTreeCodesReference(const RowStore& rows);

}  // namespace tarvolo
