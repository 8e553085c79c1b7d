#include <gtest/gtest.h>

#include "store/Global.h"

namespace tarvolo {
namespace {

TEST(ParseIniInteger, AcceptsDecimalAndHexForms) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"537", 537},
        {"  42", 42},
        {"\t7", 7},
        {"-1", -1},
        {"+12", 12},
        {"007", 7},
        {"0x8041", 0x8041},
        {"0X1f", 31},
        {"$6041", 0x6041},
        {"-0x10", -16},
        {"-$10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"0xFFFFFFFF", -1},
        {"$7fffffff", 2147483647},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseIniInteger(c.text, -99), c.expected) << c.text;
}

TEST(ParseIniInteger, AnythingElseGivesTheDefault) {
    const char* junk[] = {
        "",    "   ",  "yes", "12abc", "12 ",        "0x",          "$",           "0xG1",
        "- 5", "--5",  "1e3", "5.0",   "2147483648", "-2147483649", "0x100000000", "99999999999999999999",
        "x10", "0 x1", "+"};
    for (const char* text : junk) EXPECT_EQ(ParseIniInteger(text, 417), 417) << '"' << text << '"';
}

TEST(ParseIniBoolean, ZeroIsFalseOtherNumbersTrueJunkDefault) {
    EXPECT_FALSE(ParseIniBoolean("0", true));
    EXPECT_FALSE(ParseIniBoolean("0x0", true));
    EXPECT_TRUE(ParseIniBoolean("5", false));
    EXPECT_TRUE(ParseIniBoolean("-1", false));
    EXPECT_TRUE(ParseIniBoolean("yes", true));
    EXPECT_FALSE(ParseIniBoolean("yes", false));
    EXPECT_FALSE(ParseIniBoolean("", false));
}

TEST(HotKeyModifiers, MapsShortcutBitsToRegisterHotKeyFlags) {
    EXPECT_EQ(HotKeyModifiers(0x6041), kModControl | kModShift);  // 24641
    EXPECT_EQ(HotKeyModifiers(0x8041), kModAlt);
    EXPECT_EQ(HotKeyModifiers(0xE041), kModAlt | kModControl | kModShift);
    EXPECT_EQ(HotKeyModifiers(0x1FFF), 0u);  // no modifier bits, and never MOD_WIN
    EXPECT_EQ(kModShift, 4u);
    EXPECT_EQ(kModControl, 2u);
    EXPECT_EQ(kModAlt, 1u);
}

TEST(IniFile, NewFileComesOutInTheTablesOrder) {
    IniFile ini = IniFile::Parse("");
    WriteStoredSettings(ini, StoredSettings{});
    EXPECT_EQ(ini.Text(),
              "[Window]\r\nTop=100\r\nLeft=100\r\nHeight=417\r\nWidth=537\r\nHotKey=0\r\nQuickJumpHotKey="
              "0\r\nDrive=0\r\n"
              "ShowCloseInfo=1\r\n[Rescan]\r\nReadOnly=1\r\nHidden=1\r\nSystem=1\r\nLeaveOut=\r\n"
              "CheckAtStart=1\r\n[Search]\r\nMatchAnywhere=0\r\n");
}

TEST(StoredSettings, MatchAnywhereIsOffUnlessTheFileTurnsItOn) {
    const struct {
        const char* file;
        bool on;
    } cases[] = {
        {"", false},
        {"[Window]\r\nHotKey=0\r\n[Rescan]\r\nSystem=1\r\n", false},  // a file from before the option
        {"[Search]\r\nMatchAnywhere=1\r\n", true},
        {"[search]\r\nmatchanywhere = 5\r\n", true},
        {"[Search]\r\nMatchAnywhere=0\r\n", false},
        {"[Search]\r\nMatchAnywhere=yes\r\n", false},  // junk is the default
        {"[Window]\r\nMatchAnywhere=1\r\n", false},    // only under its own section
    };
    for (const auto& c : cases) {
        IniFile ini = IniFile::Parse(c.file);
        StoredSettings s = ReadStoredSettings(ini);
        EXPECT_EQ(s.matchAnywhere, c.on) << c.file;
        // Written back, it reads the same.
        WriteStoredSettings(ini, s);
        EXPECT_EQ(ReadStoredSettings(IniFile::Parse(ini.Text())).matchAnywhere, c.on) << ini.Text();
    }
}

TEST(StoredSettings, CheckAtStartIsOnUnlessTheFileTurnsItOff) {
    const struct {
        const char* file;
        bool on;
    } cases[] = {
        {"", true},
        {"[Rescan]\r\nHidden=0\r\nLeaveOut=.git\r\n", true},  // a file from before the option
        {"[Rescan]\r\nCheckAtStart=0\r\n", false},
        {"[rescan]\r\ncheckatstart = 0\r\n", false},
        {"[Rescan]\r\nCheckAtStart=1\r\n", true},
        {"[Rescan]\r\nCheckAtStart=off\r\n", true},  // junk is the default
        {"[Window]\r\nCheckAtStart=0\r\n", true},    // only under its own section
    };
    for (const auto& c : cases) {
        IniFile ini = IniFile::Parse(c.file);
        StoredSettings s = ReadStoredSettings(ini);
        EXPECT_EQ(s.checkAtStart, c.on) << c.file;
        WriteStoredSettings(ini, s);
        EXPECT_EQ(ReadStoredSettings(IniFile::Parse(ini.Text())).checkAtStart, c.on) << ini.Text();
    }
}

