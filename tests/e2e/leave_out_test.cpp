// Folders left out by the user's rules: not in a first scan, not made rows by
// the watch, and taken out at once when a rule is added in Options.
#include <gtest/gtest.h>

#include <string>

#include "tarvolo_version.h"
#include "tests/e2e/find_fixture.h"

using namespace e2e;
using namespace e2e::find;
using namespace std::chrono_literals;

namespace {

std::string Row(HWND list, long i) {
    const LRESULT n = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n == LB_ERR) return {};
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(n));
    return U(text);
}

void MakeTree(std::initializer_list<const char*> dirs) {
    for (const char* d : dirs) ASSERT_TRUE(::CreateDirectoryA(d, nullptr)) << d;
}

// The button of this text on the page on show: every page has its own "Add".
HWND ShownButton(HWND parent, const std::string& text) {
    struct Query {
        std::string text;
        HWND found;
    } query{text, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* q = reinterpret_cast<Query*>(lp);
            if (ClassName(hwnd) != "Button" || Text(hwnd) != q->text || !::IsWindowVisible(hwnd)) return TRUE;
            q->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.found;
}

}  // namespace

TEST(LeaveOut, AFirstScanLeavesOutTheRulesAndALiveFolderUnderALeftOutNameNeverBecomesARow) {
    TestDir dir;
    Drive drive('G', dir.UnixOf("g"));
    MakeTree({"G:\\proj", "G:\\proj\\node_modules", "G:\\proj\\node_modules\\lib", "G:\\proj\\src",
              "G:\\Data", "G:\\Data\\Cache", "G:\\Data\\Cache\\1", "G:\\Data\\Cached"});
    Program program(dir);
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"),
                               "[Window]\r\nLeft=100\r\nTop=100\r\nDrive=0\r\n[Rescan]\r\n"
                               "LeaveOut=node_modules; \\Data\\Cache ;\r\n"));
    ASSERT_TRUE(StartIdle(program)) << "the first scan never ended";
    const std::string expected = Lines({"\\", "\\Data", "\\Data\\Cached", "\\proj", "\\proj\\src"});
    EXPECT_TRUE(WaitFor([&] { return ReadIndex("G:\\tarvolo.dir") == expected; }, 15s))
        << "index file:\n"
        << ReadIndex("G:\\tarvolo.dir");
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_EQ(Count(list), 5);

    // Under Wine the watch reports changes in the root only. The folder under the
    // left-out name is made first, so once the plain one is a row it was judged.
    ASSERT_TRUE(::CreateDirectoryA("G:\\Node_Modules", nullptr));
    ASSERT_TRUE(::CreateDirectoryA("G:\\Plain", nullptr));
    ASSERT_TRUE(WaitFor([&] { return Count(list) >= 6; }, 10s)) << "the plain folder never became a row";
    EXPECT_EQ(Count(list), 6) << "a folder under a left-out name became a row";
    for (long i = 0; i < Count(list); ++i)
        EXPECT_EQ(Row(list, i).find("ode_"), std::string::npos) << Row(list, i);
}

TEST(LeaveOut, ARuleAddedInOptionsTakesItsRowsOutAtOnceAndTheFileFollows) {
    TestDir dir;
    Drive drive('G', dir.UnixOf("g"));
    MakeTree({"G:\\a", "G:\\a\\Temp1", "G:\\a\\Temp1\\x", "G:\\a\\keep", "G:\\b"});
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir",
                               Lines({"\\", "\\a", "\\a\\keep", "\\a\\Temp1", "\\a\\Temp1\\x", "\\b"})));
    Program program(dir);
    WriteIni(program, 0);
    HWND main = StartIdle(program);
    ASSERT_TRUE(main);
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_EQ(Count(list), 6);

    ::PostMessageW(::GetDlgItem(main, tarvolo::IDC_BTNOPTIONS), BM_CLICK, 0, 0);
    HWND options = program.WaitWindow("Tarvolo Options");
    ASSERT_TRUE(options) << "no options dialog";
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == options; }));
    for (int page = 0; page < 3; ++page) Chord({VK_CONTROL}, VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return ShownButton(options, "Folders To Leave Out") != nullptr; }))
        << "the Leave Out page is not on show";
    // A rule that would empty the drive is refused where it is typed, and the dialog stays.
    for (const char* typed : {"*", "temp*"}) {
        ::PostMessageW(ShownButton(options, "Add"), BM_CLICK, 0, 0);
        HWND input = program.WaitWindow("Leave Out");
        ASSERT_TRUE(input) << "no input box for " << typed;
        HWND edit = ::FindWindowExW(input, nullptr, L"Edit", nullptr);
        ASSERT_TRUE(edit);
        ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(W(typed).c_str()));
        ::PostMessageW(DescendantByText(input, "Button", "OK"), BM_CLICK, 0, 0);
        if (std::string(typed) == "*") {
            HWND box = program.WaitDialog(TARVOLO_TITLE);
            ASSERT_TRUE(box) << "\"*\" was taken without a word";
            EXPECT_NE(Program::MessageText(box).find("every folder"), std::string::npos)
                << Program::MessageText(box);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
            HWND again = program.WaitWindow("Leave Out");
            ASSERT_TRUE(again) << "the input box did not come back for a rule that can be taken";
            ::PostMessageW(again, WM_COMMAND, IDCANCEL, 0);
            ASSERT_TRUE(WaitFor([&] { return !::IsWindow(again); }));
        } else {
            ASSERT_TRUE(WaitFor([&] { return !::IsWindow(input); }));
        }
    }
    ::PostMessageW(DescendantByText(options, "Button", "OK"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(options); }));
    EXPECT_TRUE(WaitFor([&] { return Count(list) == 4; }, 10s))
        << "the left-out rows are still there: " << Count(list);
    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadIndex("G:\\tarvolo.dir") == Lines({"\\", "\\a", "\\a\\keep", "\\b"});
        },
        15s))
        << "index file:\n"
        << ReadIndex("G:\\tarvolo.dir");
}
