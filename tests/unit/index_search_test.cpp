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
        for (size_t pos; (pos = out.find("\xC3\xA9")) != std::string::npos;) out.replace(pos, 2, "\xC3\x89");
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
    long Find(long start, std::string_view text) const { return index_.FindFrom(start, text, folder_); }

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

}  // namespace
}  // namespace tarvolo
