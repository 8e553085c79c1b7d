// The model against files held in memory: what is loaded, what is written, in
// which order, and what is never overwritten.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "model/Model.h"
#include "tests/support/Decoders.h"

namespace tarvolo {
namespace {

// Files by name; a name in `unreadable` exists but cannot be read, one in
// `readOnly` cannot be replaced. Every replacement is logged in order, and in
// `steps` with every removal and new folder.
class MemoryFiles : public FileSystem {
public:
    Read ReadWhole(const std::string& path, std::string& bytes, uint64_t maxBytes) override {
        bytes.clear();
        if (unreadable.count(path)) return Read::unreadable;
        auto it = files.find(path);
        if (it == files.end()) return Read::missing;
        if (it->second.size() > maxBytes) return Read::unreadable;
        bytes = it->second;
        return Read::loaded;
    }
    bool ReplaceWhole(const std::string& path, std::string_view bytes) override {
        written.push_back(path);
        steps.push_back("write " + path);
        if (readOnly.count(path)) return false;
        files[path] = std::string(bytes);
        return true;
    }
    bool Remove(const std::string& path) override {
        steps.push_back("remove " + path);
        return files.erase(path) > 0;
    }
    bool CreateFolder(const std::string& path) override {
        steps.push_back("folder " + path);
        return folders.insert(path).second;
    }
    std::optional<uint64_t> LastWriteTime(const std::string& path) override {
        if (!files.count(path) && !unreadable.count(path)) return std::nullopt;
        auto it = times.find(path);
        return it == times.end() ? 0 : it->second;
    }

