#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "index/IndexFile.h"
#include "index/Rows.h"
#include "index/Text.h"
#include "index/TextLines.h"
#include "tests/support/Decoders.h"

namespace tarvolo {
namespace {

using fakes::Latin1Decoder;

std::vector<std::string> AllRows(const RowStore& rows) {
    std::vector<std::string> out;
    for (size_t i = 0; i < rows.size(); ++i) out.emplace_back(rows.Path(i));
    return out;
}

TEST(RowStore, RowNameAndDepth) {
    struct Case {
        const char* row;
        const char* name;
        int depth;
    };
    const Case cases[] = {
        {"\\", "", 1},         {"\\Windows", "Windows", 1}, {"\\Windows\\System", "System", 2},
        {"loose", "loose", 0}, {"\\trailing\\", "", 2},     {"", "", 0},
    };
    RowStore rows;
    for (const Case& c : cases) rows.Append(c.row);
    ASSERT_EQ(rows.size(), std::size(cases));
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(cases[i].row);
        EXPECT_EQ(rows.Path(i), cases[i].row);
        EXPECT_EQ(rows.Name(i), cases[i].name);
        EXPECT_EQ(rows.Depth(i), cases[i].depth);
        EXPECT_EQ(rows.Depth(i), CountChar(cases[i].row, '\\'));
    }
    rows.Clear();
    EXPECT_TRUE(rows.empty());
    rows.Append("\\a");
    EXPECT_EQ(AllRows(rows), std::vector<std::string>{"\\a"});
}

TEST(RowStore, HoldsEachDirectoryAsItsNameUnderItsParent) {
    struct Case {
        const char* row;
        uint32_t parent;  // kNoParent as UINT32_MAX
        uint32_t level;
    };
    const uint32_t none = RowStore::kNoParent;
    const Case cases[] = {
        {"\\", none, 0},
        {"\\Windows", 0, 1},
        {"\\Windows\\System", 1, 2},
        // Rows that do not continue the nearest row above of a lower level
        // hold their whole path below it.
        {"\\Windows\\A\\B", 2, 3},
        {"\\Other\\x", 1, 2},
        {"loose", none, 0},
        {"\\b", 5, 1},
        {"\\b\\", 6, 2},
    };
    RowStore rows;
    for (const Case& c : cases) rows.Append(c.row);
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(cases[i].row);
        EXPECT_EQ(rows.Path(i), cases[i].row);
        EXPECT_EQ(rows.Parent(i), cases[i].parent);
        EXPECT_EQ(rows.Level(i), cases[i].level);
    }
}

TEST(RowStore, RandomRowsComeBackWholeHoweverTheyAreCopied) {
    // Walk-ordered trees with odd rows among them, as an edited file can hold.
    std::mt19937 rng(7);
    const char* const names[] = {"a", "b", "ab", "a b", "", "\xC3\xA9"};
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> paths{"\\"};
        std::vector<std::string> open{""};
        const int count = 1 + static_cast<int>(rng() % 60);
        for (int k = 0; k < count; ++k) {
            const unsigned pick = rng() % 10;
            if (pick == 0) {
                paths.push_back(names[rng() % std::size(names)]);  // no backslash at all
            } else if (pick == 1) {
                paths.push_back(open[rng() % open.size()] + "\\x\\" + names[rng() % std::size(names)]);
            } else {
                open.resize(1 + rng() % open.size());
                open.push_back(open.back() + "\\" + names[rng() % std::size(names)]);
                paths.push_back(open.back());
            }
        }
        RowStore rows;
        for (const std::string& p : paths) rows.Append(p);
        ASSERT_EQ(AllRows(rows), paths) << round;

        // Copied in random pieces, as a batch of changes rebuilds the rows.
        RowStore copy;
        for (size_t at = 0; at < rows.size();) {
            const size_t next = std::min(rows.size(), at + 1 + rng() % 7);
            copy.AppendRange(rows, at, next);
            at = next;
        }
        ASSERT_EQ(AllRows(copy), paths) << round;
        copy.Append("\\after");
        EXPECT_EQ(copy.Path(copy.size() - 1), "\\after");

        // A pass over the paths entered anywhere.
        const size_t begin = rng() % rows.size();
        rows.ForEachPath(begin, rows.size(), [&](size_t i, std::string_view path) {
            EXPECT_EQ(path, paths[i]) << round << " row " << i;
            return true;
        });
    }
}

