// A start that fails says what failed.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/Application.h"

namespace tarvolo {
namespace {

TEST(RunStartUpStep, AFailedStepIsReportedWithWhatFailed) {
    struct Case {
        std::function<void()> step;
        bool ok;
        std::string report;
    } cases[] = {
        {[] {}, true, ""},
        {[] { throw std::runtime_error("cannot create the notification icon's window"); }, false,
         "Tarvolo could not start: cannot create the notification icon's window"},
        {[] { throw 42; }, false, "Tarvolo could not start: unexpected error"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> reports;
        EXPECT_EQ(RunStartUpStep(c.step, [&](const std::string& text) { reports.push_back(text); }), c.ok);
        if (c.ok) {
            EXPECT_TRUE(reports.empty());
        } else {
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0], c.report);
        }
    }
}

}  // namespace
}  // namespace tarvolo
