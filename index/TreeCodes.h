// Tree codes: per row, one digit per depth level telling the painter which
// connector goes in each column. For k < depth, digit k is "1" when the row's
// ancestor at depth k has a later sibling (a vertical line passes) and "0"
// otherwise; the last digit is "2" (tee) when the row itself has a later
// sibling and "3" (elbow) when it is the last one. Row 0 is always "2".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "index/Rows.h"

namespace tarvolo {

// A full code per row would cost its depth in bytes plus an offset, about ten
// bytes a row; the painter only ever needs the few rows on screen. So each row
// keeps one byte (its depth and its own digit) and every kCheckpoint-th row its
// whole code: a code follows from the row above's code, the two depths and the
// row's own digit, so any row's code is at most kCheckpoint - 1 steps away.
class TreeCodes {
public:
    static constexpr size_t kCheckpoint = 64;

    // Linear in the total length of the codes: one reverse pass finds each
    // row's next sibling, one forward pass derives the columns from the row above.
    void Build(const RowStore& rows);

    size_t size() const { return steps_.size(); }
    std::string Code(size_t i) const {
        std::string code;
        CodeInto(i, code);
        return code;
    }
    // The same into the caller's string, which a painter can keep from row to row.
    void CodeInto(size_t i, std::string& code) const;
    void Clear() {
        steps_.clear();
        deep_.clear();
        checkpointDigits_.clear();
        checkpointEnds_.clear();
    }
    size_t MemoryBytes() const {
        return steps_.capacity() + deep_.capacity() * sizeof(deep_[0]) + checkpointDigits_.capacity() +
               checkpointEnds_.capacity() * sizeof(uint32_t);
    }

private:
    int DepthAt(size_t i) const;

    // Per row: the low seven bits hold its depth (kDeep for a depth that does
    // not fit, found in deep_), the high bit is set when its own digit is "2".
    static constexpr uint8_t kTee = 0x80;
    static constexpr uint8_t kDeep = 0x7F;
    std::vector<uint8_t> steps_;
    std::vector<std::pair<uint32_t, int>> deep_;  // (row, depth), rows ascending
    std::string checkpointDigits_;
    std::vector<uint32_t> checkpointEnds_;
};

// The row-by-row definition with its look-ahead, quadratic for a directory with
// a large subtree. Kept as the oracle the fast build is checked against.
std::vector<std::string> BuildTreeCodesReference(const RowStore& rows);

}  // namespace tarvolo