TEST(RowStore, ASubtreeWalkedOnItsOwnTakesOnlyItsNamesUnderItsNewParent) {
    RowStore subtree;
    for (const char* row : {"\\a\\new", "\\a\\new\\x", "\\a\\new\\x\\y"}) subtree.Append(row);
    RowStore rows;
    rows.Append("\\");
    rows.Append("\\a");
    const size_t before = rows.TextBytes();
    rows.AppendRange(subtree, 0, subtree.size());
    EXPECT_EQ(rows.TextBytes() - before, std::string_view("\\new\\x\\y").size());
    EXPECT_EQ(rows.Path(4), "\\a\\new\\x\\y");
    EXPECT_EQ(rows.Parent(2), 1u);
}

TEST(TextLines, FindControlByteMatchesAByteLoop) {
    uint32_t state = 5;
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int len = round % 40;
        for (int i = 0; i < len; ++i) {
            state = state * 1103515245u + 12345u;
            const char pick[] = {'a', '\x1F', ' ', '\r', '\xA0', '\x80', '\n', '\x01'};
            // Mostly plain bytes, so that the control byte falls anywhere in a word.
            text.push_back((state >> 16) % 8 ? 'b' : pick[(state >> 8) % std::size(pick)]);
        }
        size_t expected = 0;
        while (expected < text.size() && static_cast<unsigned char>(text[expected]) >= 0x20) ++expected;
        const char* begin = text.data();
        ASSERT_EQ(FindControlByte(begin, begin + text.size()) - begin, static_cast<long>(expected))
            << testing::PrintToString(text);
    }
}

TEST(RowStore, CountCharMatchesAByteLoop) {
    uint32_t state = 99;
    for (int round = 0; round < 500; ++round) {
        std::string text;
        const int len = round % 40;
        for (int i = 0; i < len; ++i) {
            state = state * 1103515245u + 12345u;
            const char pick[] = {'\\', 'a', '\0', '\xDC', ' '};  // 0xDC is a backslash with the high bit set
            text.push_back(pick[(state >> 16) % std::size(pick)]);
        }
        int expected = 0;
        for (const char c : text) expected += c == '\\';
        ASSERT_EQ(CountChar(text, '\\'), expected) << testing::PrintToString(text);
    }
}

TEST(Utf8, Validation) {
    struct Case {
        std::string text;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"plain ascii, long enough for the word path", true},
        {"caf\xC3\xA9", true},
        {"\xE6\x97\xA5\xE6\x9C\xAC", true},
        {"\xF0\x9F\x98\x80 emoji", true},
        {"caf\xE9", false},           // Latin-1 byte
        {"\xC0\xAF", false},          // overlong slash
        {"\xE0\x80\xAF", false},      // overlong
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"abcdefgh\xC3", false},      // truncated at the end
        {"\xE6\x97", false},          // truncated
        {"\x80", false},              // lone trail byte
        {"abcdefghijklmnop\xC3\xA9qrstuvw", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.text), c.valid) << testing::PrintToString(c.text);
    }
    EXPECT_TRUE(IsAscii("0123456789abcdefXYZ"));
    EXPECT_FALSE(IsAscii("0123456789abcdef\xC3\xA9"));
}

TEST(IndexFile, WritesEveryRowWithCrLf) {
    RowStore rows;
    EXPECT_EQ(IndexFileText(rows), "");
    rows.Append("\\");
    EXPECT_EQ(IndexFileText(rows), "\\\r\n");
    rows.Append("\\a");
    rows.Append("\\B");
    EXPECT_EQ(IndexFileText(rows), "\\\r\n\\a\r\n\\B\r\n");
}

