#include "index/LiveUpdate.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>
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
    out.AppendRange(rows, 0, at);
    out.AppendRange(insert, 0, insert.size());
    out.AppendRange(rows, at + removed, rows.size());
    rows = std::move(out);
}

// Where a child named `name` of row `parent` goes among its siblings;
// SIZE_MAX when a sibling of exactly that name is there.
size_t InsertPosition(const RowStore& rows, size_t parent, std::string_view name, const Collator& collator) {
    const size_t end = SubtreeEnd(rows, parent);
    size_t j = parent + 1;
    while (j < end) {
        const int c = CompareNames(collator, name, rows.Name(j));
        if (c == 0) return SIZE_MAX;
        if (c < 0) return j;
        j = SubtreeEnd(rows, j);
    }
    return end;
}

// The parents' listings of one batch of changes: a thousand folders made in one
// directory list it once, not a thousand times.
using Listings = std::unordered_map<std::string, std::unordered_map<std::string, uint32_t>>;

// Looks `row` up in its parent's listing and, when it becomes a row, walks it.
// False when `cancel` cut the walk short: the change is then not resolved.
bool Probe(ResolvedChange& change, const std::string& row, const std::string& rootPath,
           const ScanFilter& filter, DirectoryLister& lister, const Collator& collator, Listings& listings,
           const std::atomic<bool>* cancel) {
    if (row == "\\") return true;
    // A directory made or renamed under a left-out name, or below one, never becomes a row.
    if (filter.leaveOut && filter.leaveOut->LeavesOutRow(rootPath, row)) return true;
    const std::string name(LastName(row));
    const uint32_t mask = ScanAttributeMask(filter);
    const std::string parent = ListerPath(rootPath, ParentRow(row));
    const auto inserted = listings.try_emplace(parent);
    auto& listing = inserted.first->second;
    if (inserted.second) {
        lister.List(parent, [&](const DirEntry& entry) {
            listing.emplace(std::string(entry.name), entry.attributes);
            return true;
        });
    }
    const auto entry = listing.find(name);
    const bool found = entry != listing.end();
    const uint32_t attributes = found ? entry->second : 0;
    if (!found || !(attributes & kAttrDirectory) || !PassesAttributeMask(attributes, mask)) return true;
    change.becomesRow = true;
    if (attributes & kAttrReparsePoint) {
        change.subtree.Append("\\");
        return true;
    }
    struct Walked : ScanObserver {
        explicit Walked(const std::atomic<bool>* stop) : cancel(stop) {}
        void Progress(uint32_t) override {}
        void Pump() override {}
        bool CancelRequested() override { return cancel && cancel->load(); }
        void Ended(bool whole) override { complete = whole; }
        const std::atomic<bool>* cancel;
        bool complete = true;
    } walked(cancel);
    change.subtree = WalkDirectories(ListerPath(rootPath, row), filter, lister, collator, walked);
    return walked.complete;
}

// The directory's row and its subtree's, as rows of the drive.
RowStore SubtreeRows(const std::string& row, const RowStore& subtree) {
    RowStore out;
    out.Reserve(subtree.size(), subtree.TextBytes() + row.size());
    out.Append(row);
    // One buffer for every row: a subtree of thousands moved in is not thousands of allocations.
    std::string full = row;
    subtree.ForEachPath(1, subtree.size(), [&](size_t, std::string_view path) {
        full.resize(row.size());
        full.append(path);
        out.Append(full);
        return true;
    });
    return out;
}

// A batch of changes over rows that stay as they are until the end: what goes
// is noted as ranges of those rows, what comes as blocks of new rows under a
// parent among them, and the result is built in one pass. A change below a
// block that came in this batch edits the block itself, which is as small as
// the change that brought it.
class Batch {
public:
    Batch(const RowStore& base, const Collator& collator, const std::atomic<bool>* cancel)
        : base_(base), collator_(collator), cancel_(cancel) {
        BuildEnds();
    }

