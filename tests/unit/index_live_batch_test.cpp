// Batches of changes as a busy disk gives them (thousands at once, at every
// depth) applied in one pass, against a fresh walk of the same disk.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench/BenchRows.h"
#include "bench/TreeDisk.h"
#include "index/IndexFile.h"
#include "index/LiveUpdate.h"
#include "index/Scan.h"
#include "index/Search.h"
#include "tests/support/Decoders.h"

namespace tarvolo {
namespace {

using Change = DirectoryChange;
constexpr uint32_t kDir = kAttrDirectory;

struct Quiet : ScanObserver {
    void Progress(uint32_t) override {}
    void Pump() override {}
    bool CancelRequested() override { return false; }
};

RowStore Walk(TreeDisk& disk, const ScanFilter& filter = {}) {
    Quiet quiet;
    return WalkDirectories("C:\\", filter, disk, AsciiCollator(), quiet);
}

std::string Rel(const std::string& row) {
    return row.substr(1);
}

bool Below(const std::string& row, const std::string& top) {
    return row == top || row.compare(0, top.size() + 1, top + "\\") == 0;
}

// Changes the disk at random, at every depth, and reports each change as the
// system does: a new subtree as its top directory followed by every directory
// in it, a removal deepest first, a rename as its old and new name.
class Busy {
public:
    Busy(TreeDisk& disk, unsigned seed) : disk_(disk), rng_(seed) {}

    // The directories to pick from, read again once per batch: listing them
    // all at every step would cost more than everything else.
    void Look() { dirs_ = disk_.Subtree("\\"); }

