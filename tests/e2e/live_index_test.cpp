// The shown drive's tree follows the disk while the program runs. Under Wine
// only changes directly in a watched directory are reported, so the drive's
// root is where this is tried; the unit tests cover every depth.
#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tarvolo_version.h"
#include "tests/e2e/find_fixture.h"

using namespace e2e;
using namespace e2e::find;
using namespace std::chrono_literals;

TEST(LiveIndex, AFolderMadeInTheRootIsFoundByItsNameAndTheIndexFileFollows) {
    TestDir dir;
    Drive drive('G', dir.UnixOf("g"));
    for (const char* d : {"G:\\Alpha", "G:\\Zulu"}) ASSERT_TRUE(::CreateDirectoryA(d, nullptr)) << d;
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\", "\\Alpha", "\\Zulu"})));
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program));
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_EQ(Count(list), 3);
    ClickSearchBox(program);
    Key(VK_SHIFT);  // takes the modifier loss of the first key after activation under Wine

    // The watch is in place before the rows are read: nothing made from now on is missed.
    const auto made = std::chrono::steady_clock::now();
    ASSERT_TRUE(::CreateDirectoryA("G:\\Mango", nullptr));
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 4; }, 10s)) << "the new folder never became a row";
    const auto shown = std::chrono::steady_clock::now();
    Type("man");
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "G:\\Mango"; }, 5s))
        << "typing its name found \"" << CurrentPath(program) << "\"";
    const auto found = std::chrono::steady_clock::now();
    using ms = std::chrono::milliseconds;
    std::printf("live index: row after %lld ms, found by typing after %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<ms>(shown - made).count()),
                static_cast<long long>(std::chrono::duration_cast<ms>(found - made).count()));

    // A removal takes its row away; the selection stays on the folder found.
    ASSERT_TRUE(::RemoveDirectoryA("G:\\Zulu"));
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 3; }, 10s)) << "the removed folder is still a row";
    EXPECT_EQ(CurrentPath(program), "G:\\Mango");
    EXPECT_EQ(Selected(list), 2);

    // Once the changes settle the index file holds them.
    const std::string expected = Lines({"\\", "\\Alpha", "\\Mango"});
    EXPECT_TRUE(WaitFor([&] { return ReadIndex("G:\\tarvolo.dir") == expected; }, 15s))
        << "index file:\n"
        << ReadIndex("G:\\tarvolo.dir");
}

TEST(LiveIndex, ABurstOfNewFoldersAllBecomeRows) {
    TestDir dir;
    const std::string folder = dir.UnixOf("g");
    Drive drive('G', folder);
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\"})));
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program));
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_EQ(Count(list), 1);

    // More changes at once than the watch's buffer holds: either every change
    // comes through or the lost ones send the drive to a walk in the background.
    const auto made = std::chrono::steady_clock::now();
    ASSERT_EQ(
        RunUnix("cd " + ShellQuote(folder) + " && seq -f 'burst folder %05g' 1 4000 | xargs -d '\\n' mkdir"),
        0);
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 4001; }, 60s)) << Count(list) << " rows";
    std::printf("live index: 4000 folders made at once were rows after %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - made)
                                           .count()));
    EXPECT_TRUE(WaitFor([&] { return ReadIndex("G:\\tarvolo.dir").size() > 4000 * 20; }, 15s));
    const std::string index = ReadIndex("G:\\tarvolo.dir");
    EXPECT_NE(index.find("\\burst folder 00001\r\n\\burst folder 00002\r\n"), std::string::npos);
    EXPECT_NE(index.find("\\burst folder 04000\r\n"), std::string::npos);
}

