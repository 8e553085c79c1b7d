// The drive selector and the directory tree through the real program: the
// fixed drives, load or scan, Rescan, the painted connectors, selection and
// scrolling past 65,535 rows.
#include <gtest/gtest.h>

#include <thread>

#include "tests/e2e/find_fixture.h"
#include "tarvolo_version.h"

using namespace e2e;
using namespace e2e::find;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> DriveEntries(HWND combo) {
    std::vector<std::string> entries;
    const long n = static_cast<long>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (long i = 0; i < n; ++i) {
        wchar_t text[16] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(U(text));
    }
    return entries;
}

void Drag(HWND hwnd, POINT from, POINT to) {
    SettleFrontForClick(hwnd);
    ::ClientToScreen(hwnd, &from);
    ::ClientToScreen(hwnd, &to);
    auto send = [](DWORD flags) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        ::SendInput(1, &in, sizeof in);
        std::this_thread::sleep_for(40ms);
    };
    ::SetCursorPos(from.x, from.y);
    send(MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= 8; ++i) {
        ::SetCursorPos(from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8);
        send(MOUSEEVENTF_MOVE);
    }
    send(MOUSEEVENTF_LEFTUP);
}

constexpr COLORREF kGrey = RGB(128, 128, 128);

// The root and `rows` - 1 directories under it: \D000001, \D000002...
std::string FlatIndex(int rows) {
    std::string index = "\\\r\n";
    char row[32];
    for (int i = 1; i < rows; ++i) {
        std::snprintf(row, sizeof row, "\\D%06d\r\n", i);
        index += row;
    }
    return index;
}

long BarPosition(HWND bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    return ::GetScrollInfo(bar, SB_CTL, &info) ? info.nPos : -1;
}

}  // namespace

TEST(FindTree, FixedDrivesInOrderScanWithoutIndexLoadWithIndexAndRescanKeepsTheSearchText) {
    TestDir dir;
    Drive k('K', dir.UnixOf("k"));
    Drive j('J', dir.UnixOf("j"));
    ASSERT_EQ(RunUnix("mkdir -p " + ShellQuote(dir.UnixOf("j/One")) + " " + ShellQuote(dir.UnixOf("j/Two"))),
              0);
    ASSERT_TRUE(WriteFileBytes("K:\\tarvolo.dir", Lines({"\\", "\\Kdir"})));
    Program program(dir);
    WriteIni(program, 1);
    HWND main = StartIdle(program);
    ASSERT_TRUE(main);
    HWND list = program.Control(IDC_DIRLISTBOX);
    EXPECT_EQ(DriveEntries(program.Control(IDC_CMBDRIVES)), (std::vector<std::string>{"J:", "K:"}));
    EXPECT_EQ(Count(list), 2) << "K:'s index was not loaded";
    EXPECT_EQ(CurrentPath(program), "K:\\");
    EXPECT_FALSE(FileExists("J:\\tarvolo.dir"));

    // The drive picture beside the entry: the grey disk, with the red background left out.
    HWND combo = program.Control(IDC_CMBDRIVES);
    EXPECT_TRUE(WaitFor([&] { return Pixel(combo, 3 + 2 + 5, 3 + 8) == RGB(192, 192, 192); }, 3s))
        << std::hex << Pixel(combo, 3 + 2 + 5, 3 + 8);
    EXPECT_NE(Pixel(combo, 3 + 2, 3 + 1), RGB(255, 0, 0));

    // J: has no index: choosing it scans it.
    ChooseDrive(program, 0);
    ASSERT_TRUE(WaitFor([&] { return FileExists("J:\\tarvolo.dir") && Idle(program); }, 60s))
        << "J: was not scanned";
    EXPECT_EQ(ReadIndex("J:\\tarvolo.dir"), Lines({"\\", "\\One", "\\Two"}));
    EXPECT_EQ(Count(list), 3);
    EXPECT_EQ(CurrentPath(program), "J:\\");

    // Back to K:, then J: again: now its file is loaded, not scanned.
    ChooseDrive(program, 1);
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "K:\\" && Idle(program); }));
    ASSERT_TRUE(WriteFileBytes("J:\\tarvolo.dir", Lines({"\\", "\\One", "\\Three", "\\Two"})));
    ChooseDrive(program, 0);
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "J:\\" && Idle(program); }));
    EXPECT_EQ(Count(list), 4);

    // Rescan leaves the search text as it is and selects the root.
    ClickSearchBox(program);
    Type("t");
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "J:\\Three"; }));
    LeftClick(program.Control(IDC_BTNRESCAN), 20, 10);
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 3 && Idle(program); }, 60s)) << "Rescan did not scan";
    EXPECT_EQ(SearchText(program), "t");
    EXPECT_EQ(Selected(list), 0);
    EXPECT_EQ(CurrentPath(program), "J:\\");

    // A drive change empties the search box.
    ChooseDrive(program, 1);
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "K:\\" && Idle(program); }));
    EXPECT_EQ(SearchText(program), "");
    EXPECT_EQ(Selected(list), 0);
}

