// What changed on the disk while the program was closed is found after start,
// in the background, without Rescan; a drive that cannot be listed then has
// told nothing, and keeps its rows and its index file.
#include <gtest/gtest.h>

#include <string>

#include "tarvolo_version.h"
#include "tests/e2e/find_fixture.h"

using namespace e2e;
using namespace e2e::find;
using namespace std::chrono_literals;

namespace {

const char kCheckingIni[] = "[Window]\r\nLeft=100\r\nTop=100\r\nDrive=0\r\n[Rescan]\r\nCheckAtStart=1\r\n";

void MakeDirs(std::initializer_list<const char*> dirs) {
    for (const char* d : dirs) ASSERT_TRUE(::CreateDirectoryA(d, nullptr)) << d;
}

}  // namespace

TEST(CatchUp, FoldersMadeAndRemovedWhileClosedAreFoundWithoutRescan) {
    TestDir dir;
    const std::string g = dir.UnixOf("g"), h = dir.UnixOf("h");
    Drive gDrive('G', g);
    Drive hDrive('H', h);
    // The indexes as the last run left them.
    MakeDirs(
        {"G:\\Alpha", "G:\\Beta", "G:\\Beta\\Inner", "G:\\Gamma", "H:\\Kiwi", "H:\\Lime", "H:\\Lime\\Deep"});
    ASSERT_TRUE(
        WriteFileBytes("G:\\tarvolo.dir", Lines({"\\", "\\Alpha", "\\Beta", "\\Beta\\Inner", "\\Gamma"})));
    ASSERT_TRUE(WriteFileBytes("H:\\tarvolo.dir", Lines({"\\", "\\Kiwi", "\\Lime", "\\Lime\\Deep"})));
    // Meanwhile, with the program closed: on the shown drive and on the one held off screen.
    ASSERT_EQ(RunUnix("rm -r " + ShellQuote(g + "/Beta") + " " + ShellQuote(h + "/Lime")), 0);
    MakeDirs({"G:\\Mango", "G:\\Mango\\Seed", "G:\\Mango\\Seed\\Sprout", "H:\\Nut"});

    Program program(dir);
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"), kCheckingIni));
    ASSERT_TRUE(StartIdle(program));
    HWND list = program.Control(IDC_DIRLISTBOX);
    EXPECT_TRUE(WaitFor([&] { return Count(list) == 6; }, 30s))
        << Count(list) << " rows: the shown drive was not caught up";
    EXPECT_FALSE(Visible(RescanWindow(program))) << "the drive was scanned with the progress window";

    const std::string gExpected =
        Lines({"\\", "\\Alpha", "\\Gamma", "\\Mango", "\\Mango\\Seed", "\\Mango\\Seed\\Sprout"});
    EXPECT_TRUE(WaitFor([&] { return ReadIndex("G:\\tarvolo.dir") == gExpected; }, 30s))
        << "G:'s index file:\n"
        << ReadIndex("G:\\tarvolo.dir");
    const std::string hExpected = Lines({"\\", "\\Kiwi", "\\Nut"});
    EXPECT_TRUE(WaitFor([&] { return ReadIndex("H:\\tarvolo.dir") == hExpected; }, 30s))
        << "H:'s index file (the drive off screen):\n"
        << ReadIndex("H:\\tarvolo.dir");

    // The rows caught up are found by typing, as any other.
    ClickSearchBox(program);
    Key(VK_SHIFT);  // takes the modifier loss of the first key after activation under Wine
    Type("spr");
    EXPECT_TRUE(WaitFor([&] { return CurrentPath(program) == "G:\\Mango\\Seed\\Sprout"; }, 5s))
        << "typing \"spr\" found \"" << CurrentPath(program) << "\"";
}

// Started at logon the check waits (a minute, here made shorter), long enough to take
// the drive away first.
TEST(CatchUp, ADriveWhoseRootCannotBeListedAtTheCheckKeepsItsRowsAndItsFile) {
    constexpr ULONGLONG kLogonWaitMs = 10000;
    TestDir dir;
    const std::string g = dir.UnixOf("g"), h = dir.UnixOf("h");
    ASSERT_EQ(RunUnix("mkdir -p " + ShellQuote(dir.UnixOf("appdata"))), 0);
    Drive gDrive('G', g);
    Drive hDrive('H', h);
    MakeDirs({"G:\\Alpha", "H:\\Kiwi"});
    // Rows the disk does not hold: a check that listed the drive would take them out.
    const std::string gIndex = Lines({"\\", "\\Alpha", "\\Ghost"});
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", gIndex));
    const std::string hIndex = Lines({"\\", "\\Kiwi", "\\Phantom"});
    ASSERT_TRUE(WriteFileBytes("H:\\tarvolo.dir", hIndex));
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", W(dir.Win("appdata")).c_str());
    ::SetEnvironmentVariableW(L"TARVOLO_LOGON_CHECK_WAIT_MS", std::to_wstring(kLogonWaitMs).c_str());
    struct Restore {
        ~Restore() {
            ::SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
            ::SetEnvironmentVariableW(L"TARVOLO_LOGON_CHECK_WAIT_MS", nullptr);
        }
    } restore;
    const std::string copy = dir.Win("appdata\\Tarvolo\\G.dir");

    Program program(dir);
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"), kCheckingIni));
    const ULONGLONG started = ::GetTickCount64();
    ASSERT_TRUE(program.Start("MIN", SW_SHOWMINNOACTIVE));
    HWND main = program.Main();
    ASSERT_TRUE(main);
    ASSERT_TRUE(program.Responsive());
    program.TrayNotify(WM_LBUTTONDOWN);
    program.TrayNotify(WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return Idle(program); }, 30s)) << "the window did not come back";
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_EQ(Count(list), 3);
    EXPECT_EQ(ReadIndex("H:\\tarvolo.dir"), hIndex) << "H: was checked before the wait was over";

    // G: points nowhere now; H: is still there, and its check shows when the wait is over.
    ASSERT_EQ(RunUnix("mv " + ShellQuote(g) + " " + ShellQuote(g + "-away")), 0);
    const ULONGLONG away = ::GetTickCount64() - started;
    ASSERT_LT(away, kLogonWaitMs) << "the drive was taken away " << away
                                  << " ms after the start, when the check may have begun already";
    const std::string hChecked = Lines({"\\", "\\Kiwi"});
    ASSERT_TRUE(WaitFor([&] { return ReadIndex("H:\\tarvolo.dir") == hChecked; }, 120s))
        << "H: was not checked after the wait; its index file:\n"
        << ReadIndex("H:\\tarvolo.dir");
    EXPECT_TRUE(program.Responsive());
    EXPECT_EQ(Count(list), 3) << "the rows of a drive that could not be listed were changed";
    EXPECT_FALSE(program.WaitDialog(TARVOLO_TITLE, 0ms)) << "a check in the background spoke up";

    ASSERT_EQ(RunUnix("mv " + ShellQuote(g + "-away") + " " + ShellQuote(g)), 0);
    program.CloseFromTrayMenu();
    ASSERT_TRUE(program.WaitExit()) << "the program did not end";
    EXPECT_EQ(ReadIndex("G:\\tarvolo.dir"), gIndex);
    EXPECT_FALSE(FileExists(copy)) << "a copy was written in the user folder:\n" << ReadIndex(copy);
}
