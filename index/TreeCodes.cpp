#include "index/TreeCodes.h"

#include <algorithm>
#include <stdexcept>

namespace tarvolo {

namespace {

// Rows that an edited file can hold (no backslash, a first row other than
// "\", several levels deeper than the row above) still get a code: a row of
// depth d gets max(d - 1, 0) column digits, where a column that the row above
// does not describe counts as "0", and then its own digit.
size_t CodeLength(size_t row, int depth) {
    return row == 0 ? 1 : static_cast<size_t>(std::max(depth, 1));
}

}  // namespace

void TreeCodes::Build(const RowStore& rows) {
    Clear();
    const size_t n = rows.size();
    if (n == 0) return;

    std::vector<int> depth(n);
    size_t total = 0;
    for (size_t i = 0; i < n; ++i) {
        depth[i] = rows.Depth(i);
        total += CodeLength(i, depth[i]);
    }

    if (total > UINT32_MAX) throw std::length_error("tree codes exceed 4 GB");

    // Reverse pass: a row has a later sibling when the nearest row below with
    // depth <= its own has exactly its depth. The stack holds the depths of that
    // chain for the rows below, strictly increasing from the top.
    std::string own(n, '3');
    std::vector<int> chain;
    for (size_t i = n; i-- > 1;) {
        const int d = depth[i];
        while (!chain.empty() && chain.back() > d) chain.pop_back();
        if (!chain.empty() && chain.back() == d) {
            own[i] = '2';
        } else {
            chain.push_back(d);
        }
    }

    // Forward pass: the columns come from the code of the row above. The
    // buffer is sized up front so the row above can be read in place.
    digits_.assign(total, '0');
    ends_.resize(n);
    char* out = &digits_[0];
    out[0] = '2';
    ends_[0] = 1;
    for (size_t i = 1; i < n; ++i) {
        const int d = depth[i];
        const int p = depth[i - 1];
        const char* prev = digits_.data() + (i > 1 ? ends_[i - 2] : 0);
        const size_t prevLen = ends_[i - 1] - (i > 1 ? ends_[i - 2] : 0);
        char* code = out + ends_[i - 1];
        const size_t columns = d > 1 ? static_cast<size_t>(d - 1) : 0;
        if (p < d && d >= 2) {
            // The row opens a deeper level: the column of its parent carries a
            // line when the parent had a later sibling (a tee).
            const size_t keep = columns - 1;
            std::copy_n(prev, std::min(keep, prevLen), code);  // missing columns stay '0'
            code[keep] = (prevLen > keep && prev[keep] == '2') ? '1' : '0';
        } else {
            std::copy_n(prev, std::min(columns, prevLen), code);
        }
        code[columns] = own[i];
        ends_[i] = static_cast<uint32_t>(ends_[i - 1] + CodeLength(i, d));
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
