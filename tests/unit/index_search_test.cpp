#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "index/Search.h"

namespace tarvolo {
namespace {

// ASCII plus the two accented letters the tests use, like a Western code page.
struct TestFolder : CaseFolder {
    mutable int calls = 0;
    std::string Upper(std::string_view utf8) const override {
        ++calls;
        std::string out = AsciiCaseFolder().Upper(utf8);
        // é -> É, ä -> Ä
        for (size_t pos; (pos = out.find("\xC3\xA9")) != std::string::npos;) out.replace(pos, 2, "\xC3\x89");
        for (size_t pos; (pos = out.find("\xC3\xA4")) != std::string::npos;) out.replace(pos, 2, "\xC3\x84");
        return out;
    }
};

RowStore MakeRows(const std::vector<std::string>& rows) {
    RowStore store;
    for (const std::string& r : rows) store.Append(r);
    return store;
}

class SearchTest : public testing::Test {
protected:
    void Load(const std::vector<std::string>& rows) {
        rows_ = MakeRows(rows);
        index_.Build(rows_, folder_);
    }
    long Find(long start, std::string_view text, MatchRule rule = MatchRule::beginning) const {
        return index_.FindFrom(start, text, folder_, rule);
    }

    TestFolder folder_;
    RowStore rows_;
    SearchIndex index_;
};

TEST_F(SearchTest, TypingAndFindNextCycle) {
    Load({"\\", "\\Program Files", "\\Programs", "\\Windows", "\\Windows\\Programs"});
    for (const char* typed : {"P", "PR", "PRO", "PROG", "prog", "pRoG"})
        EXPECT_EQ(Find(0, typed), 1) << typed;
    // Find Next from each match, wrapping past the end and skipping the root.
    EXPECT_EQ(Find(1, "PROG"), 2);
    EXPECT_EQ(Find(2, "PROG"), 4);
    EXPECT_EQ(Find(4, "PROG"), 1);
    EXPECT_EQ(Find(0, "PROGX"), -1);
    EXPECT_EQ(Find(0, "win"), 3);
    EXPECT_EQ(Find(0, "dows"), -1);                    // only the beginning of a name counts
    EXPECT_EQ(Find(0, "Program Files and more"), -1);  // a shorter name never matches
    EXPECT_EQ(Find(0, "Windows\\Programs"), -1);       // the path above the name plays no role
}

TEST_F(SearchTest, StartRowAndEmptyText) {
    Load({"\\", "\\a", "\\b"});
    EXPECT_EQ(Find(-1, ""), 0);  // nothing selected: every row from 0, the root matches empty text
    EXPECT_EQ(Find(0, ""), 1);
    EXPECT_EQ(Find(1, ""), 2);
    EXPECT_EQ(Find(2, ""), 0);
    EXPECT_EQ(Find(-1, "b"), 2);
    EXPECT_EQ(Find(2, "b"), -1);  // the start row itself is never tested
    EXPECT_EQ(Find(1, "a"), -1);
    EXPECT_EQ(Find(7, "a"), 1);  // a start past the end tests every row once
}

TEST_F(SearchTest, RootAloneAndEmptyIndex) {
    Load({"\\"});
    EXPECT_EQ(Find(0, "a"), -1);
    EXPECT_EQ(Find(0, ""), -1);  // a single row with start 0 tests nothing
    EXPECT_EQ(Find(-1, ""), 0);
    Load({});
    EXPECT_EQ(Find(-1, ""), -1);
    EXPECT_EQ(Find(0, "a"), -1);
}

TEST_F(SearchTest, FoldsNonAsciiThroughTheLocaleOnly) {
    Load({"\\", "\\caf\xC3\xA9 noir", "\\CAF\xC3\x89", "\\plain"});
    const int afterBuild = folder_.calls;
    EXPECT_EQ(afterBuild, 2);  // ASCII names never reach the folder
    EXPECT_EQ(Find(0, "caf\xC3\xA9"), 1);
    EXPECT_EQ(Find(1, "CAF\xC3\xA9"), 2);
    EXPECT_EQ(Find(0, "caf\xC3\xA9 n"), 1);
    EXPECT_EQ(Find(1, "caf\xC3\xA9 n"), -1);  // the start row is the only match
    EXPECT_TRUE(index_.Matches(2, FoldText("caf\xC3\xA9", folder_)));
    EXPECT_FALSE(index_.Matches(3, FoldText("caf", folder_)));
    EXPECT_TRUE(index_.Matches(0, ""));
}

TEST_F(SearchTest, AnywhereFindsTheTextInsideANameButNeverAcrossNames) {
    Load({"\\", "\\AB", "\\CD", "\\Windows", "\\Programs\\tools", "\\xABABx", "\\aaa", "\\Kl\xC3\xA4ger",
          "\\\xC3\x84RGER", "\\Alte Ordner"});
    const struct {
        long start;
        const char* text;
        long expected;
    } cases[] = {
        {0, "dows", 3},         // the end of a name
        {0, "DoW", 3},          // any letter case
        {0, "tools", 4},        // a whole name
        {0, "ramst", -1},       // the path above the name plays no role
        {0, "BC", -1},          // names lie side by side in the buffer: "AB" then "CD"
        {0, "DW", -1},          // "CD" then "Windows"
        {0, "ab", 1},           // the beginning still counts
        {1, "ab", 5},           // Find Next: a name holding the text twice is one match
        {5, "ab", 1},           // ... and the next one wraps to the first
        {0, "aa", 6},           // overlapping occurrences
        {0, "aaaa", -1},        // never longer than the name
        {0, "\xC3\xA4rg", 8},   // "ärg" finds "ÄRGER" through the folder
        {8, "\xC3\xA4ger", 7},  // "äger" inside "Kläger", after wrapping
        {0, "e or", 9},         // the blank inside a name is part of it
        {0, "xaaa", -1},        // "xABABx" then "aaa"
        {-1, "", 0},            // the empty text matches every row, the root included
        {0, "", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Find(c.start, c.text, MatchRule::anywhere), c.expected) << c.start << " / " << c.text;
    // The beginning rule is unchanged beside it.
    EXPECT_EQ(Find(0, "dows"), -1);
    EXPECT_EQ(Find(0, "\xC3\xA4rg"), 8);
    EXPECT_EQ(Find(0, "BC"), -1);
}

// Names of a two-letter alphabet give hits at every row's edge and runs far
// longer than one block of the scan; each answer is checked against the rule
// applied one name at a time.
TEST_F(SearchTest, AnywhereAgreesWithTheRuleNameByName) {
    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    std::vector<std::string> rows{"\\"};
    for (int i = 0; i < 3000; ++i) {
        std::string name;
        for (unsigned k = next() % 7; k > 0; --k) name += next() % 3 ? 'a' : 'B';
        rows.push_back("\\" + name);
    }
    Load(rows);
    auto reference = [&](long start, const std::string& text) {
        const std::string folded = FoldText(text, folder_);
        const long n = static_cast<long>(rows_.size());
        for (long k = 1; k <= n; ++k) {
            const long row = start < 0 ? k - 1 : (start + k) % n;
            if (start >= 0 && row == start) break;
            if (FoldText(rows_.Name(static_cast<size_t>(row)), folder_).find(folded) != std::string::npos)
                return row;
        }
        return -1L;
    };
    for (const char* text : {"a", "b", "ab", "BA", "aab", "bab", "aaaaaa", "babab", "bbbb", "ba~"}) {
        for (long start : {-1L, 0L, 1L, 17L, 1500L, 2999L, 3000L}) {
            EXPECT_EQ(Find(start, text, MatchRule::anywhere), reference(start, text))
                << start << " / " << text;
        }
    }
}

TEST_F(SearchTest, AnywhereMatchesOneRowAtATime) {
    Load({"\\", "\\Temp", "\\Attempt"});
    EXPECT_TRUE(index_.Matches(2, "TEMP", MatchRule::anywhere));
    EXPECT_FALSE(index_.Matches(2, "TEMP"));
    EXPECT_FALSE(index_.Matches(1, "TEMPA", MatchRule::anywhere)) << "never into the next name";
}

// The rule applied one name at a time, in the order the search promises.
long NaiveFind(const RowStore& rows, long start, const std::string& foldedText, const CaseFolder& folder,
               MatchRule rule) {
    const long n = static_cast<long>(rows.size());
    std::vector<long> order;
    for (long row = start + 1; row < n; ++row) order.push_back(row);
    for (long row = 0; row < std::min(start, n); ++row) order.push_back(row);
    for (long row : order) {
        const std::string name = FoldText(rows.Name(static_cast<size_t>(row)), folder);
        const size_t at = name.find(foldedText);
        if (rule == MatchRule::anywhere ? at != std::string::npos : at == 0) return row;
    }
    return -1;
}

// Several blocks of the table of separator places, names that are empty,
// repeated, non-ASCII and prefixes of each other, texts with a backslash, and
// starts on every block edge, before the first row and past the last.
TEST(SearchOracle, EveryStartAndTextAgreesWithTheRuleNameByName) {
    TestFolder folder;
    std::mt19937 rng(99);
    const char* pieces[] = {"a", "B", "ab", "\xC3\xA9", "\xC3\x89", "\xC3\xA4", "x y", "~"};
    std::vector<std::string> text{"\\"};
    for (int i = 0; i < 400; ++i) {
        std::string name;
        for (unsigned k = rng() % 5; k > 0; --k) name += pieces[rng() % std::size(pieces)];
        // Now and then a row an edited file holds: no backslash, or deeper.
        text.push_back(i % 37 == 5 ? name : (i % 11 == 3 ? "\\deep\\" : "\\") + name);
    }
    const RowStore rows = MakeRows(text);
    SearchIndex index;
    index.Build(rows, folder);
    ASSERT_EQ(index.size(), rows.size());
    const long n = static_cast<long>(rows.size());
    const long every = static_cast<long>(SearchIndex::kMarkEvery);
    const char* texts[] = {"",
                           "a",
                           "AB",
                           "ba",
                           "\xC3\xA9",
                           "\xC3\x89"
                           "a",
                           "x y",
                           "y~",
                           "~",
                           "aaa",
                           "ab\\",
                           "\\a",
                           "\\",
                           "deep",
                           "loose",
                           "b\xC3\xA4"};
    const std::vector<long> starts{-1,        0,     1,     every - 1, every, every + 1,
                                   2 * every, n / 2, n - 2, n - 1,     n,     n + 5};
    for (const char* t : texts) {
        const std::string folded = FoldText(t, folder);
        for (MatchRule rule : {MatchRule::beginning, MatchRule::anywhere}) {
            for (long start : starts) {
                EXPECT_EQ(index.FindFolded(start, folded, rule), NaiveFind(rows, start, folded, folder, rule))
                    << "text \"" << t << "\" start " << start
                    << (rule == MatchRule::anywhere ? " anywhere" : "");
            }
            for (long row = 0; row < n; ++row) {
                const std::string name = FoldText(rows.Name(static_cast<size_t>(row)), folder);
                const size_t at = name.find(folded);
                EXPECT_EQ(index.Matches(static_cast<size_t>(row), folded, rule),
                          rule == MatchRule::anywhere ? at != std::string::npos : at == 0)
                    << "row " << row << " text \"" << t << "\"";
            }
        }
    }
}

// A locale service that made a backslash of a letter would put a separator
// inside a name and shift every row after it; the rows stay where they are.
TEST(SearchOracle, AFolderThatMakesABackslashShiftsNoRow) {
    struct SlashFolder : CaseFolder {
        std::string Upper(std::string_view utf8) const override {
            std::string out = AsciiCaseFolder().Upper(utf8);
            for (size_t pos; (pos = out.find("\xC3\xB7")) != std::string::npos;) out.replace(pos, 2, "\\");
            return out;
        }
    } folder;
    std::vector<std::string> text{"\\"};
    for (int i = 0; i < 150; ++i)
        text.push_back(i == 3 ? "\\a\xC3\xB7"
                                "b"
                              : "\\n" + std::to_string(i));
    const RowStore rows = MakeRows(text);
    SearchIndex index;
    index.Build(rows, folder);
    EXPECT_EQ(index.size(), rows.size());
    EXPECT_EQ(index.FindFrom(-1, "n149", folder), 150);
    EXPECT_EQ(index.FindFrom(-1, "b", folder, MatchRule::anywhere), 4);
    EXPECT_EQ(index.FindFrom(-1, "a", folder), 4);
    EXPECT_EQ(index.FindFrom(-1, "a\xC3\xB7", folder, MatchRule::anywhere), -1)
        << "no text finds a separator";
    EXPECT_TRUE(index.Matches(150, "N149"));
}

// The names beginning with one folded byte, as Quick Jump walks them: the
// shallowest first, then the shorter path, then the row's order; each with its
// length, 255 standing for anything longer. An edit builds them again.
TEST(NameStarts, ByFirstByteShallowestThenShortestThenInRowOrder) {
    const std::vector<std::string> paths = {"\\",       "\\sub",  "\\sub\\Src",
                                            "\\sub\\s", "\\Sa",   "\\sa\\sbc",
                                            "\\x",      "\\x\\S", "\\" + std::string(300, 's')};
    RowStore rows;
    for (const std::string& p : paths) rows.Append(p);
    SearchIndex search;
    const AsciiCaseFolder folder;
    search.Build(rows, folder);
    ASSERT_TRUE(search.HasNameStarts());
    const auto listed = [&](unsigned char first) {
        std::vector<std::pair<std::string, int>> out;  // path, length
        const SearchIndex::NameStarts starts = search.StartsWith(first);
        for (size_t k = 0; k < starts.count; ++k)
            out.emplace_back(rows.Path(search.RowAt(starts.places[k])), starts.lengths[k]);
        return out;
    };
    const std::vector<std::pair<std::string, int>> s = {
        {"\\Sa", 2},      {"\\sub", 3},    {"\\" + std::string(300, 's'), 255},
        {"\\x\\S", 1},    {"\\sub\\s", 1}, {"\\sa\\sbc", 3},
        {"\\sub\\Src", 3}};
    EXPECT_EQ(listed('S'), s);
    EXPECT_EQ(listed('X'), (std::vector<std::pair<std::string, int>>{{"\\x", 1}}));
    EXPECT_TRUE(listed('s').empty()) << "names are folded before they are grouped";
    EXPECT_EQ(search.StartsWith('\\').count, 0u) << "the root has no name";

    // Rows inserted by an edit: the starts follow them.
    RowStore edited;
    for (const char* p : {"\\", "\\Sa", "\\sa\\sbc", "\\sb"}) edited.Append(p);
    SearchIndex after;
    ASSERT_TRUE(after.BuildEdited(search, edited, {RowsEdit{1, 8, 3}}, folder));
    const SearchIndex::NameStarts starts = after.StartsWith('S');
    ASSERT_EQ(starts.count, 3u);
    EXPECT_EQ(edited.Path(after.RowAt(starts.places[2])), "\\sa\\sbc");
}

TEST(NameStarts, NoneWhereAPathIsTooDeepForTheirOrder) {
    RowStore rows;
    std::string path;
    rows.Append("\\");
    for (int level = 0; level < 300; ++level) rows.Append(path += "\\a");
    SearchIndex search;
    search.Build(rows, AsciiCaseFolder());
    EXPECT_FALSE(search.HasNameStarts());
    EXPECT_EQ(search.StartsWith('A').count, 0u);
    EXPECT_EQ(search.FindFrom(-1, "a", AsciiCaseFolder()), 1) << "the search by name is not touched";
    EXPECT_FALSE(search.NameStartsPending()) << "tried once is built: not tried again each time";
}

TEST(NameStarts, BuiltInAStepOfTheirOwnTheyAreThoseOfOneBuild) {
    RowStore rows;
    for (const char* p : {"\\", "\\Sa", "\\sa\\sbc", "\\sb", "\\x\\S"}) rows.Append(p);
    const AsciiCaseFolder folder;
    SearchIndex whole, later;
    whole.Build(rows, folder);
    EXPECT_FALSE(whole.NameStartsPending());
    later.Build(rows, folder, false);
    EXPECT_TRUE(later.NameStartsPending());
    EXPECT_FALSE(later.HasNameStarts());
    EXPECT_EQ(later.FindFrom(-1, "sb", folder), 2) << "the names alone answer the main window's search";
    later.BuildNameStarts(rows);
    EXPECT_FALSE(later.NameStartsPending());
    const SearchIndex::NameStarts a = whole.StartsWith('S'), b = later.StartsWith('S');
    ASSERT_EQ(a.count, b.count);
    for (size_t k = 0; k < a.count; ++k) EXPECT_EQ(a.places[k], b.places[k]);
    later.Clear();
    EXPECT_FALSE(later.NameStartsPending()) << "no rows, nothing due";
}

}  // namespace
}  // namespace tarvolo
