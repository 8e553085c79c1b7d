#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/WriteRetry.h"

namespace tarvolo {
namespace {

// A run of writes, each failing or not at a given time: when the user is told,
// and how long the next try waits right after.
TEST(WriteRetry, ToldOncePerRunOfFailuresAndWaitingLongerEachTime) {
    struct Step {
        uint64_t at;
        bool fails;
        bool told;
        uint64_t waitAfter;  // WaitMs(at) right after the step
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"successes alone", {{0, false, false, 0}, {10, false, false, 0}}},
        {"failures double the wait up to the most",
         {{0, true, true, 1000},
          {1000, true, false, 2000},
          {3000, true, false, 4000},
          {7000, true, false, 5000},
          {12000, true, false, 5000}}},
        {"a success ends the run: the next failure is told again",
         {{0, true, true, 1000},
          {1000, true, false, 2000},
          {3000, false, false, 0},
          {3500, true, true, 1000}}},
        {"a write that fails late still waits from its own end",
         {{0, true, true, 1000}, {90000, true, false, 2000}}},
    };
    for (const auto& c : cases) {
        WriteRetry retry(1000, 5000);
        for (const Step& s : c.steps) {
            bool told = false;
            if (s.fails)
                told = retry.Failed(s.at);
            else
                retry.Succeeded();
            EXPECT_EQ(told, s.told) << c.name << " at " << s.at;
            EXPECT_EQ(retry.WaitMs(s.at), s.waitAfter) << c.name << " at " << s.at;
        }
    }
}

TEST(WriteRetry, TheWaitRunsDownWithTheClock) {
    WriteRetry retry(1000, 5000);
    retry.Failed(100);
    EXPECT_EQ(retry.WaitMs(100), 1000u);
    EXPECT_EQ(retry.WaitMs(600), 500u);
    EXPECT_EQ(retry.WaitMs(1100), 0u);
    EXPECT_EQ(retry.WaitMs(50000), 0u);
}

}  // namespace
}  // namespace tarvolo
