#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "index/TreeCodes.h"

namespace tarvolo {
namespace {

RowStore MakeRows(const std::vector<std::string>& rows) {
    RowStore store;
    for (const std::string& r : rows) store.Append(r);
    return store;
}

std::vector<std::string> FastCodes(const RowStore& rows) {
    TreeCodes codes;
    codes.Build(rows);
    std::vector<std::string> out;
    for (size_t i = 0; i < codes.size(); ++i) out.emplace_back(codes.Code(i));
    return out;
}

TEST(TreeCodes, WellFormedTrees) {
    struct Case {
        std::vector<std::string> rows;
        std::vector<std::string> codes;
    };
    const Case cases[] = {
        {{}, {}},
        {{"\\"}, {"2"}},
        {{"\\", "\\A", "\\A\\X", "\\B"}, {"2", "2", "13", "3"}},
        // The last top-level row has children: no line runs below its elbow.
        {{"\\", "\\A", "\\B", "\\B\\X", "\\B\\Y", "\\B\\Y\\Z"}, {"2", "2", "3", "02", "03", "003"}},
        {{"\\", "\\A", "\\A\\B", "\\A\\B\\C", "\\D"}, {"2", "2", "13", "103", "3"}},
        {{"\\", "\\A", "\\A\\B", "\\A\\C", "\\A\\C\\D", "\\A\\E"}, {"2", "3", "02", "02", "013", "03"}},
    };
    for (const Case& c : cases) {
        const RowStore rows = MakeRows(c.rows);
        EXPECT_EQ(FastCodes(rows), c.codes) << testing::PrintToString(c.rows);
        EXPECT_EQ(BuildTreeCodesReference(rows), c.codes) << testing::PrintToString(c.rows);
    }
}

TEST(TreeCodes, EditedFilesMatchTheReference) {
    const std::vector<std::vector<std::string>> cases = {
        {"\\a"},                                 // no root row
        {"\\a\\b\\c", "\\d"},                    // first row deep
        {"\\", "\\a\\b\\c\\d", "\\e"},           // several levels deeper at once
        {"\\", "loose", "\\a", "other", "\\b"},  // rows without backslash
        {"loose", "\\a\\b", "\\a\\b", "x"},
        {"\\", "", "", "\\a"},  // empty lines
        {"\\x\\y\\z", "\\x\\y\\z", "\\x\\y", "\\q"},
        {"\\", "\\a", "\\a\\b", "\\a\\b\\c", "\\a\\b\\c\\d\\e\\f", "\\a\\b", "\\c"},
    };
    for (const auto& rowsText : cases) {
        const RowStore rows = MakeRows(rowsText);
        const std::vector<std::string> expected = BuildTreeCodesReference(rows);
        EXPECT_EQ(FastCodes(rows), expected) << testing::PrintToString(rowsText);
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(expected[i].size(), i == 0 ? 1u : static_cast<size_t>(std::max(rows.Depth(i), 1)));
        }
    }
}

TEST(TreeCodes, RandomDepthSequencesMatchTheReference) {
    std::mt19937 rng(20240601);
    for (int round = 0; round < 3000; ++round) {
        const int n = static_cast<int>(rng() % 40);
        std::vector<std::string> text;
        int depth = 1;
        for (int i = 0; i < n; ++i) {
            // Mostly tree-shaped steps, with the jumps and zero depths an edited file can hold.
            switch (rng() % 8) {
                case 0:
                    depth = static_cast<int>(rng() % 7);
                    break;
                case 1:
                case 2:
                    ++depth;
                    break;
                case 3:
                case 4:
                    depth = std::max(0, depth - static_cast<int>(rng() % 3));
                    break;
                default:
                    break;
            }
            std::string row;
            for (int k = 0; k < depth; ++k) row += "\\d";
            text.push_back(row);
        }
        const RowStore rows = MakeRows(text);
        ASSERT_EQ(FastCodes(rows), BuildTreeCodesReference(rows)) << testing::PrintToString(text);
    }
}

TEST(TreeCodes, DeepAndWideInputs) {
    // A 300-level chain, then a million-sibling-like flat run: exact codes, no blow-up.
    std::vector<std::string> text{"\\"};
    std::string row;
    for (int k = 0; k < 300; ++k) {
        row += "\\n";
        text.push_back(row);
    }
    for (int k = 0; k < 2000; ++k) text.push_back("\\s");
    const RowStore rows = MakeRows(text);
    const std::vector<std::string> fast = FastCodes(rows);
    EXPECT_EQ(fast, BuildTreeCodesReference(rows));
    EXPECT_EQ(fast[300], "1" + std::string(298, '0') + "3");
    EXPECT_EQ(fast.back(), "3");
}

// Long runs cross the rows whose whole code is kept, with the rows only an
// edited file holds: no backslash, a first row other than "\", jumps of
// several levels, and depths past what one byte per row holds directly.
TEST(TreeCodes, EveryRowAcrossCheckpointsMatchesTheReference) {
    std::mt19937 rng(7);
    const size_t every = TreeCodes::kCheckpoint;
    for (int round = 0; round < 60; ++round) {
        const size_t n = every * (1 + rng() % 4) + rng() % 3 - 1;  // around a multiple, either side
        std::vector<std::string> text;
        int depth = static_cast<int>(rng() % 4);  // the first row may be anything
        for (size_t i = 0; i < n; ++i) {
            switch (rng() % 10) {
                case 0:
                    depth = 0;  // "loose": no backslash
                    break;
                case 1:
                    depth += 2 + static_cast<int>(rng() % 5);  // several levels at once
                    break;
                case 2:
                    if (round % 6 == 0) depth = 120 + static_cast<int>(rng() % 20);  // past one byte
                    break;
                case 3:
                case 4:
                    ++depth;
                    break;
                case 5:
                case 6:
                    depth = std::max(0, depth - 1 - static_cast<int>(rng() % 3));
                    break;
                default:
                    break;
            }
            std::string row = depth == 0 ? "loose" : "";
            for (int k = 0; k < depth; ++k) row += "\\d";
            text.push_back(row);
        }
        const RowStore rows = MakeRows(text);
        const std::vector<std::string> expected = BuildTreeCodesReference(rows);
        TreeCodes codes;
        codes.Build(rows);
        ASSERT_EQ(codes.size(), rows.size());
        // Backwards too, with one string kept as the painter keeps it.
        std::string code = "stale";
        for (size_t i = n; i-- > 0;) {
            codes.CodeInto(i, code);
            ASSERT_EQ(code, expected[i]) << "round " << round << " row " << i << " of " << n;
        }
    }
}

}  // namespace
}  // namespace tarvolo
