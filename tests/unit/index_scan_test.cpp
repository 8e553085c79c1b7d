#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "index/Scan.h"

namespace tarvolo {
namespace {

constexpr uint32_t kDir = kAttrDirectory;

// A file system held in a map from directory path ("C:\a\") to its entries.
class FakeFs : public DirectoryLister {
public:
    FakeFs() { dirs_["C:\\"]; }

    // Adds the directory `path` ("a\b") with `attributes`; its parent must exist.
    void Dir(const std::string& path, uint32_t attributes = kDir) {
        const size_t slash = path.rfind('\\');
        const std::string parent = "C:\\" + (slash == std::string::npos ? "" : path.substr(0, slash + 1));
        dirs_.at(parent).push_back({path.substr(slash + 1), attributes});
        dirs_["C:\\" + path + "\\"] = {{".", kDir}, {"..", kDir}};
    }
    void File(const std::string& dir, const std::string& name, uint32_t attributes = 0x20) {
        dirs_.at(dir).push_back({name, attributes});
    }
    void Unlistable(const std::string& dir) { dirs_.erase(dir); }

    bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
        listed.push_back(dir);
        if (onList) onList(dir);
        const auto it = dirs_.find(dir);
        if (it == dirs_.end()) return false;
        for (const auto& [name, attributes] : it->second) {
            if (!each(DirEntry{name, attributes})) break;
        }
        return true;
    }

    std::vector<std::string> listed;
    std::function<void(const std::string&)> onList;

private:
    std::map<std::string, std::vector<std::pair<std::string, uint32_t>>> dirs_;
};

struct FakeObserver : ScanObserver {
    void Progress(uint32_t count) override { progress.push_back(count); }
    void Pump() override { ++pumps; }
    bool CancelRequested() override { return ++cancelChecks == cancelAtCheck; }