TEST(LiveIndex, ADriveNotOnScreenKeepsItsIndexFileCurrentAndShowsTheChangeWhenChosen) {
    TestDir dir;
    Drive g('G', dir.UnixOf("g"));
    Drive h('H', dir.UnixOf("h"));
    ASSERT_TRUE(::CreateDirectoryA("H:\\Alpha", nullptr));
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\"})));
    ASSERT_TRUE(WriteFileBytes("H:\\tarvolo.dir", Lines({"\\", "\\Alpha"})));
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program));
    ASSERT_EQ(CurrentPath(program), "G:\\");
    HWND list = program.Control(IDC_DIRLISTBOX);

    // H: is not on screen: its index file follows the disk all the same.
    ASSERT_TRUE(::CreateDirectoryA("H:\\Kiwi", nullptr));
    const std::string expected = Lines({"\\", "\\Alpha", "\\Kiwi"});
    ASSERT_TRUE(WaitFor([&] { return ReadIndex("H:\\tarvolo.dir") == expected; }, 20s))
        << "H:'s index file:\n"
        << ReadIndex("H:\\tarvolo.dir");
    EXPECT_EQ(Count(list), 1) << "G:'s rows took H:'s change";

    // A change not yet written when the drive is chosen comes along too.
    ASSERT_TRUE(::CreateDirectoryA("H:\\Lime", nullptr));
    ChooseDrive(program, 1);
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "H:\\" && Idle(program); }));
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 4; }, 10s)) << Count(list) << " rows on H:";
    ClickSearchBox(program);
    Key(VK_SHIFT);  // takes the modifier loss of the first key after activation under Wine
    Type("kiw");
    EXPECT_TRUE(WaitFor([&] { return CurrentPath(program) == "H:\\Kiwi"; }, 5s))
        << "typing its name found \"" << CurrentPath(program) << "\"";

    // G: has left the screen and is watched now.
    ASSERT_TRUE(::CreateDirectoryA("G:\\Fig", nullptr));
    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadIndex("G:\\tarvolo.dir") == Lines({"\\", "\\Fig"});
        },
        20s))
        << "G:'s index file:\n"
        << ReadIndex("G:\\tarvolo.dir");
}

// The rows of the drive left are written after the next drive is shown; choosing
// it again at once reads its file only once that write is done.
TEST(LiveIndex, AChangeNotYetWrittenWhenTheDriveLeavesIsThereWhenItIsChosenAgain) {
    TestDir dir;
    Drive g('G', dir.UnixOf("g"));
    Drive h('H', dir.UnixOf("h"));
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\"})));
    ASSERT_TRUE(WriteFileBytes("H:\\tarvolo.dir", Lines({"\\"})));
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program));
    HWND list = program.Control(IDC_DIRLISTBOX);

    ASSERT_TRUE(::CreateDirectoryA("G:\\Pear", nullptr));
    // Well before the settle time, so the rows hold the change and the file does not.
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 2; }, 10s)) << "the new folder never became a row";
    ChooseDrive(program, 1);
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "H:\\" && Idle(program); }));
    ChooseDrive(program, 0);
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "G:\\" && Idle(program); }));
    EXPECT_EQ(Count(list), 2) << "G:'s file was read before its rows were written";
    EXPECT_EQ(ReadIndex("G:\\tarvolo.dir"), Lines({"\\", "\\Pear"}));
}

TEST(LiveIndex, OptionsFolderFiltersReachTheWatchAtOnce) {
    TestDir dir;
    Drive g('G', dir.UnixOf("g"));
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\"})));
    Program program(dir);
    WriteIni(program, 0, /*hidden=*/true);
    HWND main = StartIdle(program);
    ASSERT_TRUE(main);
    HWND list = program.Control(IDC_DIRLISTBOX);

    ::PostMessageW(::GetDlgItem(main, tarvolo::IDC_BTNOPTIONS), BM_CLICK, 0, 0);
    HWND options = program.WaitWindow("Tarvolo Options");
    ASSERT_TRUE(options) << "no options dialog";
    HWND hidden = DescendantByText(options, "Button", "Include Hidden Folders");
    ASSERT_TRUE(hidden);
    ::SendMessageW(hidden, BM_CLICK, 0, 0);
    ASSERT_EQ(::SendMessageW(hidden, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ::PostMessageW(DescendantByText(options, "Button", "OK"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(options) && Idle(program); }));

    // Wine shows a name that starts with a dot as hidden. The plain folder is
    // reported after the hidden one, so once it is a row the hidden one was judged.
    ASSERT_TRUE(::CreateDirectoryA("G:\\.secret", nullptr));
    ASSERT_TRUE(::CreateDirectoryA("G:\\Plain", nullptr));
    ASSERT_TRUE(WaitFor([&] { return Count(list) >= 2; }, 10s)) << "the plain folder never became a row";
    EXPECT_EQ(Count(list), 2) << "the hidden folder became a row although hidden folders are left out now";
    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadIndex("G:\\tarvolo.dir") == Lines({"\\", "\\Plain"});
        },
        15s))
        << "index file:\n"
        << ReadIndex("G:\\tarvolo.dir");
}

