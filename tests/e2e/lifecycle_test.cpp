// Start-up, settings, hiding and the real close of the real program.
#include <gtest/gtest.h>

#include "mainwindow/MainControlIds.h"
#include "tests/e2e/Harness.h"
#include "tarvolo_version.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

RECT Bounds(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

// Up to the main window shown with its first show done.
HWND StartShown(Program& program, const std::string& args = {}) {
    if (!program.Start(args)) return nullptr;
    HWND main = program.Main();
    if (!main || !WaitFor([&] { return Visible(main); })) {
        ADD_FAILURE() << "the main window was not shown";
        return nullptr;
    }
    return main;
}

std::string ReadText(const std::string& path) {
    std::string text;
    ReadFileBytes(path, text);
    return text;
}

}  // namespace

TEST(Lifecycle, FirstStartUsesDefaultsAndTheRealCloseWritesEveryKeyInOrder) {
    TestDir dir;
    Program program(dir);
    HWND main = StartShown(program);
    ASSERT_TRUE(main) << "no main window";
    ASSERT_TRUE(Visible(main));
    RECT r = Bounds(main);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.right - r.left, 537);
    EXPECT_EQ(r.bottom - r.top, 417);
    EXPECT_EQ(Text(main), TARVOLO_TITLE);
    EXPECT_EQ(ReadText(program.File("tarvolo.ini")), program.IniAtStart())
        << "something was written before the real close";
    // The harness started it with a file of CheckAtStart alone: without it, the close writes a new file.
    ASSERT_TRUE(::DeleteFileA(program.File("tarvolo.ini").c_str()));

    program.CloseFromTrayMenu();
    ASSERT_TRUE(program.WaitExit()) << "the real close did not end the program";
    EXPECT_EQ(ReadText(program.File("tarvolo.ini")),
              "[Window]\r\nTop=100\r\nLeft=100\r\nHeight=417\r\nWidth=537\r\nHotKey=0\r\nQuickJumpHotKey="
              "0\r\nDrive=-1\r\n"
              "ShowCloseInfo=1\r\n[Rescan]\r\nReadOnly=1\r\nHidden=1\r\nSystem=1\r\nLeaveOut=\r\n"
              "CheckAtStart=0\r\n[Search]\r\nMatchAnywhere=0\r\n");
    for (const char* list : {"history.dir", "favorites.dir", "dialogs.dir"}) {
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(program.File(list), bytes)) << list << " was not written";
        EXPECT_EQ(bytes, "") << list;
    }
}

TEST(Lifecycle, StoredSettingsApplyAndUnknownSectionsSurviveTheSave) {
    TestDir dir;
    Program program(dir);
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"),
                               "[Window]\r\nTop=50\r\nLeft=60\r\nHeight=100\r\nWidth=600\r\nHotKey=0x8041\r\n"
                               "ShowCloseInfo=yes\r\nDrive=7\r\n[Mine]\r\nKeep=this\r\n"));
    HWND main = StartShown(program);
    ASSERT_TRUE(main);
    RECT r = Bounds(main);
    EXPECT_EQ(r.bottom - r.top, 300) << "a height below the minimum comes out at the minimum";
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.left, 60);
    EXPECT_EQ(r.top, 50);

    // Alt+A is the hot key: it hides the program that is in front, and brings it back.
    ASSERT_TRUE(BringToFrontSettled(main)) << "the main window is not in front";
    Chord({VK_MENU}, 'A');
    EXPECT_TRUE(WaitFor([&] { return !Visible(main); })) << "the hot key did not hide the program";
    Chord({VK_MENU}, 'A');
    EXPECT_TRUE(WaitFor([&] { return Visible(main); })) << "the hot key did not bring the program back";

    // "yes" is no number: ShowCloseInfo keeps its default and the close informs first.
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    HWND info = program.WaitWindow("Information");
    ASSERT_TRUE(info) << "the close did not show the information dialog";
    Key(VK_RETURN);
    EXPECT_TRUE(WaitFor([&] { return !Visible(main); }));

    program.CloseFromTrayMenu();
    ASSERT_TRUE(program.WaitExit());
    std::string ini = ReadText(program.File("tarvolo.ini"));
    EXPECT_NE(ini.find("HotKey=32833\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[Mine]\r\nKeep=this\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Height=300\r\n"), std::string::npos) << ini;
}

