// The key map's handlers against a recording window: what each key does to the
// list, the search box and the drive list, in which order, and the state the
// map keeps between messages (the swallow flag, a waiting surrogate half).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "mainwindow/KeyMap.h"

namespace tarvolo {
namespace {

using keys::KeyTarget;
using keys::ssCtrl;
using keys::ssShift;

const HWND kList = reinterpret_cast<HWND>(0x101);
const HWND kSearch = reinterpret_cast<HWND>(0x102);
const HWND kDrives = reinterpret_cast<HWND>(0x103);
const HWND kButton = reinterpret_cast<HWND>(0x104);

class RecordingWindow : public KeyMapWindow {
public:
    HWND Handle() const override { return nullptr; }
    KeyTarget TargetOf(HWND hwnd) const override {
        if (hwnd == kList) return KeyTarget::list;
        if (hwnd == kSearch) return KeyTarget::search;
        if (hwnd == kButton) return KeyTarget::button;
        return KeyTarget::other;
    }
    bool ListFocused() const override { return focus == kList; }
    bool SearchFocused() const override { return focus == kSearch; }
    void FocusList() override {
        Log("focus list");
        focus = kList;
    }
    void FocusSearch() override {
        Log("focus search");
        focus = kSearch;
    }
    long RowCount() const override { return rows; }
    long SelectedRow() const override { return selected; }
    void ClickRow(long row) override {
        Log("click " + std::to_string(row));
        selected = row;
    }
    bool SearchEmpty() const override { return search.empty(); }
    void SetSearchText(const std::string& text) override {
        Log("search '" + text + "'");
        search = text;
    }
    void SearchCaretToEnd() override { Log("caret to end"); }
    void PressFindNext() override { Log("find next"); }
    int FindDrive(char letter) const override {
        auto it = drives.find(letter);
        return it == drives.end() ? -1 : it->second;
    }
    void ChooseDrive(int index) override { Log("drive " + std::to_string(index)); }
    bool RunFavoriteShortcut(WORD, unsigned) override { return false; }
    void SendFrontExplorerFolder() override { Log("explorer to dialog"); }
    void OpenQuickJump() override { Log("quick jump"); }

    void Log(const std::string& what) { log.push_back(what); }

