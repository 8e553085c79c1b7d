// The check of a drive at start against a drive of ROWS rows (a million unless
// told) that gained 1,000 folders and lost 100 subtrees while the program was
// closed: the catch-up (a walk, its difference from the rows, the batch with
// its tree codes and folded names) against a Rescan of the same disk (the walk,
// its tree codes and folded names), and what the window's thread does of each.
// The disk is held in memory, so the walks cost the processor, not the disk:
// what is compared is what the catch-up adds to a walk. Then the same drive
// caught up from its change journal instead: 10,000 records written since the
// position saved with its rows (folders made, subtrees removed, folders renamed
// and moved, files made), replayed, resolved and applied as one batch.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchRows.h"
#include "bench/BenchSupport.h"
#include "bench/FakeJournal.h"
#include "bench/TreeDisk.h"
#include "index/CatchUp.h"
#include "index/Journal.h"
#include "index/LiveUpdate.h"
#include "index/Scan.h"
#include "index/Search.h"
#include "index/TreeCodes.h"

namespace {

using namespace tarvolo;
using bench::Clock;
using bench::Ms;
using bench::QuietWalk;

constexpr bench::FigureLine Figure{56, 12, 2};

// What the window holds of a drive.
struct Shown {
    RowStore rows;
    TreeCodes codes;
    SearchIndex search;
};

// The catch-up from a journal of `records` records on a drive of `count` rows; false when its rows
// differ from a walk of the disk.
bool JournalCatchUp(size_t count, size_t records) {
    const AsciiCaseFolder folder;
    Shown shown;
    {
        TreeDisk start(bench::GenerateRows(count, 11));
        shown.rows = QuietWalk(start);
    }
    FakeJournal journal;
    journal.Adopt(shown.rows);
    shown.codes.Build(shown.rows);
    shown.search.Build(shown.rows, folder);
    const std::string position = JournalPositionText({journal.Id(), journal.Next(), FilterSignature({})});

    // While closed. Subtrees removed are small ones, as a deleted project's folders are.
    std::mt19937 rng(7);
    size_t made = 0, removed = 0, renamed = 0, files = 0;
    uint64_t parent = 0;
    std::string name;
    auto alive = [&](size_t row) { return journal.Directory(journal.adopted[row], parent, name); };
    while (journal.Records() < records) {
        const size_t row = 1 + rng() % (shown.rows.size() - 1);
        if (!alive(row)) continue;
        const uint64_t file = journal.adopted[row];
        switch (rng() % 10) {
            case 0:
            case 1:
                journal.Make(file, "made " + std::to_string(made++));
                break;
            case 2:
                if (SubtreeEnd(shown.rows, row) - row > 20) continue;
                journal.Delete(file);
                ++removed;
                break;
            case 3:
                journal.Rename(file, renamed % 2 ? FakeJournal::kRoot : parent,
                               "renamed " + std::to_string(renamed));
                ++renamed;
                break;
            default:
                journal.Make(file, "file " + std::to_string(files++) + ".txt", 0x20);
                break;
        }
    }
    std::printf(
        "journal: %zu records since the position: %zu folders made, %zu subtrees removed, %zu renamed, "
        "%zu files made\n",
        journal.Records(), made, removed, renamed, files);

    const auto j0 = Clock::now();
    const JournalReplay replay = ReplayJournal(journal, position, "C:\\", {});
    const auto j1 = Clock::now();
    const std::vector<ResolvedChange> changes =
        ResolveChanges(replay.changes, "C:\\", {}, journal.disk, AsciiCollator());
    const auto j2 = Clock::now();
    BatchOutcome outcome = ApplyBatch(shown.rows, changes, AsciiCollator());
    const auto jb = Clock::now();
    TreeCodes codes;
    codes.Build(outcome.rows);
    SearchIndex search;
    search.BuildEdited(shown.search, outcome.rows, outcome.edits, folder);
    const auto j3 = Clock::now();

    Figure("journal: replay (records read, paths placed)", Ms(j0, j1), "ms");
    Figure("journal: changes resolved against the disk", Ms(j1, j2), "ms");
    Figure("journal: batch", Ms(j2, jb), "ms");
    Figure("journal: tree codes and folded names", Ms(jb, j3), "ms");
    Figure("journal: all off the window's thread", Ms(j0, j3), "ms");
    const bool same =
        replay.result == JournalReplay::Result::replayed && outcome.rows == QuietWalk(journal.disk);
    std::printf("%zu directory changes; rows after the journal's catch-up %s a walk of the disk\n",
                replay.changes.size(), same ? "equal" : "DIFFER FROM");
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const bool journalLikeAWalk = JournalCatchUp(count, 10000);
    const AsciiCaseFolder folder;
    TreeDisk disk(bench::GenerateRows(count, 11));
    Shown shown;
    shown.rows = QuietWalk(disk);
    shown.codes.Build(shown.rows);
    shown.search.Build(shown.rows, folder);

    // While closed: 1,000 folders made and 100 subtrees of two rows or more removed, at every depth.
    std::mt19937 rng(5);
    const std::vector<std::string> dirs = disk.Subtree("\\");
    size_t made = 0, lost = 0, lostRows = 0;
    while (made < 1000) {
        const std::string& at = dirs[rng() % dirs.size()];
        if (!disk.Has(at)) continue;
        disk.Make((at == "\\" ? "" : at) + "\\caught up " + std::to_string(made++));
    }
    while (lost < 100) {
        const std::string& at = dirs[rng() % dirs.size()];
        if (at == "\\" || !disk.Has(at)) continue;
        const size_t rows = disk.Subtree(at).size();
        if (rows < 2) continue;
        disk.RemoveTree(at);
        lostRows += rows;
        ++lost;
    }
    std::printf("%zu rows; %zu folders made, %zu subtrees (%zu rows) removed while closed\n",
                shown.rows.size(), made, lost, lostRows);

    // Rescan: the walk, then what the window needs of its rows.
    const auto r0 = Clock::now();
    Shown rescanned;
    rescanned.rows = QuietWalk(disk);
    const auto r1 = Clock::now();
    rescanned.codes.Build(rescanned.rows);
    rescanned.search.Build(rescanned.rows, folder);
    const auto r2 = Clock::now();

    // Catch-up: the same walk in the background, then the batch on its thread; the window only swaps.
    const auto c0 = Clock::now();
    RowStore walked = QuietWalk(disk);
    const auto c1 = Clock::now();
    const std::vector<ResolvedChange> changes = WalkDifference(shown.rows, walked);
    const auto c2 = Clock::now();
    BatchOutcome outcome = ApplyBatch(shown.rows, changes, AsciiCollator());
    TreeCodes codes;
    codes.Build(outcome.rows);
    SearchIndex search;
    search.BuildEdited(shown.search, outcome.rows, outcome.edits, folder);
    const auto c3 = Clock::now();
    shown.rows = std::move(outcome.rows);
    shown.codes = std::move(codes);
    shown.search = std::move(search);
    const auto c4 = Clock::now();
    // The old rows, codes and names are let go of on the window's thread as they are replaced.

    Figure("rescan: walk", Ms(r0, r1), "ms");
    Figure("rescan: walk, tree codes and folded names", Ms(r0, r2), "ms");
    Figure("catch-up: walk", Ms(c0, c1), "ms");
    Figure("catch-up: difference", Ms(c1, c2), "ms");
    Figure("catch-up: batch, tree codes and folded names", Ms(c2, c3), "ms");
    Figure("catch-up: all off the window's thread", Ms(c0, c3), "ms");
    Figure("catch-up against rescan", Ms(c0, c3) / Ms(r0, r2), "x");
    Figure("catch-up: window thread's step (rows swapped in)", Ms(c3, c4), "ms");
    std::printf("%zu changes; rows after the catch-up %s a walk of the disk\n", changes.size(),
                shown.rows == rescanned.rows ? "equal" : "DIFFER FROM");
    return shown.rows == rescanned.rows && journalLikeAWalk ? 0 : 1;
}