    bool Cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }

    bool Remove(const std::string& row) {
        if (row == "\\") return false;
        if (const auto b = BlockHolding(row); b != blocks_.end()) {
            if (b->first == row) {
                blocks_.erase(b);
                return true;
            }
            RowStore& rows = b->second.rows;
            const size_t i = FindRow(rows, row);
            if (i == SIZE_MAX) return false;
            Splice(rows, i, SubtreeEnd(rows, i) - i, RowStore());
            return true;
        }
        const size_t i = FindBase(row);
        if (i == SIZE_MAX || Removed(i)) return false;
        const size_t end = ends_[i];
        for (auto it = removed_.lower_bound(i); it != removed_.end() && it->first < end;)
            it = removed_.erase(it);
        removed_[i] = end;
        // Blocks that came below it go with it; "]" follows "\" in byte order.
        blocks_.erase(blocks_.lower_bound(row + "\\"), blocks_.lower_bound(row + "]"));
        return true;
    }

    bool Insert(const std::string& row, const RowStore& subtree) {
        if (row == "\\" || Exists(row)) return false;
        const std::string_view parent = ParentRow(row);
        if (const auto b = BlockHolding(parent); b != blocks_.end()) {
            RowStore& rows = b->second.rows;
            const size_t p = FindRow(rows, parent);
            if (p == SIZE_MAX) return false;
            const size_t at = InsertPosition(rows, p, LastName(row), collator_);
            if (at == SIZE_MAX) return false;
            Splice(rows, at, 0, SubtreeRows(row, subtree));
            return true;
        }
        const size_t p = FindBase(parent);
        if (p == SIZE_MAX || Removed(p)) return false;  // below a directory the scan leaves out
        blocks_.emplace(row, Block{SubtreeRows(row, subtree), p});
        return true;
    }

    // The rows after the batch; false when cancelled.
    bool Build(RowStore& out, std::vector<RowsEdit>& edits) {
        struct Placed {
            size_t at;        // before this row of the old rows
            int parentLevel;  // deeper parents' last children come first
            std::string key;
            std::string_view name;
            const RowStore* rows;
        };
        std::vector<Placed> placed;
        placed.reserve(blocks_.size());
        size_t inserted = 0, insertedBytes = 0;
        for (const auto& [row, block] : blocks_) {
            Placed p{ends_[block.parent],
                     static_cast<int>(base_.Level(block.parent)),
                     {},
                     LastName(row),
                     &block.rows};
            collator_.SortKey(p.name, p.key);
            const std::vector<Sibling>& siblings = Children(block.parent);
            const auto after =
                std::upper_bound(siblings.begin(), siblings.end(), p, [](const Placed& a, const Sibling& s) {
                    if (const int c = a.key.compare(s.key)) return c < 0;
                    return a.name < s.name;
                });
            if (after != siblings.end()) p.at = after->row;
            placed.push_back(std::move(p));
            inserted += block.rows.size();
            insertedBytes += block.rows.TextBytes();
            if (Cancelled()) return false;
        }
        std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
            if (a.at != b.at) return a.at < b.at;
            if (a.parentLevel != b.parentLevel) return a.parentLevel > b.parentLevel;
            if (const int c = a.key.compare(b.key)) return c < 0;
            return a.name < b.name;
        });

        size_t removedRows = 0;
        for (const auto& [from, to] : removed_) removedRows += to - from;
        const size_t n = base_.size();
        out.Clear();
        out.Reserve(n - removedRows + inserted, base_.TextBytes() + insertedBytes);
        size_t i = 0, k = 0;
        auto gone = removed_.begin();
        for (;;) {
            for (; k < placed.size() && placed[k].at <= i; ++k) {
                if (placed[k].at < i) continue;  // inside a range that went: cannot happen, costs nothing
                edits.push_back({out.size(), 0, placed[k].rows->size()});
                out.AppendRange(*placed[k].rows, 0, placed[k].rows->size());
            }
            if (i >= n) break;
            if (gone != removed_.end() && gone->first == i) {
                edits.push_back({out.size(), gone->second - i, 0});
                i = gone->second;
                ++gone;
                continue;
            }
            size_t next = n;
            if (gone != removed_.end()) next = std::min(next, gone->first);
            if (k < placed.size()) next = std::min(next, placed[k].at);
            // Copied in pieces, so that a cancel is seen within a few milliseconds.
            next = std::min(next, i + kChunk);
            out.AppendRange(base_, i, next);
            i = next;
            if (Cancelled()) return false;
        }
        return true;
    }