namespace {

int FromEnvironment(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

}  // namespace

// A large drive while a thousand folders are made at once: the window answers
// all the time the changes are applied, and every folder becomes a row.
TEST(LiveIndex, TheWindowAnswersWhileAThousandFoldersComeToALargeDrive) {
    // 200,000 rows and 1,000 folders here; TARVOLO_LIVE_TOPS=1000 TARVOLO_LIVE_FOLDERS=3000 gives the
    // million rows and 3,000 folders of the figures measured by hand.
    const int tops = FromEnvironment("TARVOLO_LIVE_TOPS", 200);
    const int folders = FromEnvironment("TARVOLO_LIVE_FOLDERS", 1000);
    const long rowsBefore = 1 + 1000L * tops;
    TestDir dir;
    const std::string folder = dir.UnixOf("g");
    Drive drive('G', folder);
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", LargeIndex(tops)));
    Program program(dir);
    WriteIni(program, 0);
    HWND main = StartIdle(program);
    ASSERT_TRUE(main);
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_TRUE(WaitFor([&] { return Count(list) == rowsBefore; }, 60s)) << Count(list) << " rows";

    const auto made = std::chrono::steady_clock::now();
    ASSERT_EQ(RunUnix("cd " + ShellQuote(folder) + " && seq -f 'new %04g' 1 " + std::to_string(folders) +
                      " | xargs -d '\\n' mkdir"),
              0);
    // The window is asked for an answer again and again until every folder is a row; a window that
    // stalls for seconds fails here, a loaded machine's few hundred milliseconds do not.
    using ms = std::chrono::milliseconds;
    long long longest = 0;
    int probes = 0;
    std::string counts;  // each count the list went through, for a failure's message
    long lastCount = rowsBefore;
    const bool rows = WaitFor(
        [&] {
            const auto asked = std::chrono::steady_clock::now();
            DWORD_PTR answer = 0;
            const bool answered =
                ::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) != 0;
            const long long waited =
                std::chrono::duration_cast<ms>(std::chrono::steady_clock::now() - asked).count();
            longest = std::max(longest, waited);
            ++probes;
            EXPECT_TRUE(answered) << "the window gave no answer within 5 s (probe " << probes << ")";
            const long count = Count(list);
            if (count != lastCount) {
                counts += " " + std::to_string(count - rowsBefore) + " at " +
                          std::to_string(std::chrono::duration_cast<ms>(asked - made).count()) + " ms;";
                lastCount = count;
            }
            return count == rowsBefore + folders;
        },
        60s);
    const auto shown = std::chrono::steady_clock::now();
    if (!rows) {
        // Which folders never came, and whether the file, written a few seconds after the rows, has them.
        std::string missing;
        const std::string index = ReadIndex("G:\\tarvolo.dir");
        for (int i = 1; i <= folders; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "\\new %04d\r\n", i);
            if (index.find(name) == std::string::npos) missing += " " + std::to_string(i);
        }
        ADD_FAILURE() << "new rows in the list:" << counts << " folders not in the index file:" << missing;
    }
    ASSERT_TRUE(rows) << Count(list) << " rows";
    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadIndex("G:\\tarvolo.dir").find("\\new " + std::to_string(folders) + "\r\n") !=
                   std::string::npos;
        },
        30s));
    const auto written = std::chrono::steady_clock::now();
    std::printf(
        "live index, %ld rows: %d folders were rows after %lld ms and in the file after %lld ms; "
        "longest wait for the window %lld ms over %d probes\n",
        rowsBefore, folders, static_cast<long long>(std::chrono::duration_cast<ms>(shown - made).count()),
        static_cast<long long>(std::chrono::duration_cast<ms>(written - made).count()), longest, probes);
    const std::string index = ReadIndex("G:\\tarvolo.dir");
    EXPECT_NE(index.find("\\s998\r\n\\new 0001\r\n"), std::string::npos) << "new folders not in place";
}