TEST(IndexFile, ReadsEveryLineEnding) {
    Latin1Decoder decoder;
    struct Case {
        std::string bytes;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"", {}},
        {"\\\r\n", {"\\"}},
        {"\\\r\n\\a\r\\b\n\\c", {"\\", "\\a", "\\b", "\\c"}},
        {"\\\n\n\\a\r\n", {"\\", "", "\\a"}},
        {std::string("\\\r\n\\a\0\\b\r\n", 10), {"\\", "\\a"}},
        {std::string("\0\\\r\n", 4), {}},
        {"\xEF\xBB\xBF\\\r\n\\a", {"\\", "\\a"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AllRows(ParseIndexFile(c.bytes, decoder)), c.rows) << testing::PrintToString(c.bytes);
        EXPECT_EQ(AllRows(ParseIndexFileBuffer(std::string(c.bytes), decoder)), c.rows)
            << testing::PrintToString(c.bytes);
    }
    EXPECT_EQ(decoder.calls, 0);
}

// No Windows name holds a control character: such a line is no directory.
TEST(IndexFile, LeavesOutLinesWithControlCharacters) {
    Latin1Decoder decoder;
    struct Case {
        std::string bytes;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"\\\r\n\\a\x01-b\r\n\\c\r\n", {"\\", "\\c"}},
        {"\\\r\n\\tab\there\r\n\\esc\x1B\r\n\\unit\x1F\r\n", {"\\"}},
        {"\\\r\n\\\xE9t\xE9\x18\r\n\\\xE9t\xE9\r\n", {"\\", "\\\xC3\xA9t\xC3\xA9"}},  // ANSI lines too
        {"\\\r\n\\space \x7F~\r\n", {"\\", "\\space \x7F~"}},  // DEL and blanks are allowed
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AllRows(ParseIndexFile(c.bytes, decoder)), c.rows) << testing::PrintToString(c.bytes);
        EXPECT_EQ(AllRows(ParseIndexFileBuffer(std::string(c.bytes), decoder)), c.rows)
            << testing::PrintToString(c.bytes);
    }
}