private:
    static constexpr size_t kChunk = 1 << 16;

    struct Block {
        RowStore rows;  // the directory's row first, then its subtree's, as rows of the drive
        size_t parent;  // its parent's row among the old rows
    };
    struct Sibling {
        std::string key;
        std::string_view name;
        size_t row;
    };
    using Blocks = std::map<std::string, Block, std::less<>>;

    // Per row, one past its subtree.
    void BuildEnds() {
        const size_t n = base_.size();
        ends_.assign(n, static_cast<uint32_t>(n));
        std::vector<std::pair<uint32_t, uint32_t>> open;  // row, level
        for (size_t i = 0; i < n; ++i) {
            const uint32_t level = base_.Level(i);
            while (!open.empty() && open.back().second >= level) {
                ends_[open.back().first] = static_cast<uint32_t>(i);
                open.pop_back();
            }
            open.emplace_back(static_cast<uint32_t>(i), level);
        }
        rootFirst_ = n > 0 && base_.Path(0) == "\\";
    }

    bool Removed(size_t i) const {
        auto it = removed_.upper_bound(i);
        if (it == removed_.begin()) return false;
        return i < std::prev(it)->second;
    }

    // The block that holds `row` (its own or an ancestor's).
    Blocks::iterator BlockHolding(std::string_view row) {
        if (blocks_.empty() || row == "\\") return blocks_.end();
        for (size_t slash = row.find('\\', 1);; slash = row.find('\\', slash + 1)) {
            const auto it = blocks_.find(row.substr(0, slash));
            if (it != blocks_.end()) return it;
            if (slash == std::string_view::npos) return blocks_.end();
        }
    }

    bool Exists(const std::string& row) {
        if (const auto b = BlockHolding(row); b != blocks_.end())
            return FindRow(b->second.rows, row) != SIZE_MAX;
        const size_t i = FindBase(row);
        return i != SIZE_MAX && !Removed(i);
    }

    // The old row of `row`, found from the root down, name by name.
    size_t FindBase(std::string_view row) {
        if (!rootFirst_) return FindRow(base_, row);  // no tree to go down
        if (row == "\\") return 0;
        size_t p = 0;
        row.remove_prefix(1);
        for (;;) {
            const size_t slash = row.find('\\');
            p = Child(p, row.substr(0, slash));
            if (p == SIZE_MAX || slash == std::string_view::npos) return p;
            row.remove_prefix(slash + 1);
        }
    }

    size_t Child(size_t parent, std::string_view name) {
        if (const auto it = byName_.find(parent); it != byName_.end()) {
            const auto found = it->second.find(name);
            return found == it->second.end() ? SIZE_MAX : found->second;
        }
        size_t seen = 0;
        for (size_t j = parent + 1; j < ends_[parent]; j = ends_[j]) {
            if (base_.Name(j) == name) return j;
            ++seen;
        }
        // A directory of many children is looked up again and again in a batch
        // (thousands made in one folder): its names are hashed once.
        if (seen > 16) {
            auto& names = byName_[parent];
            for (size_t j = parent + 1; j < ends_[parent]; j = ends_[j]) names.emplace(base_.Name(j), j);
        }
        return SIZE_MAX;
    }

    // The old children of `parent` in their order, with their keys.
    const std::vector<Sibling>& Children(size_t parent) {
        auto [it, fresh] = siblings_.try_emplace(parent);
        if (fresh) {
            for (size_t j = parent + 1; j < ends_[parent]; j = ends_[j]) {
                Sibling s{{}, base_.Name(j), j};
                collator_.SortKey(s.name, s.key);
                it->second.push_back(std::move(s));
            }
        }
        return it->second;
    }

    const RowStore& base_;
    const Collator& collator_;
    const std::atomic<bool>* cancel_;
    std::vector<uint32_t> ends_;
    bool rootFirst_ = false;
    std::map<size_t, size_t> removed_;  // old rows that went: first -> one past the last, disjoint
    Blocks blocks_;                     // new directories under old rows, by row
    std::unordered_map<size_t, std::unordered_map<std::string_view, size_t>> byName_;
    std::unordered_map<size_t, std::vector<Sibling>> siblings_;
};

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
    // Only a row of the same name can be the one: its whole path is put
    // together for those alone.
    const std::string_view name = path == "\\" ? std::string_view() : LastName(path);
    std::string candidate;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows.Name(i) != name) continue;
        candidate.clear();
        rows.AppendPath(i, candidate);
        if (candidate == path) return i;
    }
    return SIZE_MAX;
}

