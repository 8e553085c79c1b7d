#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "index/LiveUpdate.h"
#include "index/Scan.h"

namespace tarvolo {
namespace {

constexpr uint32_t kDir = kAttrDirectory;
using Change = DirectoryChange;

// A disk that changes: every directory by its row ("\a\b"), files beside them.
class Disk : public DirectoryLister {
public:
    Disk() { entries_["\\"] = kDir; }

    void Make(const std::string& row, uint32_t attributes = kDir) { entries_[row] = attributes; }
    void RemoveTree(const std::string& row) {
        for (auto it = entries_.begin(); it != entries_.end();) {
            it = Below(it->first, row) ? entries_.erase(it) : std::next(it);
        }
    }
    void MoveTree(const std::string& from, const std::string& to) {
        std::map<std::string, uint32_t> moved;
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (!Below(it->first, from)) {
                ++it;
                continue;
            }
            moved[to + it->first.substr(from.size())] = it->second;
            it = entries_.erase(it);
        }
        entries_.insert(moved.begin(), moved.end());
    }
    bool Has(const std::string& row) const { return entries_.count(row) > 0; }
    std::vector<std::string> Dirs() const {
        std::vector<std::string> out;
        for (const auto& [row, attributes] : entries_) {
            if ((attributes & kDir) && row != "\\") out.push_back(row);
        }
        return out;
    }

    bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
        // "C:\a\b\" -> "\a\b"
        std::string row = dir.substr(2);
        if (row.size() > 1) row.pop_back();
        const auto self = entries_.find(row);
        if (self == entries_.end() || !(self->second & kDir)) return false;
        if (!each(DirEntry{".", kDir}) || !each(DirEntry{"..", kDir})) return true;
        const std::string prefix = row == "\\" ? "\\" : row + "\\";
        for (const auto& [path, attributes] : entries_) {
            if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
            if (path.find('\\', prefix.size()) != std::string::npos) continue;
            if (!each(DirEntry{std::string_view(path).substr(prefix.size()), attributes})) break;
        }
        return true;
    }

private:
    static bool Below(const std::string& path, const std::string& row) {
        return path == row || path.compare(0, row.size() + 1, row + "\\") == 0;
    }
    std::map<std::string, uint32_t> entries_;
};

struct Quiet : ScanObserver {
    void Progress(uint32_t) override {}
    void Pump() override {}
    bool CancelRequested() override { return false; }
};

std::vector<std::string> AllRows(const RowStore& rows) {
    std::vector<std::string> out;
    for (size_t i = 0; i < rows.size(); ++i) out.emplace_back(rows.Path(i));
    return out;
}

RowStore Scan(Disk& disk, const ScanFilter& filter = {}) {
    Quiet quiet;
    return WalkDirectories("C:\\", filter, disk, AsciiCollator(), quiet);
}

// Resolves and applies `changes` as the watch does; returns the last result
// other than unchanged.
ApplyResult Update(Disk& disk, RowStore& rows, const std::vector<Change>& changes,
                   std::vector<RowsEdit>* editsOut = nullptr, const ScanFilter& filter = {}) {
    const AsciiCollator collator;
    std::vector<RowsEdit> edits;
    ApplyResult result = ApplyResult::unchanged;
    for (const ResolvedChange& r : ResolveChanges(changes, "C:\\", filter, disk, collator)) {
        const ApplyResult one = ApplyChange(r, collator, rows, edits);
        if (one != ApplyResult::unchanged) result = one;
    }
    if (editsOut) *editsOut = edits;
    return result;
}

// A tree with siblings that tie in case and prefix each other.
void Populate(Disk& disk) {
    for (const char* d :
         {"\\a", "\\a\\x", "\\a\\x\\deep", "\\a\\y", "\\Program Files", "\\Program Files\\Common",
          "\\Program Files (x86)", "\\b", "\\B", "\\z", "\\z\\1", "\\z\\1\\2", "\\z\\1\\2\\3"})
        disk.Make(d);
    disk.Make("\\a\\file.txt", 0x20);
}

