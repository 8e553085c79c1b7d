// The rows of one drive's index: directory paths without drive letter, "\" for
// the root, "\Windows\System" below it.
//
// Each directory is held once, as its name under its parent: a row keeps the
// text its path adds to its parent's ("Windows" under "\", "\System" under
// "\Windows"), its level and its parent's row. A million rows take a fraction
// of the index file that way, and a subtree renamed or moved in costs the size
// of the subtree, not of the drive. Paths are put together when asked for.
//
// The parent of a row is the nearest row above it of a lower level, which is
// its parent directory in a walk's order. A row whose path does not continue
// that row's (an edited file can hold anything) keeps its whole path instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvolo {

int CountChar(std::string_view text, char c);

// Root "\" is level 0, "\a" level 1, "\a\b" level 2; a row without a
// backslash is level 0 too.
int RowLevel(std::string_view path);

// A block of rows replaced at one position: `removed` rows from `at` went,
// `inserted` rows took their place.
struct RowsEdit {
    size_t at = 0;
    size_t removed = 0;
    size_t inserted = 0;
};

class RowStore {
public:
    static constexpr uint32_t kNoParent = UINT32_MAX;
    static constexpr size_t kMaxTextBytes = UINT32_MAX;

    size_t size() const { return levels_.size(); }
    bool empty() const { return levels_.empty(); }

    std::string Path(size_t i) const {
        std::string path;
        AppendPath(i, path);
        return path;
    }
    // Appends row i's path to `out`, without allocating when `out` has room.
    void AppendPath(size_t i, std::string& out) const;
    // Bytes of row i's path, without putting it together.
    size_t PathLength(size_t i) const;
    // The last path component; "" for the root "\", the whole row when it has
    // no backslash. Stays valid as long as the rows are not changed.
    std::string_view Name(size_t i) const;
    // Number of backslashes: "\" and "\Windows" are both 1.
    int Depth(size_t i) const { return static_cast<int>(Level(i)) + (IsRootRow(i) ? 1 : 0); }
    uint32_t Level(size_t i) const { return levels_[i] & kLevelMask; }
    // The nearest row above of a lower level; kNoParent for none.
    uint32_t Parent(size_t i) const { return parents_[i]; }
    // True when row i's path is its parent's and its own name, nothing between:
    // not the root, nor a row whose path does not continue its parent's, nor
    // one whose parent directory was never listed.
    bool NameBelowParent(size_t i) const { return !Whole(i) && Tail(i).size() <= Name(i).size() + 1; }

    void Append(std::string_view path);
    // Rows [begin, end) of `from`, copied as blocks: rebuilding a million rows
    // around a few changes is then a handful of copies. The rows must continue
    // the tree here as they did there: each copied row's parent here is the
    // directory its parent was there, as when a batch of changes rebuilds
    // the rows around what went and what came.
    void AppendRange(const RowStore& from, size_t begin, size_t end);
    void Clear();
    void Reserve(size_t rows, size_t textBytes);
    void ShrinkToFit();
    // Bytes of the names held, without separators: what Reserve's textBytes counts.
    size_t TextBytes() const { return tails_.size(); }
    // True when every row after the first is one name below its parent: the
    // rows of a walk, in its order, below a first row "\". One pass over the names.
    bool OneNameBelowEachParent() const;
    // Total length of all paths, without separators: one pass over the names.
    size_t PathBytes() const;
    // Heap bytes held, capacity included.
    size_t MemoryBytes() const;

    // Calls f(i, path) for the rows [begin, end) in order, building each path
    // from its parent's: a pass over every row costs the names, not the paths.
    // f returns false to stop.
    template <class F>
    void ForEachPath(size_t begin, size_t end, F&& f) const {
        PathWalk walk(*this);
        for (size_t i = begin; i < end; ++i)
            if (!f(i, std::string_view(walk.Next(i)))) return;
    }

    bool operator==(const RowStore& other) const;
    bool operator!=(const RowStore& other) const { return !(*this == other); }

private:
    // The high bit of a level marks a row that holds its whole path.
    static constexpr uint32_t kWhole = 0x80000000u;
    static constexpr uint32_t kLevelMask = 0x7FFFFFFFu;

    class PathWalk {
    public:
        explicit PathWalk(const RowStore& rows) : rows_(rows) {}
        // The path of row i, given the rows are visited in order.
        const std::string& Next(size_t i);

    private:
        const RowStore& rows_;
        std::string path_;
        std::vector<std::pair<uint32_t, uint32_t>> open_;  // row, its path's length in path_
    };

    std::string_view Tail(size_t i) const {
        const size_t begin = i ? tailEnds_[i - 1] : 0;
        return std::string_view(tails_.data() + begin, tailEnds_[i] - begin);
    }
    bool Whole(size_t i) const { return (levels_[i] & kWhole) != 0; }
    bool IsRootRow(size_t i) const { return Whole(i) && Tail(i) == "\\"; }
    uint32_t ParentFor(uint32_t level);

    std::string tails_;
    std::vector<uint32_t> tailEnds_;
    std::vector<uint32_t> levels_;
    std::vector<uint32_t> parents_;
    // The last row and its ancestors, for the next Append. While chainKnown_,
    // chainPath_ is the last row's path and the ancestors from prefixFrom_ up
    // have the first openLength_[k] bytes of it as theirs.
    std::vector<uint32_t> open_;
    std::vector<uint32_t> openLength_;
    std::string chainPath_;
    bool chainKnown_ = false;
    size_t prefixFrom_ = 0;
};

}  // namespace tarvolo
