// The main window worked from the keyboard with real keystrokes: typing from any
// control, Up and Down, Ctrl+Enter, Escape, Shift plus a drive letter, keys on a
// focused button, the history box, Enter and the access keys.
#include <gtest/gtest.h>

#include "tests/e2e/keys_fixture.h"

using namespace e2e;
using namespace std::chrono_literals;
using namespace tarvolo;

namespace {

const std::vector<std::string> kRows = {"\\",      "\\Alpha", "\\Alpha\\Apple", "\\Beta",
                                        "\\Cedar", "\\Gamma", "\\Gamma\\Two"};
enum : long { rowRoot, rowAlpha, rowApple, rowBeta, rowCedar, rowGamma, rowTwo };

struct Window {
    HWND main, list, search, history, drives;
    explicit Window(HWND m)
        : main(m),
          list(::GetDlgItem(m, IDC_DIRLISTBOX)),
          search(::GetDlgItem(m, IDC_DIRTOFIND)),
          history(::GetDlgItem(m, IDC_CMBHISTORY)),
          drives(::GetDlgItem(m, IDC_CMBDRIVES)) {}
    HWND button(int id) const { return ::GetDlgItem(main, id); }
    bool SearchIs(const std::string& text) const {
        return WaitFor([&] { return Text(search) == text; }, 5s);
    }
    bool RowIs(long row) const {
        return WaitFor([&] { return Selected(list) == row; }, 5s);
    }
    bool FocusIs(HWND control) const {
        return WaitFor([&] { return FocusOf(main) == control; }, 5s);
    }
};

}  // namespace

TEST(KeyMap, TypingUpDownEscapeAndCtrlEnter) {
    TestDir dir;
    WriteIndex(dir, 'R', kRows);
    Drive drive('R', dir.UnixOf("r"));
    Program program(dir);
    HWND main = StartLoaded(program, static_cast<long>(kRows.size()));
    ASSERT_TRUE(main) << "the program did not show drive R:'s rows";
    Window w(main);

    // A character typed in the list replaces the search text and lands in the box.
    ClickControl(w.list);
    ASSERT_TRUE(w.FocusIs(w.list));
    Type("g");
    EXPECT_TRUE(w.SearchIs("g")) << Text(w.search);
    EXPECT_TRUE(w.FocusIs(w.search));
    EXPECT_TRUE(w.RowIs(rowGamma));
    Type("a");
    EXPECT_TRUE(w.SearchIs("ga")) << "typing on in the search box appends";

    // Down from the search box: the next row, the list focused, the history following.
    Key(VK_DOWN);
    EXPECT_TRUE(w.RowIs(rowTwo));
    EXPECT_TRUE(w.FocusIs(w.list));
    EXPECT_TRUE(WaitFor([&] { return Text(w.history) == "R:\\Gamma\\Two"; })) << Text(w.history);

    // At the last row Down only moves the focus.
    ClickControl(w.search);
    ASSERT_TRUE(w.FocusIs(w.search));
    Key(VK_DOWN);
    EXPECT_TRUE(w.FocusIs(w.list));
    EXPECT_EQ(Selected(w.list), rowTwo);

    // Up from the search box.
    Type("b");
    ASSERT_TRUE(w.RowIs(rowBeta));
    Key(VK_UP);
    EXPECT_TRUE(w.RowIs(rowApple));
    EXPECT_TRUE(w.FocusIs(w.list));

    // Escape empties the search and returns to the root; Up there only moves the focus.
    Type("c");
    ASSERT_TRUE(w.RowIs(rowCedar));
    Key(VK_ESCAPE);
    EXPECT_TRUE(w.SearchIs(""));
    EXPECT_TRUE(w.RowIs(rowRoot));
    ClickControl(w.search);
    ASSERT_TRUE(w.FocusIs(w.search));
    Key(VK_UP);
    EXPECT_TRUE(w.FocusIs(w.list));
    EXPECT_EQ(Selected(w.list), rowRoot);

    // Ctrl+Enter: Find Next once, nothing typed, nothing opened.
    Type("a");
    ASSERT_TRUE(w.RowIs(rowAlpha));
    Chord({VK_CONTROL}, VK_RETURN);
    EXPECT_TRUE(w.RowIs(rowApple)) << "Ctrl+Enter did not find the next match";
    EXPECT_EQ(Text(w.search), "a");
    // A box opened by the same keystroke would take the next key away from the search box.
    Type("p");
    EXPECT_TRUE(WaitFor([&] { return Text(w.search) == "ap"; })) << "search box \"" << Text(w.search) << "\"";
    EXPECT_FALSE(program.WaitDialog("Information", 0ms)) << "Ctrl+Enter also pressed Open";
}

