#include "index/CatchUp.h"

#include <string_view>
#include <unordered_map>

namespace tarvolo {

namespace {

// Each row's children in order, from one pass over the parents: the rows of a
// directory are then reached without stepping over its siblings' subtrees.
struct Children {
    static constexpr uint32_t kNone = UINT32_MAX;
    std::vector<uint32_t> first, next;

    explicit Children(const RowStore& rows) : first(rows.size(), kNone), next(rows.size(), kNone) {
        std::vector<uint32_t> last(rows.size(), kNone);
        for (size_t i = 1; i < rows.size(); ++i) {
            const uint32_t parent = rows.Parent(i);
            if (parent == RowStore::kNoParent || parent >= i) continue;
            if (last[parent] == kNone)
                first[parent] = static_cast<uint32_t>(i);
            else
                next[last[parent]] = static_cast<uint32_t>(i);
            last[parent] = static_cast<uint32_t>(i);
        }
    }
};

// The subtree of `walked` at row `top`, with paths below it: "\", "\x", "\x\y".
RowStore SubtreeRows(const RowStore& walked, size_t top) {
    const size_t end = SubtreeEnd(walked, top);
    const size_t prefix = walked.PathLength(top);
    RowStore out;
    out.Append("\\");
    walked.ForEachPath(top + 1, end, [&](size_t, std::string_view path) {
        out.Append(path.substr(prefix));
        return true;
    });
    return out;
}

// Whether row `c` continues the path of its parent, `parentPath`, by its name:
// an edited index file may hold a row whose own parent is missing, which then
// names no directory found there, and goes.
bool OneNameBelow(const RowStore& rows, std::string_view parentPath, size_t c, std::string& path) {
    path.clear();
    rows.AppendPath(c, path);
    const std::string_view name = rows.Name(c);
    const size_t slash = parentPath == "\\" ? 0 : parentPath.size();
    return path.size() == slash + 1 + name.size() && path.compare(0, slash, parentPath, 0, slash) == 0 &&
           path[slash] == '\\' && path.compare(slash + 1, std::string::npos, name) == 0;
}

bool IsRoot(const RowStore& rows) {
    return !rows.empty() && rows.Path(0) == "\\";
}

}  // namespace

std::vector<ResolvedChange> WalkDifference(const RowStore& known, const RowStore& walked,
                                           const std::atomic<bool>* cancel) {
    std::vector<ResolvedChange> removed, added;
    if (!IsRoot(walked) || !IsRoot(known)) return {};
    const Children knownChildren(known), walkedChildren(walked);
    // Pairs of rows that name the same directory, their children still to compare.
    std::vector<std::pair<uint32_t, uint32_t>> open{{0, 0}};
    std::unordered_map<std::string_view, uint32_t> byName;
    std::vector<bool> matched;
    std::string parentPath, path;
    size_t steps = 0;
    while (!open.empty()) {
        if (cancel && (++steps & 1023) == 0 && cancel->load()) return {};
        const auto [k, w] = open.back();
        open.pop_back();
        byName.clear();
        parentPath.clear();
        known.AppendPath(k, parentPath);
        std::vector<uint32_t> kids;
        for (uint32_t c = knownChildren.first[k]; c != Children::kNone; c = knownChildren.next[c]) {
            if (OneNameBelow(known, parentPath, c, path))
                byName.emplace(known.Name(c), static_cast<uint32_t>(kids.size()));
            kids.push_back(c);
        }
        matched.assign(kids.size(), false);
        for (uint32_t c = walkedChildren.first[w]; c != Children::kNone; c = walkedChildren.next[c]) {
            const auto it = byName.find(walked.Name(c));
            if (it != byName.end() && !matched[it->second]) {
                matched[it->second] = true;
                open.emplace_back(kids[it->second], c);
                continue;
            }
            ResolvedChange change{
                DirectoryChange::Kind::added, walked.Path(c), {}, true, SubtreeRows(walked, c)};
            added.push_back(std::move(change));
        }
        for (size_t i = 0; i < kids.size(); ++i)
            if (!matched[i])
                removed.push_back(
                    ResolvedChange{DirectoryChange::Kind::removed, known.Path(kids[i]), {}, false, {}});
    }
    for (ResolvedChange& change : added) removed.push_back(std::move(change));
    return removed;
}

}  // namespace tarvolo