TEST(IniFile, ReadsLikeTheProfileFunctions) {
    const IniFile ini = IniFile::Parse(
        "; comment\n"
        "Top=1\n"  // before any section: belongs to none
        "[ window ]\r"
        "  top =  250  \r\n"
        "TOP=999\r\n"
        "Left=\"-20\"\n"
        "Width='600'\n"
        "[Rescan]\n"
        "Hidden=0\n"
        "[Window]\n"
        "Height=333\n");
    EXPECT_EQ(ini.Get("Window", "Top"), "250");
    EXPECT_EQ(ini.Get("WINDOW", "left"), "-20");
    EXPECT_EQ(ini.Get("Window", "Width"), "600");
    EXPECT_EQ(ini.Get("rescan", "HIDDEN"), "0");
    EXPECT_EQ(ini.Get("Window", "Height"), std::nullopt);  // only the first [Window] counts
    EXPECT_EQ(ini.Get("Rescan", "System"), std::nullopt);
    EXPECT_EQ(ini.Get("Other", "Top"), std::nullopt);
}

TEST(IniFile, SetReplacesInPlaceAndKeepsEverythingElse) {
    IniFile ini = IniFile::Parse(
        "\xEF\xBB\xBF; my notes\n"
        "[Window]\n"
        "Top = 5\n"
        "Extra=keep me\n"
        "\n"
        "[Plugins]\n"
        "a=b\n");
    ini.Set("window", "TOP", "100");
    ini.Set("Window", "Left", "7");
    ini.Set("Rescan", "ReadOnly", "0");
    EXPECT_EQ(ini.Text(),
              "; my notes\r\n"
              "[Window]\r\n"
              "Top=100\r\n"
              "Extra=keep me\r\n"
              "Left=7\r\n"
              "\r\n"
              "[Plugins]\r\n"
              "a=b\r\n"
              "[Rescan]\r\n"
              "ReadOnly=0\r\n");
}

TEST(StoredSettings, ReadsValuesAndFallsBackPerKey) {
    const IniFile ini = IniFile::Parse(
        "[Window]\nTop=-40\nLeft=junk\nHeight=100\nHotKey=0x18041\nDrive=-1\nShowCloseInfo=yes\n"
        "[Rescan]\nReadOnly=0\nHidden=5\n");
    const StoredSettings s = ReadStoredSettings(ini);
    EXPECT_EQ(s.top, -40);
    EXPECT_EQ(s.left, 100);
    EXPECT_EQ(s.height, 100);  // the window, not the file, applies its minimum
    EXPECT_EQ(s.width, 537);
    EXPECT_EQ(s.hotKey, 0x8041);  // low 16 bits
    EXPECT_EQ(s.drive, -1);
    EXPECT_TRUE(s.showCloseInfo);
    EXPECT_FALSE(s.readOnly);
    EXPECT_TRUE(s.hidden);
    EXPECT_TRUE(s.system);
}

TEST(StoredSettings, HexHotKeyIsWrittenBackInDecimal) {
    IniFile ini = IniFile::Parse("[Window]\r\nHotKey=0x8041\r\n");
    StoredSettings s = ReadStoredSettings(ini);
    EXPECT_EQ(HotKeyModifiers(s.hotKey), kModAlt);
    s.drive = -1;
    s.system = false;
    WriteStoredSettings(ini, s);
    EXPECT_EQ(ini.Get("Window", "HotKey"), "32833");
    EXPECT_EQ(ini.Get("Window", "Drive"), "-1");
    EXPECT_EQ(ini.Get("Rescan", "System"), "0");
    EXPECT_EQ(ini.Text().rfind("[Window]\r\nHotKey=32833\r\nTop=100\r\n", 0), 0u);
}

TEST(StoredSettings, QuickJumpHotKeyIsReadAndWrittenBesideTheHotKey) {
    // A file from before Quick Jump has none; a value is kept to its 16 bits like HotKey.
    EXPECT_EQ(ReadStoredSettings(IniFile::Parse("[Window]\nHotKey=16468\n")).quickJumpHotKey, 0);
    IniFile ini = IniFile::Parse("[Window]\nHotKey=16468\nQuickJumpHotKey=0x1404A\nDrive=1\n");
    StoredSettings s = ReadStoredSettings(ini);
    EXPECT_EQ(s.quickJumpHotKey, 0x404A);
    s.quickJumpHotKey = kShortcutCtrl | kShortcutAlt | 'J';
    WriteStoredSettings(ini, s);
    EXPECT_EQ(ini.Get("Window", "QuickJumpHotKey"), "49226");
    EXPECT_NE(ini.Text().find("QuickJumpHotKey=49226\r\nDrive=1\r\n"), std::string::npos) << ini.Text();
}

}  // namespace
}  // namespace tarvolo