TEST(KeyMap, ShiftLetterSwitchesAndReloadsDrives) {
    TestDir dir;
    WriteIndex(dir, 'R', kRows);
    WriteIndex(dir, 'S', {"\\", "\\Quiet", "\\Sun"});
    Drive r('R', dir.UnixOf("r"));
    Drive s('S', dir.UnixOf("s"));
    Program program(dir);
    HWND main = StartLoaded(program, static_cast<long>(kRows.size()));
    ASSERT_TRUE(main);
    Window w(main);
    ASSERT_EQ(Text(w.drives), "R:");

    ClickControl(w.search);
    Type("g");
    ASSERT_TRUE(w.RowIs(rowGamma));
    Chord({VK_SHIFT}, 'S');
    EXPECT_TRUE(WaitFor([&] { return Count(w.list) == 3; })) << "Shift+S did not show drive S:";
    EXPECT_EQ(Text(w.drives), "S:");
    EXPECT_TRUE(w.SearchIs("")) << "the search box holds \"" << Text(w.search) << "\"";
    EXPECT_TRUE(w.FocusIs(w.search));
    EXPECT_EQ(Selected(w.list), 0);

    // No drive Q: the capital letter is typed like any other.
    Chord({VK_SHIFT}, 'Q');
    EXPECT_TRUE(w.SearchIs("Q"));
    EXPECT_TRUE(w.RowIs(1));
    // The lower-case letter of a listed drive only searches.
    Key(VK_ESCAPE);
    ASSERT_TRUE(w.SearchIs(""));
    Type("s");
    EXPECT_TRUE(w.SearchIs("s"));
    EXPECT_TRUE(w.RowIs(2));
    EXPECT_EQ(Text(w.drives), "S:");

    // Shift plus the drive shown loads its index again, from the root.
    WriteIndex(dir, 'S', {"\\", "\\Quiet", "\\Sun", "\\Zed"});
    Chord({VK_SHIFT}, 'S');
    EXPECT_TRUE(WaitFor([&] { return Count(w.list) == 4; })) << "the drive was not reloaded";
    EXPECT_TRUE(w.RowIs(0));
    EXPECT_TRUE(w.SearchIs(""));

    // And back to the first drive from the list.
    ClickControl(w.list);
    Chord({VK_SHIFT}, 'R');
    EXPECT_TRUE(WaitFor([&] { return Count(w.list) == static_cast<long>(kRows.size()); }));
    EXPECT_EQ(Text(w.drives), "R:");
}

TEST(KeyMap, KeysOnAFocusedButtonAndInTheHistoryBox) {
    TestDir dir;
    WriteIndex(dir, 'T', kRows);
    Drive drive('T', dir.UnixOf("t"));
    Program program(dir);
    HWND main = StartLoaded(program, static_cast<long>(kRows.size()));
    ASSERT_TRUE(main);
    Window w(main);

    // A letter after a click on a button starts the search with the capital letter.
    ClickControl(w.button(IDC_BTNFINDNEXT));
    ASSERT_TRUE(w.FocusIs(w.button(IDC_BTNFINDNEXT)));
    Key('G');
    EXPECT_TRUE(w.SearchIs("G")) << "the search box holds \"" << Text(w.search) << "\"";
    EXPECT_TRUE(w.FocusIs(w.search));
    EXPECT_TRUE(w.RowIs(rowGamma));

    // Down on a focused button walks its group and leaves the list alone.
    ClickControl(w.button(IDC_BTNFINDNEXT));
    ASSERT_TRUE(w.FocusIs(w.button(IDC_BTNFINDNEXT)));
    long row = Selected(w.list);
    Key(VK_DOWN);
    EXPECT_TRUE(w.FocusIs(w.button(IDC_BTNFAVORITES)));
    EXPECT_EQ(Selected(w.list), row);

    // An access-key letter on a focused button searches and presses its button:
    // Copy finds no such directory on disk and says so.
    Key('C');
    EXPECT_TRUE(w.SearchIs("C"));
    EXPECT_TRUE(w.RowIs(rowCedar));
    HWND info = program.WaitDialog("Information");
    EXPECT_TRUE(info) << "the letter C did not press Copy";
    if (info) {
        Key(VK_RETURN);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(info); }));
    }

    // The history box: no key changes its text; a character still goes to the search.
    ASSERT_TRUE(Front(main));
    ASSERT_TRUE(WaitFor([&] { return Text(w.history) == "T:\\Cedar"; }))
        << Text(w.history) << ", search \"" << Text(w.search) << "\", row " << Selected(w.list);
    ClickControl(w.history);
    ASSERT_TRUE(
        WaitFor([&] { return ::GetParent(FocusOf(main)) == w.history || FocusOf(main) == w.history; }));
    for (WORD k : {VK_BACK, VK_DELETE, VK_HOME, VK_END}) Key(k);
    Key(VK_F4);  // the drop-down key
    Chord({VK_CONTROL}, 'X');
    EXPECT_EQ(Text(w.history), "T:\\Cedar");
    EXPECT_FALSE(::SendMessageW(w.history, CB_GETDROPPEDSTATE, 0, 0));
    ClickControl(w.history);
    Type("b");
    EXPECT_TRUE(w.SearchIs("b")) << "search \"" << Text(w.search) << "\", history \"" << Text(w.history)
                                 << "\", focus " << FocusOf(main);
    EXPECT_TRUE(w.RowIs(rowBeta));
}

