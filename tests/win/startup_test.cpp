// A start that fails says what failed.
#include <gtest/gtest.h>

#include <new>
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

// Every place the system calls into the program turns an exception into the
// callback's fallback and one report in the program's words.
TEST(Guarded, AnExceptionBecomesTheFallbackAndOneReport) {
    std::vector<std::string> reports;
    Application::Get().onCallbackFailure = [&](const std::string& text) { reports.push_back(text); };
    EXPECT_EQ(Guarded([] { return LRESULT{7}; }, LRESULT{0}), 7);
    EXPECT_EQ(Guarded([]() -> LRESULT { throw std::runtime_error("Cannot open file C:\\a.dir"); }, LRESULT{1}), 1);
    EXPECT_EQ(Guarded([]() -> int { throw std::bad_alloc(); }, -1), -1);
    Guarded([] { throw 42; });
    bool ran = false;
    Guarded([&] { ran = true; });
    EXPECT_TRUE(ran);
    Application::Get().onCallbackFailure = nullptr;
    EXPECT_EQ(reports, (std::vector<std::string>{"Cannot open file C:\\a.dir", "Not enough memory", "Unexpected error"}));
}

}  // namespace
}  // namespace tarvolo