// The current path is always the highlighted row: a selected folder that is
// renamed is followed to its new name, one that is removed gives way to its parent.
TEST(LiveIndex, TheSelectedFolderIsFollowedWhenRenamedAndLeftForItsParentWhenRemoved) {
    TestDir dir;
    Drive drive('G', dir.UnixOf("g"));
    for (const char* d : {"G:\\Alpha", "G:\\Mid", "G:\\Zulu"})
        ASSERT_TRUE(::CreateDirectoryA(d, nullptr)) << d;
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\", "\\Alpha", "\\Mid", "\\Zulu"})));
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program));
    HWND list = program.Control(IDC_DIRLISTBOX);
    ClickSearchBox(program);
    Key(VK_SHIFT);  // takes the modifier loss of the first key after activation under Wine
    Type("mid");
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "G:\\Mid"; }, 5s)) << CurrentPath(program);

    ASSERT_TRUE(::MoveFileA("G:\\Mid", "G:\\Beta"));
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "G:\\Beta"; }, 10s))
        << "the current path stayed \"" << CurrentPath(program) << "\"";
    EXPECT_EQ(Selected(list), 2) << "the highlight is not on the renamed folder";

    ASSERT_TRUE(::RemoveDirectoryA("G:\\Beta"));
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 3; }, 10s)) << "the removed folder is still a row";
    EXPECT_TRUE(WaitFor([&] { return CurrentPath(program) == "G:\\"; }, 5s))
        << "the current path stayed \"" << CurrentPath(program) << "\"";
    EXPECT_EQ(Selected(list), 0) << "the highlight is not on the removed folder's parent";
}

// An index written in whole-string order splits "\Program Files" from its
// subtree; it is shown in the tree's order all the same.
TEST(LiveIndex, AnIndexFileInWholeStringOrderIsShownInTheTreesOrder) {
    TestDir dir;
    Drive drive('G', dir.UnixOf("g"));
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\", "\\Program Files", "\\Program Files (x86)",
                                                         "\\Program Files\\Common"})));
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program));
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_EQ(Count(list), 4);
    ClickSearchBox(program);
    Key(VK_SHIFT);  // takes the modifier loss of the first key after activation under Wine
    Type("com");
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "G:\\Program Files\\Common"; }, 5s))
        << CurrentPath(program);
    EXPECT_EQ(Selected(list), 2) << "\\Program Files\\Common is not directly below its parent";
}