TEST(KeyMap, EnterTabAndAccessKeys) {
    TestDir dir;
    WriteIndex(dir, 'U', kRows);
    Drive drive('U', dir.UnixOf("u"));
    Program program(dir);
    CopyHelpBeside(program);
    OpenRecorder browser(dir, L".html");
    HWND main = StartLoaded(program, static_cast<long>(kRows.size()));
    ASSERT_TRUE(main);
    Window w(main);

    // Tab walks the four tab stops in order.
    ClickControl(w.list);
    ASSERT_TRUE(w.FocusIs(w.list));
    Key(VK_TAB);
    EXPECT_TRUE(w.FocusIs(w.drives));
    Key(VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return ::GetParent(FocusOf(main)) == w.history; })) << "not in the history box";
    Key(VK_TAB);
    EXPECT_TRUE(w.FocusIs(w.search));
    Key(VK_TAB);
    EXPECT_TRUE(w.FocusIs(w.list));

    // Enter opens the current path (U:\Beta exists only in the index, so the
    // program reports it instead of opening it).
    ClickControl(w.search);
    Type("b");
    ASSERT_TRUE(w.RowIs(rowBeta));
    struct Case {
        const char* what;
        WORD modifier;  // 0 for none
        WORD key;
        const char* window;  // the window the key must bring up
        WORD close;
    } cases[] = {
        {"Enter", 0, VK_RETURN, "Information", VK_RETURN},
        {"Alt+O", VK_MENU, 'O', "Information", VK_RETURN},
        {"Alt+D", VK_MENU, 'D', "Information", VK_RETURN},
        {"Alt+C", VK_MENU, 'C', "Information", VK_RETURN},
        {"Alt+B", VK_MENU, 'B', "About...", VK_ESCAPE},
        {"Alt+P", VK_MENU, 'P', "Tarvolo Options", VK_ESCAPE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Front(main));
        if (c.modifier)
            Chord({c.modifier}, c.key);
        else
            Key(c.key);
        HWND shown = program.WaitWindow(c.window);
        EXPECT_TRUE(shown) << c.what << " did not bring up \"" << c.window << "\"";
        if (!shown) continue;
        ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == shown; }));
        Key(c.close);
        EXPECT_TRUE(WaitFor([&] { return !Visible(shown); }));
    }

    // Alt+N: Find Next; Alt+A adds the current path; Alt+H: the help's contents;
    // Alt+F: the favorites menu; Alt+R rescans (the drive holds no directory).
    ASSERT_TRUE(Front(main));
    ClickControl(w.search);
    Key(VK_ESCAPE);
    Type("a");
    ASSERT_TRUE(w.RowIs(rowAlpha));
    Chord({VK_MENU}, 'N');
    EXPECT_TRUE(w.RowIs(rowApple)) << "Alt+N did not find the next match";
    Chord({VK_MENU}, 'A');
    Chord({VK_MENU}, 'H');
    std::string opened = browser.Wait(1);
    EXPECT_NE(opened.find("Tarvolo.html"), std::string::npos) << opened;
    EXPECT_EQ(opened.find('#'), std::string::npos) << "the contents need no topic: " << opened;
    ASSERT_TRUE(Front(main));
    Chord({VK_MENU}, 'F');
    EXPECT_TRUE(WaitFor([&] { return FindProcessWindow(program.Pid(), L"#32768") != nullptr; }))
        << "Alt+F did not show the favorites menu";
    ASSERT_TRUE(program.HoldsMenuKeyboard());
    Key(VK_ESCAPE);
    Key(VK_ESCAPE);
    ASSERT_TRUE(Front(main));
    Chord({VK_MENU}, 'R');
    EXPECT_TRUE(WaitFor([&] { return Count(w.list) == 1; }, 20s)) << "Alt+R did not rescan";
    EXPECT_EQ(FileAfterClose(program, "favorites.dir"), "U:\\Alpha\\Apple?0*0\r\n");
}