size_t SubtreeEnd(const RowStore& rows, size_t i) {
    const uint32_t level = rows.Level(i);
    size_t j = i + 1;
    while (j < rows.size() && rows.Level(j) > level) ++j;
    return j;
}

std::vector<ResolvedChange> LeftOutRemovals(const RowStore& rows, const std::string& rootPath,
                                            const LeaveOut& leaveOut, const std::atomic<bool>* cancel) {
    std::vector<ResolvedChange> out;
    if (leaveOut.Empty() || rows.empty()) return out;
    std::string drive = rootPath;
    while (!drive.empty() && drive.back() == '\\') drive.pop_back();
    std::string dir;
    size_t skipTo = 1;  // past the root and the subtree of a row that goes
    rows.ForEachPath(1, rows.size(), [&](size_t i, std::string_view path) {
        if ((i & 0xFFF) == 0 && cancel && cancel->load()) return false;
        if (i < skipTo) return true;
        const size_t slash = path.rfind('\\');
        dir.assign(drive);
        dir.append(path.data(), slash + 1);
        if (!leaveOut.LeavesOut(dir, path.substr(slash + 1))) return true;
        out.push_back(ResolvedChange{DirectoryChange::Kind::removed, std::string(path), {}, false, {}});
        skipTo = SubtreeEnd(rows, i);
        return true;
    });
    return out;
}

std::vector<ResolvedChange> ResolveChanges(const std::vector<DirectoryChange>& changes,
                                           const std::string& rootPath, const ScanFilter& filter,
                                           DirectoryLister& lister, const Collator& collator,
                                           const std::atomic<bool>* cancel) {
    std::vector<ResolvedChange> out;
    Listings listings;
    bool resolved = true;
    // Only a walk is cut short: the rest costs a listing at most, and a change
    // left unresolved sends the drive to a walk of its own.
    for (size_t i = 0; i < changes.size() && resolved; ++i) {
        const DirectoryChange& c = changes[i];
        ResolvedChange r{c.kind, RowOf(c.path), {}, false, {}};
        switch (c.kind) {
            case DirectoryChange::Kind::added:
                resolved = Probe(r, r.row, rootPath, filter, lister, collator, listings, cancel);
                break;
            case DirectoryChange::Kind::removed:
            case DirectoryChange::Kind::overflow:
                break;
            case DirectoryChange::Kind::renamedOldName:
                if (i + 1 < changes.size() && changes[i + 1].kind == DirectoryChange::Kind::renamedNewName) {
                    r.kind = DirectoryChange::Kind::renamedNewName;
                    r.newRow = RowOf(changes[++i].path);
                    resolved = Probe(r, r.newRow, rootPath, filter, lister, collator, listings, cancel);
                } else {
                    r.kind = DirectoryChange::Kind::removed;
                }
                break;
            case DirectoryChange::Kind::renamedNewName:
                // A new name without its old one: the directory came from outside.
                r.kind = DirectoryChange::Kind::added;
                resolved = Probe(r, r.row, rootPath, filter, lister, collator, listings, cancel);
                break;
        }
        if (resolved) out.push_back(std::move(r));
    }
    // What is not resolved cannot be applied: the rows need a walk for it.
    if (!resolved) out.push_back(ResolvedChange::Overflow());
    return out;
}

BatchOutcome ApplyBatch(const RowStore& rows, const std::vector<ResolvedChange>& changes,
                        const Collator& collator, const std::atomic<bool>* cancel) {
    BatchOutcome outcome;
    if (changes.empty()) return outcome;
    Batch batch(rows, collator, cancel);
    for (const ResolvedChange& change : changes) {
        if (batch.Cancelled()) {
            outcome.cancelled = true;
            return outcome;
        }
        bool changed = false;
        switch (change.kind) {
            case DirectoryChange::Kind::overflow:
                outcome.result = ApplyResult::rescanNeeded;
                break;
            case DirectoryChange::Kind::added:
                changed = change.becomesRow && batch.Insert(change.row, change.subtree);
                break;
            case DirectoryChange::Kind::removed:
            case DirectoryChange::Kind::renamedOldName:
                changed = batch.Remove(change.row);
                break;
            case DirectoryChange::Kind::renamedNewName:
                // The old rows go; the new name comes in as the disk holds it now,
                // which includes what was made below the old name before the
                // rename was reported.
                changed = batch.Remove(change.row);
                if (change.becomesRow && batch.Insert(change.newRow, change.subtree)) changed = true;
                break;
        }
        if (changed) outcome.changed = true;
        if (outcome.result == ApplyResult::rescanNeeded) break;
    }
    if (outcome.changed) {
        if (!batch.Build(outcome.rows, outcome.edits)) {
            outcome = BatchOutcome();
            outcome.cancelled = true;
            return outcome;
        }
        if (outcome.result == ApplyResult::unchanged) outcome.result = ApplyResult::changed;
    }
    return outcome;
}