    std::map<std::string, std::string> files;
    std::map<std::string, uint64_t> times;  // 0 for a file not listed
    std::set<std::string> unreadable, readOnly, folders;
    std::vector<std::string> written, steps;
};

using Lines = std::vector<std::string>;

class ModelFiles : public ::testing::Test {
protected:
    static std::string P(const char* name) { return std::string("C:\\App\\\\") + name; }
    MemoryFiles files;
    fakes::MarkingDecoder ansi;
    Model model{"C:\\App\\", files, ansi};
};

TEST_F(ModelFiles, NamesFilesAsTheProgramAlwaysHas) {
    EXPECT_EQ(model.SettingsPath(), P("tarvolo.ini"));
    EXPECT_EQ(model.ListPath("history.dir"), P("history.dir"));
}

TEST_F(ModelFiles, LoadsTheThreeListsAndParsesFavoritesOnce) {
    files.files[P("favorites.dir")] = "C:\\Work?16449*0\r\nC:\\Odd*5?7\r\n";
    files.files[P("dialogs.dir")] = "Open\r\nSave As\r\n";
    files.files[P("history.dir")] = "D:\\A\r\nC:\\B";
    EXPECT_TRUE(model.LoadLists().empty());
    ASSERT_EQ(model.favorites.size(), 2u);
    EXPECT_EQ(model.favorites[0].path, "C:\\Work");
    EXPECT_EQ(model.favorites[0].openKey, 16449);
    EXPECT_EQ(model.favorites[0].dialogKey, 0);
    EXPECT_EQ(model.favorites[1].path, "") << "a star before the question mark is no entry";
    EXPECT_EQ(model.dialogs, (Lines{"Open", "Save As"}));
    EXPECT_EQ(model.history, (Lines{"D:\\A", "C:\\B"}));
}

TEST_F(ModelFiles, SavesInOrderAndWritesEntriesBackAsTheyWereRead) {
    files.files[P("favorites.dir")] = "C:\\Odd*5?7\r\nC:\\Hex?0x41*$0\r\n";
    model.LoadLists();
    model.AddToFavorites("C:\\New");
    EXPECT_EQ(model.SaveLists(true), "");
    EXPECT_EQ(files.written,
              (Lines{P("history.dir"), P("favorites.dir"), P("dialogs.dir"), P("visits.dir")}));
    EXPECT_EQ(files.files[P("favorites.dir")], "C:\\Odd*5?7\r\nC:\\Hex?0x41*$0\r\nC:\\New?0*0\r\n");
    EXPECT_EQ(files.files[P("dialogs.dir")], "") << "an empty list is an empty file";
}

TEST_F(ModelFiles, AnUnreadableListIsReportedLeftEmptyAndNeverWritten) {
    files.files[P("dialogs.dir")] = "kept";
    files.unreadable = {P("dialogs.dir"), P("history.dir")};
    EXPECT_EQ(model.LoadLists(), (Lines{P("dialogs.dir"), P("history.dir")}));
    EXPECT_TRUE(model.dialogs.empty());
    model.dialogs.push_back("Open");
    EXPECT_EQ(model.SaveLists(false), "");
    EXPECT_EQ(files.written, (Lines{P("favorites.dir"), P("visits.dir")}));
    EXPECT_EQ(files.files[P("dialogs.dir")], "kept");
}

TEST_F(ModelFiles, AFailedWriteStopsOnlyWhenAskedTo) {
    model.LoadLists();
    files.readOnly = {P("history.dir")};
    EXPECT_EQ(model.SaveLists(true), P("history.dir"));
    EXPECT_EQ(files.written, Lines{P("history.dir")}) << "reported: the first failure ends the save";
    files.written.clear();
    EXPECT_EQ(model.SaveLists(false), P("history.dir"));
    EXPECT_EQ(files.written,
              (Lines{P("history.dir"), P("favorites.dir"), P("dialogs.dir"), P("visits.dir")}));
}

TEST_F(ModelFiles, VisitsAreReadWrittenAndFirstSeededFromTheHistory) {
    model.SetClock([] { return int64_t{1'800'000'000}; });
    struct Case {
        const char* what;
        std::optional<std::string> visitsFile;  // none: no visits.dir
        bool unreadable;
        Lines loaded;  // the visits' lines after the load
    } cases[] = {
        {"no visits.dir: each history entry one visit",
         std::nullopt,
         false,
         {"1\t1800000000\tD:\\A", "1\t1800000000\tC:\\B"}},
        {"a visits.dir, damaged lines skipped, no seeding",
         "2\t5\tE:\\X\r\nbroken\r\n1\t6\tE:\\Y",
         false,
         {"2\t5\tE:\\X", "1\t6\tE:\\Y"}},
        {"an empty visits.dir seeds nothing", "", false, {}},
        {"an unreadable visits.dir: told, no seeding, never written", "1\t1\tE:\\Z", true, {}},
    };
    for (const Case& c : cases) {
        files.files.clear();
        files.unreadable.clear();
        files.written.clear();
        files.files[P("history.dir")] = "D:\\A\r\nC:\\B\r\nd:\\a\r\n";
        if (c.visitsFile) files.files[P("visits.dir")] = *c.visitsFile;
        if (c.unreadable) files.unreadable.insert(P("visits.dir"));
        EXPECT_EQ(model.LoadLists(), c.unreadable ? Lines{P("visits.dir")} : Lines{}) << c.what;
        EXPECT_EQ(model.visits.Lines(), c.loaded) << c.what;
        model.RecordDelivery("E:\\New");
        EXPECT_EQ(model.SaveLists(false), "") << c.what;
        const bool written = std::count(files.written.begin(), files.written.end(), P("visits.dir")) == 1;
        EXPECT_EQ(written, !c.unreadable) << c.what;
        if (c.unreadable) {
            EXPECT_EQ(files.files[P("visits.dir")], "1\t1\tE:\\Z") << c.what;
        } else {
            std::string text;
            for (const std::string& line : model.visits.Lines()) text += line + "\r\n";
            EXPECT_EQ(files.files[P("visits.dir")], text) << c.what;
            EXPECT_NE(text.find("1\t1800000000\tE:\\New\r\n"), std::string::npos) << c.what;
        }
    }
}

TEST_F(ModelFiles, SettingsAreNeverWrittenBeforeTheyWereLoaded) {
    files.files[P("tarvolo.ini")] = "[Window]\r\nHotKey=16468\r\n";
    EXPECT_TRUE(model.SaveSettings());
    EXPECT_TRUE(files.written.empty());
}

TEST_F(ModelFiles, SettingsRoundTripKeepingForeignLines) {
    files.files[P("tarvolo.ini")] =
        "[Mine]\r\nKeep=this\r\n[Window]\r\nHotKey=16468\r\n[Rescan]\r\nHidden=0\r\n";
    model.LoadSettings();
    EXPECT_EQ(model.settings.hotKey, 16468);
    EXPECT_FALSE(model.settings.includeHidden);
    EXPECT_TRUE(model.settings.includeSystem);
    EXPECT_TRUE(model.settings.showCloseInfo);
    model.settings.showCloseInfo = false;
    model.settings.drive = 2;
    ASSERT_TRUE(model.SaveSettings());
    const std::string& ini = files.files[P("tarvolo.ini")];
    EXPECT_EQ(ini.rfind("[Mine]\r\nKeep=this\r\n", 0), 0u) << ini;
    EXPECT_NE(ini.find("ShowCloseInfo=0\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Drive=2\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Hidden=0\r\n"), std::string::npos) << ini;
    files.readOnly = {P("tarvolo.ini")};
    EXPECT_FALSE(model.SaveSettings());
}

TEST_F(ModelFiles, AnUnreadableSettingsFileGivesTheDefaults) {
    files.unreadable = {P("tarvolo.ini")};
    model.LoadSettings();
    EXPECT_TRUE(model.SettingsLoaded());
    EXPECT_EQ(model.settings.hotKey, 0);
    EXPECT_EQ(model.settings.width, 537);
    EXPECT_TRUE(model.settings.Filter().includeReadOnly);
}

// Other tools' sections and keys live in the same file: one that cannot be
// read is never rewritten from nothing.
TEST_F(ModelFiles, AnUnreadableSettingsFileIsNeverRewritten) {
    const std::string foreign = "[Other]\r\nKey=1\r\n";
    // Unreadable at start: kept as it is on disk, as a list is, and no failure.
    files.files[P("tarvolo.ini")] = foreign;
    files.unreadable = {P("tarvolo.ini")};
    model.LoadSettings();
    files.unreadable.clear();
    EXPECT_TRUE(model.SaveSettings());
    EXPECT_EQ(files.files[P("tarvolo.ini")], foreign);
    EXPECT_TRUE(files.written.empty());

    // Readable at start, unreadable at the close: not written, and said.
    Model second{"C:\\App\\", files, ansi};
    second.LoadSettings();
    files.unreadable = {P("tarvolo.ini")};
    EXPECT_FALSE(second.SaveSettings());
    EXPECT_TRUE(files.written.empty());

    // Readable again: written, the other section kept.
    files.unreadable.clear();
    EXPECT_TRUE(second.SaveSettings());
    EXPECT_NE(files.files[P("tarvolo.ini")].find(foreign), std::string::npos);
    EXPECT_NE(files.files[P("tarvolo.ini")].find("[Window]"), std::string::npos);
}

TEST_F(ModelFiles, LeaveOutRulesComeFromTheFileAndReachEveryFilter) {
    files.files[P("tarvolo.ini")] = "[Rescan]\r\nLeaveOut=node_modules;; .git ;*\r\n";
    model.LoadSettings();
    EXPECT_EQ(model.settings.leaveOut, (Lines{"node_modules", ".git", "*"}));
    // The refused "*" is kept as the user wrote it, and never applied.
    ASSERT_TRUE(model.settings.Filter().leaveOut);
    EXPECT_EQ(model.settings.Filter().leaveOut->Rules(), (Lines{"node_modules", ".git"}));
    EXPECT_TRUE(model.settings.Filter().LeavesOut("C:\\p\\", "NODE_MODULES"));
    EXPECT_FALSE(model.settings.Filter().LeavesOut("C:\\", "p"));

    OptionsValues copy = model.Options();
    copy.leaveOut = {"D:\\Data\\Cache"};
    EXPECT_TRUE(copy.checkAtStart);
    copy.checkAtStart = false;
    model.ApplyOptions(copy);
    EXPECT_FALSE(model.settings.checkAtStart);
    EXPECT_FALSE(model.settings.Filter().LeavesOut("C:\\p\\", "node_modules"));
    EXPECT_TRUE(model.settings.Filter().LeavesOut("D:\\Data\\", "cache"));
    ASSERT_TRUE(model.SaveSettings());
    EXPECT_NE(files.files[P("tarvolo.ini")].find("LeaveOut=D:\\Data\\Cache\r\n"), std::string::npos);
    EXPECT_NE(files.files[P("tarvolo.ini")].find("CheckAtStart=0\r\n"), std::string::npos);
}

TEST_F(ModelFiles, OptionsAreACopyAppliedAsAWhole) {
    files.files[P("favorites.dir")] = "C:\\A?0*0\r\n";
    model.LoadLists();
    OptionsValues copy = model.Options();
    copy.hotKey = 0x4054;
    copy.includeSystem = false;
    EXPECT_FALSE(copy.matchAnywhere);
    copy.matchAnywhere = true;
    copy.favorites.push_back("C:\\B?16450*0");
    copy.dialogs = {"Save"};
    EXPECT_EQ(model.favorites.size(), 1u) << "editing the copy leaves the model alone";
    model.ApplyOptions(copy);
    EXPECT_EQ(model.settings.hotKey, 0x4054);
    EXPECT_FALSE(model.settings.Filter().includeSystem);
    EXPECT_EQ(model.settings.SearchRule(), MatchRule::anywhere);
    ASSERT_EQ(model.favorites.size(), 2u);
    EXPECT_EQ(model.favorites[1].openKey, 16450);
    EXPECT_EQ(model.dialogs, Lines{"Save"});
}

// Every option the dialog edits goes into the settings and comes back out of
// them, and changes nothing else on its way.
TEST_F(ModelFiles, EachOptionGoesBothWaysAlone) {
    struct Flag {
        const char* name;
        bool OptionsValues::*field;
    };
    const Flag flags[] = {
        {"includeReadOnly", &OptionsValues::includeReadOnly},
        {"includeHidden", &OptionsValues::includeHidden},
        {"includeSystem", &OptionsValues::includeSystem},
        {"matchAnywhere", &OptionsValues::matchAnywhere},
        {"checkAtStart", &OptionsValues::checkAtStart},
    };
    struct Key {
        const char* name;
        uint16_t OptionsValues::*field;
    };
    const Key keys[] = {{"hotKey", &OptionsValues::hotKey},
                        {"quickJumpHotKey", &OptionsValues::quickJumpHotKey}};
    const auto same = [](const OptionsValues& a, const OptionsValues& b) {
        return a.hotKey == b.hotKey && a.quickJumpHotKey == b.quickJumpHotKey &&
               a.includeReadOnly == b.includeReadOnly && a.includeHidden == b.includeHidden &&
               a.includeSystem == b.includeSystem && a.matchAnywhere == b.matchAnywhere &&
               a.checkAtStart == b.checkAtStart && a.leaveOut == b.leaveOut && a.favorites == b.favorites &&
               a.dialogs == b.dialogs;
    };
    for (const Flag& f : flags) {
        OptionsValues edited = model.Options();
        edited.*f.field = !(edited.*f.field);
        model.ApplyOptions(edited);
        EXPECT_TRUE(same(model.Options(), edited)) << f.name;
    }
    for (const Key& k : keys) {
        OptionsValues edited = model.Options();
        edited.*k.field = static_cast<uint16_t>(edited.*k.field + 0x4041);
        model.ApplyOptions(edited);
        EXPECT_TRUE(same(model.Options(), edited)) << k.name;
    }
}

TEST(FavoriteShortcut, OpenKeysFirstThenDialogKeysEachInListOrder) {
    constexpr unsigned kCtrl = 0x4000, kShift = 0x2000;
    const unsigned k = kCtrl | 'K', j = kCtrl | kShift | 'J';
    const std::vector<Favorite> favorites =
        ParseFavorites({"C:\\One?0*" + std::to_string(k), "C:\\Two?" + std::to_string(k) + "*0",
                        "C:\\Three?" + std::to_string(k) + "*" + std::to_string(j), "C:\\Zero?0*0"});
    auto pick = [&](unsigned combination) -> std::string {
        auto action = FindFavoriteShortcut(favorites, combination);
        if (!action) return "none";
        return (action->kind == FavoriteAction::Kind::open ? "open " : "send ") + action->path;
    };
    EXPECT_EQ(pick(k), "open C:\\Two");
    EXPECT_EQ(pick(j), "send C:\\Three");
    EXPECT_EQ(pick(kCtrl | 'X'), "none");
    EXPECT_EQ(pick('K'), "none") << "the modifiers are part of the combination";
    EXPECT_EQ(pick(0), "none") << "no key, no favorite: the zero keys of C:\\Zero never match";
    EXPECT_EQ(pick(kCtrl), "none");
}

TEST(DriveRows, NewRowsMakeTheSearchStaleUntilItIsBuiltAgain) {
    struct AsciiFolder : CaseFolder {
        std::string Upper(std::string_view s) const override {
            std::string out(s);
            for (char& c : out)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            return out;
        }
    } folder;
    DriveRows drive;
    RowStore first;
    first.Append("\\");
    first.Append("\\Apple");
    drive.Replace(std::move(first));
    EXPECT_TRUE(drive.searchStale);
    EXPECT_EQ(drive.Find(0, "app", folder), 1);
    EXPECT_FALSE(drive.searchStale);
    RowStore second;
    second.Append("\\");
    second.Append("\\Banana");
    second.Append("\\Apricot");
    drive.Replace(std::move(second));
    EXPECT_EQ(drive.codes.size(), 0u);
    EXPECT_EQ(drive.Find(0, "ap", folder), 2) << "found among the new rows, not the old ones";
}

// What Quick Jump searches: the shown drive from the rows on screen, first, then
// every held drive but a held copy of the shown one; a drive without rows is
// left out, and names not folded yet are folded before they are searched.
TEST_F(ModelFiles, SearchableDrivesAreTheShownDriveFirstThenTheHeldOnesByLetter) {
    struct AsciiFolder : CaseFolder {
        std::string Upper(std::string_view s) const override {
            std::string out(s);
            for (char& c : out)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            return out;
        }
    } folder;
    auto rowsOf = [](std::initializer_list<const char*> paths) {
        RowStore rows;
        for (const char* p : paths) rows.Append(p);
        return rows;
    };
    model.drive.Replace(rowsOf({"\\", "\\Shown"}));
    model.held['F'].Replace(rowsOf({"\\", "\\Fig"}));
    model.held['D'].Replace(rowsOf({"\\", "\\Date", "\\Durian"}));
    model.held['E'].Replace(rowsOf({"\\", "\\Stale copy of E"}));
    model.held['G'].Replace(RowStore());
    const struct {
        const char* shown;
        std::string letters;
    } cases[] = {{"E:", "EDF"}, {"C:", "CDEF"}, {"", "DEF"}};
    for (const auto& c : cases) {
        const std::vector<JumpDrive> drives = model.SearchableDrives(c.shown, folder);
        std::string letters;
        for (const JumpDrive& d : drives) {
            letters.push_back(d.letter);
            ASSERT_TRUE(d.rows && d.search) << c.shown;
            EXPECT_EQ(d.search->size(), d.rows->size())
                << d.letter << " searched before its names were folded";
        }
        EXPECT_EQ(letters, c.letters) << "shown " << c.shown;
        if (!drives.empty() && *c.shown) {
            EXPECT_EQ(drives[0].rows, &model.drive.rows) << "the shown drive's rows are those on screen";
        }
    }
    const std::vector<JumpDrive> drives = model.SearchableDrives("C:", folder);
    EXPECT_EQ(drives[1].search->FindFrom(0, "dur", folder), 2);
}

}  // namespace
}  // namespace tarvolo

namespace tarvolo {
namespace {

TEST(DriveIndexPaths, TheRootsFileAndTheCopyInTheUserFolder) {
    const struct {
        std::string drive, userFolder, path, localPath;
    } cases[] = {
        {"C:", "L:\\Users\\me\\AppData\\Local", "C:\\tarvolo.dir",
         "L:\\Users\\me\\AppData\\Local\\Tarvolo\\C.dir"},
        {"D:\\", "L:\\Local", "D:\\tarvolo.dir", "L:\\Local\\Tarvolo\\D.dir"},  // a root names the same files
        {"E:", "", "E:\\tarvolo.dir", ""},                                      // no user folder: no copy
        {"", "L:\\Local", "\\tarvolo.dir", ""},                                 // no drive: no copy either
    };
    for (const auto& c : cases) {
        const DriveIndexPaths paths = IndexPathsOf(c.drive, c.userFolder);
        EXPECT_EQ(paths.path, c.path) << c.drive;
        EXPECT_EQ(paths.localPath, c.localPath) << c.drive << " in " << c.userFolder;
    }
    MemoryFiles none;
    const fakes::Latin1Decoder ansi;
    const Model model("P:", none, ansi, "L:\\Local");
    EXPECT_EQ(model.IndexPaths("F:").localPath, "L:\\Local\\Tarvolo\\F.dir") << "the model's own user folder";
}

TEST_F(ModelFiles, ADrivesIndexComesFromItsRootOrElseFromTheUserFolder) {
    files.files["D:\\tarvolo.dir"] = "\\\r\n\\Work\r\n";
    files.files["L:\\D.dir"] = "\\\r\n\\Local\r\n";
    IndexRead read = model.ReadDriveIndex("D:\\tarvolo.dir", "L:\\D.dir");
    EXPECT_EQ(read.result, FileSystem::Read::loaded);
    ASSERT_EQ(read.rows.size(), 2u);
    EXPECT_EQ(read.rows.Path(1), "\\Work") << "the root's index wins over the user folder's";

    // A root file that could not be replaced stays behind an index written to
    // the user folder later: the later one is read, whichever place it is in.
    struct Case {
        uint64_t rootTime, localTime;
        const char* row;
    } cases[] = {{5, 9, "\\Local"}, {9, 5, "\\Work"}, {7, 7, "\\Work"}};
    for (const Case& c : cases) {
        files.times = {{"D:\\tarvolo.dir", c.rootTime}, {"L:\\D.dir", c.localTime}};
        read = model.ReadDriveIndex("D:\\tarvolo.dir", "L:\\D.dir");
        ASSERT_EQ(read.result, FileSystem::Read::loaded);
        EXPECT_EQ(read.rows.Path(1), c.row)
            << "root written at " << c.rootTime << ", user copy at " << c.localTime;
    }
    files.times.clear();

    files.files.erase("D:\\tarvolo.dir");
    read = model.ReadDriveIndex("D:\\tarvolo.dir", "L:\\D.dir");
    EXPECT_EQ(read.result, FileSystem::Read::loaded);
    EXPECT_EQ(read.rows.Path(1), "\\Local");

    // An unreadable file is named, and the user folder is not looked at behind it.
    files.unreadable = {"D:\\tarvolo.dir"};
    read = model.ReadDriveIndex("D:\\tarvolo.dir", "L:\\D.dir");
    EXPECT_EQ(read.result, FileSystem::Read::unreadable);
    EXPECT_EQ(read.path, "D:\\tarvolo.dir");
    EXPECT_TRUE(read.rows.empty());

    files.unreadable = {"L:\\D.dir"};
    read = model.ReadDriveIndex("D:\\tarvolo.dir", "L:\\D.dir");
    EXPECT_EQ(read.result, FileSystem::Read::unreadable);
    EXPECT_EQ(read.path, "L:\\D.dir");

    files.unreadable.clear();
    files.files.clear();
    read = model.ReadDriveIndex("D:\\tarvolo.dir", "");
    EXPECT_EQ(read.result, FileSystem::Read::missing) << "no user folder: only the root is looked at";
    EXPECT_TRUE(files.written.empty()) << "reading never writes";
}

// A newer per-user copy that holds the root alone (what a walk of a drive that
// could not be listed once wrote) does not hide the drive's whole index; any
// copy that holds a directory, or a root file that holds no more, still goes by
// the newest-file rule.
TEST_F(ModelFiles, ANewerCopyOfTheRootAloneDoesNotHideAWholeIndex) {
    const struct {
        const char* name;
        const char* rootFile;  // nullptr: none
        const char* copy;
        uint64_t rootTime, copyTime;
        std::vector<std::string> rows;
        const char* path;
    } cases[] = {
        {"root alone, newer",
         "\\\r\n\\Alpha\r\n\\Beta\r\n",
         "\\\r\n",
         5,
         9,
         {"\\", "\\Alpha", "\\Beta"},
         "D:\\tarvolo.dir"},
        {"one directory, newer",
         "\\\r\n\\Alpha\r\n\\Beta\r\n",
         "\\\r\n\\New\r\n",
         5,
         9,
         {"\\", "\\New"},
         "L:\\D.dir"},
        {"root alone against root alone", "\\\r\n", "\\\r\n", 5, 9, {"\\"}, "L:\\D.dir"},
        {"root alone and no root file", nullptr, "\\\r\n", 0, 9, {"\\"}, "L:\\D.dir"},
        {"root alone, older", "\\\r\n\\Alpha\r\n", "\\\r\n", 9, 5, {"\\", "\\Alpha"}, "D:\\tarvolo.dir"},
    };
    for (const auto& c : cases) {
        files.files.clear();
        files.times.clear();
        if (c.rootFile) {
            files.files["D:\\tarvolo.dir"] = c.rootFile;
            files.times["D:\\tarvolo.dir"] = c.rootTime;
        }
        files.files["L:\\D.dir"] = c.copy;
        files.times["L:\\D.dir"] = c.copyTime;
        const IndexRead read = model.ReadDriveIndex("D:\\tarvolo.dir", "L:\\D.dir");
        ASSERT_EQ(read.result, FileSystem::Read::loaded) << c.name;
        std::vector<std::string> rows;
        for (size_t i = 0; i < read.rows.size(); ++i) rows.push_back(read.rows.Path(i));
        EXPECT_EQ(rows, c.rows) << c.name;
        EXPECT_EQ(read.path, c.path) << c.name;
    }
}

}  // namespace
}  // namespace tarvolo

namespace tarvolo {
namespace {

// Which files a drive's index ends up in, and the steps taken, for each way the
// two places can fail.
TEST_F(ModelFiles, ADrivesIndexGoesToItsRootOrElseToTheUserFolder) {
    const std::string root = "D:\\tarvolo.dir", local = "L:\\Tarvolo\\D.dir";
    struct Case {
        const char* name;
        std::set<std::string> readOnly;
        std::string localPath;
        bool saved;
        Lines steps;
        Lines filesAfter;  // the index files there afterwards
    };
    const Case cases[] = {
        {"root writable", {}, local, true, {"write " + root, "remove " + local}, {root}},
        {"root writable, no user folder", {}, "", true, {"write " + root}, {root, local}},
        {"root refused",
         {root},
         local,
         true,
         {"write " + root, "folder L:\\Tarvolo", "write " + local},
         {root, local}},
        {"both refused",
         {root, local},
         local,
         false,
         {"write " + root, "folder L:\\Tarvolo", "write " + local},
         {root, local}},
        {"root refused, no user folder", {root}, "", false, {"write " + root}, {root, local}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.files = {{root, "old root"}, {local, "old local"}};
        files.readOnly = c.readOnly;
        files.steps.clear();
        EXPECT_EQ(model.SaveDriveIndex(root, c.localPath, "new"), c.saved);
        EXPECT_EQ(files.steps, c.steps);
        Lines after;
        for (const auto& [path, text] : files.files) after.push_back(path);
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, c.filesAfter);
        // A refused file keeps what it held; a written one holds the new index.
        EXPECT_EQ(files.files[root], c.readOnly.count(root) ? "old root" : "new");
    }
}

TEST_F(ModelFiles, ASavedIndexIsReadBackFromWhereverItWent) {
    const std::string root = "D:\\tarvolo.dir", local = "L:\\Tarvolo\\D.dir";
    files.readOnly = {root};
    ASSERT_TRUE(model.SaveDriveIndex(root, local, "\\\r\n\\Kept\r\n"));
    IndexRead read = model.ReadDriveIndex(root, local);
    ASSERT_EQ(read.result, FileSystem::Read::loaded);
    EXPECT_EQ(read.path, local);
    ASSERT_EQ(read.rows.size(), 2u);
    EXPECT_EQ(read.rows.Path(1), "\\Kept");

    // Once the root can be written again, the user folder's older copy goes.
    files.readOnly.clear();
    ASSERT_TRUE(model.SaveDriveIndex(root, local, "\\\r\n\\Root\r\n"));
    EXPECT_EQ(files.files.count(local), 0u);
    read = model.ReadDriveIndex(root, local);
    EXPECT_EQ(read.path, root);
    EXPECT_EQ(read.rows.Path(1), "\\Root");
}

// The change journal's position goes beside the index file written, after it,
// and is read back with the file read; an index written without one loses it.
TEST_F(ModelFiles, AJournalPositionTravelsWithItsIndexFile) {
    const std::string root = "D:\\tarvolo.dir", local = "L:\\Tarvolo\\D.dir";
    const std::string rootPosition = "D:\\tarvolo.usn", localPosition = "L:\\Tarvolo\\D.usn";
    struct Case {
        const char* name;
        std::set<std::string> readOnly;
        std::string position;
        Lines positionsAfter;
        std::string read;  // the position read back with the index
    };
    const Case cases[] = {
        {"beside the root's file", {}, "p1", {rootPosition}, "p1"},
        {"beside the user folder's copy", {root}, "p2", {rootPosition, localPosition}, "p2"},
        {"an index without a position loses the old one", {}, "", {}, ""},
        {"a position that cannot be written leaves the old one", {rootPosition}, "p3", {rootPosition}, "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.files = {{rootPosition, "old"}};
        files.times.clear();
        files.written.clear();
        files.readOnly = c.readOnly;
        ASSERT_TRUE(model.SaveDriveIndex(root, local, "\\\r\n\\Kept\r\n", c.position));
        Lines positions;
        for (const auto& [path, text] : files.files)
            if (path == rootPosition || path == localPosition) positions.push_back(path);
        EXPECT_EQ(positions, c.positionsAfter);
        if (!c.position.empty()) {
            EXPECT_EQ(files.written.back().substr(files.written.back().size() - 4), ".usn")
                << "after the index";
        }
        files.times[local] = 1;  // the copy was written after the root's file
        const IndexRead read = model.ReadDriveIndex(root, local);
        EXPECT_EQ(read.position, c.read);
    }
    EXPECT_EQ(JournalPositionPath("C:\\tarvolo.dir"), "C:\\tarvolo.usn");
    EXPECT_EQ(JournalPositionPath("C.idx"), "C.idx.usn");
}

TEST(WriteDriveIndex, ABareUserFileNameMakesNoFolder) {
    MemoryFiles files;
    files.readOnly = {"D:\\tarvolo.dir"};
    EXPECT_TRUE(WriteDriveIndex(files, "D:\\tarvolo.dir", "D.dir", "x"));
    EXPECT_TRUE(files.folders.empty()) << "a folder named like the file would stop it being written";
    EXPECT_EQ(files.files["D.dir"], "x");
}

}  // namespace
}  // namespace tarvolo