TEST(FindTree, ConnectorsTextPositionsAndSelection) {
    TestDir dir;
    Drive i('I', dir.UnixOf("i"));
    ASSERT_TRUE(WriteFileBytes("I:\\tarvolo.dir", Lines({"\\", "\\A", "\\A\\X", "\\B"})));
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program));
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_EQ(Count(list), 4);
    EXPECT_EQ(Selected(list), 0);
    EXPECT_EQ(CurrentPath(program), "I:\\");

    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    // Pixel checks, as (x, y, colour): row r spans y = 16 r to 16 r + 15.
    struct Check {
        int x, y;
        COLORREF colour;
        const char* what;
    };
    const Check checks[] = {
        {4, 2, window, "left of the root's label"},
        {5, 2, highlight, "the selected root's label starts at x = 5"},
        {300, 2, window, "the root line has no bar"},
        // \A, code 2: a tee in the first column.
        {16, 16, kGrey, "tee, top"},
        {16, 31, kGrey, "tee, bottom"},
        {20, 24, kGrey, "tee, arm"},
        {20, 20, window, "beside the tee"},
        // \A\X, code 13: a line in column 1, an elbow in column 2.
        {16, 32, kGrey, "line, top"},
        {16, 47, kGrey, "line, bottom"},
        {20, 40, window, "the line has no arm"},
        {32, 32, kGrey, "elbow, top"},
        {32, 40, kGrey, "elbow, corner"},
        {32, 44, window, "the elbow stops at its corner"},
        {38, 40, kGrey, "elbow, arm"},
        // \B, code 3: an elbow in the first column, nothing below it.
        {16, 52, kGrey, "last elbow, top"},
        {16, 60, window, "nothing below the last elbow"},
    };
    auto mismatches = [&] {
        std::string wrong;
        for (const Check& c : checks) {
            COLORREF got = Pixel(list, c.x, c.y);
            if (got != c.colour) wrong += std::string(c.what) + " (" + std::to_string(got) + ") ";
        }
        return wrong;
    };
    EXPECT_TRUE(WaitFor([&] { return mismatches().empty(); }, 3s)) << mismatches();

    // A click on \A\X: its label, two spaces then X, is highlighted from x = 40.
    LeftClick(list, 60, 40);
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "I:\\A\\X"; })) << CurrentPath(program);
    EXPECT_EQ(ToolTipText(program, list), "I:\\A\\X");
    EXPECT_EQ(ToolTipText(program, program.Control(IDC_CMBHISTORY)), "I:\\A\\X");
    EXPECT_TRUE(
        WaitFor([&] { return Pixel(list, 40, 34) == highlight && Pixel(list, 39, 34) == window; }, 3s));
    EXPECT_EQ(Pixel(list, 5, 2), window) << "the root's label is still highlighted";
    EXPECT_EQ(Pixel(list, 32, 40), kGrey) << "the connector took the selection colour";

    // The list's own keys select too.
    Key(VK_DOWN);
    EXPECT_TRUE(WaitFor([&] { return CurrentPath(program) == "I:\\B"; })) << CurrentPath(program);
    Key(VK_HOME);
    EXPECT_TRUE(WaitFor([&] { return CurrentPath(program) == "I:\\"; })) << CurrentPath(program);
    Screenshot(dir.UnixOf("tree.png"));

    // The mouse resting on the list shows the path as its hint: the list hands
    // its mouse moves to the hint itself. One move into the list, then rest: the
    // hint waits for the mouse to stay still, and every move starts that wait again.
    POINT over{60, 20};
    ::ClientToScreen(list, &over);
    ::SetCursorPos(over.x - 1, over.y);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    move.mi.dx = 1;
    ::SendInput(1, &move, sizeof move);
    const auto tipShown = [&] {
        HWND tip = ::FindWindowW(L"tooltips_class32", nullptr);
        for (; tip; tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr))
            if (::GetWindow(tip, GW_OWNER) == program.Main() && ::IsWindowVisible(tip)) return true;
        return false;
    };
    EXPECT_TRUE(WaitFor(tipShown, 5s)) << "no hint over the list";
}

