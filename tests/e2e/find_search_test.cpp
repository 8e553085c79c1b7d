// The search box through the real program and real keystrokes: first match
// from the top, Find Next with wrap-around, keystrokes taken back, and the
// same with the text matched anywhere in a name.
#include <gtest/gtest.h>

#include "tests/e2e/find_fixture.h"

using namespace e2e;
using namespace e2e::find;
using namespace std::chrono_literals;

namespace {

// The program on drive G: with the given index, the search box focused.
class SearchSession {
public:
    SearchSession(TestDir& dir, const std::string& index, bool matchAnywhere = false)
        : drive_('G', dir.UnixOf("g")), program_(dir) {
        EXPECT_TRUE(WriteFileBytes("G:\\tarvolo.dir", index));
        WriteIni(program_, 0);
        if (matchAnywhere) {
            std::string ini;
            ReadFileBytes(program_.File("tarvolo.ini"), ini);
            EXPECT_TRUE(
                WriteFileBytes(program_.File("tarvolo.ini"), ini + "[Search]\r\nMatchAnywhere=1\r\n"));
        }
        ok_ = StartIdle(program_) != nullptr;
        if (ok_) ClickSearchBox(program_);
    }
    bool Ok() const { return ok_; }
    Program& program() { return program_; }

    // Types and waits until the search box shows `box`, then for the selection's path.
    ::testing::AssertionResult TypeAndExpect(const std::string& keys, const std::string& box,
                                             const std::string& path) {
        Type(keys);
        return Expect(box, path);
    }
    ::testing::AssertionResult Expect(const std::string& box, const std::string& path) {
        if (!WaitFor([&] { return SearchText(program_) == box && CurrentPath(program_) == path; }, 5s))
            return ::testing::AssertionFailure()
                   << "box \"" << SearchText(program_) << "\", path \"" << CurrentPath(program_)
                   << "\"; expected \"" << box << "\", \"" << path << "\"";
        return ::testing::AssertionSuccess();
    }
    void FindNext() { LeftClick(program_.Control(IDC_BTNFINDNEXT), 20, 10); }

private:
    Drive drive_;
    Program program_;
    bool ok_ = false;
};

// Puts `text` into the focused search box as one change, the way Ctrl+V does.
void Paste(const std::wstring& text) {
    // A window of Wine's that gets the X focus may take the clipboard over from the X
    // selection: the focus is settled first, so the paste reads what is set here.
    GiveXFocusToTheWindowInFront();
    PutClipboardText(text);
    Chord({VK_CONTROL}, 'V');
}

const std::string kRows = Lines({"\\", "\\Program Files", "\\Programs", "\\Windows", "\\Windows\\Programs"});

}  // namespace

TEST(FindSearch, EachKeystrokeSelectsTheFirstMatchAndFindNextCycles) {
    TestDir dir;
    SearchSession s(dir, kRows);
    ASSERT_TRUE(s.Ok());
    EXPECT_TRUE(s.TypeAndExpect("p", "p", "G:\\Program Files"));
    EXPECT_TRUE(s.TypeAndExpect("r", "pr", "G:\\Program Files"));
    EXPECT_TRUE(s.TypeAndExpect("O", "prO", "G:\\Program Files")) << "case matters";
    EXPECT_TRUE(s.TypeAndExpect("g", "prOg", "G:\\Program Files"));

    s.FindNext();
    EXPECT_TRUE(s.Expect("prOg", "G:\\Programs"));
    s.FindNext();
    EXPECT_TRUE(s.Expect("prOg", "G:\\Windows\\Programs"));
    s.FindNext();
    EXPECT_TRUE(s.Expect("prOg", "G:\\Program Files")) << "Find Next did not wrap";
    s.FindNext();
    EXPECT_TRUE(s.Expect("prOg", "G:\\Programs"));

    // A keystroke that matches nothing disappears, the caret goes back to the end,
    // and the first match of the accepted text is selected again.
    ClickSearchBox(s.program());
    Key(VK_END);
    EXPECT_TRUE(s.TypeAndExpect("x", "prOg", "G:\\Program Files"));
    EXPECT_EQ(Caret(s.program()), 4u);

    // The rejected character in the middle: the caret stays where it was typed.
    Key(VK_LEFT);
    Key(VK_LEFT);
    EXPECT_TRUE(s.TypeAndExpect("z", "prOg", "G:\\Program Files"));
    EXPECT_EQ(Caret(s.program()), 3u);

    // Deleting searches again from the top.
    Key(VK_END);
    s.FindNext();
    EXPECT_TRUE(s.Expect("prOg", "G:\\Programs"));
    ClickSearchBox(s.program());
    Key(VK_END);
    Key(VK_BACK);
    EXPECT_TRUE(s.Expect("prO", "G:\\Program Files"));
}