TEST(Lifecycle, OrdinaryCloseHidesAndDontShowAgainIsStoredAtTheRealClose) {
    TestDir dir;
    Program program(dir);
    HWND main = StartShown(program);
    ASSERT_TRUE(main);

    ::PostMessageW(main, WM_CLOSE, 0, 0);
    HWND info = program.WaitWindow("Information");
    ASSERT_TRUE(info);
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !Visible(main); })) << "the ordinary close did not hide the window";
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(program.TrayWindow()) << "the icon is gone";
    EXPECT_EQ(ReadText(program.File("tarvolo.ini")), program.IniAtStart());
    EXPECT_FALSE(FileExists(program.File("history.dir")));

    // Back, then close again with the box ticked.
    program.TrayNotify(WM_LBUTTONDOWN);
    program.TrayNotify(WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return Visible(main); })) << "a click on the icon did not show the window";
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    info = program.WaitWindow("Information");
    ASSERT_TRUE(info);
    HWND box = ::FindWindowExW(info, nullptr, L"Button", L"Don't show me this message again");
    ASSERT_TRUE(box);
    ::SendMessageW(box, BM_CLICK, 0, 0);
    Key(VK_ESCAPE);  // Esc presses OK as well
    ASSERT_TRUE(WaitFor([&] { return !Visible(main); }));

    // The next close hides at once.
    program.TrayNotify(WM_LBUTTONDOWN);
    program.TrayNotify(WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return Visible(main); }));
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !Visible(main); }));
    // The box would come before the hiding, from the same close.
    ASSERT_TRUE(program.Responsive());
    EXPECT_FALSE(program.WaitWindow("Information", 0ms));

    program.CloseFromTrayMenu();
    ASSERT_TRUE(program.WaitExit());
    EXPECT_NE(ReadText(program.File("tarvolo.ini")).find("ShowCloseInfo=0\r\n"), std::string::npos);
}

TEST(Lifecycle, MinimizeButtonAndShowTarvoloItem) {
    TestDir dir;
    Program program(dir);
    HWND main = StartShown(program);
    ASSERT_TRUE(main);
    ::PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !Visible(main); })) << "minimizing did not hide the window";
    EXPECT_TRUE(program.Running());

    program.TrayNotify(WM_RBUTTONDOWN);
    ASSERT_TRUE(WaitFor([&] { return FindProcessWindow(program.Pid(), L"#32768") != nullptr; }));
    ASSERT_TRUE(program.HoldsMenuKeyboard());
    Key(VK_UP);
    Key(VK_UP);  // "Show Tarvolo", above "Close"
    Key(VK_RETURN);
    EXPECT_TRUE(WaitFor([&] { return Visible(main); })) << "\"Show Tarvolo\" did not show the window";
    EXPECT_FALSE(::IsIconic(main));
}