    void Step(std::vector<Change>& reported) {
        const std::string some = dirs_[rng_() % dirs_.size()];
        if (!disk_.Has(some)) return;
        const std::string fresh = (some == "\\" ? "" : some) + "\\" + Names()[rng_() % std::size(Names())] +
                                  std::to_string(rng_() % 50);
        switch (rng_() % 6) {
            case 0:
            case 1: {  // a tree unpacked
                if (disk_.Has(fresh)) return;
                disk_.Make(fresh, rng_() % 8 == 0 ? kDir | kAttrHidden : kDir);
                std::vector<std::string> made{fresh};
                for (int i = 0, n = static_cast<int>(rng_() % 12); i < n; ++i) {
                    const std::string row = made[rng_() % made.size()] + "\\n" + std::to_string(i);
                    disk_.Make(row);
                    made.push_back(row);
                }
                for (const std::string& row : made) reported.push_back({Change::Kind::added, Rel(row)});
                return;
            }
            case 2: {
                if (some == "\\") return;
                const std::vector<std::string> gone = disk_.Subtree(some);
                disk_.RemoveTree(some);
                for (auto it = gone.rbegin(); it != gone.rend(); ++it)
                    reported.push_back({Change::Kind::removed, Rel(*it)});
                return;
            }
            case 3:
            case 4: {  // renamed in place or moved to another parent
                if (some == "\\" || disk_.Has(fresh) || Below(fresh, some)) return;
                disk_.MoveTree(some, fresh);
                reported.push_back({Change::Kind::renamedOldName, Rel(some)});
                reported.push_back({Change::Kind::renamedNewName, Rel(fresh)});
                return;
            }
            default:  // moved out of the drive
                if (some == "\\") return;
                disk_.RemoveTree(some);
                reported.push_back({Change::Kind::renamedOldName, Rel(some)});
                return;
        }
    }

private:
    static const std::vector<std::string>& Names() {
        static const std::vector<std::string> names = {
            "a", "A", "a b", "a-b", "Program Files", "Program Files (x86)", "z", "a.b"};
        return names;
    }
    TreeDisk& disk_;
    std::mt19937 rng_;
    std::vector<std::string> dirs_;
};

// Every row that no change of the batch touched is found where the edits say.
void ExpectEditsTrackUntouchedRows(const RowStore& before, const RowStore& after,
                                   const std::vector<Change>& reported, const std::vector<RowsEdit>& edits) {
    std::set<std::string> touched;
    for (const Change& c : reported) touched.insert("\\" + c.path);
    for (size_t i = 0; i < before.size(); ++i) {
        const std::string row(before.Path(i));
        bool hit = false;
        for (std::string up = row; !hit && up.size() > 1; up = TreeDisk::Parent(up))
            hit = touched.count(up) > 0;
        if (hit) continue;
        const size_t now = RowAfterEdits(i, edits);
        ASSERT_LT(now, after.size()) << row;
        ASSERT_EQ(after.Path(now), row);
    }
}

TEST(LiveBatch, RandomBatchesAtScaleGiveTheRowsOfAFreshWalk) {
    for (const unsigned seed : {1u, 2u}) {
        SCOPED_TRACE(seed);
        TreeDisk disk(bench::GenerateRows(10000));
        const ScanFilter filter{true, seed % 2 == 0, true};
        RowStore rows = Walk(disk, filter);
        Busy busy(disk, seed);
        // From one change at a time to hundreds, the way a quiet and a busy disk report them.
        for (const int steps : {1, 3, 20, 200, 600}) {
            std::vector<Change> reported;
            busy.Look();
            for (int s = 0; s < steps; ++s) busy.Step(reported);
            const AsciiCollator collator;
            const std::vector<ResolvedChange> resolved =
                ResolveChanges(reported, "C:\\", filter, disk, collator);
            BatchOutcome outcome = ApplyBatch(rows, resolved, collator);
            ASSERT_NE(outcome.result, ApplyResult::rescanNeeded);
            if (outcome.changed) {
                ExpectEditsTrackUntouchedRows(rows, outcome.rows, reported, outcome.edits);
                rows = std::move(outcome.rows);
            }
            ASSERT_TRUE(rows == Walk(disk, filter)) << steps << " steps";
        }
    }
}

// The folded names after a batch come from the old ones and the new rows'
// alone, and equal names folded from scratch.
TEST(LiveBatch, NamesFoldedAfterABatchEqualNamesFoldedAnew) {
    TreeDisk disk(bench::GenerateRows(3000));
    RowStore rows = Walk(disk);
    const AsciiCaseFolder folder;
    SearchIndex search;
    search.Build(rows, folder);
    Busy busy(disk, 5);
    for (const int steps : {1, 10, 100}) {
        std::vector<Change> reported;
        busy.Look();
        for (int s = 0; s < steps; ++s) busy.Step(reported);
        const AsciiCollator collator;
        BatchOutcome outcome =
            ApplyBatch(rows, ResolveChanges(reported, "C:\\", {}, disk, collator), collator);
        if (!outcome.changed) continue;
        SearchIndex edited, fresh;
        EXPECT_TRUE(edited.BuildEdited(search, outcome.rows, outcome.edits, folder)) << "folded anew";
        fresh.Build(outcome.rows, folder);
        ASSERT_TRUE(edited == fresh) << steps << " steps";
        rows = std::move(outcome.rows);
        search = std::move(edited);
    }
    // Edits that do not fit the old names: folded anew all the same.
    SearchIndex odd, fresh;
    EXPECT_FALSE(odd.BuildEdited(search, rows, {{rows.size() + 5, 1, 0}}, folder));
    fresh.Build(rows, folder);
    EXPECT_TRUE(odd == fresh);
}

TEST(LiveBatch, ABatchStopsAtALostChangeWithWhatCameBeforeItApplied) {
    TreeDisk disk(bench::GenerateRows(500));
    const AsciiCollator collator;
    const RowStore rows = Walk(disk);
    disk.Make("\\before");
    const std::vector<ResolvedChange> resolved = ResolveChanges(
        {{Change::Kind::added, "before"}, {Change::Kind::overflow, ""}, {Change::Kind::added, "after"}},
        "C:\\", {}, disk, collator);
    const BatchOutcome outcome = ApplyBatch(rows, resolved, collator);
    EXPECT_EQ(outcome.result, ApplyResult::rescanNeeded);
    ASSERT_TRUE(outcome.changed);
    EXPECT_TRUE(outcome.rows == Walk(disk));
}

TEST(LiveBatch, ACancelledBatchLeavesNothingToTake) {
    TreeDisk disk(bench::GenerateRows(500));
    const AsciiCollator collator;
    const RowStore rows = Walk(disk);
    disk.Make("\\m");
    const std::atomic<bool> cancel{true};
    const BatchOutcome outcome = ApplyBatch(
        rows, ResolveChanges({{Change::Kind::added, "m"}}, "C:\\", {}, disk, collator), collator, &cancel);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.changed);
}

// The selection follows its directory: renamed, it goes along; removed, the
// nearest directory above it that is still there takes its place.
TEST(LiveBatch, TheSelectedDirectoryIsFollowedOrFallsBackToItsNearestParent) {
    struct Case {
        const char* what;
        std::vector<Change> reported;
        std::function<void(TreeDisk&)> change;
        std::string selected, expected;
    };
    const Case cases[] = {
        {"renamed",
         {{Change::Kind::renamedOldName, "a\\b"}, {Change::Kind::renamedNewName, "a\\c"}},
         [](TreeDisk& d) { d.MoveTree("\\a\\b", "\\a\\c"); },
         "\\a\\b",
         "\\a\\c"},
        {"an ancestor moved",
         {{Change::Kind::renamedOldName, "a"}, {Change::Kind::renamedNewName, "z\\a2"}},
         [](TreeDisk& d) { d.MoveTree("\\a", "\\z\\a2"); },
         "\\a\\b\\c",
         "\\z\\a2\\b\\c"},
        {"renamed twice",
         {{Change::Kind::renamedOldName, "a\\b"},
          {Change::Kind::renamedNewName, "a\\x"},
          {Change::Kind::renamedOldName, "a\\x"},
          {Change::Kind::renamedNewName, "a\\y"}},
         [](TreeDisk& d) { d.MoveTree("\\a\\b", "\\a\\y"); },
         "\\a\\b",
         "\\a\\y"},
        {"removed",
         {{Change::Kind::removed, "a\\b\\c"}, {Change::Kind::removed, "a\\b"}},
         [](TreeDisk& d) { d.RemoveTree("\\a\\b"); },
         "\\a\\b\\c",
         "\\a"},
        {"moved out of the drive",
         {{Change::Kind::renamedOldName, "a"}},
         [](TreeDisk& d) { d.RemoveTree("\\a"); },
         "\\a\\b",
         "\\"},
        {"renamed into a hidden name",
         {{Change::Kind::renamedOldName, "a\\b"}, {Change::Kind::renamedNewName, "a\\h"}},
         [](TreeDisk& d) {
             d.MoveTree("\\a\\b", "\\a\\h");
             d.Make("\\a\\h", kDir | kAttrHidden);
         },
         "\\a\\b\\c",
         "\\a"},
        {"a neighbour removed",
         {{Change::Kind::removed, "z"}},
         [](TreeDisk& d) { d.RemoveTree("\\z"); },
         "\\a\\b",
         "\\a\\b"},
    };
    const ScanFilter noHidden{true, false, true};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TreeDisk disk;
        for (const char* row : {"\\a", "\\a\\b", "\\a\\b\\c", "\\z"}) disk.Make(row);
        const AsciiCollator collator;
        const RowStore rows = Walk(disk, noHidden);
        c.change(disk);
        const std::vector<ResolvedChange> resolved =
            ResolveChanges(c.reported, "C:\\", noHidden, disk, collator);
        BatchOutcome outcome = ApplyBatch(rows, resolved, collator);
        const RowStore& after = outcome.changed ? outcome.rows : rows;
        const size_t at = NearestRow(after, FollowRenames(c.selected, resolved));
        ASSERT_NE(at, SIZE_MAX);
        EXPECT_EQ(after.Path(at), c.expected);
    }
}

