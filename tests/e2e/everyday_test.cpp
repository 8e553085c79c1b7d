// What a user meets on an ordinary day: hint timing, a hot key another program
// holds, a close while a drive is scanned, and windows opened again and again.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdlib>
#include <functional>

#include "tests/e2e/endless_drive.h"
#include "tests/e2e/keys_fixture.h"
#include "tarvolo_version.h"

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
            DWORD windowPid = 0;
            ::GetWindowThreadProcessId(w, &windowPid);
            if (windowPid == s->pid && ClassName(w) == "tooltips_class32" &&
                ::GetWindow(w, GW_OWNER) == s->owner)
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
    HeldHotKey(UINT modifiers, UINT key)
        : held_(::RegisterHotKey(nullptr, 0x7001, modifiers, key) != FALSE) {}
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
    ASSERT_TRUE(
        WriteFileBytes(program.File("tarvolo.ini"), "[Window]\r\nHotKey=49239\r\nShowCloseInfo=0\r\n"));
    // The start goes on to the shown window; no box waits for a click (at a start in
    // the notification area at logon nobody would see it).
    HWND main = StartShown(program);
    ASSERT_TRUE(main) << "the start was held up";
    EXPECT_TRUE(program.Responsive());
    EXPECT_FALSE(program.WaitDialog(TARVOLO_TITLE, 1s)) << "a message box at the start";
}

