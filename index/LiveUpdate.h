// Keeping a drive's rows current from the changes a directory watch reports,
// without a new scan: a directory added, removed or renamed becomes the same
// rows a rescan would give, at the places a rescan would put them.
#pragma once

#include <cstddef>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "index/Rows.h"
#include "index/Scan.h"

namespace tarvolo {

// One entry of a watch on a drive's root, in the order the system reports
// them: a rename comes as its old name directly followed by its new name; a
// subtree moved in from elsewhere comes as one added directory.
struct DirectoryChange {
    enum class Kind { added, removed, renamedOldName, renamedNewName, overflow };
    Kind kind;
    std::string path;  // below the watched root, "a\b", UTF-8; empty for overflow
};

// Where the row at `row` before `edits` is after them; a row that was removed
// maps to where its block was, so a selection stays near where it was.
size_t RowAfterEdits(size_t row, const std::vector<RowsEdit>& edits);

// The row of `path` ("\a\b"), or SIZE_MAX.
size_t FindRow(const RowStore& rows, std::string_view path);
// One past the last row of the subtree of row `i` (the row itself included).
size_t SubtreeEnd(const RowStore& rows, size_t i);

// A change made ready to apply: what it needs from the disk already read, so
// that applying it to the rows never waits on the disk.
struct ResolvedChange {
    DirectoryChange::Kind kind;  // renamedNewName stands for a whole rename
    std::string row;             // "\a\b": the directory, or a rename's old name
    std::string newRow;          // a rename's new name
    // added and renames: the directory exists, is a directory and passes the
    // filter; `subtree` then holds what a walk of it gives ("\", "\x", ...),
    // only "\" for a reparse point.
    bool becomesRow = false;
    RowStore subtree;

    // Changes were lost (the system's buffer overflowed, a read failed, a file
    // could not take them): only a walk of the drive knows the rows again.
    static ResolvedChange Overflow() { return {DirectoryChange::Kind::overflow, {}, {}, false, {}}; }
};

// Reads from the disk what `changes` need (on the watch's thread, not the
// window's). `rootPath` is the watched root as the lister takes it ("C:\").
// A rename's old name followed by its new name becomes one rename; an old
// name without its new name, a removal (the directory left the drive's tree).
// The lister and collator are the scan's, so a new directory is filtered,
// entered and ordered as a rescan would. `cancel` (may be null) stops a walk
// of a large subtree moved in: the changes resolved so far are returned, and
// one overflow stands for the rest.
std::vector<ResolvedChange> ResolveChanges(const std::vector<DirectoryChange>& changes,
                                           const std::string& rootPath, const ScanFilter& filter,
                                           DirectoryLister& lister, const Collator& collator,
                                           const std::atomic<bool>* cancel = nullptr);

// Removals that take out of `rows` (the drive at `rootPath`, "C:\") every
// directory `leaveOut` leaves out, with its subtree: the topmost of each, top
// to bottom. `cancel` (may be null) cuts the list short.
std::vector<ResolvedChange> LeftOutRemovals(const RowStore& rows, const std::string& rootPath,
                                            const LeaveOut& leaveOut,
                                            const std::atomic<bool>* cancel = nullptr);

enum class ApplyResult { unchanged, changed, rescanNeeded };

// Applies one change to `rows`, which hold the walk's order, appending the
// blocks that moved to `edits`. An added directory becomes a row, with its
// subtree, only under a parent that is a row and when no row of its name is
// there; a removed one goes with its subtree; a renamed one leaves its old place
// and comes in at its new one as the disk held it when resolved (so what was
// made below the old name just before the rename is there too). overflow (changes were lost) asks for a
// rescan.
ApplyResult ApplyChange(const ResolvedChange& change, const Collator& collator, RowStore& rows,
                        std::vector<RowsEdit>& edits);

// What a batch of changes made of a drive's rows.
struct BatchOutcome {
    // rescanNeeded when the batch met a overflow: the changes before it are
    // applied, the rest are not.
    ApplyResult result = ApplyResult::unchanged;
    bool changed = false;    // `rows` then hold the rows after the batch
    bool cancelled = false;  // stopped on request: nothing to take
    RowStore rows;
    std::vector<RowsEdit> edits;  // top to bottom, as RowAfterEdits takes them
};

// Applies `changes` in order to `rows` as ApplyChange would one at a time, but
// in one pass: each change costs about the size of what it touches, and the
// rows are copied once for the whole batch. `rows` are only read, so the
// batch may run on another thread while the window paints them. `cancel`
// (may be null) is looked at between steps of the pass.
BatchOutcome ApplyBatch(const RowStore& rows, const std::vector<ResolvedChange>& changes,
                        const Collator& collator, const std::atomic<bool>* cancel = nullptr);

// Where the directory `row` ("\a\b") is after `changes`: a rename of it or of
// a directory above it carries it along. It may be gone all the same (removed,
// or renamed out of the drive's tree); see NearestRow.
std::string FollowRenames(std::string row, const std::vector<ResolvedChange>& changes);

// The row of `row` or else of its nearest ancestor among `rows`; SIZE_MAX when
// not even the root is there.
size_t NearestRow(const RowStore& rows, std::string_view row);

// True when every directory's row is directly followed by its subtree's rows,
// the root first: the order the tree codes and the live changes rely on. A
// file sorted as whole strings fails it ("\A B" between "\A" and "\A\x").
bool RowsInTreeOrder(const RowStore& rows);

// Sorts rows read from an index file into the walk's order when they are not
// in tree order; true when they were sorted.
bool EnsureTreeOrder(RowStore& rows, const Collator& collator);

// Changes kept for an index file that cannot be brought up to date yet stay
// bounded: a change lost (overflow) makes everything before it moot, since
// the drive is then walked again, and more than `limit` changes become one
// such walk.
void KeepBounded(std::vector<ResolvedChange>& changes, size_t limit);

// Milliseconds to wait before the next try after `failures` failed tries in a
// row: from `first`, doubling, at most `most`.
uint64_t BackOffMs(unsigned failures, uint64_t first, uint64_t most);

// Applies `changes` in order, as a drive's index file is brought up to date
// when the drive is not on screen: rescanNeeded at the first change that asks
// for it (the rows are then only partly updated), else changed when any row
// moved. A change applied a second time changes nothing, so changes may be
// handed on again to rows that already hold them.
ApplyResult ApplyChanges(const std::vector<ResolvedChange>& changes, const Collator& collator,
                         RowStore& rows);

}  // namespace tarvolo
