// What a user meets on an ordinary day: hint timing, a hot key another program
// holds, a close while a drive is scanned, and windows opened again and again.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "tests/e2e/keys_fixture.h"

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

namespace {

// Another program holding a combination: this test process registers it first.
class HeldHotKey {
public:
    HeldHotKey(UINT modifiers, UINT key) : held_(::RegisterHotKey(nullptr, 0x7001, modifiers, key) != FALSE) {}
    ~HeldHotKey() {
        if (held_) ::UnregisterHotKey(nullptr, 0x7001);
    }
    bool Held() const { return held_; }

private:
    bool held_;
};

constexpr char kCtrlAltQ[] = "49233";  // the stored shortcut values
const char kTakenText[] = "The hot key Ctrl+Alt+W is used by another program. Choose another one in Options.";

}  // namespace

TEST(Everyday, AHotKeyTakenAtStartDoesNotHoldUpTheStart) {
    HeldHotKey other(MOD_CONTROL | MOD_ALT, 'W');
    ASSERT_TRUE(other.Held());
    TestDir dir;
    Program program(dir);
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"), "[Window]\r\nHotKey=49239\r\nShowCloseInfo=0\r\n"));
    // The start goes on to the shown window; no box waits for a click (at a start in
    // the notification area at logon nobody would see it).
    HWND main = StartShown(program);
    ASSERT_TRUE(main) << "the start was held up";
    EXPECT_TRUE(program.Responsive());
    EXPECT_FALSE(program.WaitDialog("Tarvolo v1.0", 1s)) << "a message box at the start";
}

TEST(Everyday, OptionsOkWithATakenHotKeyKeepsTheWorkingOne) {
    HeldHotKey other(MOD_CONTROL | MOD_ALT, 'W');
    ASSERT_TRUE(other.Held());
    TestDir dir;
    Program program(dir);
    HWND main = StartLoaded(program, -1, {}, {}, std::string("[Window]\r\nHotKey=") + kCtrlAltQ +
                                                     "\r\nShowCloseInfo=0\r\n");
    ASSERT_TRUE(main);
    HWND options = OpenOptions(program, main);
    ASSERT_TRUE(options);
    HWND hotKey = ChildByText(options, "msctls_hotkey32", "", 0);
    Key(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(options) == hotKey; }));
    // Typed, the combination would go to the program that holds it: it is set in the editor instead.
    ::SendMessageW(hotKey, HKM_SETHOTKEY, MAKEWORD('W', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    Key(VK_RETURN);
    HWND box = program.WaitDialog("Tarvolo v1.0");
    ASSERT_TRUE(box) << "OK with a taken hot key said nothing";
    EXPECT_EQ(Program::MessageText(box), kTakenText);
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    ASSERT_TRUE(::IsWindow(options) && Visible(options)) << "the dialog closed: no chance to choose another";
    EXPECT_TRUE(WaitFor([&] { return FocusOf(options) == hotKey; })) << "the hot-key editor is not ready";
    Key(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(options); }));
    ASSERT_TRUE(Front(main));
    Chord({VK_CONTROL, VK_MENU}, 'Q');
    EXPECT_TRUE(WaitFor([&] { return !Visible(main); })) << "the working hot key was given up";
    FileAfterClose(program, "favorites.dir");
    std::string ini;
    ReadFileBytes(program.File("tarvolo.ini"), ini);
    EXPECT_NE(ini.find(std::string("HotKey=") + kCtrlAltQ + "\r\n"), std::string::npos) << ini;
}
