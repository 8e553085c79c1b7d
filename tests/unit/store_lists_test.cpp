#include <gtest/gtest.h>

#include "store/Favorites.h"
#include "store/History.h"
#include "store/StringList.h"
#include "tests/support/Decoders.h"

namespace tarvolo {
namespace {

using fakes::MarkingDecoder;

using Lines = std::vector<std::string>;

TEST(StringList, AcceptsEveryLineEnd) {
    const MarkingDecoder ansi;
    const Lines expected{"C:\\Temp", "D:\\Work", "", "E:\\"};
    EXPECT_EQ(ParseStringList("C:\\Temp\r\nD:\\Work\r\n\r\nE:\\\r\n", ansi), expected);
    EXPECT_EQ(ParseStringList("C:\\Temp\nD:\\Work\n\nE:\\", ansi), expected);
    EXPECT_EQ(ParseStringList("C:\\Temp\rD:\\Work\n\r\nE:\\\r", ansi), expected);
}

TEST(StringList, NulEndsTheTextAndEmptyFileIsEmptyList) {
    const MarkingDecoder ansi;
    EXPECT_EQ(ParseStringList(std::string_view("a\r\nb\0c\r\nd\r\n", 12), ansi), (Lines{"a", "b"}));
    EXPECT_TRUE(ParseStringList("", ansi).empty());
    EXPECT_EQ(ParseStringList("\r\n", ansi), Lines{""});
}

TEST(StringList, NonUtf8LinesGoThroughTheAnsiDecoder) {
    const MarkingDecoder ansi;
    const Lines got = ParseStringList(
        "\xEF\xBB\xBF"
        "C:\\Caf\xC3\xA9\r\nC:\\Caf\xE9\r\nC:\\\xC0\xAF\r\n",
        ansi);
    EXPECT_EQ(got, (Lines{"C:\\Caf\xC3\xA9", "ansi:C:\\Caf\xE9", "ansi:C:\\\xC0\xAF"}));
}

TEST(StringList, WritesCrLfAfterEveryEntry) {
    EXPECT_EQ(StringListText({}), "");
    EXPECT_EQ(StringListText({""}), "\r\n");
    EXPECT_EQ(StringListText({"C:\\Temp", "D:\\Work"}), "C:\\Temp\r\nD:\\Work\r\n");
    const MarkingDecoder ansi;
    const Lines lfOnly = ParseStringList("C:\\Temp\nD:\\Work", ansi);
    EXPECT_EQ(StringListText(lfOnly), "C:\\Temp\r\nD:\\Work\r\n");
}

TEST(FavoriteEntry, DecodesTheGrammar) {
    struct Case {
        const char* entry;
        const char* path;
        uint16_t open;
        uint16_t dialog;
    } cases[] = {
        {"C:\\Work?0*0", "C:\\Work", 0, 0},
        {"C:\\Work?16449*", "C:\\Work", 16449, 0},
        {"C:\\Work?24641*0", "C:\\Work", 24641, 0},
        {"C:\\Work*5?7", "", 0, 0},
        {"C:\\Work", "", 0, 0},
        {"C:\\Work?5", "", 0, 0},
        {"C:\\A?1?2*3*4", "C:\\A", 0, 0},
        {"?0x4041*$8041", "", 0x4041, 0x8041},
        {"D:\\x? 12*-1", "D:\\x", 12, 0xFFFF},
        {"D:\\x?70000*65536", "D:\\x", 70000 & 0xFFFF, 0},
        {"D:\\x?abc*1 ", "D:\\x", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FavoritePath(c.entry), c.path) << c.entry;
        EXPECT_EQ(FavoriteOpenHotKey(c.entry), c.open) << c.entry;
        EXPECT_EQ(FavoriteDialogHotKey(c.entry), c.dialog) << c.entry;
    }
    EXPECT_EQ(SplitFavoriteEntry("C:\\A?1?2*3*4", 1), "1?2");
    EXPECT_EQ(SplitFavoriteEntry("C:\\A?1?2*3*4", 2), "3*4");
    EXPECT_EQ(SplitFavoriteEntry("C:\\A?1*2", 3), "");
}

TEST(FavoriteEntry, ComposesUnsigned16BitKeys) {
    EXPECT_EQ(ComposeFavoriteEntry("C:\\Work", 0, 0), "C:\\Work?0*0");
    EXPECT_EQ(ComposeFavoriteEntry("C:\\Work", 24641, 0x18041), "C:\\Work?24641*32833");
    EXPECT_EQ(ComposeFavoriteEntry("", 0xFFFFFFFFu, 1), "?65535*1");
    const std::string entry = ComposeFavoriteEntry("E:\\Caf\xC3\xA9", 0xE041, 0x2070);
    EXPECT_EQ(FavoritePath(entry), "E:\\Caf\xC3\xA9");
    EXPECT_EQ(FavoriteOpenHotKey(entry), 0xE041);
    EXPECT_EQ(FavoriteDialogHotKey(entry), 0x2070);
}

TEST(History, MovesTheCommandsPathFirstInItsOwnCase) {
    Lines history{"D:\\Work", "c:\\temp"};
    UpdateHistory(history, "C:\\Temp");
    EXPECT_EQ(history, (Lines{"C:\\Temp", "D:\\Work"}));

    history = {"C:\\x", "D:\\y"};
    UpdateHistory(history, "c:\\X");
    EXPECT_EQ(history, (Lines{"c:\\X", "D:\\y"}));

    UpdateHistory(history, "E:\\new");
    EXPECT_EQ(history, (Lines{"E:\\new", "c:\\X", "D:\\y"}));
}

TEST(History, RemovesOnlyTheFirstEqualEntry) {
    Lines history{"A:\\1", "c:\\t", "C:\\T"};
    UpdateHistory(history, "C:\\t");
    EXPECT_EQ(history, (Lines{"C:\\t", "A:\\1", "C:\\T"}));
}

TEST(History, FoldsNonAsciiLettersButNotOtherCharacters) {
    EXPECT_TRUE(EqualsIgnoreCase("C:\\\xC3\x89t\xC3\xA9", "c:\\\xC3\xA9T\xC3\x89"));        // Été / éTÉ
    EXPECT_TRUE(EqualsIgnoreCase("\xD0\x9F\xD0\xB0\xD0\xBF", "\xD0\xBF\xD0\x90\xD0\x9F"));  // Пап / пАП
    EXPECT_TRUE(
        EqualsIgnoreCase("\xC5\x81\xC3\xB3"
                         "d\xC5\xBA",
                         "\xC5\x82\xC3\x93"
                         "D\xC5\xB9"));                      // Łódź
    EXPECT_FALSE(EqualsIgnoreCase("\xC3\x97", "\xC3\xB7"));  // × and ÷ are not letters
    EXPECT_FALSE(EqualsIgnoreCase("C:\\a", "C:\\a\\"));
    EXPECT_FALSE(EqualsIgnoreCase("\xC9", "\xC3\xA9"));  // a stray byte is not é
    EXPECT_TRUE(EqualsIgnoreCase("\xC9", "\xC9"));
}

}  // namespace
}  // namespace tarvolo
