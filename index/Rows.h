// The rows of one drive's index: directory paths without drive letter, "\" for
// the root, "\Windows\System" below it. A million of them live in one byte
// buffer with an end offset per row, so loading and scanning do not allocate
// per row and the list, the tree codes and the search share the same storage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvolo {

int CountChar(std::string_view text, char c);

// A block of rows replaced at one position: `removed` rows from `at` went,
// `inserted` rows took their place.
struct RowsEdit {
    size_t at = 0;
    size_t removed = 0;
    size_t inserted = 0;
};

class RowStore {
public:
    size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }

    std::string_view Row(size_t i) const {
        const size_t begin = i ? ends_[i - 1] : 0;
        return std::string_view(bytes_.data() + begin, ends_[i] - begin);
    }
    // The last path component; "" for the root "\", the whole row when it has no backslash.
    std::string_view Name(size_t i) const;
    // Number of backslashes: "\" and "\Windows" are both 1.
    int Depth(size_t i) const { return CountChar(Row(i), '\\'); }

    void Append(std::string_view row) {
        // 32-bit offsets halve the offset table; no index comes near 4 GB.
        if (row.size() > kMaxTextBytes - bytes_.size()) throw std::length_error("index rows exceed 4 GB");
        bytes_.append(row.data(), row.size());
        ends_.push_back(static_cast<uint32_t>(bytes_.size()));
    }
    // Rows [begin, end) of `from`, copied as one block of bytes: rebuilding a
    // million rows around a few changes is then a handful of copies.
    void AppendRange(const RowStore& from, size_t begin, size_t end);
    void Clear() {
        bytes_.clear();
        ends_.clear();
    }
    void Reserve(size_t rows, size_t textBytes) {
        ends_.reserve(rows);
        bytes_.reserve(textBytes);
    }
    void ShrinkToFit() {
        ends_.shrink_to_fit();
        bytes_.shrink_to_fit();
    }
    // Total length of all rows, without separators.
    size_t TextBytes() const { return bytes_.size(); }
    // Heap bytes held, capacity included.
    size_t MemoryBytes() const { return bytes_.capacity() + ends_.capacity() * sizeof(uint32_t); }

    static constexpr size_t kMaxTextBytes = UINT32_MAX;

    // Takes over a buffer whose first ends.back() bytes are the rows, row i
    // ending at ends[i]; the ends must not decrease. Lets a reader turn the
    // file's own buffer into the rows without copying it.
    static RowStore FromBuffer(std::string&& bytes, std::vector<uint32_t>&& ends);

    bool operator==(const RowStore& other) const { return bytes_ == other.bytes_ && ends_ == other.ends_; }
    bool operator!=(const RowStore& other) const { return !(*this == other); }

private:
    std::string bytes_;
    std::vector<uint32_t> ends_;
};

}  // namespace tarvolo
