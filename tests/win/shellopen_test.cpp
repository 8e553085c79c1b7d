// A shell open that fails is told in the program's words, with the target named.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "platform/ShellOpen.h"

namespace tarvolo {
namespace {

TEST(ShellOpenFailureText, NamesTheTargetAndTheReason) {
    struct Case {
        INT_PTR code;
        const char* text;
    } cases[] = {
        {SE_ERR_FNF, "Cannot open D:\\Gone: it was not found"},
        {SE_ERR_PNF, "Cannot open D:\\Gone: it was not found"},
        {SE_ERR_ACCESSDENIED, "Cannot open D:\\Gone: access is denied"},
        {SE_ERR_NOASSOC, "Cannot open D:\\Gone: no program is set up to open it"},
        {SE_ERR_ASSOCINCOMPLETE, "Cannot open D:\\Gone: no program is set up to open it"},
        {0, "Cannot open D:\\Gone: there is not enough memory"},
        {SE_ERR_DDEFAIL, "Cannot open D:\\Gone: the system refused (error 29)"},
    };
    for (const Case& c : cases) EXPECT_EQ(ShellOpenFailureText("D:\\Gone", c.code), c.text) << c.code;
}

std::wstring seenText;

void CALLBACK CloseErrorBox(HWND, UINT, UINT_PTR, DWORD) {
    DWORD pid = 0;
    HWND box = ::FindWindowW(L"#32770", nullptr);
    if (!box) return;
    ::GetWindowThreadProcessId(box, &pid);
    if (pid != ::GetCurrentProcessId()) return;
    wchar_t text[512] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 512);
    seenText = text;
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// Wine's shell has no program for an unknown scheme: the open fails, and says so.
TEST(ShellOpen, AnUnopenableTargetIsReportedNotSwallowed) {
    // The error box would wait for a click: it is closed as soon as it shows.
    seenText.clear();
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &CloseErrorBox);
    EXPECT_FALSE(ShellOpen(nullptr, "tarvolo-no-such-scheme:x"));
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(seenText.rfind(L"Cannot open tarvolo-no-such-scheme:x: ", 0), 0u) << seenText.size();
}

}  // namespace
}  // namespace tarvolo
