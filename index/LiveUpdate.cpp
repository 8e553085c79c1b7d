#include "index/LiveUpdate.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace tarvolo {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// "a\b" -> "\a\b"; the watched root itself -> "\".
std::string RowOf(std::string_view path) {
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    return "\\" + std::string(path);
}

std::string_view ParentRow(std::string_view row) {
    const size_t slash = row.rfind('\\');
    return slash == 0 || slash == std::string_view::npos ? std::string_view("\\") : row.substr(0, slash);
}

std::string_view LastName(std::string_view row) {
    return row.substr(row.rfind('\\') + 1);
}

// The rows below `row` begin with this.
std::string ChildPrefix(std::string_view row) {
    return row == "\\" ? std::string("\\") : std::string(row) + "\\";
}

// "\a\b" below "C:\" -> "C:\a\b\", as the lister takes directories.
std::string ListerPath(const std::string& rootPath, std::string_view row) {
    return rootPath + ChildPrefix(row).substr(1);
}

// Siblings in the walk's order: collation key, then bytes.
int CompareNames(const Collator& collator, std::string_view a, std::string_view b) {
    std::string keyA, keyB;
    collator.SortKey(a, keyA);
    collator.SortKey(b, keyB);
    if (const int c = keyA.compare(keyB)) return c;
    return a.compare(b);
}

// `rows` with [at, at + removed) replaced by the rows of `insert`.
void Splice(RowStore& rows, size_t at, size_t removed, const RowStore& insert) {
    RowStore out;
    out.Reserve(rows.size() - removed + insert.size(), rows.TextBytes() + insert.TextBytes());
    for (size_t i = 0; i < at; ++i) out.Append(rows.Row(i));
    for (size_t i = 0; i < insert.size(); ++i) out.Append(insert.Row(i));
    for (size_t i = at + removed; i < rows.size(); ++i) out.Append(rows.Row(i));
    rows = std::move(out);
}

// Where a child named `name` of row `parent` goes among its siblings;
// SIZE_MAX when a sibling of exactly that name is there.
size_t InsertPosition(const RowStore& rows, size_t parent, std::string_view name, const Collator& collator) {
    const std::string prefix = ChildPrefix(rows.Row(parent));
    const size_t end = SubtreeEnd(rows, parent);
    size_t j = parent + 1;
    while (j < end) {
        const std::string_view child = rows.Row(j).substr(prefix.size());
        const int c = CompareNames(collator, name, child);
        if (c == 0) return SIZE_MAX;
        if (c < 0) return j;
        j = SubtreeEnd(rows, j);
    }
    return end;
}

struct QuietObserver : ScanObserver {
    void Progress(uint32_t) override {}
    void Pump() override {}
    bool CancelRequested() override { return false; }
};

// Looks `row` up in its parent's listing and, when it becomes a row, walks it.
void Probe(ResolvedChange& change, const std::string& row, const std::string& rootPath,
           const ScanFilter& filter, DirectoryLister& lister, const Collator& collator) {
    if (row == "\\") return;
    const std::string_view name = LastName(row);
    const uint32_t mask = ScanAttributeMask(filter);
    bool found = false;
    uint32_t attributes = 0;
    lister.List(ListerPath(rootPath, ParentRow(row)), [&](const DirEntry& entry) {
        if (entry.name != name) return true;
        found = true;
        attributes = entry.attributes;
        return false;
    });
    if (!found || !(attributes & kAttrDirectory) || !PassesAttributeMask(attributes, mask)) return;
    change.becomesRow = true;
    if (attributes & kAttrReparsePoint) {
        change.subtree.Append("\\");
        return;
    }
    QuietObserver quiet;
    change.subtree = WalkDirectories(ListerPath(rootPath, row), filter, lister, collator, quiet);
}

// The directory's row and its subtree's, as rows of the drive.
RowStore SubtreeRows(const std::string& row, const RowStore& subtree) {
    RowStore out;
    out.Append(row);
    for (size_t i = 1; i < subtree.size(); ++i) out.Append(row + std::string(subtree.Row(i)));
    return out;
}

ApplyResult Insert(const std::string& row, const RowStore& rowsToInsert, const Collator& collator,
                   RowStore& rows, std::vector<RowsEdit>& edits) {
    if (row == "\\" || FindRow(rows, row) != SIZE_MAX) return ApplyResult::kUnchanged;
    const size_t parent = FindRow(rows, ParentRow(row));
    if (parent == SIZE_MAX) return ApplyResult::kUnchanged;  // below a directory the scan leaves out
    const size_t at = InsertPosition(rows, parent, LastName(row), collator);
    if (at == SIZE_MAX) return ApplyResult::kUnchanged;
    Splice(rows, at, 0, rowsToInsert);
    edits.push_back({at, 0, rowsToInsert.size()});
    return ApplyResult::kChanged;
}

}  // namespace