// The drive's rows change while neither its root nor the user's folder takes
// the index file: the user is told once in the program's words, the program
// tries again later by itself, and the file follows once the root can be
// written. The folders are made through a writable view of the same folder.
TEST(LiveIndex, AnIndexFileThatCannotBeWrittenIsToldOnceAndWrittenLater) {
    TestDir dir;
    const std::string folder = dir.UnixOf("g"), view = dir.UnixOf("g-view");
    ASSERT_EQ(RunUnix("mkdir -p " + ShellQuote(folder) + " " + ShellQuote(view) + " " +
                      ShellQuote(dir.UnixOf("appdata/Tarvolo"))),
              0);
    ASSERT_TRUE(WriteFileBytes(dir.Win("g\\tarvolo.dir"), Lines({"\\"})));
    ASSERT_EQ(RunUnix("mount --bind " + ShellQuote(folder) + " " + ShellQuote(view) +
                      " && mount -o remount,bind,ro " + ShellQuote(view) + " && mount -t tmpfs -o ro tmpfs " +
                      ShellQuote(dir.UnixOf("appdata/Tarvolo"))),
              0);
    struct Unmount {
        std::string view, appdata;
        ~Unmount() { RunUnix("umount -l " + ShellQuote(view) + "; umount -l " + ShellQuote(appdata)); }
    } unmount{view, dir.UnixOf("appdata/Tarvolo")};
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", W(dir.Win("appdata")).c_str());
    Drive drive('G', view);
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program));
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_EQ(Count(list), 1);

    ASSERT_EQ(RunUnix("mkdir " + ShellQuote(folder + "/Mango")), 0);
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 2; }, 10s)) << "the new folder never became a row";
    HWND box = program.WaitDialog(TARVOLO_TITLE, 20s);
    ASSERT_TRUE(box) << "a failed write of the index file was not told";
    EXPECT_EQ(Program::MessageText(box), "Cannot create file G:\\tarvolo.dir");
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); })) << "the message stayed";

    // Another change while the file still cannot be written, then the root can be again.
    ASSERT_EQ(RunUnix("mkdir " + ShellQuote(folder + "/Kiwi")), 0);
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 3; }, 10s)) << "the second folder never became a row";
    ASSERT_EQ(RunUnix("mount -o remount,bind,rw " + ShellQuote(view)), 0);
    const std::string expected = Lines({"\\", "\\Kiwi", "\\Mango"});
    EXPECT_TRUE(WaitFor([&] { return ReadIndex("G:\\tarvolo.dir") == expected; }, 60s))
        << "the write was not tried again; index file:\n"
        << ReadIndex("G:\\tarvolo.dir");
    EXPECT_FALSE(program.WaitDialog(TARVOLO_TITLE, 0ms)) << "the failure was told more than once";
    EXPECT_TRUE(program.Responsive());
}

// A drive that cannot be listed (locked, pulled) is no empty drive: Rescan says
// so, and its rows and index file stay whole for when it comes back.
TEST(LiveIndex, ARescanOfADriveThatCannotBeListedKeepsItsIndex) {
    TestDir dir;
    const std::string folder = dir.UnixOf("t");
    ASSERT_EQ(RunUnix("mkdir -p " + ShellQuote(folder + "/Alpha") + " " + ShellQuote(folder + "/Beta") + " " +
                      ShellQuote(folder + "/Gamma") + " " + ShellQuote(dir.UnixOf("appdata"))),
              0);
    Drive drive('T', folder);
    const std::string index = Lines({"\\", "\\Alpha", "\\Beta", "\\Gamma"});
    ASSERT_TRUE(WriteFileBytes("T:\\tarvolo.dir", index));
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", W(dir.Win("appdata")).c_str());
    struct Restore {
        ~Restore() { ::SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr); }
    } restore;
    const std::string copy = dir.Win("appdata\\Tarvolo\\T.dir");
    {
        Program program(dir);
        WriteIni(program, 0);
        ASSERT_TRUE(StartIdle(program));
        HWND list = program.Control(IDC_DIRLISTBOX);
        ASSERT_EQ(Count(list), 4);

        // T: points nowhere now.
        ASSERT_EQ(RunUnix("mv " + ShellQuote(folder) + " " + ShellQuote(folder + "-away")), 0);
        LeftClick(program.Control(IDC_BTNRESCAN), 20, 10);
        HWND box = program.WaitDialog(TARVOLO_TITLE, 30s);
        ASSERT_TRUE(box) << "Rescan of a drive that is gone said nothing";
        EXPECT_EQ(Program::MessageText(box), "Cannot read drive T:");
        Key(VK_RETURN);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box) && Idle(program); }, 20s)) << "the message stayed";
        EXPECT_EQ(Count(list), 4) << "the rows of a drive that could not be listed were replaced";
        EXPECT_FALSE(FileExists(copy)) << "a copy was written in the user folder:\n" << ReadIndex(copy);

        ASSERT_EQ(RunUnix("mv " + ShellQuote(folder + "-away") + " " + ShellQuote(folder)), 0);
        program.CloseFromTrayMenu();
        ASSERT_TRUE(program.WaitExit()) << "the program did not end";
    }
    EXPECT_EQ(ReadIndex("T:\\tarvolo.dir"), index);
    EXPECT_FALSE(FileExists(copy)) << "a copy was written in the user folder:\n" << ReadIndex(copy);

    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program));
    EXPECT_EQ(Count(program.Control(IDC_DIRLISTBOX)), 4);
    ClickSearchBox(program);
    Key(VK_SHIFT);  // takes the modifier loss of the first key after activation under Wine
    Type("be");
    EXPECT_TRUE(WaitFor([&] { return CurrentPath(program) == "T:\\Beta"; }, 5s))
        << "typing \"be\" found \"" << CurrentPath(program) << "\"";
}