    HWND focus = kDrives;
    long rows = 3, selected = 0;
    std::string search;
    std::map<char, int> drives{{'C', 0}, {'D', 1}};
    std::vector<std::string> log;
};

using Calls = std::vector<std::string>;

MSG Char(HWND target, char32_t ch) {
    MSG msg{};
    msg.hwnd = target;
    msg.message = WM_CHAR;
    msg.wParam = ch;
    return msg;
}

TEST(KeyMapHandlers, CtrlEnterFindsNextAndSwallowsItsCharacterOnly) {
    RecordingWindow window;
    KeyMap map(window);
    WORD key = VK_RETURN;
    EXPECT_FALSE(map.FormKeyDown(key, ssCtrl));
    EXPECT_EQ(window.log, Calls{"find next"});

    MSG lineFeed = Char(kDrives, U'\n');
    EXPECT_TRUE(map.PreviewKey(lineFeed)) << "the line feed of Ctrl+Enter must be swallowed";
    EXPECT_EQ(window.log, Calls{"find next"});

    // The next key down ends the swallowing: its character is typed again.
    key = 'A';
    EXPECT_FALSE(map.FormKeyDown(key, 0));
    MSG letter = Char(kDrives, U'a');
    EXPECT_TRUE(map.PreviewKey(letter)) << "a letter on the drive list must not reach it";
    EXPECT_EQ(window.log, (Calls{"find next", "focus search", "search 'a'", "caret to end"}));
}

TEST(KeyMapHandlers, ShiftLetterSwitchesToAListedDriveOnly) {
    RecordingWindow window;
    window.search = "Prog";
    window.focus = kSearch;
    KeyMap map(window);

    WORD key = 'E';
    EXPECT_FALSE(map.FormKeyDown(key, ssShift)) << "E: is not in the drive list";
    EXPECT_EQ(key, 'E');
    EXPECT_TRUE(window.log.empty());

    key = 'D';
    EXPECT_TRUE(map.FormKeyDown(key, ssShift));
    EXPECT_EQ(key, 0) << "the key is cleared";
    EXPECT_EQ(window.log, (Calls{"focus list", "search ''", "drive 1", "focus search"}));

    // The letter's character must not land in the search box of the new drive.
    MSG shifted = Char(kSearch, U'D');
    EXPECT_TRUE(map.PreviewKey(shifted));
    EXPECT_EQ(window.search, "");
}

TEST(KeyMapHandlers, UpAndDownStepTheListFromElsewhere) {
    RecordingWindow window;
    window.focus = kSearch;
    KeyMap map(window);
    WORD key = VK_DOWN;
    EXPECT_FALSE(map.FormKeyDown(key, 0));
    EXPECT_EQ(window.log, (Calls{"focus list", "click 1"}));

    // In the list itself the list steps by itself.
    window.log.clear();
    EXPECT_FALSE(map.FormKeyDown(key, 0));
    EXPECT_TRUE(window.log.empty());

    // At the last row the focus moves but no row is clicked.
    window.focus = kSearch;
    window.selected = 2;
    EXPECT_FALSE(map.FormKeyDown(key, 0));
    EXPECT_EQ(window.log, Calls{"focus list"});
}

TEST(KeyMapHandlers, CtrlGSendsTheExplorerFolderAndTypesNothing) {
    RecordingWindow window;
    window.focus = kSearch;
    window.search = "Prog";
    KeyMap map(window);
    WORD key = 'G';
    EXPECT_TRUE(map.FormKeyDown(key, ssCtrl));
    EXPECT_EQ(window.log, Calls{"explorer to dialog"});
    MSG bell = Char(kSearch, 0x07);
    EXPECT_TRUE(map.PreviewKey(bell)) << "the character of Ctrl+G must be swallowed";
    EXPECT_EQ(window.search, "Prog");
    EXPECT_EQ(window.log, Calls{"explorer to dialog"});
}

TEST(KeyMapHandlers, EscapeEmptiesOnlyANonEmptySearchBox) {
    RecordingWindow window;
    KeyMap map(window);
    WORD key = VK_ESCAPE;
    map.FormKeyDown(key, 0);
    EXPECT_TRUE(window.log.empty());
    window.search = "x";
    map.FormKeyDown(key, 0);
    EXPECT_EQ(window.log, Calls{"search ''"});
}

TEST(KeyMapHandlers, ButtonKeysTypeTheirCharacter) {
    RecordingWindow window;
    window.focus = kButton;
    KeyMap map(window);
    map.btnKeyDown(VK_SHIFT);
    map.btnKeyDown(VK_RETURN);
    EXPECT_TRUE(window.log.empty());
    map.btnKeyDown('K');
    EXPECT_EQ(window.log, (Calls{"focus search", "search 'K'", "caret to end"}));
}

TEST(KeyMapHandlers, ACharacterOutsideTheBasicPlaneIsTypedWhole) {
    RecordingWindow window;
    KeyMap map(window);
    MSG high = Char(kList, 0xD83D), low = Char(kList, 0xDE00);
    EXPECT_TRUE(map.PreviewKey(high)) << "the first half waits";
    EXPECT_TRUE(window.log.empty());
    EXPECT_TRUE(map.PreviewKey(low));
    EXPECT_EQ(window.search, "\xF0\x9F\x98\x80");
}

TEST(KeyMapHandlers, EachMapKeepsItsOwnWaitingHalf) {
    RecordingWindow first, second;
    KeyMap one(first), two(second);
    MSG high = Char(kDrives, 0xD83D), other = Char(kDrives, U'x'), low = Char(kDrives, 0xDE00);
    EXPECT_TRUE(one.PreviewKey(high));
    EXPECT_TRUE(two.PreviewKey(other));
    EXPECT_EQ(second.search, "x");
    EXPECT_TRUE(one.PreviewKey(low));
    EXPECT_EQ(first.search, "\xF0\x9F\x98\x80") << "another window's character broke the pair";
}

}  // namespace
}  // namespace tarvolo
