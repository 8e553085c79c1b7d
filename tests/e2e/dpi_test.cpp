// The program on a scaled screen. CMake runs this test in a prefix and display
// of its own with LogPixels 144 and 192 (TARVOLO_EXPECT_DPI); in the ordinary
// run the screen is at 96 DPI. Leaves main-<dpi>.png and options-<dpi>.png of
// the two windows in the test's folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/e2e/find_fixture.h"

using namespace e2e;
using namespace e2e::find;
using namespace std::chrono_literals;

namespace {

int ExpectedDpi() {
    const char* dpi = std::getenv("TARVOLO_EXPECT_DPI");
    return dpi ? std::atoi(dpi) : 96;
}

int Scale(int length, int dpi) {
    return ::MulDiv(length, dpi, 96);
}

SIZE ClientSize(HWND hwnd) {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    return SIZE{r.right, r.bottom};
}

// A PNG of just this window (its frame included), cut from the screen once
// two shots in a row agree: the window has finished painting.
bool SaveWindowPicture(HWND hwnd, const std::string& unixPath) {
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    const std::string crop = std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "+" +
                             std::to_string(r.left) + "+" + std::to_string(r.top);
    auto shoot = [&](const std::string& path) {
        return RunUnix("import -window root -crop " + crop + " +repage " + ShellQuote(path)) == 0;
    };
    const std::string previous = unixPath + ".previous.png";
    if (!shoot(previous)) return false;
    const bool stable = WaitFor(
        [&] {
            ::Sleep(200);  // the interval between two shots, not a wait for an event
            if (!shoot(unixPath)) return false;
            if (RunUnix("cmp -s " + ShellQuote(unixPath) + " " + ShellQuote(previous)) == 0) return true;
            RunUnix("cp " + ShellQuote(unixPath) + " " + ShellQuote(previous));
            return false;
        },
        10s);
    RunUnix("rm -f " + ShellQuote(previous));
    // tools/dpi-screenshots.sh collects the pictures here: the test's own folder
    // is removed once it passes.
    const char* collect = std::getenv("TARVOLO_SCREENSHOTS");
    if (stable && collect && *collect)
        return RunUnix("cp " + ShellQuote(unixPath) + " " + ShellQuote(collect)) == 0;
    return stable;
}

// Dark, not the list's white background: a connector line passes here.
bool Dark(COLORREF c) {
    return GetRValue(c) < 200 && GetGValue(c) < 200 && GetBValue(c) < 200;
}

}  // namespace

TEST(Dpi, MainWindowAndOptionsAtTheScreensScale) {
    const int dpi = ExpectedDpi();
    // The pointer in a corner, where no tip of the program's opens over the
    // pictures (SetCursorPos does not move the X pointer of an unmanaged display).
    RunUnix("xdotool mousemove 0 0 >/dev/null 2>&1");
    TestDir dir;
    Drive drive('G', dir.UnixOf("g"));
    // \A is the first of two children of the root: a tee whose line runs down
    // past A's subtree to the elbow of \E.
    ASSERT_TRUE(
        WriteFileBytes("G:\\tarvolo.dir", Lines({"\\", "\\A", "\\A\\B", "\\A\\B\\C", "\\A\\D", "\\E"})));
    Program program(dir);
    WriteIni(program, 0);  // a position, no size: the first start's size
    HWND main = StartIdle(program);
    ASSERT_TRUE(main);

    // The window at the screen's scale: the design client area of 529 x 390.
    const SIZE client = ClientSize(main);
    EXPECT_NEAR(client.cx, Scale(529, dpi), 2) << "at " << dpi << " DPI";
    EXPECT_NEAR(client.cy, Scale(390, dpi), 2) << "at " << dpi << " DPI";
    RECT open{};
    ::GetWindowRect(program.Control(tarvolo::IDC_BTNOPEN), &open);
    EXPECT_EQ(open.bottom - open.top, Scale(24, dpi));

    // Rows of 16, 24 or 32 pixels, and a connector that runs unbroken from
    // the first child's row down to the last child's.
    HWND list = program.Control(IDC_DIRLISTBOX);
    const int row = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    EXPECT_EQ(row, Scale(16, dpi));
    ASSERT_EQ(Count(list), 6);
    ASSERT_EQ(TopIndex(list), 0);
    const int x = Scale(16, dpi);  // the middle of the first level's connector cell
    int gaps = 0;
    auto whole = [&] {
        gaps = 0;
        for (int y = row; y < 5 * row + row / 2; ++y) gaps += Dark(Pixel(list, x, y)) ? 0 : 1;
        return gaps == 0;
    };
    // Polled: the list may still be painting its rows.
    EXPECT_TRUE(WaitFor(whole, 5s)) << "the connector has " << gaps << " gaps at " << dpi << " DPI";
    // Where it runs alone (rows 2 to 4), the line is Scale(1) wide (2 px at 144
    // and 192 DPI) and starts at the same column in every row: crisp, not a
    // stretched picture whose width varies from row to row.
    int uneven = 0;
    for (int y = 2 * row; y < 5 * row; ++y) {
        int width = 0;
        for (int dx = -Scale(4, dpi); dx < Scale(4, dpi); ++dx) width += Dark(Pixel(list, x + dx, y)) ? 1 : 0;
        if (width != Scale(1, dpi) || !Dark(Pixel(list, x, y))) ++uneven;
    }
    EXPECT_EQ(uneven, 0) << "rows where the connector is not " << Scale(1, dpi) << " px wide at " << dpi
                         << " DPI";
    EXPECT_TRUE(SaveWindowPicture(main, dir.UnixOf("main-" + std::to_string(dpi) + ".png")));

    // Options, on its first page.
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(tarvolo::IDC_BTNOPTIONS, BN_CLICKED),
                   reinterpret_cast<LPARAM>(program.Control(tarvolo::IDC_BTNOPTIONS)));
    HWND options = program.WaitWindow("Tarvolo Options");
    ASSERT_TRUE(options);
    ASSERT_TRUE(WaitFor([&] { return Visible(options); }));
    const SIZE optionsClient = ClientSize(options);
    EXPECT_EQ(optionsClient.cx, Scale(572, dpi));
    EXPECT_EQ(optionsClient.cy, Scale(332, dpi));
    ::RedrawWindow(options, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_TRUE(SaveWindowPicture(options, dir.UnixOf("options-" + std::to_string(dpi) + ".png")));
    ::PostMessageW(options, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !Visible(options); }));
}

// The stored bounds are screen pixels whatever the scale: a tarvolo.ini
// written at another scale opens the window where and as large as it was.
TEST(Dpi, StoredBoundsAreScreenPixels) {
    const int dpi = ExpectedDpi();
    TestDir dir;
    Drive drive('G', dir.UnixOf("g"));
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\", "\\A"})));
    Program program(dir);
    // Larger than the minimum size at 192 DPI, smaller than the test screen.
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"),
                               "[Window]\r\nLeft=60\r\nTop=40\r\nWidth=1100\r\nHeight=700\r\nDrive=0\r\n"));
    HWND main = StartIdle(program);
    ASSERT_TRUE(main);
    RECT r{};
    ::GetWindowRect(main, &r);
    EXPECT_EQ(r.left, 60) << dpi;
    EXPECT_EQ(r.top, 40) << dpi;
    EXPECT_EQ(r.right - r.left, 1100) << dpi;
    EXPECT_EQ(r.bottom - r.top, 700) << dpi;
}