TEST(IndexFile, RoundTripsUnicodeAndDecodesAnsiLines) {
    RowStore rows;
    for (const char* r :
         {"\\", "\\Program Files", "\\Program Files\\caf\xC3\xA9", "\\\xE6\x97\xA5\xE6\x9C\xAC"}) {
        rows.Append(r);
    }
    Latin1Decoder decoder;
    EXPECT_EQ(ParseIndexFile(IndexFileText(rows), decoder), rows);
    EXPECT_EQ(decoder.calls, 0);

    // An older writer's line in the ANSI code page next to UTF-8 lines.
    const std::string mixedFile = "\\\r\n\\caf\xE9\r\n\\caf\xC3\xA9\r\n";
    const RowStore mixed = ParseIndexFile(mixedFile, decoder);
    EXPECT_EQ(AllRows(mixed), (std::vector<std::string>{"\\", "\\caf\xC3\xA9", "\\caf\xC3\xA9"}));
    EXPECT_EQ(decoder.calls, 1);
    EXPECT_EQ(ParseIndexFileBuffer(std::string(mixedFile), decoder), mixed);

    // Decoded lines that outgrow the room left in the file's own buffer.
    const std::string wide = "\\\n\xE9\xE9\xE9\xE9\n\\\xE9\n\\b\n\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9";
    const RowStore copied = ParseIndexFile(wide, decoder);
    ASSERT_EQ(copied.size(), 5u);
    EXPECT_EQ(copied.Path(1), "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_EQ(ParseIndexFileBuffer(std::string(wide), decoder), copied);
}

// Read in pieces, a file gives the rows it gives whole, wherever the pieces end.
TEST(IndexFile, PiecesEndingAnywhereGiveTheRowsOfTheWholeFile) {
    Latin1Decoder decoder;
    const std::string longLine = "\\" + std::string(kMaxRowBytes, 'x');
    const std::string cases[] = {
        "",
        "\\\r\n\\a\r\n\\a\\b",                             // a last line without end
        "\\\r\n\\a\r\r\n\n\\b\r",                          // CR LF split, lone CR and LF, an empty line
        "\xEF\xBB\xBF\xEF\xBB\xBF\\\r\n\\caf\xE9\r\n",     // marks, an ANSI line
        "\x01\r\n\xEF\xBB\xBF\\\n\\a\x02b\n\\c",           // a control byte, a mark after a dropped line
        std::string("\\\r\n\\a\0\\b\r\n", 10),             // a NUL ends the text
        "\\\n" + longLine + "\n" + longLine + "y\n\\end",  // the longest row, and one byte more
        std::string("\xEF\xBB\xBF\0\\\r\n", 7),            // marks before a NUL: no line at all
    };
    for (const std::string& text : cases) {
        const std::vector<std::string> whole = AllRows(ParseIndexFile(text, decoder));
        const size_t step = text.size() > 1000 ? 997 : 1;
        for (size_t cut = 0; cut <= text.size(); cut += step) {
            IndexFileReader reader(decoder);
            reader.Feed(std::string_view(text).substr(0, cut), text.size());
            reader.Feed(std::string_view(text).substr(cut), text.size());
            EXPECT_EQ(AllRows(reader.Finish()), whole)
                << testing::PrintToString(text.substr(0, 40)) << " cut at " << cut;
        }
        IndexFileReader bytes(decoder);
        for (const char c : text) bytes.Feed(std::string_view(&c, 1), text.size());
        EXPECT_EQ(AllRows(bytes.Finish()), whole)
            << testing::PrintToString(text.substr(0, 40)) << " byte by byte";
    }
    // The file's marks are not a line of it, also when nothing follows them.
    EXPECT_TRUE(AllRows(ParseIndexFile(cases[7], decoder)).empty());
    EXPECT_TRUE(AllRows(ParseIndexFile("\xEF\xBB\xBF\xEF\xBB\xBF", decoder)).empty());
}

TEST(IndexFile, HostileInputStaysLinear) {
    Latin1Decoder decoder;
    // 20 MB without any line end is no directory at all; the root after it still loads.
    const std::string huge(20u << 20, 'x');
    const RowStore one = ParseIndexFile(huge + "\n\\", decoder);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one.Path(0), "\\");

    // Random bytes: every line is either kept or decoded, nothing is lost but NUL-cut text.
    std::string garbage;
    uint32_t state = 12345;
    for (int i = 0; i < 1 << 20; ++i) {
        state = state * 1103515245u + 12345u;
        garbage.push_back(static_cast<char>(state >> 24));
    }
    const RowStore parsed = ParseIndexFile(garbage, decoder);
    const std::string_view kept = UntilNul(garbage);
    size_t lineEnds = 0;
    for (const char c : kept) lineEnds += c == '\r' || c == '\n';
    EXPECT_LE(parsed.size(), lineEnds + 1);
    for (size_t i = 0; i < parsed.size(); ++i) ASSERT_TRUE(IsValidUtf8(parsed.Path(i))) << i;
    EXPECT_EQ(ParseIndexFileBuffer(std::string(garbage), decoder), parsed);
}

}  // namespace
}  // namespace tarvolo

namespace tarvolo {

TEST(IndexFile, LeavesOutLinesLongerThanAnyPath) {
    Latin1Decoder decoder;
    const std::string longest(kMaxRowBytes, 'a'), tooLong(kMaxRowBytes + 1, 'b');
    const std::string text = "\\\r\n\\" + tooLong + "\r\n" + longest + "\r\n\\end";
    for (bool inPlace : {false, true}) {
        RowStore rows =
            inPlace ? ParseIndexFileBuffer(std::string(text), decoder) : ParseIndexFile(text, decoder);
        ASSERT_EQ(rows.size(), 3u) << (inPlace ? "in place" : "copying");
        EXPECT_EQ(rows.Path(0), "\\");
        EXPECT_EQ(rows.Path(1), longest);
        EXPECT_EQ(rows.Path(2), "\\end");
    }
}

}  // namespace tarvolo
