#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
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

    // Called by several workers at once in the parallel walk; the map itself
    // is only read during a walk.
    bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            listed.push_back(dir);
            if (onList) onList(dir);
        }
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
    std::mutex mutex_;
    std::map<std::string, std::vector<std::pair<std::string, uint32_t>>> dirs_;
};

struct FakeObserver : ScanObserver {
    void Progress(uint32_t count) override { progress.push_back(count); }
    void Pump() override { ++pumps; }
    bool CancelRequested() override { return ++cancelChecks == cancelAtCheck; }
    void Ended(bool complete) override { ended.push_back(complete); }
    void RootUnlisted() override { ++rootUnlisted; }
    void Unlisted(std::string_view row) override { unlisted.emplace_back(row); }

    std::vector<uint32_t> progress;
    std::vector<std::string> unlisted;
    int rootUnlisted = 0;
    std::vector<bool> ended;
    int pumps = 0;
    int cancelChecks = 0;
    int cancelAtCheck = -1;
};

std::vector<std::string> AllRows(const RowStore& rows) {
    std::vector<std::string> out;
    for (size_t i = 0; i < rows.size(); ++i) out.emplace_back(rows.Path(i));
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
        {{true, true, true, nullptr},
         {"\\", "\\both", "\\hidden", "\\hidden\\below", "\\plain", "\\readonly", "\\system"}},
        {{false, true, true, nullptr},
         {"\\", "\\both", "\\hidden", "\\hidden\\below", "\\plain", "\\readonly", "\\system"}},
        {{true, false, true, nullptr}, {"\\", "\\plain", "\\readonly", "\\system"}},
        {{true, true, false, nullptr}, {"\\", "\\hidden", "\\hidden\\below", "\\plain", "\\readonly"}},
        {{false, false, false, nullptr}, {"\\", "\\plain", "\\readonly"}},
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

    FakeFs empty;
    FakeObserver observer;
    EXPECT_EQ(Walk(empty, {}, &observer), std::vector<std::string>{"\\"});
    EXPECT_EQ(observer.rootUnlisted, 0) << "an empty drive is listed, not failed";
}

// A drive that lists its root and then nothing more: pulled during the walk.
struct PulledDrive : DirectoryLister {
    explicit PulledDrive(DirectoryLister& disk) : disk_(disk) {}
    bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return listings_++ == 0 && disk_.List(dir, each);
    }

private:
    DirectoryLister& disk_;
    std::mutex mutex_;
    int listings_ = 0;
};

// What a walk gives when listings fail, sequential and parallel alike: a root
// that cannot be listed, or a drive gone during the walk, is a failed walk (the
// rows replace nothing); a folder below the root that fails is a row without
// children, told to the observer so that the caller keeps what it knew of it.
TEST(WalkDirectories, ListingsThatFail) {
    const struct {
        const char* name;
        std::vector<std::string> unlistable;
        bool pulled;
        bool rootUnlisted;
        std::vector<std::string> rows;
        std::vector<std::string> unlisted;
    } cases[] = {
        {"whole drive",
         {},
         false,
         false,
         {"\\", "\\a", "\\a\\x", "\\a\\x\\deep", "\\b", "\\b\\y", "\\c"},
         {}},
        {"root denied", {"C:\\"}, false, true, {"\\"}, {}},
        {"a folder denied", {"C:\\a\\"}, false, false, {"\\", "\\a", "\\b", "\\b\\y", "\\c"}, {"\\a"}},
        {"two deep and shallow",
         {"C:\\a\\x\\", "C:\\c\\"},
         false,
         false,
         {"\\", "\\a", "\\a\\x", "\\b", "\\b\\y", "\\c"},
         {"\\a\\x", "\\c"}},
        {"pulled after its root was listed", {}, true, true, {"\\"}, {}},
    };
    for (const auto& c : cases) {
        for (const unsigned threads : {0u, 1u, 3u}) {
            FakeFs fs;
            for (const char* d : {"a", "a\\x", "a\\x\\deep", "b", "b\\y", "c"}) fs.Dir(d);
            for (const std::string& dir : c.unlistable) fs.Unlistable(dir);
            PulledDrive pulled(fs);
            DirectoryLister& lister = c.pulled ? static_cast<DirectoryLister&>(pulled) : fs;
            FakeObserver observer;
            const RowStore rows =
                threads == 0
                    ? WalkDirectories("C:\\", {}, lister, AsciiCollator(), observer)
                    : WalkDirectoriesParallel("C:\\", {}, lister, AsciiCollator(), observer, threads);
            const std::string where = std::string(c.name) + ", threads " + std::to_string(threads);
            EXPECT_EQ(AllRows(rows), c.rows) << where;
            EXPECT_EQ(observer.rootUnlisted, c.rootUnlisted ? 1 : 0) << where;
            std::vector<std::string> unlisted = observer.unlisted;
            std::sort(unlisted.begin(), unlisted.end());
            EXPECT_EQ(unlisted, c.unlisted) << where;
            EXPECT_EQ(observer.ended.size(), 1u) << where;
            if (c.rootUnlisted) {
                EXPECT_EQ(observer.progress.back(), 0u) << where << ": a failed walk counts nothing";
            }
        }
    }
}

