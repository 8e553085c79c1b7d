// The rules that leave directories out: what they match, what they refuse,
// and that every walk and every live change keeps to them.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "bench/TreeDisk.h"
#include "index/LeaveOut.h"
#include "index/LiveUpdate.h"
#include "index/Scan.h"

namespace tarvolo {
namespace {

// ASCII upper case and the one accented letter the tables use: a folding that
// is not the ASCII one, as the locale's is.
struct AccentFolder : CaseFolder {
    std::string Upper(std::string_view utf8) const override {
        std::string out = AsciiCaseFolder().Upper(utf8);
        for (size_t at; (at = out.find("\xC3\xA9")) != std::string::npos;) out.replace(at, 2, "\xC3\x89");
        return out;
    }
};
const AccentFolder kFolder;

std::shared_ptr<const LeaveOut> Rules(const std::vector<std::string>& rules) {
    return std::make_shared<const LeaveOut>(rules, kFolder);
}

TEST(LeaveOutRules, SplitDropsEmptyRulesAndBlanks) {
    struct Case {
        const char* text;
        std::vector<std::string> rules;
    };
    const Case cases[] = {
        {"", {}},
        {" ; ;", {}},
        {"node_modules;.git", {"node_modules", ".git"}},
        {";node_modules;;  .git ;", {"node_modules", ".git"}},
        {"Temp*; D:\\Data\\Cache", {"Temp*", "D:\\Data\\Cache"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitLeaveOutRules(c.text), c.rules) << c.text;
        EXPECT_EQ(SplitLeaveOutRules(JoinLeaveOutRules(c.rules)), c.rules) << c.text;
    }
}

TEST(LeaveOutRules, RefusesWhatWouldEmptyADriveOrCannotMatch) {
    struct Case {
        const char* rule;
        bool taken;
    };
    const Case cases[] = {
        {"node_modules", true},
        {".git", true},
        {"Temp*", true},
        {"??*", true},  // names of two characters or more: not every name
        {"D:\\Data\\Cache", true},
        {"\\Data\\Cache", true},
        {"D:/Data/Cache/", true},
        {"", false},
        {"   ", false},
        {"*", false},
        {"**", false},
        {"?*", false},
        {"*?", false},
        {"D:\\", false},
        {"\\", false},
        {"D:", false},
        {"Data\\Cache", false},
        {"D:\\Data\\*", false},
        {"\\Data\\\\Cache", false},
        {"a:b", false},
        {"a;b", false},
    };
    for (const Case& c : cases) {
        const std::string error = LeaveOutRuleError(c.rule);
        EXPECT_EQ(error.empty(), c.taken) << "\"" << c.rule << "\": " << error;
    }
    // Every drive, not a file's folder alone, is what "*" would empty: the words say so.
    EXPECT_NE(LeaveOutRuleError("*").find("every folder"), std::string::npos);
}

TEST(LeaveOutRules, MatchWholeNamesAndPathsInTheProgramsFolding) {
    struct Case {
        std::vector<std::string> rules;
        const char* dir;
        const char* name;
        bool out;
    };
    const Case cases[] = {
        {{"node_modules"}, "C:\\p\\", "node_modules", true},
        {{"node_modules"}, "C:\\p\\", "NODE_Modules", true},
        {{"node_modules"}, "C:\\p\\", "node_modules_notes", false},
        {{"node_modules"}, "C:\\p\\", "my_node_modules", false},
        {{".git"}, "C:\\", ".git", true},
        {{".git"}, "C:\\", ".github", false},
        {{"Temp*"}, "C:\\", "temporary", true},
        {{"Temp*"}, "C:\\", "Temp", true},
        {{"Temp*"}, "C:\\", "MyTemp", false},
        {{"*.tmp"}, "C:\\x\\", "a.b.TMP", true},
        {{"*.tmp"}, "C:\\x\\", "a.tmp.old", false},
        {{"cache?"}, "C:\\", "cache1", true},
        {{"cache?"}, "C:\\", "cache", false},
        {{"cache?"}, "C:\\", "cache12", false},
        {{"cache?"}, "C:\\", "cache\xC3\xA9", true},  // '?' is one character, not one byte
        {{"caf\xC3\xA9"}, "C:\\", "CAF\xC3\x89", true},
        {{"caf\xC3\xA9"}, "C:\\", "CAFE", false},
        {{"D:\\Data\\Cache"}, "D:\\Data\\", "Cache", true},
        {{"D:\\Data\\Cache"}, "d:\\DATA\\", "cache", true},
        {{"D:\\Data\\Cache"}, "C:\\Data\\", "Cache", false},
        {{"D:\\Data\\Cache"}, "D:\\Other\\Data\\", "Cache", false},
        {{"D:\\Data\\Cache"}, "D:\\", "Cache", false},
        {{"D:\\Data\\Cache"}, "D:\\Data\\Cache\\", "x", false},  // below it: never listed at all
        {{"\\Data\\Cache"}, "C:\\Data\\", "Cache", true},
        {{"\\Data\\Cache"}, "E:\\data\\", "CACHE", true},
        {{"\\Data\\Cache"}, "E:\\", "Cache", false},
        {{"*"}, "C:\\", "anything", false},  // refused, so never applied
        {{"*", "node_modules"}, "C:\\", "node_modules", true},
        {{}, "C:\\", "node_modules", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Rules(c.rules)->LeavesOut(c.dir, c.name), c.out)
            << (c.rules.empty() ? "" : c.rules[0]) << " on " << c.dir << c.name;
    }
}

TEST(LeaveOutRules, ARowIsLeftOutWithEverythingAboveIt) {
    const auto rules = Rules({"node_modules", "\\Data\\Cache"});
    EXPECT_TRUE(rules->LeavesOutRow("C:\\", "\\p\\node_modules"));
    EXPECT_TRUE(rules->LeavesOutRow("C:\\", "\\p\\node_modules\\lib\\x"));
    EXPECT_TRUE(rules->LeavesOutRow("D:\\", "\\Data\\Cache\\1"));
    EXPECT_FALSE(rules->LeavesOutRow("D:\\", "\\Data\\Cached"));
    EXPECT_FALSE(rules->LeavesOutRow("C:\\", "\\p\\lib"));
    EXPECT_FALSE(rules->LeavesOutRow("C:\\", "\\"));
    EXPECT_EQ(rules->Rules(), (std::vector<std::string>{"node_modules", "\\Data\\Cache"}));
}

// A developer's disk: two projects with their package folders and repositories.
TreeDisk DevDisk() {
    TreeDisk disk;
    for (const char* row :
         {"\\p", "\\p\\src", "\\p\\node_modules", "\\p\\node_modules\\lib", "\\p\\node_modules\\lib\\src",
          "\\p\\.git", "\\p\\.git\\objects", "\\p\\node_modules_notes", "\\q", "\\q\\.git", "\\Data",
          "\\Data\\Cache", "\\Data\\Cache\\1", "\\Data\\Cached"})
        disk.Make(row);
    return disk;
}

// Counts the directories the walk asked for: a left-out one must never be listed.
struct CountingDisk : DirectoryLister {
    explicit CountingDisk(TreeDisk& d) : disk(d) {}
    bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            listed.insert(dir);
        }
        return disk.List(dir, each);
    }
    TreeDisk& disk;
    std::mutex mutex;
    std::set<std::string> listed;
};

struct Quiet : ScanObserver {
    void Progress(uint32_t) override {}
    void Pump() override {}
    bool CancelRequested() override { return false; }
};

std::vector<std::string> Paths(const RowStore& rows) {
    std::vector<std::string> out;
    for (size_t i = 0; i < rows.size(); ++i) out.emplace_back(rows.Path(i));
    return out;
}

TEST(LeaveOutRules, BothWalksLeaveOutTheSubtreeWithoutListingIt) {
    TreeDisk disk = DevDisk();
    ScanFilter filter;
    filter.leaveOut = Rules({"node_modules", ".git", "C:\\Data\\Cache"});
    const std::vector<std::string> expected = {
        "\\", "\\Data", "\\Data\\Cached", "\\p", "\\p\\node_modules_notes", "\\p\\src", "\\q"};
    for (const bool parallel : {false, true}) {
        CountingDisk counting(disk);
        Quiet quiet;
        const RowStore rows =
            parallel ? WalkDirectoriesParallel("C:\\", filter, counting, AsciiCollator(), quiet, 3)
                     : WalkDirectories("C:\\", filter, counting, AsciiCollator(), quiet);
        EXPECT_EQ(Paths(rows), expected) << (parallel ? "parallel" : "sequential");
        for (const std::string& dir : counting.listed) {
            EXPECT_EQ(dir.find("node_modules\\"), std::string::npos) << dir;
            EXPECT_EQ(dir.find(".git"), std::string::npos) << dir;
            EXPECT_EQ(dir.find("Cache\\"), std::string::npos) << dir;
        }
    }
    // The same path rule on another drive leaves nothing out there.
    Quiet quiet;
    filter.leaveOut = Rules({"D:\\Data\\Cache"});
    const RowStore rows = WalkDirectories("C:\\", filter, disk, AsciiCollator(), quiet);
    EXPECT_EQ(rows.size(), 15u);
}

TEST(LeaveOutRules, LiveChangesKeepToTheRules) {
    TreeDisk disk = DevDisk();
    ScanFilter filter;
    filter.leaveOut = Rules({"node_modules"});
    Quiet quiet;
    RowStore rows = WalkDirectories("C:\\", filter, disk, AsciiCollator(), quiet);
    const RowStore before = rows;

    // A folder made under a left-out name, and one made below it: neither becomes a row.
    disk.Make("\\q\\node_modules");
    disk.Make("\\q\\node_modules\\x");
    // A folder renamed to a left-out name leaves with its subtree.
    disk.MoveTree("\\p\\src", "\\p\\Node_Modules");
    // A folder renamed away from one is walked as a new directory is.
    disk.MoveTree("\\p\\node_modules", "\\p\\packages");
    const std::vector<DirectoryChange> reported = {
        {DirectoryChange::Kind::added, "q\\node_modules"},
        {DirectoryChange::Kind::added, "q\\node_modules\\x"},
        {DirectoryChange::Kind::renamedOldName, "p\\src"},
        {DirectoryChange::Kind::renamedNewName, "p\\Node_Modules"},
        {DirectoryChange::Kind::renamedOldName, "p\\node_modules"},
        {DirectoryChange::Kind::renamedNewName, "p\\packages"},
    };
    const std::vector<ResolvedChange> resolved =
        ResolveChanges(reported, "C:\\", filter, disk, AsciiCollator());
    ASSERT_EQ(resolved.size(), 4u);
    EXPECT_FALSE(resolved[0].becomesRow);
    EXPECT_FALSE(resolved[1].becomesRow);
    EXPECT_FALSE(resolved[2].becomesRow);
    EXPECT_TRUE(resolved[3].becomesRow);
    const BatchOutcome outcome = ApplyBatch(rows, resolved, AsciiCollator());
    ASSERT_TRUE(outcome.changed);
    EXPECT_EQ(Paths(outcome.rows), Paths(WalkDirectories("C:\\", filter, disk, AsciiCollator(), quiet)));
}

TEST(LeaveOutRules, NewRulesTakeOutTheTopmostLeftOutRowsOnly) {
    TreeDisk disk = DevDisk();
    Quiet quiet;
    const RowStore rows = WalkDirectories("C:\\", ScanFilter{}, disk, AsciiCollator(), quiet);
    ScanFilter filter;
    filter.leaveOut = Rules({"node_modules", "lib", ".git", "\\Data\\Cache"});
    std::vector<std::string> removed;
    for (const ResolvedChange& c : LeftOutRemovals(rows, "C:\\", *filter.leaveOut)) {
        EXPECT_EQ(c.kind, DirectoryChange::Kind::removed);
        removed.push_back(c.row);
    }
    EXPECT_EQ(removed,
              (std::vector<std::string>{"\\Data\\Cache", "\\p\\.git", "\\p\\node_modules", "\\q\\.git"}));
    const BatchOutcome outcome =
        ApplyBatch(rows, LeftOutRemovals(rows, "C:\\", *filter.leaveOut), AsciiCollator());
    EXPECT_EQ(Paths(outcome.rows), Paths(WalkDirectories("C:\\", filter, disk, AsciiCollator(), quiet)));
    EXPECT_TRUE(LeftOutRemovals(rows, "C:\\", LeaveOut()).empty());
}

}  // namespace
}  // namespace tarvolo