size_t RowAfterEdits(size_t row, const std::vector<RowsEdit>& edits) {
    for (const RowsEdit& e : edits) {
        if (row >= e.at + e.removed) {
            row = row - e.removed + e.inserted;
        } else if (row >= e.at) {
            row = e.at;
        }
    }
    return row;
}

size_t FindRow(const RowStore& rows, std::string_view path) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows.Row(i) == path) return i;
    }
    return SIZE_MAX;
}

size_t SubtreeEnd(const RowStore& rows, size_t i) {
    const std::string prefix = ChildPrefix(rows.Row(i));
    size_t j = i + 1;
    while (j < rows.size() && StartsWith(rows.Row(j), prefix)) ++j;
    return j;
}

std::vector<ResolvedChange> ResolveChanges(const std::vector<DirectoryChange>& changes,
                                           const std::string& rootPath, const ScanFilter& filter,
                                           DirectoryLister& lister, const Collator& collator) {
    std::vector<ResolvedChange> out;
    for (size_t i = 0; i < changes.size(); ++i) {
        const DirectoryChange& c = changes[i];
        ResolvedChange r{c.kind, RowOf(c.path), {}, false, {}};
        switch (c.kind) {
            case DirectoryChange::kAdded:
                Probe(r, r.row, rootPath, filter, lister, collator);
                break;
            case DirectoryChange::kRemoved:
            case DirectoryChange::kOverflow:
                break;
            case DirectoryChange::kRenamedOldName:
                if (i + 1 < changes.size() && changes[i + 1].kind == DirectoryChange::kRenamedNewName) {
                    r.kind = DirectoryChange::kRenamedNewName;
                    r.newRow = RowOf(changes[++i].path);
                    Probe(r, r.newRow, rootPath, filter, lister, collator);
                } else {
                    r.kind = DirectoryChange::kRemoved;
                }
                break;
            case DirectoryChange::kRenamedNewName:
                // A new name without its old one: the directory came from outside.
                r.kind = DirectoryChange::kAdded;
                Probe(r, r.row, rootPath, filter, lister, collator);
                break;
        }
        out.push_back(std::move(r));
    }
    return out;
}

ApplyResult ApplyChange(const ResolvedChange& change, const Collator& collator, RowStore& rows,
                        std::vector<RowsEdit>& edits) {
    switch (change.kind) {
        case DirectoryChange::kOverflow:
            return ApplyResult::kRescanNeeded;
        case DirectoryChange::kAdded:
            if (!change.becomesRow) return ApplyResult::kUnchanged;
            return Insert(change.row, SubtreeRows(change.row, change.subtree), collator, rows, edits);
        case DirectoryChange::kRemoved:
        case DirectoryChange::kRenamedOldName: {
            const size_t i = FindRow(rows, change.row);
            if (i == SIZE_MAX || change.row == "\\") return ApplyResult::kUnchanged;
            const size_t end = SubtreeEnd(rows, i);
            Splice(rows, i, end - i, RowStore());
            edits.push_back({i, end - i, 0});
            return ApplyResult::kChanged;
        }
        case DirectoryChange::kRenamedNewName: {
            // The old rows go; the new name comes in as the disk holds it now,
            // which includes what was made below the old name before the
            // rename was reported.
            ApplyResult result = ApplyResult::kUnchanged;
            const size_t i = change.row == "\\" ? SIZE_MAX : FindRow(rows, change.row);
            if (i != SIZE_MAX) {
                const size_t end = SubtreeEnd(rows, i);
                Splice(rows, i, end - i, RowStore());
                edits.push_back({i, end - i, 0});
                result = ApplyResult::kChanged;
            }
            if (change.becomesRow && Insert(change.newRow, SubtreeRows(change.newRow, change.subtree),
                                            collator, rows, edits) == ApplyResult::kChanged)
                result = ApplyResult::kChanged;
            return result;
        }
    }
    return ApplyResult::kUnchanged;
}

ApplyResult ApplyChanges(const std::vector<ResolvedChange>& changes, const Collator& collator,
                         RowStore& rows) {
    ApplyResult result = ApplyResult::kUnchanged;
    std::vector<RowsEdit> edits;
    for (const ResolvedChange& change : changes) {
        edits.clear();
        switch (ApplyChange(change, collator, rows, edits)) {
            case ApplyResult::kRescanNeeded:
                return ApplyResult::kRescanNeeded;
            case ApplyResult::kChanged:
                result = ApplyResult::kChanged;
                break;
            case ApplyResult::kUnchanged:
                break;
        }
    }
    return result;
}

}  // namespace tarvolo
