#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Environment.h"

using namespace tarvolo;

TEST(WaitFromEnvironment, OnlyAWholeNumberUpToTheLongestMakesTheWaitShorter) {
    const wchar_t kName[] = L"TARVOLO_TEST_WAIT_MS";
    struct Case {
        const wchar_t* value;  // null: not set
        uint64_t wait;
    };
    const Case cases[] = {
        {nullptr, 8000}, {L"", 8000},     {L"1000", 1000}, {L"0", 0},
        {L"8000", 8000}, {L"8001", 8000}, {L"-5", 8000},   {L"+5", 8000},
        {L" 5", 8000},   {L"5ms", 8000},  {L"abc", 8000},  {L"99999999999999999999999", 8000},
        {L"00042", 42},
    };
    for (const Case& c : cases) {
        ::SetEnvironmentVariableW(kName, c.value);
        EXPECT_EQ(WaitFromEnvironment(kName, 8000), c.wait) << (c.value ? "set" : "unset");
    }
    ::SetEnvironmentVariableW(kName, nullptr);
}