// A thousand folders made in one directory: its listing is read once for the
// batch, not once per folder (under Wine each listing of a large root costs
// milliseconds).
TEST(LiveBatch, ResolvingABurstListsTheirParentOnce) {
    struct Counting : DirectoryLister {
        explicit Counting(TreeDisk& tree) : disk(tree) {}
        bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
            ++listed[dir];
            return disk.List(dir, each);
        }
        TreeDisk& disk;
        std::map<std::string, int> listed;
    };
    TreeDisk disk;
    disk.Make("\\box");
    std::vector<Change> reported;
    for (int i = 0; i < 1000; ++i) {
        disk.Make("\\box\\n" + std::to_string(i));
        reported.push_back({Change::Kind::added, "box\\n" + std::to_string(i)});
    }
    Counting lister(disk);
    const std::vector<ResolvedChange> resolved =
        ResolveChanges(reported, "C:\\", {}, lister, AsciiCollator());
    EXPECT_EQ(lister.listed["C:\\box\\"], 1);
    ASSERT_EQ(resolved.size(), 1000u);
    for (const ResolvedChange& r : resolved) EXPECT_TRUE(r.becomesRow) << r.row;
}

// Stopping a watch while it walks a large subtree moved in does not wait for
// the walk: what was resolved is kept, and one lost change stands for the rest.
TEST(LiveBatch, AWalkOfASubtreeMovedInIsCutShortWithoutLosingWhatWasResolved) {
    struct Stopping : DirectoryLister {
        Stopping(TreeDisk& tree, std::atomic<bool>& flag) : disk(tree), stop(flag) {}
        bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
            if (dir.compare(0, 7, "C:\\big\\") == 0 && ++bigListings == 3) stop = true;
            return disk.List(dir, each);
        }
        TreeDisk& disk;
        std::atomic<bool>& stop;
        int bigListings = 0;
    };
    TreeDisk disk;
    disk.Make("\\small");
    disk.Make("\\big");
    for (int i = 0; i < 100; ++i) disk.Make("\\big\\d" + std::to_string(i));
    disk.Make("\\after");
    std::atomic<bool> stop{false};
    Stopping lister(disk, stop);
    const std::vector<ResolvedChange> resolved = ResolveChanges(
        {{Change::Kind::added, "small"}, {Change::Kind::added, "big"}, {Change::Kind::added, "after"}},
        "C:\\", {}, lister, AsciiCollator(), &stop);
    ASSERT_EQ(resolved.size(), 2u);
    EXPECT_EQ(resolved[0].row, "\\small");
    EXPECT_TRUE(resolved[0].becomesRow);
    EXPECT_EQ(resolved[1].kind, Change::Kind::overflow);
    EXPECT_LT(lister.bigListings, 10) << "the walk went on after the stop";
}

