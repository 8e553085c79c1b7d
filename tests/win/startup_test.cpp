// A start that fails says what failed.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "platform/Application.h"
#include "platform/RunningInstance.h"

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
    EXPECT_EQ(
        Guarded([]() -> LRESULT { throw std::runtime_error("Cannot open file C:\\a.dir"); }, LRESULT{1}), 1);
    EXPECT_EQ(Guarded([]() -> int { throw std::bad_alloc(); }, -1), -1);
    Guarded([] { throw 42; });
    bool ran = false;
    Guarded([&] { ran = true; });
    EXPECT_TRUE(ran);
    Application::Get().onCallbackFailure = nullptr;
    EXPECT_EQ(reports, (std::vector<std::string>{"Cannot open file C:\\a.dir", "Not enough memory",
                                                 "Unexpected error"}));
}

// A second start must not take another program's window of the same class
// name for the running instance: only a window that answers the query is one.
TEST(FindAnsweringWindow, OnlyAWindowThatAnswersIsTheRunningInstance) {
    static const UINT query = ::RegisterWindowMessageW(L"Tarvolo.Test.InstanceQuery");
    constexpr LRESULT kAnswer = 0x1234;
    const wchar_t* const kClass = L"TarvoloTestSameClassName";
    WNDCLASSW wc{};
    wc.lpszClassName = kClass;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpfnWndProc = [](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        // Only the window marked as ours knows the message.
        if (msg == query && ::GetWindowLongPtrW(w, GWLP_USERDATA) == 1) return kAnswer;
        return ::DefWindowProcW(w, msg, wp, lp);
    };
    ASSERT_TRUE(::RegisterClassW(&wc)) << ::GetLastError();
    auto make = [&](bool ours) {
        HWND w = ::CreateWindowExW(0, kClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                                   nullptr);
        ::SetWindowLongPtrW(w, GWLP_USERDATA, ours ? 1 : 0);
        return w;
    };
    HWND foreign = make(false);
    ASSERT_TRUE(foreign);
    EXPECT_EQ(FindAnsweringWindow(kClass, query, 0, kAnswer), nullptr) << "a foreign window was taken";
    HWND ours = make(true);
    HWND secondForeign = make(false);
    EXPECT_EQ(FindAnsweringWindow(kClass, query, 0, kAnswer), ours);
    EXPECT_EQ(FindAnsweringWindow(kClass, 0, 0, kAnswer), nullptr) << "no message, no proof";
    for (HWND w : {foreign, ours, secondForeign}) ::DestroyWindow(w);
    ::UnregisterClassW(kClass, wc.hInstance);
}

}  // namespace
}  // namespace tarvolo