TEST(LiveUpdate, EachKindOfChangeAtEveryDepthGivesTheRowsOfARescan) {
    struct Case {
        const char* what;
        std::function<void(Disk&)> change;  // on the disk
        std::vector<Change> reported;       // what the watch reports
    };
    const Case cases[] = {
        {"added in the root", [](Disk& d) { d.Make("\\m"); }, {{Change::Kind::added, "m"}}},
        {"added at depth 4",
         [](Disk& d) { d.Make("\\z\\1\\2\\3\\4"); },
         {{Change::Kind::added, "z\\1\\2\\3\\4"}}},
        {"added before its prefixing sibling",
         [](Disk& d) { d.Make("\\Program File"); },
         {{Change::Kind::added, "Program File"}}},
        {"added between case twins", [](Disk& d) { d.Make("\\a\\X"); }, {{Change::Kind::added, "a\\X"}}},
        {"removed leaf",
         [](Disk& d) { d.RemoveTree("\\a\\x\\deep"); },
         {{Change::Kind::removed, "a\\x\\deep"}}},
        {"removed subtree, deepest first",
         [](Disk& d) { d.RemoveTree("\\z"); },
         {{Change::Kind::removed, "z\\1\\2\\3"},
          {Change::Kind::removed, "z\\1\\2"},
          {Change::Kind::removed, "z\\1"},
          {Change::Kind::removed, "z"}}},
        {"removed subtree, top only", [](Disk& d) { d.RemoveTree("\\a"); }, {{Change::Kind::removed, "a"}}},
        {"renamed in the root, subtree moves along",
         [](Disk& d) { d.MoveTree("\\a", "\\zz"); },
         {{Change::Kind::renamedOldName, "a"}, {Change::Kind::renamedNewName, "zz"}}},
        {"renamed at depth 2 past a prefixing sibling",
         [](Disk& d) { d.MoveTree("\\Program Files", "\\Program Files (x87)"); },
         {{Change::Kind::renamedOldName, "Program Files"},
          {Change::Kind::renamedNewName, "Program Files (x87)"}}},
        {"renamed, case only",
         [](Disk& d) { d.MoveTree("\\a\\y", "\\a\\Y"); },
         {{Change::Kind::renamedOldName, "a\\y"}, {Change::Kind::renamedNewName, "a\\Y"}}},
        {"moved to another parent",
         [](Disk& d) { d.MoveTree("\\z\\1", "\\a\\x\\1"); },
         {{Change::Kind::renamedOldName, "z\\1"}, {Change::Kind::renamedNewName, "a\\x\\1"}}},
        {"moved out of the drive's tree",
         [](Disk& d) { d.RemoveTree("\\a\\x"); },
         {{Change::Kind::renamedOldName, "a\\x"}}},
        {"subtree moved in",
         [](Disk& d) {
             for (const char* p : {"\\b\\in", "\\b\\in\\one", "\\b\\in\\one\\two", "\\b\\in\\One"}) d.Make(p);
         },
         {{Change::Kind::added, "b\\in"}}},
        {"moved in under a new name only",
         [](Disk& d) { d.Make("\\q"); },
         {{Change::Kind::renamedNewName, "q"}}},
        {"made, filled and renamed before the watch was read",
         [](Disk& d) {
             d.Make("\\new");
             d.Make("\\new\\inner");
             d.MoveTree("\\new", "\\newer");
         },
         {{Change::Kind::added, "new"},
          {Change::Kind::added, "new\\inner"},
          {Change::Kind::renamedOldName, "new"},
          {Change::Kind::renamedNewName, "newer"}}},
        {"made below a directory that is then renamed",
         [](Disk& d) {
             d.Make("\\a\\fresh");
             d.MoveTree("\\a", "\\c");
         },
         {{Change::Kind::added, "a\\fresh"},
          {Change::Kind::renamedOldName, "a"},
          {Change::Kind::renamedNewName, "c"}}},
        {"removed and made again",
         [](Disk& d) {
             d.RemoveTree("\\b");
             d.Make("\\b");
             d.Make("\\b\\again");
         },
         {{Change::Kind::removed, "b"}, {Change::Kind::added, "b"}, {Change::Kind::added, "b\\again"}}},
        {"reported twice",
         [](Disk& d) { d.Make("\\m"); },
         {{Change::Kind::added, "m"}, {Change::Kind::added, "m\\"}}},
        {"gone before it was read",
         [](Disk&) {},
         {{Change::Kind::added, "ghost"}, {Change::Kind::removed, "ghost"}}},
        {"a file, reported by mistake",
         [](Disk& d) { d.Make("\\b\\f.txt", 0x20); },
         {{Change::Kind::added, "b\\f.txt"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Disk disk;
        Populate(disk);
        RowStore rows = Scan(disk);
        c.change(disk);
        EXPECT_NE(Update(disk, rows, c.reported), ApplyResult::rescanNeeded);
        EXPECT_EQ(AllRows(rows), AllRows(Scan(disk)));
    }
}

TEST(LiveUpdate, NewDirectoriesFollowTheScansFiltersAndReparsePointsAreNotEntered) {
    const ScanFilter noHiddenNoSystem{true, false, false};
    Disk disk;
    Populate(disk);
    disk.Make("\\secret", kDir | kAttrHidden);
    RowStore rows = Scan(disk, noHiddenNoSystem);

    disk.Make("\\h", kDir | kAttrHidden);
    disk.Make("\\s", kDir | kAttrSystem);
    disk.Make("\\r", kDir | kAttrReadOnly);
    disk.Make("\\secret\\below");  // under a directory the scan leaves out
    disk.Make("\\link", kDir | kAttrReparsePoint);
    disk.Make("\\link\\through");  // what the link would show
    disk.Make("\\b\\in", kDir);
    disk.Make("\\b\\in\\hid", kDir | kAttrHidden);  // inside a subtree moved in
    disk.Make("\\b\\in\\shown", kDir);
    Update(disk, rows,
           {{Change::Kind::added, "h"},
            {Change::Kind::added, "s"},
            {Change::Kind::added, "r"},
            {Change::Kind::added, "secret\\below"},
            {Change::Kind::added, "link"},
            {Change::Kind::added, "b\\in"}},
           nullptr, noHiddenNoSystem);
    EXPECT_EQ(AllRows(rows), AllRows(Scan(disk, noHiddenNoSystem)));
    EXPECT_EQ(FindRow(rows, "\\link\\through"), SIZE_MAX);
    EXPECT_NE(FindRow(rows, "\\link"), SIZE_MAX);
    EXPECT_NE(FindRow(rows, "\\r"), SIZE_MAX);
    EXPECT_EQ(FindRow(rows, "\\h"), SIZE_MAX);

    // A hidden directory renamed is still left out; one renamed into a
    // hidden directory leaves the rows.
    disk.MoveTree("\\secret", "\\secret2");
    disk.MoveTree("\\a", "\\secret2\\a");
    Update(disk, rows,
           {{Change::Kind::renamedOldName, "secret"},
            {Change::Kind::renamedNewName, "secret2"},
            {Change::Kind::renamedOldName, "a"},
            {Change::Kind::renamedNewName, "secret2\\a"}},
           nullptr, noHiddenNoSystem);
    EXPECT_EQ(AllRows(rows), AllRows(Scan(disk, noHiddenNoSystem)));
}

TEST(LiveUpdate, OverflowAsksForARescanAndLeavesTheRows) {
    Disk disk;
    Populate(disk);
    RowStore rows = Scan(disk);
    const RowStore before = rows;
    EXPECT_EQ(Update(disk, rows, {{Change::Kind::overflow, ""}}), ApplyResult::rescanNeeded);
    EXPECT_TRUE(rows == before);
}

TEST(LiveUpdate, EditsTellWhereEveryRemainingRowWent) {
    Disk disk;
    Populate(disk);
    RowStore rows = Scan(disk);
    const std::vector<std::string> before = AllRows(rows);
    disk.MoveTree("\\z", "\\Program Files\\z");
    disk.Make("\\a\\x\\deep\\er");
    std::vector<RowsEdit> edits;
    Update(disk, rows,
           {{Change::Kind::renamedOldName, "z"},
            {Change::Kind::renamedNewName, "Program Files\\z"},
            {Change::Kind::added, "a\\x\\deep\\er"}},
           &edits);
    ASSERT_FALSE(edits.empty());
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i].compare(0, 2, "\\z") == 0) continue;  // moved: the selection stays near
        const size_t now = RowAfterEdits(i, edits);
        ASSERT_LT(now, rows.size()) << before[i];
        EXPECT_EQ(rows.Path(now), before[i]);
    }
}