TEST(FindSearch, NamesMatchOnlyByTheirBeginningAndAnEmptyBoxMeansTheRoot) {
    TestDir dir;
    SearchSession s(dir, kRows);
    ASSERT_TRUE(s.Ok());
    EXPECT_TRUE(s.TypeAndExpect("WIN", "WIN", "G:\\Windows"));
    for (int i = 0; i < 3; ++i) Key(VK_BACK);
    EXPECT_TRUE(s.Expect("", "G:\\")) << "an emptied box selects the root";
    EXPECT_EQ(Selected(s.program().Control(IDC_DIRLISTBOX)), 0);
    // "dows" is inside a name, not at its beginning: the whole paste is taken back
    // (the keystroke after it shows that it has been handled).
    Paste(L"dows");
    EXPECT_TRUE(s.TypeAndExpect("w", "w", "G:\\Windows"));
    Key(VK_BACK);
    // A character that begins no name, typed into the empty box, leaves it empty.
    EXPECT_TRUE(s.TypeAndExpect("qp", "p", "G:\\Program Files"));
    Key(VK_BACK);
    EXPECT_TRUE(s.Expect("", "G:\\"));
    // Find Next with an empty box steps one row down.
    s.FindNext();
    EXPECT_TRUE(s.Expect("", "G:\\Program Files"));
    s.FindNext();
    EXPECT_TRUE(s.Expect("", "G:\\Programs"));
}

TEST(FindSearch, AnIndexOfTheRootAloneTakesBackAnyText) {
    TestDir dir;
    SearchSession s(dir, Lines({"\\"}));
    ASSERT_TRUE(s.Ok());
    EXPECT_TRUE(s.TypeAndExpect("a", "", "G:\\"));
    EXPECT_TRUE(s.TypeAndExpect("\\", "", "G:\\"));
    s.FindNext();
    EXPECT_TRUE(s.Expect("", "G:\\"));
    EXPECT_EQ(Selected(s.program().Control(IDC_DIRLISTBOX)), 0);
}

TEST(FindSearch, UnicodeNamesAreFoundWhateverTheirCase) {
    TestDir dir;
    SearchSession s(dir, Lines({"\\", "\\Alpha", "\\\xC3\x89t\xC3\xA9", "\\\xCE\xA9mega"}));
    ASSERT_TRUE(s.Ok());
    // Letters outside ASCII arrive as characters, not keys: they are pasted.
    Paste(L"\u00e9T");  // éT finds Été
    EXPECT_TRUE(s.Expect("\xC3\xA9T", "G:\\\xC3\x89t\xC3\xA9"));
    Key(VK_HOME);
    Chord({VK_SHIFT}, VK_END);
    Paste(L"\u03c9");  // ω finds Ωmega
    EXPECT_TRUE(s.Expect("\xCF\x89", "G:\\\xCE\xA9mega"));
}

TEST(FindSearch, MatchAnywhereFindsTextInsideNamesAndFindNextGoesOnThroughThem) {
    TestDir dir;
    SearchSession s(dir,
                    Lines({"\\", "\\Program Files", "\\Windows", "\\Windows\\progprog",
                           "\\Windows\\My Programs", "\\Alter \xC3\x84RGER"}),
                    true);
    ASSERT_TRUE(s.Ok());
    EXPECT_TRUE(s.TypeAndExpect("dows", "dows", "G:\\Windows")) << "text inside a name is found";
    Key(VK_ESCAPE);
    EXPECT_TRUE(s.Expect("", "G:\\")) << "Esc still empties the search and selects the root";

    // (Shift+G would be the drive key of G:.)
    EXPECT_TRUE(s.TypeAndExpect("gRAM", "gRAM", "G:\\Program Files"));
    s.FindNext();
    EXPECT_TRUE(s.Expect("gRAM", "G:\\Windows\\My Programs"));
    s.FindNext();
    EXPECT_TRUE(s.Expect("gRAM", "G:\\Program Files")) << "Find Next did not wrap";

    // A name holding the text twice is one match: Find Next leaves it for the next row.
    ClickSearchBox(s.program());
    Key(VK_HOME);
    Chord({VK_SHIFT}, VK_END);
    EXPECT_TRUE(s.TypeAndExpect("pro", "pro", "G:\\Program Files"));
    s.FindNext();
    EXPECT_TRUE(s.Expect("pro", "G:\\Windows\\progprog"));
    s.FindNext();
    EXPECT_TRUE(s.Expect("pro", "G:\\Windows\\My Programs"));

    // Text found in no name is still taken back.
    EXPECT_TRUE(s.TypeAndExpect("q", "pro", "G:\\Program Files"));

    // Letters outside ASCII, in another case than the name's.
    Key(VK_HOME);
    Chord({VK_SHIFT}, VK_END);
    Paste(L"\u00e4rg");
    EXPECT_TRUE(s.Expect("\xC3\xA4rg", "G:\\Alter \xC3\x84RGER"));
}