    std::vector<uint32_t> progress;
    int pumps = 0;
    int cancelChecks = 0;
    int cancelAtCheck = -1;
};

std::vector<std::string> AllRows(const RowStore& rows) {
    std::vector<std::string> out;
    for (size_t i = 0; i < rows.size(); ++i) out.emplace_back(rows.Row(i));
    return out;
}

std::vector<std::string> Walk(FakeFs& fs, const ScanFilter& filter = {}, FakeObserver* observer = nullptr) {
    FakeObserver local;
    return AllRows(WalkDirectories("C:\\", filter, fs, AsciiCollator(), observer ? *observer : local));
}

TEST(WalkDirectories, SortsComponentwiseAndIgnoresFiles) {
    FakeFs fs;
    for (const char* d : {"Windows", "Program Files (x86)", "B", "Program Files", "a", "abc", "ABC"})
        fs.Dir(d);
    fs.Dir("Program Files\\Common Files");
    fs.Dir("Program Files (x86)\\Zeta");
    fs.Dir("Windows\\System");
    fs.File("C:\\", "pagefile.sys");
    fs.File("C:\\Windows\\", "notepad.exe");
    const std::vector<std::string> expected = {
        "\\",
        "\\a",
        "\\ABC",  // equal keys: the bytes decide, so a second scan gives the same file
        "\\abc",
        "\\B",
        "\\Program Files",
        "\\Program Files\\Common Files",
        "\\Program Files (x86)",
        "\\Program Files (x86)\\Zeta",
        "\\Windows",
        "\\Windows\\System",
    };
    EXPECT_EQ(Walk(fs), expected);
    EXPECT_EQ(fs.listed.front(), "C:\\");
    EXPECT_NE(std::find(fs.listed.begin(), fs.listed.end(), "C:\\Program Files\\Common Files\\"),
              fs.listed.end());
    EXPECT_EQ(fs.listed.size(), 11u);  // every directory once, breadth first from the root
    EXPECT_EQ(fs.listed[1].substr(0, 3), "C:\\");
    EXPECT_EQ(std::count(fs.listed[1].begin(), fs.listed[1].end(), '\\'), 2);
}

TEST(WalkDirectories, AttributeFilter) {
    FakeFs fs;
    fs.Dir("plain");
    fs.Dir("readonly", kDir | kAttrReadOnly);
    fs.Dir("hidden", kDir | kAttrHidden);
    fs.Dir("hidden\\below");
    fs.Dir("system", kDir | kAttrSystem);
    fs.Dir("both", kDir | kAttrHidden | kAttrSystem);
    fs.Dir("volume", kDir | kAttrVolumeLabel);
    struct Case {
        ScanFilter filter;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {{true, true, true},
         {"\\", "\\both", "\\hidden", "\\hidden\\below", "\\plain", "\\readonly", "\\system"}},
        {{false, true, true},
         {"\\", "\\both", "\\hidden", "\\hidden\\below", "\\plain", "\\readonly", "\\system"}},
        {{true, false, true}, {"\\", "\\plain", "\\readonly", "\\system"}},
        {{true, true, false}, {"\\", "\\hidden", "\\hidden\\below", "\\plain", "\\readonly"}},
        {{false, false, false}, {"\\", "\\plain", "\\readonly"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.filter.includeReadOnly << c.filter.includeHidden << c.filter.includeSystem);
        EXPECT_EQ(Walk(fs, c.filter), c.rows);
    }
}

TEST(WalkDirectories, FilterIsReadAgainAtEveryDirectory) {
    FakeFs fs;
    fs.Dir("h", kDir | kAttrHidden);
    fs.Dir("d");
    fs.Dir("d\\dh", kDir | kAttrHidden);
    ScanFilter filter;
    fs.onList = [&](const std::string& dir) {
        if (dir != "C:\\") filter.includeHidden = false;
    };
    EXPECT_EQ(Walk(fs, filter), (std::vector<std::string>{"\\", "\\d", "\\h"}));
}

TEST(WalkDirectories, ReparsePointsAreRowsButNotEntered) {
    FakeFs fs;
    fs.Dir("Users");
    fs.Dir("Users\\me");
    fs.Dir("Documents and Settings", kDir | kAttrReparsePoint | kAttrHidden | kAttrSystem);
    fs.Dir("Documents and Settings\\me");  // what the link would show
    fs.Dir("Users\\me\\loop", kDir | kAttrReparsePoint);
    EXPECT_EQ(Walk(fs), (std::vector<std::string>{"\\", "\\Documents and Settings", "\\Users", "\\Users\\me",
                                                  "\\Users\\me\\loop"}));
    for (const std::string& dir : fs.listed) {
        EXPECT_EQ(dir.find("Documents"), std::string::npos) << dir;
        EXPECT_EQ(dir.find("loop"), std::string::npos) << dir;
    }
}

TEST(WalkDirectories, UnlistableDirectoriesAreSkipped) {
    FakeFs fs;
    fs.Dir("a");
    fs.Dir("a\\x");
    fs.Dir("b");
    fs.Dir("b\\y");
    fs.Unlistable("C:\\a\\");
    EXPECT_EQ(Walk(fs), (std::vector<std::string>{"\\", "\\a", "\\b", "\\b\\y"}));

    FakeFs dead;
    dead.Dir("a");
    dead.Unlistable("C:\\");
    EXPECT_EQ(Walk(dead), std::vector<std::string>{"\\"});
    FakeFs empty;
    EXPECT_EQ(Walk(empty), std::vector<std::string>{"\\"});
}

TEST(WalkDirectories, CancelKeepsTheRowsFoundSoFar) {
    FakeFs fs;
    for (const char* d : {"e", "d", "c", "b", "a"}) fs.Dir(d);
    fs.Dir("e\\inner");
    // After the third entry of the root.
    FakeObserver observer;
    observer.cancelAtCheck = 3;
    EXPECT_EQ(Walk(fs, {}, &observer), (std::vector<std::string>{"\\", "\\c", "\\d", "\\e"}));
    EXPECT_EQ(fs.listed.size(), 1u);

    // After the root's listing is finished (five entries, then the directory check).
    fs.listed.clear();
    FakeObserver afterDir;
    afterDir.cancelAtCheck = 6;
    EXPECT_EQ(Walk(fs, {}, &afterDir), (std::vector<std::string>{"\\", "\\a", "\\b", "\\c", "\\d", "\\e"}));
    EXPECT_EQ(fs.listed.size(), 1u);
}

// A root with many subdirectories, made up as they are listed.
struct WideLister : DirectoryLister {
    uint32_t count = 0;
    bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
        if (dir != "C:\\") return true;
        for (uint32_t i = 0; i < count; ++i) {
            const std::string name = "d" + std::to_string(i);
            if (!each(DirEntry{name, kDir})) break;
        }
        return true;
    }
};

TEST(WalkDirectories, CountDoesNotWrapAt16Bits) {
    WideLister lister;
    lister.count = 70000;
    FakeObserver observer;
    const RowStore rows = WalkDirectories("C:\\", {}, lister, AsciiCollator(), observer);
    EXPECT_EQ(rows.size(), 70001u);
    ASSERT_FALSE(observer.progress.empty());
    EXPECT_EQ(observer.progress.front(), 0u);
    EXPECT_EQ(observer.progress.back(), 70000u);
    EXPECT_GE(observer.pumps, 1);
    EXPECT_TRUE(std::is_sorted(observer.progress.begin(), observer.progress.end()));
}

TEST(SortRowsComponentwise, MatchesTheWalkOnRandomTrees) {
    std::mt19937 rng(7);
    const char* parts[] = {"a", "A", "b", "a b", "a-b", "a (x)", "ab", "B", "z", "a.b", "[c]"};
    for (int round = 0; round < 40; ++round) {
        FakeFs fs;
        std::vector<std::string> paths;
        std::set<std::string> seen;
        for (int i = 0; i < 60; ++i) {
            std::string parent = paths.empty() || rng() % 4 == 0 ? "" : paths[rng() % paths.size()] + "\\";
            const std::string path = parent + parts[rng() % std::size(parts)];
            if (!seen.insert(path).second) continue;
            fs.Dir(path);
            paths.push_back(path);
        }
        const std::vector<std::string> walked = Walk(fs);
        ASSERT_EQ(walked.size(), paths.size() + 1);

        RowStore shuffled;
        std::vector<std::string> copy = walked;
        std::shuffle(copy.begin(), copy.end(), rng);
        for (const std::string& r : copy) shuffled.Append(r);
        SortRowsComponentwise(shuffled, AsciiCollator());
        ASSERT_EQ(AllRows(shuffled), walked);

        // Every directory is directly followed by its whole subtree.
        for (size_t i = 1; i < walked.size(); ++i) {
            const std::string prefix = walked[i] + "\\";
            size_t end = i + 1;
            while (end < walked.size() && walked[end].compare(0, prefix.size(), prefix) == 0) ++end;
            for (size_t j = end; j < walked.size(); ++j) {
                ASSERT_NE(walked[j].compare(0, prefix.size(), prefix), 0)
                    << walked[j] << " after " << walked[i];
            }
        }
    }
}

TEST(SortRowsComponentwise, OddRows) {
    RowStore rows;
    for (const char* r : {"\\b", "loose", "\\", "\\a\\", "\\a", "", "\\A"}) rows.Append(r);
    SortRowsComponentwise(rows, AsciiCollator());
    EXPECT_EQ(AllRows(rows), (std::vector<std::string>{"", "\\", "\\A", "\\a", "\\a\\", "\\b", "loose"}));
}

}  // namespace
}  // namespace tarvolo