TEST(Lifecycle, MinArgumentInAnyCaseStartsHidden) {
    struct Case {
        const char* args;
        bool hidden;
    } cases[] = {{"min", true}, {"MIN", true}, {"/MIN", false}, {"-min", false}, {"other min", false}};
    for (const Case& c : cases) {
        TestDir dir(std::string("MinArgument_") + (c.hidden ? "h" : "s") + std::to_string(&c - cases));
        Program program(dir);
        ASSERT_TRUE(program.Start(c.args));
        HWND main = program.Main();
        ASSERT_TRUE(main);
        // The icon exists from the start; its window is made before the main window shows.
        ASSERT_TRUE(program.TrayWindow()) << c.args;
        if (c.hidden) {
            // Hidden the way a minimize hides: in the notification area, and back with a click.
            EXPECT_TRUE(WaitFor([&] { return !Visible(main) && program.Responsive(); })) << c.args;
            program.TrayNotify(WM_LBUTTONDOWN);
            program.TrayNotify(WM_LBUTTONUP);
            EXPECT_TRUE(WaitFor([&] { return Visible(main); })) << c.args << ": not brought back by the icon";
        } else {
            ASSERT_TRUE(WaitFor([&] { return Visible(main); })) << c.args;
            // The one-tick timer runs as soon as the program waits with nothing to do,
            // which it does before it takes a click: once a click on About has opened
            // the about box, the tick is past and the window must still be shown.
            HWND aboutButton = program.Control(tarvolo::IDC_BTNABOUT);
            RECT r{};
            ::GetClientRect(aboutButton, &r);
            LeftClick(aboutButton, r.right / 2, r.bottom / 2);
            HWND about = program.WaitWindow("About...");
            ASSERT_TRUE(about) << c.args << ": the click on About did not open the about box";
            ::PostMessageW(about, WM_CLOSE, 0, 0);
            ASSERT_TRUE(WaitFor([&] { return !::IsWindow(about); })) << c.args;
            EXPECT_TRUE(Visible(main)) << c.args;
        }
        program.Kill();
    }
}

TEST(Lifecycle, ASecondStartBringsTheFirstForward) {
    TestDir dir;
    Program first(dir);
    HWND main = StartShown(first);
    ASSERT_TRUE(main);
    ::PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !Visible(main); }));

    TestDir dir2(std::string("SecondStart"));
    Program second(dir2);
    // Start without waiting for the first to go: the point is that it is running.
    ASSERT_TRUE(second.Start({}, SW_SHOWNORMAL, false));
    EXPECT_TRUE(second.WaitExit(10s)) << "the second start did not end by itself";
    EXPECT_TRUE(WaitFor([&] { return Visible(main); })) << "the running program did not come forward";
    EXPECT_TRUE(first.Running());
}

// The instance mutex decides whether a start runs: a first instance that holds
// it but cannot be reached (busy, hung, or with rights the second start's call
// cannot cross) makes the second start say so and run nothing of its own; one
// that lets go of it while the second start waits leaves the start to run.
TEST(Lifecycle, ASecondStartThatCannotReachTheFirstSaysSoAndRunsNothing) {
    TestDir dir;
    // A stand-in for a first instance whose window does not answer: the mutex,
    // and a window of the main window's class on a thread that never reads its messages.
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, L"Local\\Tarvolo.Instance");
    ASSERT_TRUE(mutex);
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TfrmMain";
    ::RegisterClassW(&wc);
    HWND mute = ::CreateWindowW(L"TfrmMain", L"Tarvolo", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
    ASSERT_TRUE(mute);

    // The second start gives up after a second, not the program's eight.
    ::SetEnvironmentVariableW(L"TARVOLO_REACH_INSTANCE_MS", L"1000");
    struct Restore {
        ~Restore() { ::SetEnvironmentVariableW(L"TARVOLO_REACH_INSTANCE_MS", nullptr); }
    } restore;
    Program second(dir);
    ASSERT_TRUE(second.Start({}, SW_SHOWNORMAL, false));
    ::SetEnvironmentVariableW(L"TARVOLO_REACH_INSTANCE_MS", nullptr);
    HWND box = second.WaitDialog("Tarvolo", 30s);
    ASSERT_TRUE(box) << "the second start said nothing";
    EXPECT_EQ(
        Program::MessageText(box),
        "Tarvolo is already running, but it does not answer.\r\nClose it with Close in its icon's menu, or "
        "end tarvolo.exe in the Task Manager, then start Tarvolo again.");
    EXPECT_FALSE(FindProcessWindow(second.Pid(), L"TfrmMain", {}, false)) << "a second instance runs";
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(second.WaitExit(10s)) << "the second start did not end";
    EXPECT_EQ(ReadText(second.File("tarvolo.ini")), second.IniAtStart()) << "the second start wrote settings";

    // The first lets go while a start waits for it: that start is the program.
    Program third(dir);
    ASSERT_TRUE(third.Start({}, SW_SHOWNORMAL, false));
    EXPECT_FALSE(
        WaitFor([&] { return FindProcessWindow(third.Pid(), L"TfrmMain", {}, false) != nullptr; }, 1s))
        << "a start ran while the first held the mutex";
    ::DestroyWindow(mute);
    ::CloseHandle(mutex);
    EXPECT_TRUE(third.Main()) << "the start did not run once the first was gone";
    third.Kill();
}

