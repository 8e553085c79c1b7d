// What a user meets on an ordinary day: hint timing, a hot key another program
// holds, a close while a drive is scanned, and windows opened again and again.
#include <gtest/gtest.h>

#include <commctrl.h>

#include "tests/e2e/Harness.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

HWND StartShown(Program& program, const std::string& args = {}) {
    if (!program.Start(args)) return nullptr;
    HWND main = program.Main();
    if (!main || !WaitFor([&] { return Visible(main); })) return nullptr;
    return main;
}

// The hint windows whose owner is `owner`.
std::vector<HWND> HintWindowsOf(DWORD pid, HWND owner) {
    struct Search {
        DWORD pid;
        HWND owner;
        std::vector<HWND> found;
    } search{pid, owner, {}};
    ::EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            if (pid == s->pid && ClassName(w) == "tooltips_class32" && ::GetWindow(w, GW_OWNER) == s->owner)
                s->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

TEST(Everyday, MainWindowHintsStayOneAndAHalfSeconds) {
    TestDir dir;
    Program program(dir);
    HWND main = StartShown(program);
    ASSERT_TRUE(main) << "no main window";
    std::vector<HWND> hints = HintWindowsOf(program.Pid(), main);
    ASSERT_FALSE(hints.empty()) << "the main window has no hint window";
    for (HWND hint : hints) EXPECT_EQ(::SendMessageW(hint, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 1500);
}