TEST(Everyday, OptionsOkWithATakenHotKeyKeepsTheWorkingOne) {
    HeldHotKey other(MOD_CONTROL | MOD_ALT, 'W');
    ASSERT_TRUE(other.Held());
    TestDir dir;
    Program program(dir);
    HWND main = StartLoaded(program, -1, {}, {},
                            std::string("[Window]\r\nHotKey=") + kCtrlAltQ + "\r\nShowCloseInfo=0\r\n");
    ASSERT_TRUE(main);
    HWND options = OpenOptions(program, main);
    ASSERT_TRUE(options);
    HWND hotKey = ChildByText(options, "msctls_hotkey32", "", 0);
    Key(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(options) == hotKey; }));
    // Typed, the combination would go to the program that holds it: it is set in the editor instead.
    ::SendMessageW(hotKey, HKM_SETHOTKEY, MAKEWORD('W', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    Key(VK_RETURN);
    HWND box = program.WaitDialog(TARVOLO_TITLE);
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

namespace {

// The old index: what a user relies on until a scan has really finished. Its
// "\d0\Old" is in no tree the scan can find.
const char kOldIndex[] = "\\\r\n\\d0\r\n\\d0\\Old\r\n\\d1\r\n";

// The drive's old index written, the program started on the drive (which no
// walk can finish, so the scan runs until the program stops it) and a rescan
// of it under way: the scan window once it has counted a good part of the
// tree, or null with `failure` saying why.
HWND StartRescanOverOldIndex(const EndlessDrive& drive, Program& program, long& seen, std::string& failure) {
    if (!drive.Problem().empty()) {
        failure = drive.Problem();
        return nullptr;
    }
    if (!WriteFileBytes(drive.UserIndex(), kOldIndex)) {
        failure = "cannot write the drive's old index";
        return nullptr;
    }
    HWND main = drive.Start(program) ? program.Main() : nullptr;
    if (!main || !WaitFor([&] { return Visible(main); })) {
        failure = "no main window";
        return nullptr;
    }
    HWND list = ::GetDlgItem(main, tarvolo::IDC_DIRLISTBOX);
    if (!WaitFor([&] { return ::SendMessageW(list, LB_GETCOUNT, 0, 0) == 4; })) {
        failure = "the old index was not loaded";
        return nullptr;
    }
    ::PostMessageW(::GetDlgItem(main, tarvolo::IDC_BTNRESCAN), BM_CLICK, 0, 0);
    HWND scan = nullptr;
    if (!WaitFor(
            [&] { return Visible(scan = FindProcessWindow(program.Pid(), L"TfrmRescan", {}, false)); })) {
        failure = "the rescan did not start";
        return nullptr;
    }
    // More found than the old index holds, so that a program that wrote what it
    // found would be seen doing so.
    const ::testing::AssertionResult counted = WaitIndexedAtLeast(scan, 100, seen);
    if (!counted) {
        failure = counted.message();
        return nullptr;
    }
    return scan;
}

std::string ReadIndex(const std::string& path) {
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}

}  // namespace

TEST(Everyday, CloseDuringAScanKeepsTheDrivesIndex) {
    TestDir dir;
    EndlessDrive drive(dir, 'S');
    Program program(dir);
    long seen = 0;
    std::string failure;
    HWND scan = StartRescanOverOldIndex(drive, program, seen, failure);
    ASSERT_TRUE(scan) << failure;

    // The walk cannot end by itself: the close always comes during the scan.
    program.TrayNotify(WM_RBUTTONDOWN);
    ASSERT_TRUE(WaitFor([&] { return FindProcessWindow(program.Pid(), L"#32768") != nullptr; }))
        << "the icon's menu did not open";
    ASSERT_TRUE(Visible(scan)) << "the scan window went away on its own";
    Key(VK_UP);  // "Close"
    Key(VK_RETURN);
    ASSERT_TRUE(program.WaitExit()) << "Close during the scan did not end the program";
    const std::string index = ReadIndex(drive.UserIndex());
    EXPECT_TRUE(index == kOldIndex) << "the cut-short scan replaced the drive's index with "
                                    << RowCount(index) << " rows (" << seen
                                    << " or more were counted before the close)";
    EXPECT_FALSE(FileExists(drive.Root() + "tarvolo.dir"));
}

TEST(Everyday, CancelKeepsWhatWasFoundAndSaysSo) {
    TestDir dir;
    EndlessDrive drive(dir, 'S');
    Program program(dir);
    long seen = 0;
    std::string failure;
    HWND scan = StartRescanOverOldIndex(drive, program, seen, failure);
    ASSERT_TRUE(scan) << failure;
    HWND cancel = ::FindWindowExW(scan, nullptr, L"Button", L"Cancel");
    ASSERT_TRUE(cancel);
    ::PostMessageW(cancel, BM_CLICK, 0, 0);
    HWND info = program.WaitDialog("Information", 20s);
    ASSERT_TRUE(info) << "Cancel said nothing";
    EXPECT_EQ(Program::MessageText(info),
              "Scaning canceled!\r\nPlease rescan whole drive, as soon as possible");
    // What was found is written in place of the old index: the root row and the
    // first level first, and not the whole tree.
    const std::string index = ReadIndex(drive.UserIndex());
    EXPECT_EQ(index.find("\\d0\\Old\r\n"), std::string::npos) << "Cancel no longer writes what was found";
    EXPECT_EQ(index.rfind("\\\r\n\\d0\r\n", 0), 0u) << index.substr(0, 40);
    EXPECT_NE(index.find("\\d1\r\n"), std::string::npos) << "the first level is not all there";
    EXPECT_GE(RowCount(index), static_cast<size_t>(seen) + 1) << "rows counted before the Cancel were lost";
    EXPECT_EQ(index.find(OutOfReachRow()), std::string::npos) << "the walk went on after the Cancel";
    program.Kill();
}

namespace {

// A click on a button of the main window, as the window receives it.
void Press(HWND button) {
    ::PostMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
}

// The program's own count of its live GDI and USER objects.
long LiveGuiObjects(HWND main) {
    DWORD_PTR count = 0;
    const UINT message = ::RegisterWindowMessageW(L"Tarvolo.LiveGuiObjects");
    if (!::SendMessageTimeoutW(main, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &count)) return -1;
    return static_cast<long>(count);
}

// One opening and closing of a modal window of the program: `open` makes it
// appear, WM_CLOSE closes it, and the next round waits until it is gone.
bool OpenAndClose(Program& program, const wchar_t* windowClass, const std::function<void()>& open) {
    open();
    HWND window = nullptr;
    if (!WaitFor([&] { return (window = FindProcessWindow(program.Pid(), windowClass)) != nullptr; }))
        return false;
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    return WaitFor([&] { return !::IsWindow(window); });
}

// One opening of a popup menu, closed again with Esc. The key is posted to the
// menu itself, whose loop reads it, so that it does not depend on which window
// is in front.
bool OpenAndCloseMenu(Program& program, const std::function<void()>& open) {
    open();
    HWND menu = nullptr;
    if (!WaitFor([&] { return (menu = FindProcessWindow(program.Pid(), L"#32768")) != nullptr; })) {
        ADD_FAILURE() << "the menu did not open";
        return false;
    }
    ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    if (WaitFor([&] { return FindProcessWindow(program.Pid(), L"#32768") == nullptr; })) return true;
    ADD_FAILURE() << "Esc did not close the menu";
    return false;
}

}  // namespace

// A program that runs for weeks must not grow: every window and menu opened
// again and again gives back what it took.
TEST(Everyday, WindowsAndMenusOpenedAgainAndAgainLeaveNoHandlesBehind) {
    TestDir dir;
    Program program(dir);
    HWND main = StartLoaded(program, -1, "Z:\\kept?0*0\r\n", {}, "[Window]\r\nShowCloseInfo=1\r\n");
    ASSERT_TRUE(main);
    // Enough that a single object kept per opening shows well above the tolerance below.
    const int kRounds = 60;
    struct Kind {
        const char* name;
        std::function<bool()> once;
    };
    HWND options = ::GetDlgItem(main, tarvolo::IDC_BTNOPTIONS),
         about = ::GetDlgItem(main, tarvolo::IDC_BTNABOUT),
         favorites = ::GetDlgItem(main, tarvolo::IDC_BTNFAVORITES);
    // The dialogs first: the menus open more reliably once the program has settled
    // after its start; the close information last, as it takes the window into the
    // notification area.
    const Kind kinds[] = {
        {"Options", [&] { return OpenAndClose(program, L"TfrmOptions", [&] { Press(options); }); }},
        {"About", [&] { return OpenAndClose(program, L"TfrmAbout", [&] { Press(about); }); }},
        {"the favorites menu", [&] { return OpenAndCloseMenu(program, [&] { Press(favorites); }); }},
        {"the icon's menu",
         [&] { return OpenAndCloseMenu(program, [&] { program.TrayNotify(WM_RBUTTONDOWN); }); }},
        {"Information",
         [&] {
             return OpenAndClose(program, L"TfrmCloseInfo", [&] { ::PostMessageW(main, WM_CLOSE, 0, 0); });
         }},
    };
    for (const Kind& kind : kinds) {
        ASSERT_TRUE(kind.once()) << kind.name << " did not open and close";  // the first opening
        const long before = LiveGuiObjects(main);
        ASSERT_GT(before, 0) << "the program does not count its handles";
        for (int i = 0; i < kRounds; ++i) ASSERT_TRUE(kind.once()) << kind.name << ", round " << i;
        const long after = LiveGuiObjects(main);
        EXPECT_LE(std::labs(after - before), 10) << kind.name << ": " << before << " live objects before "
                                                 << kRounds << " openings, " << after << " after";
    }
}

namespace {

std::string StartupFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_STARTUP | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
    return U(folder);
}

// The Startup folder on a file system of its own that can be made read-only;
// the prefix's own folder comes back when it is unmounted.
class ReadOnlyStartup {
public:
    explicit ReadOnlyStartup(const std::string& linkBytes) {
        std::string win = StartupFolder();  // C:\users\...
        std::string rest = win.substr(3);
        for (char& c : rest)
            if (c == '\\') c = '/';
        unix_ = "\"$WINEPREFIX/drive_c/\"" + ShellQuote(rest);
        std::string fill = linkBytes.empty() ? std::string("true") : "printf x > " + unix_ + "/Tarvolo.Lnk";
        mounted_ = RunUnix("mount -t tmpfs -o size=1m tmpfs " + unix_ + " && " + fill +
                           " && mount -o remount,ro " + unix_) == 0;
    }
    ~ReadOnlyStartup() {
        if (mounted_) RunUnix("umount -l " + unix_);
    }
    bool Mounted() const { return mounted_; }

private:
    std::string unix_;
    bool mounted_ = false;
};

// Run At Start Up switched on (or off) in Options, then OK.
void SwitchRunAtStartUp(Program& program, HWND main) {
    HWND options = OpenOptions(program, main);
    ASSERT_TRUE(options);
    HWND box = ChildByText(options, "Button", "Run At Start Up");
    ::SendMessageW(box, BM_SETCHECK,
                   ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    ::PostMessageW(options, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace

TEST(Everyday, AStartUpShortcutThatCannotBeWrittenOrDeletedIsTold) {
    const std::string link = StartupFolder() + "\\Tarvolo.Lnk";
    struct Case {
        const char* existing;  // the file already there, or none
        const char* message;
    } cases[] = {{"", "Cannot create file "}, {"x", "Cannot delete file "}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        TestDir dir(std::string("StartUpShortcut_") + (*c.existing ? "delete" : "create"));
        ReadOnlyStartup startup(c.existing);
        ASSERT_TRUE(startup.Mounted()) << "cannot make the Startup folder read-only";
        ASSERT_EQ(FileExists(link), *c.existing != 0);
        Program program(dir);
        HWND main = StartLoaded(program, -1);
        ASSERT_TRUE(main);
        SwitchRunAtStartUp(program, main);
        HWND box = program.WaitDialog(TARVOLO_TITLE);
        ASSERT_TRUE(box) << "the failure was reported as success";
        EXPECT_EQ(Program::MessageText(box), c.message + link);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
        program.Kill();
    }
}
