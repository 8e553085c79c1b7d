#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tarvolo