TEST(Lifecycle, TheEndOfTheSessionSavesWhatTheRealCloseWould) {
    TestDir dir;
    Program program(dir);
    ASSERT_TRUE(WriteFileBytes(program.File("favorites.dir"), "Z:\\kept?0*0\r\n"));
    HWND main = StartShown(program);
    ASSERT_TRUE(main);
    ::PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !Visible(main); }));

    // Log off: every top-level window is asked, then told that the session ends.
    ASSERT_TRUE(EndSession()) << "wineboot -e did not run to its end";

    EXPECT_TRUE(WaitFor([&] { return ReadText(program.File("tarvolo.ini")) != program.IniAtStart(); }))
        << "the settings were not saved at the end of the session";
    std::string favorites;
    EXPECT_TRUE(ReadFileBytes(program.File("favorites.dir"), favorites));
    EXPECT_EQ(favorites, "Z:\\kept?0*0\r\n");
    EXPECT_TRUE(FileExists(program.File("history.dir")));
    program.Kill();
}

TEST(Lifecycle, StartedMinimizedAndClosedBeforeTheFirstShowKeepsTheStoredSettings) {
    TestDir dir;
    Program program(dir);
    const std::string stored = "[Window]\r\nTop=10\r\nLeft=20\r\nHotKey=24641\r\nShowCloseInfo=0\r\n";
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"), stored));
    // A shortcut set to run minimized: straight into the notification area.
    ASSERT_TRUE(program.Start({}, SW_SHOWMINNOACTIVE));
    HWND main = program.Main();
    ASSERT_TRUE(main);
    ASSERT_TRUE(program.TrayWindow());
    ASSERT_TRUE(program.Responsive());
    EXPECT_FALSE(Visible(main));

    program.CloseFromTrayMenu();
    ASSERT_TRUE(program.WaitExit());
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(program.File("tarvolo.ini"), bytes));
    EXPECT_EQ(bytes, program.IniAtStart()) << "settings that were never loaded overwrote the stored ones";
}

TEST(Lifecycle, StartedMinimizedShowsItsStoredBoundsWhenBroughtBack) {
    TestDir dir;
    Program program(dir);
    ASSERT_TRUE(
        WriteFileBytes(program.File("tarvolo.ini"), "[Window]\r\nTop=10\r\nLeft=20\r\nWidth=700\r\n"));
    ASSERT_TRUE(program.Start({}, SW_SHOWMINNOACTIVE));
    HWND main = program.Main();
    ASSERT_TRUE(main);
    ASSERT_TRUE(program.Responsive());
    program.TrayNotify(WM_LBUTTONDOWN);
    program.TrayNotify(WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return Visible(main); }));
    RECT r = Bounds(main);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 10);
    EXPECT_EQ(r.right - r.left, 700);
}

TEST(Lifecycle, APositionOnNoMonitorIsBroughtOntoTheScreen) {
    TestDir dir;
    Program program(dir);
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"), "[Window]\r\nTop=-5000\r\nLeft=9000\r\n"));
    HWND main = StartShown(program);
    ASSERT_TRUE(main);
    RECT r = Bounds(main);
    EXPECT_TRUE(::MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr)
        << "the window stands at " << r.left << "," << r.top;
    EXPECT_EQ(r.right - r.left, 537);
}