// Shift and the shown drive's letter read its index again: what the program
// knew of the disk and its file did not hold yet stays, whatever was under way
// (a batch of changes, a walk of a subtree moved in, a walk of the drive after
// the watch lost changes). The reload comes right after the change, while that
// work may still run; it must hold either way.
TEST(LiveIndex, AReloadKeepsTheChangesUnderWay) {
    TestDir dir;
    const std::string folder = dir.UnixOf("g");
    Drive drive('G', folder);
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\"})));
    // A subtree of 2,000 folders made off the drive, to be moved in at once.
    const std::string outside = dir.UnixOf("outside");
    ASSERT_EQ(
        RunUnix("mkdir -p " + ShellQuote(outside + "/Moved") + " && cd " + ShellQuote(outside + "/Moved") +
                " && seq -f 'sub %04g' 1 40 | xargs -d '\\n' mkdir && for d in sub*; do (cd \"$d\" && seq -f "
                "'leaf %02g' 1 49 | xargs -d '\\n' mkdir); done"),
        0);
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program));
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_EQ(Count(list), 1);

    const struct {
        const char* name;
        std::string command;
        long rows;  // on the drive afterwards
        const char* inFile;
    } cases[] = {
        {"a batch", "mkdir " + ShellQuote(folder + "/Batch"), 2, "\\Batch\r\n"},
        {"a subtree moved in", "mv " + ShellQuote(outside + "/Moved") + " " + ShellQuote(folder + "/Moved"),
         2 + 1 + 40 + 40 * 49, "\\Moved\\sub 0040\\leaf 49\r\n"},
        {"a walk after lost changes",
         "cd " + ShellQuote(folder) + " && seq -f 'burst %05g' 1 4000 | xargs -d '\\n' mkdir",
         2 + 1 + 40 + 40 * 49 + 4000, "\\burst 04000\r\n"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Idle(program)) << c.name;
        ClickSearchBox(program);
        Key(VK_SHIFT);
        ASSERT_EQ(RunUnix(c.command), 0) << c.name;
        Chord({VK_SHIFT}, 'G');
        EXPECT_TRUE(WaitFor([&] { return Count(list) == c.rows; }, 60s))
            << c.name << ": " << Count(list) << " rows after the reload, not " << c.rows;
        EXPECT_TRUE(
            WaitFor([&] { return ReadIndex("G:\\tarvolo.dir").find(c.inFile) != std::string::npos; }, 30s))
            << c.name << ": the index file lacks " << c.inFile;
        EXPECT_TRUE(WaitFor([&] { return Idle(program); }, 10s)) << c.name;
    }
    const auto fileRows = [] {
        const std::string file = ReadIndex("G:\\tarvolo.dir");
        return static_cast<long>(std::count(file.begin(), file.end(), '\n'));
    };
    EXPECT_TRUE(WaitFor([&] { return fileRows() == cases[2].rows; }, 30s))
        << "the index file holds " << fileRows() << " rows, not " << cases[2].rows;
    EXPECT_FALSE(program.WaitDialog(TARVOLO_TITLE, 0ms)) << "an error was shown";
}
