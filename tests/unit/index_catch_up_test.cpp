// A drive's rows against a fresh walk of its disk: the difference, applied as
// the live changes are, must give the walk's rows, and touch nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "bench/BenchRows.h"
#include "bench/TreeDisk.h"
#include "index/CatchUp.h"
#include "index/Scan.h"

namespace tarvolo {
namespace {

using Kind = DirectoryChange::Kind;

RowStore Rows(const std::vector<std::string>& paths) {
    RowStore rows;
    for (const std::string& path : paths) rows.Append(path);
    return rows;
}

std::vector<std::string> Paths(const RowStore& rows) {
    std::vector<std::string> out;
    for (size_t i = 0; i < rows.size(); ++i) out.push_back(rows.Path(i));
    return out;
}

// "-\a" for a removal, "+\a" for an addition followed by its subtree's rows in braces.
std::vector<std::string> Describe(const std::vector<ResolvedChange>& changes) {
    std::vector<std::string> out;
    for (const ResolvedChange& c : changes) {
        std::string text = (c.kind == Kind::removed ? "-" : c.kind == Kind::added ? "+" : "?") + c.row;
        if (c.kind == Kind::added) {
            text += " {";
            for (size_t i = 0; i < c.subtree.size(); ++i) text += (i ? " " : "") + c.subtree.Path(i);
            text += "}";
        }
        out.push_back(text);
    }
    return out;
}

TEST(CatchUp, TheDifferenceNamesTheTopmostChangesAndTurnsTheRowsIntoTheWalk) {
    struct Case {
        const char* what;
        std::vector<std::string> known, walked, changes;
        // A row out of its parent's place is beyond what a batch finds to remove.
        bool applies = true;
    };
    // clang-format off
    const Case cases[] = {
        {"nothing changed", {"\\", "\\a", "\\a\\b"}, {"\\", "\\a", "\\a\\b"}, {}},
        {"a folder made with a subtree, under a row",
         {"\\", "\\a", "\\z"}, {"\\", "\\a", "\\a\\new", "\\a\\new\\x", "\\a\\new\\x\\y", "\\z"},
         {"+\\a\\new {\\ \\x \\x\\y}"}},
        {"a subtree removed goes as its top",
         {"\\", "\\a", "\\a\\b", "\\a\\b\\c", "\\a\\d", "\\z"}, {"\\", "\\a", "\\a\\d", "\\z"}, {"-\\a\\b"}},
        {"removals come before additions",
         {"\\", "\\old", "\\old\\x"}, {"\\", "\\fresh"}, {"-\\old", "+\\fresh {\\}"}},
        {"a rename in letter case only leaves and comes back",
         {"\\", "\\Docs", "\\Docs\\x"}, {"\\", "\\docs", "\\docs\\x"}, {"-\\Docs", "+\\docs {\\ \\x}"}},
        {"a namesake under another parent is another directory",
         {"\\", "\\a", "\\a\\same", "\\b"}, {"\\", "\\a", "\\b", "\\b\\same"}, {"-\\a\\same", "+\\b\\same {\\}"}},
        {"an empty drive loses every row but the root",
         {"\\", "\\a", "\\a\\b", "\\c"}, {"\\"}, {"-\\a", "-\\c"}},
        {"a drive with no rows yet gains every directory",
         {"\\"}, {"\\", "\\a", "\\a\\b"}, {"+\\a {\\ \\b}"}},
        {"a row whose parent the file lacks names no directory there",
         {"\\", "\\a", "\\x\\y"}, {"\\", "\\a", "\\a\\y"}, {"-\\x\\y", "+\\a\\y {\\}"}, false},
        {"names that differ only past a prefix are both kept apart",
         {"\\", "\\node", "\\node_modules"}, {"\\", "\\node_modules", "\\node_modules_notes"},
         {"-\\node", "+\\node_modules_notes {\\}"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RowStore known = Rows(c.known), walked = Rows(c.walked);
        const std::vector<ResolvedChange> changes = WalkDifference(known, walked);
        std::vector<std::string> described = Describe(changes);
        std::vector<std::string> expected = c.changes;
        // The order among removals (and among additions) is of no account.
        const auto split = [](std::vector<std::string>& v) {
            std::stable_partition(v.begin(), v.end(), [](const std::string& s) { return s[0] == '-'; });
            const auto mid =
                std::find_if(v.begin(), v.end(), [](const std::string& s) { return s[0] != '-'; });
            std::sort(v.begin(), mid);
            std::sort(mid, v.end());
        };
        for (size_t i = 1; i < described.size(); ++i)
            EXPECT_FALSE(described[i - 1][0] == '+' && described[i][0] == '-')
                << "an addition before a removal";
        split(described);
        split(expected);
        EXPECT_EQ(described, expected);
        if (!c.applies) continue;
        const BatchOutcome outcome = ApplyBatch(known, changes, AsciiCollator());
        EXPECT_EQ(Paths(outcome.changed ? outcome.rows : known), c.walked);
    }
}

TEST(CatchUp, AFailedWalkChangesNothing) {
    const RowStore known = Rows({"\\", "\\a", "\\a\\b"});
    for (const RowStore& walked : {RowStore(), Rows({"C:\\"})})
        EXPECT_TRUE(WalkDifference(known, walked).empty()) << "a walk without a root row removed rows";
}

TEST(CatchUp, AtScaleTheDifferenceOfThousandsOfChangesGivesTheWalk) {
    // A drive that gained folders and lost subtrees while closed, at every depth.
    const RowStore before = bench::GenerateRows(20000, 7);
    TreeDisk disk(before);
    std::vector<std::string> dirs = disk.Subtree("\\");
    size_t made = 0, lost = 0;
    for (size_t i = 3; i < dirs.size(); i += 97) {
        if (!disk.Has(dirs[i])) continue;
        if (i % 2) {
            disk.Make(dirs[i] + "\\caught" + std::to_string(i));
            disk.Make(dirs[i] + "\\caught" + std::to_string(i) + "\\below");
            ++made;
        } else if (dirs[i] != "\\") {
            disk.RemoveTree(dirs[i]);
            ++lost;
        }
    }
    ASSERT_GT(made, 50u);
    ASSERT_GT(lost, 50u);
    struct Quiet : ScanObserver {
        void Progress(uint32_t) override {}
        void Pump() override {}
        bool CancelRequested() override { return false; }
    } quiet;
    TreeDisk closed(before);
    const RowStore known = WalkDirectories("C:\\", {}, closed, AsciiCollator(), quiet);
    const RowStore walked = WalkDirectories("C:\\", {}, disk, AsciiCollator(), quiet);
    const std::vector<ResolvedChange> changes = WalkDifference(known, walked);
    EXPECT_LE(changes.size(), made + lost) << "a change below another was named too";
    const BatchOutcome outcome = ApplyBatch(known, changes, AsciiCollator());
    ASSERT_TRUE(outcome.changed);
    EXPECT_TRUE(outcome.rows == walked) << "the rows caught up differ from a walk of the disk";

    std::atomic<bool> cancel{true};
    EXPECT_TRUE(WalkDifference(known, walked, &cancel).empty()) << "a cancelled comparison gave changes";
}

}  // namespace
}  // namespace tarvolo