// Random changes at every depth, each reported as the system reports it and
// read from the disk some changes later: the rows are always those of a rescan.
TEST(LiveUpdate, RandomChangesAlwaysGiveTheRowsOfARescan) {
    std::mt19937 rng(11);
    const char* names[] = {"a", "A",  "b", "a b", "a-b", "ab", "Program Files", "Program Files (x86)",
                           "z", "a.b"};
    for (int round = 0; round < 30; ++round) {
        Disk disk;
        Populate(disk);
        const ScanFilter filter{true, round % 2 == 0, true};
        RowStore rows = Scan(disk, filter);
        std::vector<Change> pending;
        for (int step = 0; step < 60; ++step) {
            const std::vector<std::string> dirs = disk.Dirs();
            const std::string some = dirs.empty() ? "" : dirs[rng() % dirs.size()];
            const std::string parent = rng() % 4 == 0 || dirs.empty() ? "" : some;
            const std::string fresh = parent + "\\" + names[rng() % std::size(names)];
            const auto rel = [](const std::string& row) { return row.substr(1); };
            switch (rng() % 5) {
                case 0:
                case 1:
                    if (disk.Has(fresh)) break;
                    disk.Make(fresh, rng() % 6 == 0 ? kDir | kAttrHidden : kDir);
                    pending.push_back({Change::Kind::added, rel(fresh)});
                    break;
                case 2: {
                    if (some.empty()) break;
                    // Deepest first, as a recursive delete reports it.
                    std::vector<std::string> gone;
                    for (const std::string& d : dirs) {
                        if (d == some || d.compare(0, some.size() + 1, some + "\\") == 0) gone.push_back(d);
                    }
                    disk.RemoveTree(some);
                    for (auto it = gone.rbegin(); it != gone.rend(); ++it)
                        pending.push_back({Change::Kind::removed, rel(*it)});
                    break;
                }
                case 3: {
                    if (some.empty() || disk.Has(fresh) ||
                        fresh.compare(0, some.size() + 1, some + "\\") == 0)
                        break;
                    disk.MoveTree(some, fresh);
                    pending.push_back({Change::Kind::renamedOldName, rel(some)});
                    pending.push_back({Change::Kind::renamedNewName, rel(fresh)});
                    break;
                }
                default: {
                    // A subtree moved in from another drive.
                    if (disk.Has(fresh)) break;
                    disk.Make(fresh);
                    disk.Make(fresh + "\\in");
                    disk.Make(fresh + "\\in\\deeper");
                    pending.push_back({Change::Kind::added, rel(fresh)});
                    break;
                }
            }
            if (rng() % 3 == 0) {
                Update(disk, rows, pending, nullptr, filter);
                pending.clear();
                ASSERT_EQ(AllRows(rows), AllRows(Scan(disk, filter)))
                    << "round " << round << " step " << step;
            }
        }
        Update(disk, rows, pending, nullptr, filter);
        ASSERT_EQ(AllRows(rows), AllRows(Scan(disk, filter))) << "round " << round;
    }
}

}  // namespace
}  // namespace tarvolo

