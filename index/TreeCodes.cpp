#include "index/TreeCodes.h"

#include <algorithm>
#include <stdexcept>

namespace tarvolo {

namespace {

// Rows that an edited file can hold (no backslash, a first row other than
// "\", several levels deeper than the row above) still get a code: a row of
// depth d gets max(d - 1, 0) column digits, where a column that the row above
// does not describe counts as "0", and then its own digit. `code` holds the
// row above's code and becomes this row's.
void StepCode(std::string& code, int above, int depth, char own) {
    const size_t columns = depth > 1 ? static_cast<size_t>(depth - 1) : 0;
    if (above < depth && depth >= 2) {
        // The row opens a deeper level: the column of its parent carries a
        // line when the parent had a later sibling (a tee).
        const size_t keep = columns - 1;
        const bool line = code.size() > keep && code[keep] == '2';
        code.resize(columns + 1, '0');  // missing columns stay '0'
        code[keep] = line ? '1' : '0';
    } else {
        code.resize(columns + 1, '0');
    }
    code[columns] = own;
}

}  // namespace

int TreeCodes::DepthAt(size_t i) const {
    const uint8_t d = steps_[i] & kDeep;
    if (d != kDeep) return d;
    const auto it = std::lower_bound(deep_.begin(), deep_.end(), std::make_pair(static_cast<uint32_t>(i), 0));
    return it->second;
}

void TreeCodes::Build(const RowStore& rows) {
    Clear();
    const size_t n = rows.size();
    if (n == 0) return;
    if (n > UINT32_MAX) throw std::length_error("tree codes exceed 4 G rows");

    steps_.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const int d = rows.Depth(i);
        if (d < kDeep) {
            steps_[i] = static_cast<uint8_t>(d);
        } else {
            steps_[i] = kDeep;
            deep_.emplace_back(static_cast<uint32_t>(i), d);
        }
    }

    // Reverse pass: a row has a later sibling when the nearest row below with
    // depth <= its own has exactly its depth. The stack holds the depths of that
    // chain for the rows below, strictly increasing from the top.
    std::vector<int> chain;
    for (size_t i = n; i-- > 1;) {
        const int d = DepthAt(i);
        while (!chain.empty() && chain.back() > d) chain.pop_back();
        if (!chain.empty() && chain.back() == d) {
            steps_[i] |= kTee;
        } else {
            chain.push_back(d);
        }
    }

    // Forward pass: each code from the one above, the checkpoints kept.
    checkpointEnds_.reserve((n + kCheckpoint - 1) / kCheckpoint);
    std::string code = "2";
    int above = DepthAt(0);
    for (size_t i = 0; i < n; ++i) {
        const int d = DepthAt(i);
        if (i > 0) StepCode(code, above, d, (steps_[i] & kTee) ? '2' : '3');
        above = d;
        if (i % kCheckpoint == 0) {
            checkpointDigits_ += code;
            if (checkpointDigits_.size() > UINT32_MAX) throw std::length_error("tree codes exceed 4 GB");
            checkpointEnds_.push_back(static_cast<uint32_t>(checkpointDigits_.size()));
        }
    }
    checkpointDigits_.shrink_to_fit();
}

void TreeCodes::CodeInto(size_t i, std::string& code) const {
    const size_t k = i / kCheckpoint;
    const size_t begin = k ? checkpointEnds_[k - 1] : 0;
    code.assign(checkpointDigits_, begin, checkpointEnds_[k] - begin);
    size_t row = k * kCheckpoint;
    int above = DepthAt(row);
    while (row < i) {
        ++row;
        const int d = DepthAt(row);
        StepCode(code, above, d, (steps_[row] & kTee) ? '2' : '3');
        above = d;
    }
}

std::vector<std::string> BuildTreeCodesReference(const RowStore& rows) {
    std::vector<std::string> codes;
    const size_t n = rows.size();
    if (n == 0) return codes;
    codes.push_back("2");
    for (size_t i = 1; i < n; ++i) {
        const int d = rows.Depth(i);
        const int p = rows.Depth(i - 1);
        const std::string& prev = codes[i - 1];
        auto digit = [&](int k) {
            return k >= 1 && static_cast<size_t>(k) <= prev.size() ? prev[k - 1] : '0';
        };
        std::string code;
        if (p < d) {
            for (int k = 1; k <= d - 2; ++k) code += digit(k);
            if (d >= 2) code += digit(d - 1) == '2' ? '1' : '0';
        } else {
            for (int k = 1; k <= d - 1; ++k) code += digit(k);
        }
        char last = '3';
        for (size_t j = i + 1; j < n; ++j) {
            const int dj = rows.Depth(j);
            if (dj <= d) {
                if (dj == d) last = '2';
                break;
            }
        }
        code += last;
        codes.push_back(code);
    }
    return codes;
}

}  // namespace tarvolo