ApplyResult ApplyChange(const ResolvedChange& change, const Collator& collator, RowStore& rows,
                        std::vector<RowsEdit>& edits) {
    BatchOutcome outcome = ApplyBatch(rows, {change}, collator);
    if (outcome.changed) {
        rows = std::move(outcome.rows);
        edits.insert(edits.end(), outcome.edits.begin(), outcome.edits.end());
    }
    return outcome.result;
}

ApplyResult ApplyChanges(const std::vector<ResolvedChange>& changes, const Collator& collator,
                         RowStore& rows) {
    BatchOutcome outcome = ApplyBatch(rows, changes, collator);
    if (outcome.changed) rows = std::move(outcome.rows);
    return outcome.result;
}

void KeepBounded(std::vector<ResolvedChange>& changes, size_t limit) {
    size_t lastLost = SIZE_MAX;
    for (size_t i = 0; i < changes.size(); ++i)
        if (changes[i].kind == DirectoryChange::Kind::overflow) lastLost = i;
    if (changes.size() > limit) {
        changes.clear();
        lastLost = 0;
        changes.push_back(ResolvedChange::Overflow());
    } else if (lastLost != SIZE_MAX && lastLost > 0) {
        changes.erase(changes.begin(), changes.begin() + static_cast<long>(lastLost));
    }
}

uint64_t BackOffMs(unsigned failures, uint64_t first, uint64_t most) {
    if (failures == 0) return 0;
    uint64_t wait = first;
    for (unsigned i = 1; i < failures && wait < most; ++i) wait *= 2;
    return std::min(wait, most);
}

std::string FollowRenames(std::string row, const std::vector<ResolvedChange>& changes) {
    for (const ResolvedChange& c : changes) {
        // Followed whether or not the new name is a row: a later rename may make it one.
        if (c.kind != DirectoryChange::Kind::renamedNewName || c.row == "\\") continue;
        if (row == c.row || StartsWith(row, c.row + "\\")) row = c.newRow + row.substr(c.row.size());
    }
    return row;
}

size_t NearestRow(const RowStore& rows, std::string_view row) {
    for (;;) {
        const size_t i = FindRow(rows, row);
        if (i != SIZE_MAX || row == "\\" || row.empty()) return i;
        row = ParentRow(row);
    }
}

bool RowsInTreeOrder(const RowStore& rows) {
    // A file without its root row first, or with rows that name no directory,
    // is no tree to put in order: it is shown as it is.
    if (rows.empty() || rows.Path(0) != "\\") return true;
    // The usual case, a file as a walk wrote it, is told from the names alone.
    if (rows.OneNameBelowEachParent()) return true;
    bool inOrder = true;
    std::string above = "\\";
    rows.ForEachPath(1, rows.size(), [&](size_t, std::string_view row) {
        if (row.size() < 2 || row.front() != '\\' || row.back() == '\\') return false;
        // Its parent must be the row above or one of that row's ancestors,
        // else the parent's subtree was left and is entered again.
        const std::string_view parent = ParentRow(row);
        if (parent != "\\" && above != parent &&
            !(above.size() > parent.size() && StartsWith(above, parent) && above[parent.size()] == '\\')) {
            inOrder = false;
            return false;
        }
        above.assign(row.data(), row.size());
        return true;
    });
    return inOrder;
}

bool EnsureTreeOrder(RowStore& rows, const Collator& collator) {
    if (RowsInTreeOrder(rows)) return false;
    SortRowsComponentwise(rows, collator);
    return true;
}

}  // namespace tarvolo