RowStore RowsOf(const std::vector<std::string>& paths) {
    RowStore rows;
    for (const std::string& p : paths) rows.Append(p);
    return rows;
}

// A folder that could not be listed keeps the rows known below it; a folder
// never listable, and rows elsewhere, bring nothing back.
TEST(KeepKnownBelow, AFolderThatFailedKeepsWhatWasKnownOfIt) {
    const RowStore known = RowsOf({"\\", "\\a", "\\a\\old", "\\a\\old\\deeper", "\\a\\x", "\\ab", "\\ab\\k",
                                   "\\b", "\\b\\gone", "\\c"});
    const struct {
        const char* name;
        std::vector<std::string> walked;
        std::vector<std::string> unlisted;
        std::vector<std::string> after;
        size_t added;
    } cases[] = {
        {"nothing failed", {"\\", "\\a", "\\b"}, {}, {"\\", "\\a", "\\b"}, 0},
        {"a failed: its subtree comes back, not that of ab",
         {"\\", "\\a", "\\ab", "\\b", "\\new"},
         {"\\a"},
         {"\\", "\\a", "\\a\\old", "\\a\\old\\deeper", "\\a\\x", "\\ab", "\\b", "\\new"},
         3},
        {"a deep folder failed",
         {"\\", "\\a", "\\a\\old", "\\a\\x", "\\b"},
         {"\\a\\old"},
         {"\\", "\\a", "\\a\\old", "\\a\\old\\deeper", "\\a\\x", "\\b"},
         1},
        {"a folder known empty, one not known at all",
         {"\\", "\\c", "\\d"},
         {"\\c", "\\d"},
         {"\\", "\\c", "\\d"},
         0},
    };
    for (const auto& c : cases) {
        RowStore walked = RowsOf(c.walked);
        EXPECT_EQ(KeepKnownBelow(walked, known, c.unlisted, AsciiCollator()), c.added) << c.name;
        EXPECT_EQ(AllRows(walked), c.after) << c.name;
    }
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

// The scan window tells the user a scan was canceled only when the cancel cut
// something: one that comes once every directory is listed leaves a whole index.
TEST(WalkDirectories, EndedSaysWhetherACancelCutTheWalkShort) {
    FakeFs fs;
    for (const char* d : {"e", "d", "c", "b", "a"}) fs.Dir(d);
    fs.Dir("e\\inner");
    FakeObserver counting;
    Walk(fs, {}, &counting);
    const int lastCheck = counting.cancelChecks;  // after the last directory's listing
    const struct {
        int cancelAt;
        bool complete;
    } cases[] = {{-1, true}, {3, false}, {6, false}, {lastCheck - 1, false}, {lastCheck, true}};
    for (const auto& c : cases) {
        FakeObserver observer;
        observer.cancelAtCheck = c.cancelAt;
        const std::vector<std::string> rows = Walk(fs, {}, &observer);
        EXPECT_EQ(observer.ended, std::vector<bool>{c.complete}) << "cancel at check " << c.cancelAt;
        if (c.complete) {
            EXPECT_EQ(rows.size(), 7u) << "cancel at check " << c.cancelAt;
        }
    }
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

// A tree of one of several shapes, names drawn so that siblings tie in case
// and collide with prefixes, with every attribute the walk treats apart.
void GrowTree(FakeFs& fs, std::mt19937& rng, int shape, int count) {
    static const char* const kNames[] = {"a",
                                         "A",
                                         "b",
                                         "a b",
                                         "a-b",
                                         "a (x)",
                                         "ab",
                                         "Program Files",
                                         "Program Files (x86)",
                                         "z",
                                         "a.b",
                                         "[c]",
                                         "Caf\xC3\xA9",
                                         "\xE6\x97\xA5"};
    std::vector<std::string> dirs;
    std::set<std::string> seen;
    for (int i = 0; i < count; ++i) {
        std::string parent;
        if (!dirs.empty()) {
            switch (shape) {
                case 0:
                    parent = rng() % 8 ? "" : dirs[rng() % dirs.size()];
                    break;  // wide root
                case 1:
                    parent = dirs.back();
                    break;  // one deep chain
                case 2:
                    parent = dirs[dirs.size() - 1 - rng() % std::min<size_t>(dirs.size(), 3)];
                    break;
                default:
                    parent = rng() % 5 ? dirs[rng() % dirs.size()] : "";
                    break;  // bushy
            }
        }
        std::string name = kNames[rng() % std::size(kNames)];
        if (rng() % 3 == 0) name += std::to_string(i);
        const std::string path = parent.empty() ? name : parent + "\\" + name;
        if (!seen.insert(path).second) continue;
        uint32_t attributes = kDir;
        switch (rng() % 12) {
            case 0:
                attributes |= kAttrHidden;
                break;
            case 1:
                attributes |= kAttrSystem;
                break;
            case 2:
                attributes |= kAttrReadOnly;
                break;
            case 3:
                attributes |= kAttrReparsePoint;
                break;
            case 4:
                attributes |= kAttrHidden | kAttrSystem | kAttrReparsePoint;
                break;
            default:
                break;
        }
        fs.Dir(path, attributes);
        dirs.push_back(path);
        if (rng() % 4 == 0) fs.File("C:\\" + path + "\\", "file" + std::to_string(i) + ".txt");
        if (rng() % 3 == 0) fs.File("C:\\" + parent + (parent.empty() ? "" : "\\"), name + ".dir");
    }
    for (int i = 0; i < count / 20; ++i) fs.Unlistable("C:\\" + dirs[rng() % dirs.size()] + "\\");
}

TEST(WalkDirectoriesParallel, SameRowsAsTheWalkOnManyTrees) {
    std::mt19937 rng(13);
    const ScanFilter filters[] = {{true, true, true}, {true, false, true}, {false, true, false}};
    for (int round = 0; round < 48; ++round) {
        FakeFs fs;
        const int shape = round % 4;
        GrowTree(fs, rng, shape, round % 3 == 0 ? 600 : 80);
        const ScanFilter& filter = filters[round % std::size(filters)];
        FakeObserver sequentialObserver;
        const RowStore expected = WalkDirectories("C:\\", filter, fs, AsciiCollator(), sequentialObserver);
        for (const unsigned threads : {1u, 2u, 3u, 8u}) {
            SCOPED_TRACE(testing::Message()
                         << "round " << round << " shape " << shape << " threads " << threads);
            FakeObserver observer;
            const RowStore rows =
                WalkDirectoriesParallel("C:\\", filter, fs, AsciiCollator(), observer, threads);
            ASSERT_EQ(AllRows(rows), AllRows(expected));
            ASSERT_TRUE(rows == expected);
            ASSERT_FALSE(observer.progress.empty());
            EXPECT_EQ(observer.progress.back(), rows.size() - 1);
            EXPECT_TRUE(std::is_sorted(observer.progress.begin(), observer.progress.end()));
        }
    }
}

// The observer is the calling thread's: the workers never call it.
struct ThreadCheckingObserver : ScanObserver {
    void Progress(uint32_t) override { Check(); }
    void Pump() override {
        Check();
        ++pumps;
    }
    bool CancelRequested() override {
        Check();
        return cancelAfterPumps >= 0 && pumps > cancelAfterPumps;
    }
    void Check() { others += std::this_thread::get_id() != owner; }

    std::thread::id owner = std::this_thread::get_id();
    int others = 0;
    int pumps = 0;
    int cancelAfterPumps = -1;
};

// Lists without end: every directory has ever more subdirectories.
struct EndlessLister : DirectoryLister {
    bool List(const std::string&, const std::function<bool(const DirEntry&)>& each) override {
        for (uint32_t i = 0;; ++i) {
            const std::string name = "d" + std::to_string(i % 50000);
            if (!each(DirEntry{name, kDir})) return true;
        }
    }
};

TEST(WalkDirectoriesParallel, CancelStopsEveryWorkerAndKeepsRowsFoundSoFar) {
    for (const unsigned threads : {1u, 4u}) {
        EndlessLister lister;
        ThreadCheckingObserver observer;
        observer.cancelAfterPumps = 2;
        const RowStore rows = WalkDirectoriesParallel("C:\\", {}, lister, AsciiCollator(), observer, threads);
        EXPECT_EQ(observer.others, 0);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.Path(0), "\\");
        for (size_t i = 1; i < rows.size(); ++i) ASSERT_EQ(rows.Path(i).substr(0, 2), "\\d") << i;
    }

    FakeFs fs;
    std::mt19937 rng(5);
    GrowTree(fs, rng, 3, 400);
    FakeObserver quiet;
    const std::vector<std::string> all = AllRows(WalkDirectories("C:\\", {}, fs, AsciiCollator(), quiet));
    for (const int cancelAt : {1, 2, 3}) {
        FakeObserver observer;
        observer.cancelAtCheck = cancelAt;
        fs.onList = [](const std::string&) { std::this_thread::sleep_for(std::chrono::microseconds(200)); };
        const std::vector<std::string> some =
            AllRows(WalkDirectoriesParallel("C:\\", {}, fs, AsciiCollator(), observer, 3));
        const std::set<std::string> whole(all.begin(), all.end());
        EXPECT_LE(some.size(), all.size()) << cancelAt;
        for (const std::string& row : some)
            EXPECT_EQ(whole.count(row), 1u) << row << " after cancel " << cancelAt;
    }
}

TEST(WalkDirectoriesParallel, EndedSaysWhetherACancelCutTheWalkShort) {
    // A cancel while directories wait to be listed cuts the walk short.
    struct Cancelling : FakeObserver {
        bool CancelRequested() override { return true; }
    };
    FakeFs tree;
    std::mt19937 rng(7);
    GrowTree(tree, rng, 3, 300);
    tree.onList = [](const std::string&) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
    Cancelling early;
    WalkDirectoriesParallel("C:\\", {}, tree, AsciiCollator(), early, 2);
    EXPECT_EQ(early.ended, std::vector<bool>{false});

    // A cancel asked for while the last directory's listing is already done
    // (its worker has not handed the children in yet) cuts nothing.
    struct HeldLister : DirectoryLister {
        bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
            if (dir == "C:\\") {
                each(DirEntry{"only", kDir});
                return true;
            }
            std::unique_lock<std::mutex> lock(mutex);
            return asked.wait_for(lock, std::chrono::seconds(20), [&] { return cancelAsked; });
        }
        std::mutex mutex;
        std::condition_variable asked;
        bool cancelAsked = false;
    } held;
    struct AskingObserver : FakeObserver {
        explicit AskingObserver(HeldLister& held) : lister(held) {}
        bool CancelRequested() override {
            std::lock_guard<std::mutex> lock(lister.mutex);
            lister.cancelAsked = true;
            lister.asked.notify_all();
            return true;
        }
        HeldLister& lister;
    } late(held);
    const RowStore rows = WalkDirectoriesParallel("C:\\", {}, held, AsciiCollator(), late, 2);
    EXPECT_TRUE(held.cancelAsked) << "the walk ended without asking for the cancel";
    EXPECT_EQ(late.ended, std::vector<bool>{true});
    EXPECT_EQ(AllRows(rows), (std::vector<std::string>{"\\", "\\only"}));
}

TEST(WalkDirectoriesParallel, AWorkersFailureIsThrownToTheCaller) {
    struct FailingLister : DirectoryLister {
        bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
            if (dir != "C:\\") throw std::runtime_error("listing failed");
            for (int i = 0; i < 20; ++i) each(DirEntry{"d" + std::to_string(i), kDir});
            return true;
        }
    } lister;
    ThreadCheckingObserver observer;
    EXPECT_THROW(WalkDirectoriesParallel("C:\\", {}, lister, AsciiCollator(), observer, 4),
                 std::runtime_error);
}

TEST(WalkDirectoriesParallel, ThreadCountIsOnePerCoreUpToEight) {
    const unsigned n = ScanThreadCount();
    EXPECT_GE(n, 1u);
    EXPECT_LE(n, 8u);
    if (std::thread::hardware_concurrency() > 0) {
        EXPECT_EQ(n, std::min(std::thread::hardware_concurrency(), 8u));
    }
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