namespace tarvolo {
namespace {

// A drive not on screen: its changes are kept and applied to its index file's
// rows later, and those the file already holds may be handed on a second time.
TEST(LiveUpdate, ChangesKeptForAnIndexFileGiveTheRowsOfARescanEvenWhenAppliedTwice) {
    Disk disk;
    Populate(disk);
    RowStore rows = Scan(disk);
    const AsciiCollator collator;
    const std::vector<Change> reported = {{Change::Kind::added, "m"},
                                          {Change::Kind::removed, "z\\1\\2\\3"},
                                          {Change::Kind::renamedOldName, "a"},
                                          {Change::Kind::renamedNewName, "q"},
                                          {Change::Kind::added, "q\\new"}};
    disk.Make("\\m");
    disk.RemoveTree("\\z\\1\\2\\3");
    disk.MoveTree("\\a", "\\q");
    disk.Make("\\q\\new");
    const std::vector<ResolvedChange> kept = ResolveChanges(reported, "C:\\", {}, disk, collator);

    EXPECT_EQ(ApplyChanges(kept, collator, rows), ApplyResult::changed);
    EXPECT_EQ(AllRows(rows), AllRows(Scan(disk)));
    // Carried along when the drive is chosen, onto a file that already holds them.
    EXPECT_EQ(ApplyChanges(kept, collator, rows), ApplyResult::unchanged);
    EXPECT_EQ(AllRows(rows), AllRows(Scan(disk)));
    EXPECT_EQ(ApplyChanges({}, collator, rows), ApplyResult::unchanged);
}

TEST(LiveUpdate, AChangeLostAmongKeptChangesAsksForARescan) {
    Disk disk;
    Populate(disk);
    RowStore rows = Scan(disk);
    const AsciiCollator collator;
    disk.Make("\\m");
    const std::vector<ResolvedChange> kept = ResolveChanges(
        {{Change::Kind::added, "m"}, {Change::Kind::overflow, ""}}, "C:\\", {}, disk, collator);
    EXPECT_EQ(ApplyChanges(kept, collator, rows), ApplyResult::rescanNeeded);
}

}  // namespace
}  // namespace tarvolo
