// The options dialog's and the help's conversions, in process.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "platform/Help.h"
#include "options/Options.h"

using namespace tarvolo;

TEST(OptionsHotKeyValue, ConvertsBothWays) {
    struct Case {
        WORD control;
        uint16_t shortcut;
    } cases[] = {
        {MAKEWORD('T', HOTKEYF_CONTROL | HOTKEYF_ALT), 0xC054},
        {MAKEWORD('D', HOTKEYF_CONTROL), 0x4044},
        {MAKEWORD(VK_F5, HOTKEYF_SHIFT | HOTKEYF_CONTROL), 0x6074},
        {MAKEWORD(VK_LEFT, HOTKEYF_ALT | HOTKEYF_EXT), 0x8025},
        {0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShortcutFromHotKeyValue(c.control), c.shortcut) << std::hex << c.control;
        EXPECT_EQ(HotKeyValueFromShortcut(c.shortcut), c.control) << std::hex << c.shortcut;
    }
    // Modifiers without a key are no combination.
    EXPECT_EQ(ShortcutFromHotKeyValue(MAKEWORD(0, HOTKEYF_CONTROL)), 0);
}

TEST(OptionsFavoriteItemText, ShowsOnlyTheKeysThatAreSet) {
    EXPECT_EQ(FavoriteItemText("C:\\Temp?49236*0"), "C:\\Temp  [Ctrl+Alt+T]");
    EXPECT_EQ(FavoriteItemText("C:\\Temp?0*16452"), "C:\\Temp  {Ctrl+D}");
    EXPECT_EQ(FavoriteItemText("C:\\Temp?49236*16452"), "C:\\Temp  [Ctrl+Alt+T]  {Ctrl+D}");
    EXPECT_EQ(FavoriteItemText("C:\\Temp?0*0"), "C:\\Temp");
}

TEST(OptionsTrimText, DropsBlanksAndControlCharactersAtBothEnds) {
    EXPECT_EQ(TrimText("  Open  "), "Open");
    EXPECT_EQ(TrimText("\t Save As\r\n"), "Save As");
    EXPECT_EQ(TrimText("   "), "");
    EXPECT_EQ(TrimText("a  b"), "a  b");
}

TEST(HelpUrl, KeepsTheTopicAndQuotesTheCommand) {
    std::wstring url = DocumentUrl(L"C:\\Program Files\\Tarvolo\\Tarvolo.html", "IDH_2010");
    EXPECT_EQ(url.rfind(L"file:///", 0), 0u);
    EXPECT_NE(url.find(L"Tarvolo.html#IDH_2010"), std::wstring::npos);
    EXPECT_EQ(url.find(L' '), std::wstring::npos) << "a blank in the URL splits it on a command line";

    const std::wstring u = L"file:///C:/x.html#IDH_1";
    EXPECT_EQ(ExpandOpenCommand(L"\"C:\\b.exe\" \"%1\"", u), L"\"C:\\b.exe\" \"" + u + L"\"");
    EXPECT_EQ(ExpandOpenCommand(L"C:\\b.exe %1", u), L"C:\\b.exe \"" + u + L"\"");
    EXPECT_EQ(ExpandOpenCommand(L"C:\\b.exe --single-argument %L %*", u),
              L"C:\\b.exe --single-argument \"" + u + L"\" ");
    EXPECT_EQ(ExpandOpenCommand(L"C:\\b.exe", u), L"C:\\b.exe \"" + u + L"\"");
}