// Changes kept for a file that cannot be written stay bounded.
TEST(LiveBatch, ChangesKeptForAFileThatCannotBeWrittenStayBounded) {
    const auto kinds = [](const std::vector<ResolvedChange>& changes) {
        std::string out;
        for (const ResolvedChange& c : changes) out += c.kind == Change::Kind::overflow ? 'L' : c.row.back();
        return out;
    };
    const auto make = [](const std::string& letters) {
        std::vector<ResolvedChange> out;
        for (const char k : letters)
            out.push_back({k == 'L' ? Change::Kind::overflow : Change::Kind::added,
                           k == 'L' ? "" : std::string("\\") + k,
                           {},
                           false,
                           {}});
        return out;
    };
    const struct {
        const char* what;
        const char* before;
        size_t limit;
        const char* after;
    } cases[] = {
        {"nothing lost", "abc", 10, "abc"},
        {"what came before a loss is moot", "abLcd", 10, "Lcd"},
        {"the last loss counts", "aLbLc", 10, "Lc"},
        {"a loss first stays", "Lab", 10, "Lab"},
        {"too many become one walk", "abcdef", 5, "L"},
        {"empty", "", 5, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ResolvedChange> changes = make(c.before);
        KeepBounded(changes, c.limit);
        EXPECT_EQ(kinds(changes), c.after);
    }
}

TEST(LiveBatch, RetriesWaitLongerAndLongerUpToALimit) {
    const struct {
        unsigned failures;
        uint64_t wait;
    } cases[] = {{0, 0}, {1, 3000}, {2, 6000}, {3, 12000}, {8, 384000}, {9, 600000}, {40, 600000}};
    for (const auto& c : cases) EXPECT_EQ(BackOffMs(c.failures, 3000, 600000), c.wait) << c.failures;
}

// An index written by a tool that sorts whole rows puts "\Program Files (x86)"
// between "\Program Files" and its subtree.
TEST(TreeOrder, AFileSortedAsWholeRowsIsPutInTheWalksOrder) {
    const char* text =
        "\\\r\n\\Program Files\r\n\\Program Files (x86)\r\n\\Program Files (x86)\\Old\r\n"
        "\\Program Files\\Common\r\n\\Program Files\\Common\\x\r\n\\Users\r\n";
    RowStore rows = ParseIndexFile(text, fakes::PassThroughDecoder());
    EXPECT_FALSE(RowsInTreeOrder(rows));
    EXPECT_TRUE(EnsureTreeOrder(rows, AsciiCollator()));
    TreeDisk disk;
    for (const char* row : {"\\Program Files", "\\Program Files (x86)", "\\Program Files (x86)\\Old",
                            "\\Program Files\\Common", "\\Program Files\\Common\\x", "\\Users"})
        disk.Make(row);
    EXPECT_TRUE(rows == Walk(disk));
    // Live changes then land where a walk puts them.
    disk.Make("\\Program Files\\Common\\y");
    const AsciiCollator collator;
    EXPECT_EQ(ApplyChanges(ResolveChanges({{Change::Kind::added, "Program Files\\Common\\y"}}, "C:\\", {},
                                          disk, collator),
                           collator, rows),
              ApplyResult::changed);
    EXPECT_TRUE(rows == Walk(disk));
}

TEST(TreeOrder, RowsInTheWalksOrderAndOddFilesAreLeftAsTheyAre) {
    const struct {
        const char* what;
        const char* text;
        bool inOrder;
    } cases[] = {
        {"a walk's rows", "\\\r\n\\a\r\n\\a\\b\r\n\\a\\b\\c\r\n\\a b\r\n\\c\r\n", true},
        {"empty", "", true},
        {"no root row first", "\\a\r\n\\\r\n", true},
        {"a line that names no directory", "\\\r\n\\a\r\nnot a row\r\n\\a\\b\r\n", true},
        {"a subtree entered twice", "\\\r\n\\a\r\n\\b\r\n\\a\\x\r\n", false},
        {"a child before its parent", "\\\r\n\\a\\x\r\n\\a\r\n", false},
        {"a deeper level skipped", "\\\r\n\\a\r\n\\a\\b\\c\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RowStore rows = ParseIndexFile(c.text, fakes::PassThroughDecoder());
        const std::string before = IndexFileText(rows);
        EXPECT_EQ(RowsInTreeOrder(rows), c.inOrder);
        EXPECT_EQ(EnsureTreeOrder(rows, AsciiCollator()), !c.inOrder);
        if (c.inOrder) {
            EXPECT_EQ(IndexFileText(rows), before);
        }
    }
}

}  // namespace
}  // namespace tarvolo
