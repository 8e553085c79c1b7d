#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/Visits.h"

namespace tarvolo {
namespace {

constexpr int64_t kNow = 1'800'000'000;
constexpr int64_t kHour = 3600, kDay = 24 * kHour;

TEST(VisitsTest, ReadsGoodLinesAndSkipsDamagedOnes) {
    const struct {
        std::string line;
        bool kept;
    } cases[] = {
        {"3\t1700000000\tC:\\Users\\me", true},
        {"1\t0\tD:\\", true},
        {"4294967295\t1\tC:\\most", true},
        {"", false},
        {"C:\\no\\counts", false},
        {"3\t1700000000", false},
        {"3\t1700000000\t", false},
        {"x\t1700000000\tC:\\a", false},
        {"0\t1700000000\tC:\\never", false},
        {"-1\t1700000000\tC:\\a", false},
        {"3\t-5\tC:\\a", false},
        {"3\t\tC:\\a", false},
        {"\t1700000000\tC:\\a", false},
        {"4294967296\t1\tC:\\too\\many", false},
        {"3\t1234567890123\tC:\\far", false},
        {" 3\t1700000000\tC:\\a", false},
        {"3\t1700000000\tC:\\a\tb", false},
    };
    for (const auto& c : cases) {
        const Visits visits = Visits::Parse({"2\t1700000000\tE:\\good", c.line});
        EXPECT_EQ(visits.entries().size(), c.kept ? 2u : 1u) << c.line;
    }
}

TEST(VisitsTest, LinesRoundTripMostUsedFirst) {
    const Visits visits = Visits::Parse({"1\t1700000000\tC:\\once", "7\t1700000100\tD:\\often"});
    EXPECT_EQ(visits.Lines(),
              (std::vector<std::string>{"7\t1700000100\tD:\\often", "1\t1700000000\tC:\\once"}));
    EXPECT_EQ(Visits::Parse(visits.Lines()).Lines(), visits.Lines());
}

TEST(VisitsTest, TheSameDirectoryInAnyCaseIsOneEntry) {
    Visits visits = Visits::Parse({"2\t100\tC:\\Users\\Me", "3\t50\tc:\\users\\me"});
    ASSERT_EQ(visits.entries().size(), 1u);
    EXPECT_EQ(visits.entries()[0].times, 5u);
    EXPECT_EQ(visits.entries()[0].last, 100);
    visits.Record("C:\\USERS\\ME", kNow);
    ASSERT_EQ(visits.entries().size(), 1u);
    EXPECT_EQ(visits.entries()[0].times, 6u);
    EXPECT_EQ(visits.entries()[0].last, kNow);
    EXPECT_EQ(visits.entries()[0].path, "C:\\USERS\\ME");
}

TEST(VisitsTest, TheFirstDeliveryCountsAndTimeMakesVisitsCountLess) {
    const struct {
        int64_t ago;
        double weight;  // of 2 visits
    } cases[] = {
        {0, 8},          {kHour - 1, 8},    {kHour, 4}, {kDay - 1, 4}, {kDay, 1}, {7 * kDay - 1, 1},
        {7 * kDay, 0.5}, {365 * kDay, 0.5}, {-kDay, 8},  // a clock set back
    };
    for (const auto& c : cases) {
        Visits visits;
        visits.Record("C:\\a", kNow - c.ago);
        EXPECT_GT(visits.Uses(kNow - c.ago).at(0).weight, 0);
        visits.Record("C:\\a", kNow - c.ago);
        EXPECT_DOUBLE_EQ(visits.Uses(kNow).at(0).weight, c.weight) << c.ago;
    }
}

TEST(VisitsTest, SeedsFromTheHistoryOneVisitEach) {
    Visits visits;
    visits.SeedFromHistory({"C:\\recent", "", "D:\\older", "c:\\RECENT"}, kNow);
    ASSERT_EQ(visits.entries().size(), 2u);
    for (const Visit& v : visits.entries()) {
        EXPECT_EQ(v.times, 1u);
        EXPECT_EQ(v.last, kNow);
    }
    EXPECT_EQ(visits.entries()[0].path, "C:\\recent");
    EXPECT_EQ(visits.entries()[1].path, "D:\\older");
}

TEST(VisitsTest, BoundedTheLeastUsedGoFirst) {
    std::vector<std::string> lines;
    // Visited twice long ago, and once each just now: the old pairs weigh less.
    for (size_t i = 0; i < Visits::kMaxEntries + 5; ++i)
        lines.push_back((i < 10 ? "2\t" + std::to_string(kNow - 30 * kDay) : "1\t" + std::to_string(kNow)) +
                        "\tC:\\d" + std::to_string(i));
    Visits visits = Visits::Parse(lines);
    ASSERT_EQ(visits.entries().size(), Visits::kMaxEntries);
    // The five old pairs went; five remain, last.
    EXPECT_EQ(visits.entries().back().times, 2u);
    // What was just delivered is never what goes, even when it weighs least.
    visits.Record("C:\\new", kNow - 60 * kDay);
    ASSERT_EQ(visits.entries().size(), Visits::kMaxEntries);
    bool found = false;
    for (const Visit& v : visits.entries()) found = found || v.path == "C:\\new";
    EXPECT_TRUE(found);
}

TEST(VisitsTest, CountsShrinkPastTheTotal) {
    Visits visits = Visits::Parse({std::to_string(Visits::kMaxTotal) + "\t1\tC:\\busy", "1\t1\tC:\\rare"});
    visits.Record("C:\\new", kNow);
    uint64_t total = 0;
    for (const Visit& v : visits.entries()) total += v.times;
    EXPECT_LE(total, Visits::kMaxTotal);
    // The single old visit fell below one and went; the new one stays.
    ASSERT_EQ(visits.entries().size(), 2u);
    EXPECT_EQ(visits.entries()[0].path, "C:\\busy");
    EXPECT_EQ(visits.entries()[0].times, 8998u);  // 10,000 x 0.9 x 10,000 / 10,002
    EXPECT_EQ(visits.entries()[1].path, "C:\\new");
    EXPECT_EQ(visits.entries()[1].times, 1u);
}

}  // namespace
}  // namespace tarvolo