// The program started on one drive of 100,000 rows in a flat list: more than a
// 16-bit scroll place can hold.
class FindTreeOf100000Rows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteFileBytes("H:\\tarvolo.dir", FlatIndex(100000)));
        WriteIni(program, 0);
        ASSERT_TRUE(StartIdle(program));
        list = program.Control(IDC_DIRLISTBOX);
    }

    TestDir dir;
    Drive h{'H', dir.UnixOf("h")};
    Program program{dir};
    HWND list = nullptr;
};

TEST_F(FindTreeOf100000Rows, ScrollThumbReachesRowsPast65535) {
    ASSERT_EQ(Count(list), 100000);

    RECT window{}, client{};
    ::GetWindowRect(list, &window);
    ::GetClientRect(list, &client);
    POINT origin{0, 0};
    ::ClientToScreen(list, &origin);
    const int barX = client.right + ::GetSystemMetrics(SM_CXVSCROLL) / 2;
    const int arrow = ::GetSystemMetrics(SM_CYVSCROLL);
    // The thumb from the top to about 90% of the track.
    Drag(list, POINT{barX, arrow + 4}, POINT{barX, arrow + (client.bottom - 2 * arrow) * 9 / 10});
    ASSERT_TRUE(WaitFor([&] { return TopIndex(list) > 80000; }, 5s))
        << "the thumb took the list to row " << TopIndex(list);
    // The last row is reachable at the bottom of the track.
    Drag(list, POINT{barX, arrow + (client.bottom - 2 * arrow) * 9 / 10},
         POINT{barX, client.bottom - arrow - 1});
    const long visible = client.bottom / 16;
    EXPECT_TRUE(WaitFor([&] { return TopIndex(list) >= 100000 - visible - 1; }, 5s)) << TopIndex(list);
}

// The list's scroll bar is a control of its own laid in the list's frame: it
// follows the top row after a jump, the wheel and a click on its track.
TEST_F(FindTreeOf100000Rows, ScrollBarFollowsTheListsTopRow) {
    HWND bar = program.Control(tarvolo::IDC_DIRLISTSCROLLBAR);
    ASSERT_TRUE(bar && Visible(bar));
    RECT client{}, placed{};
    ::GetClientRect(list, &client);
    ::GetWindowRect(bar, &placed);
    POINT corner{client.right, 0};
    ::ClientToScreen(list, &corner);
    EXPECT_EQ(placed.left, corner.x) << "the bar is not beside the rows";
    EXPECT_EQ(placed.top, corner.y);
    EXPECT_EQ(placed.right - placed.left, ::GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(placed.bottom - placed.top, client.bottom);

    auto follows = [&] { return TopIndex(list) > 0 && BarPosition(bar) == TopIndex(list); };
    ::SendMessageW(program.Control(IDC_DIRTOFIND), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"D09"));
    ASSERT_TRUE(WaitFor([&] { return Selected(list) == 90000 && follows(); }, 5s))
        << "the search selected " << Selected(list) << "; top " << TopIndex(list) << ", bar "
        << BarPosition(bar);
    UINT lines = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    long top = TopIndex(list);
    ::PostMessageW(list, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_TRUE(WaitFor([&] { return TopIndex(list) == top + static_cast<long>(lines) && follows(); }, 5s))
        << "the wheel took the list from " << top << " to " << TopIndex(list) << ", the bar to "
        << BarPosition(bar);

    // A click just below the up arrow: on the track above the thumb, if the
    // thumb went down with the top row, and a page up.
    top = TopIndex(list);
    LeftClick(bar, (placed.right - placed.left) / 2, ::GetSystemMetrics(SM_CYVSCROLL) + 2);
    const long page = client.bottom / static_cast<long>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    EXPECT_TRUE(WaitFor([&] { return TopIndex(list) == top - page && follows(); }, 5s))
        << "a page up took the list from " << top << " to " << TopIndex(list) << ", the bar to "
        << BarPosition(bar);
}

TEST(FindTree, AnIndexThatCannotBeReadIsReportedAndTheListShownEmpty) {
    TestDir dir;
    Drive h('H', dir.UnixOf("h"));
    // A folder where the file should be: it exists, but no file can be read from it.
    ASSERT_EQ(RunUnix("mkdir -p " + ShellQuote(dir.UnixOf("h/tarvolo.dir")) + " " +
                      ShellQuote(dir.UnixOf("h/One"))),
              0);
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(program.Start());
    HWND box = program.WaitDialog(TARVOLO_TITLE, 30s);
    ASSERT_TRUE(box) << "no error message";
    EXPECT_EQ(Program::MessageText(box), "Cannot open file H:\\tarvolo.dir");
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return Idle(program); }));
    HWND list = program.Control(IDC_DIRLISTBOX);
    EXPECT_TRUE(Visible(list)) << "the list was not shown again";
    EXPECT_EQ(Count(list), 0);
}
