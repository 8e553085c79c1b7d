// The figures every benchmark prints are summed up and laid out by the same
// few helpers: a wrong rank or a shifted column would change every figure.
#include "bench/BenchSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvolo::bench {
namespace {

struct PercentileCase {
    const char* name;
    std::vector<double> values;
    double share;
    double expected;
};

TEST(BenchSupport, PercentileTakesTheNearestRankOfTheSortedValues) {
    const std::vector<double> thirty = [] {
        std::vector<double> v;
        for (int i = 30; i >= 1; --i) v.push_back(i);  // unsorted on purpose
        return v;
    }();
    const PercentileCase cases[] = {
        {"none", {}, 0.5, 0},
        {"one value", {7}, 0.99, 7},
        {"odd count, middle", {5, 1, 3}, 0.5, 3},
        {"even count, the upper middle", {4, 1, 3, 2}, 0.5, 3},
        {"the least", {4, 1, 3, 2}, 0, 1},
        {"the most", {4, 1, 3, 2}, 1, 4},
        {"95th of thirty is the 29th", thirty, 0.95, 29},
        {"99th of thirty is the last", thirty, 0.99, 30},
    };
    for (const PercentileCase& c : cases) EXPECT_EQ(Percentile(c.values, c.share), c.expected) << c.name;
}

TEST(BenchSupport, MedianWorstAndBestOfTheSameValues) {
    const std::vector<double> values = {2.5, 9, 0.5, 4};
    EXPECT_EQ(Median(values), 4);
    EXPECT_EQ(Worst(values), 9);
    EXPECT_EQ(Best(values), 0.5);
    EXPECT_EQ(Median({}), 0);
    EXPECT_EQ(Worst({}), 0);
    EXPECT_EQ(Best({}), 0);
}

TEST(BenchSupport, AFigureLineKeepsItsColumns) {
    const FigureLine figure{12, 9, 2};
    testing::internal::CaptureStdout();
    figure("rows", 1234.567, "MB");
    figure("a longer name than twelve", 3, "x");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "rows           1234.57 MB\n"
              "a longer name than twelve      3.00 x\n");
}

TEST(BenchSupport, AQuietWalkListsEveryDirectoryOnce) {
    struct TwoLevels : DirectoryLister {
        bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
            if (dir == "C:\\") return each({"a", kAttrDirectory}) && each({"b", kAttrDirectory});
            if (dir == "C:\\a\\") return each({"x", kAttrDirectory});
            return true;
        }
    } disk;
    const RowStore rows = QuietWalk(disk);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.Path(0), "\\");
    EXPECT_EQ(rows.Path(1), "\\a");
    EXPECT_EQ(rows.Path(2), "\\a\\x");
    EXPECT_EQ(rows.Path(3), "\\b");
}

}  // namespace
}  // namespace tarvolo::bench
