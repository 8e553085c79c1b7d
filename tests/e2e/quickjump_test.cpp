// Quick Jump from outside: its hot key pressed in another program's file
// dialog, typing and Enter delivering there, Esc closing it; and
// tarvolo-find.exe printing the list's order and telling by its exit status
// that nothing matched or that no Tarvolo runs; a directory on a drive not
// shown found and shown in the tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/e2e/Harness.h"
#include "tests/e2e/find_fixture.h"

using namespace e2e;
using namespace e2e::find;
using namespace std::chrono_literals;

namespace {

constexpr const char* kCtrlAltJ = "49226";

std::string BesideProgram(const std::string& name) {
    const char* exe = std::getenv("TARVOLO_EXE");
    std::string path = exe ? exe : "";
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path)
            if (c == '/') c = '\\';
    }
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// A finished run of a console program: its exit status and what it wrote.
struct FindRun {
    DWORD status = 0xFFFFFFFF;
    std::string out, err;
};

// Runs tarvolo-find.exe with `arguments`, its output to files (not a console: UTF-8).
FindRun RunFind(const TestDir& dir, const std::string& arguments) {
    FindRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    // Files of their own for each run: Wine may close an ended process's handles after its end is told.
    static int runs = 0;
    const std::string name = "find" + std::to_string(++runs);
    const std::string outPath = dir.Win(name + ".out"), errPath = dir.Win(name + ".err");
    HANDLE out = ::CreateFileW(W(outPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0,
                               nullptr);
    HANDLE err = ::CreateFileW(W(errPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0,
                               nullptr);
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << outPath << " or " << errPath;
        for (HANDLE h : {out, err})
            if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        return run;
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = err;
    si.hStdInput = nullptr;
    std::wstring line = L"\"" + W(BesideProgram("tarvolo-find.exe")) + L"\" " + W(arguments);
    PROCESS_INFORMATION pi{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                         &si, &pi)) {
        if (::WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(pi.hProcess, &run.status);
        else
            ::TerminateProcess(pi.hProcess, 99);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
    } else {
        ADD_FAILURE() << "cannot start " << U(line) << ", error " << ::GetLastError();
    }
    ::CloseHandle(out);
    ::CloseHandle(err);
    ReadFileBytes(outPath, run.out);
    ReadFileBytes(errPath, run.err);
    return run;
}

HWND QuickJumpWindow(Program& program) {
    return FindProcessWindow(program.Pid(), L"TfrmQuickJump", {}, false);
}

HWND JumpList(HWND window) {
    return ::FindWindowExW(window, nullptr, L"LISTBOX", nullptr);
}

// The rows of the list as a screen reader reads them: the strings it holds.
std::vector<std::string> ListRows(HWND list) {
    std::vector<std::string> rows;
    const long count = Count(list);
    for (long i = 0; i < count; ++i) {
        const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) break;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        rows.push_back(U(text));
    }
    return rows;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += "[" + l + "] ";
    return out;
}

// Another program with a real Open dialog (tests/dialoghost), ended with the test.
class OpenDialog {
public:
    OpenDialog(const TestDir& dir, const std::string& folder, const std::string& name)
        : log_(dir.Win("dialog.log")), caption_("Pick A File - jump") {
        const char* host = std::getenv("TARVOLO_DIALOGHOST");
        std::string exe = host ? host : BesideProgram("dialoghost.exe");
        if (!exe.empty() && exe[0] == '/') {
            exe = "Z:" + exe;
            for (char& c : exe)
                if (c == '/') c = '\\';
        }
        std::wstring line = L"\"" + W(exe) + L"\" open \"" + W(caption_) + L"\" \"" + W(log_) + L"\" \"" +
                            W(folder) + L"\" \"" + W(name) + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
            ADD_FAILURE() << "cannot start " << exe << ", error " << ::GetLastError();
    }
    ~OpenDialog() {
        if (!pi_.hProcess) return;
        ::TerminateProcess(pi_.hProcess, 0);
        ::WaitForSingleObject(pi_.hProcess, 5000);
        ::CloseHandle(pi_.hProcess);
        ::CloseHandle(pi_.hThread);
    }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;

    HWND Window() const {
        return pi_.hProcess ? FindProcessWindow(pi_.dwProcessId, L"#32770", caption_) : nullptr;
    }
    std::vector<std::string> Log() const {
        std::string text;
        ReadFileBytes(log_, text);
        return SplitLines(text);
    }
    bool WaitLine(const std::string& line) const {
        return WaitFor([&] {
            const std::vector<std::string> lines = Log();
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        });
    }

private:
    std::string log_;
    std::string caption_;
    PROCESS_INFORMATION pi_{};
};

// The program on drive L: with these directories, its Quick Jump hot key Ctrl+Alt+J.
HWND StartOn(Program& program, std::initializer_list<const char*> folders) {
    for (const char* folder : folders) MakeDirs(folder);
    EXPECT_TRUE(WriteFileBytes(
        program.File("tarvolo.ini"),
        std::string("[Window]\r\nQuickJumpHotKey=") + kCtrlAltJ + "\r\nShowCloseInfo=0\r\nDrive=0\r\n"));
    return StartIdle(program);
}

// Quick Jump opened from the main window by its key, up in front and ready for typing.
HWND OpenFromMain(Program& program, HWND main) {
    if (!BringToFrontSettled(main)) return nullptr;
    Chord({VK_CONTROL}, 'J');
    HWND jump = nullptr;
    if (!WaitFor([&] {
            jump = QuickJumpWindow(program);
            return jump && Visible(jump) && ::GetForegroundWindow() == jump;
        }) ||
        !SettleXInput())
        return nullptr;
    return jump;
}

std::string SelectedDriveEntry(HWND combo) {
    const LRESULT at = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (at < 0) return "<none>";
    wchar_t text[16] = {};
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text));
    return U(text);
}

}  // namespace

TEST(QuickJump, TheHotKeyInAnotherProgramsDialogDeliversThereAndEscCloses) {
    TestDir dir;
    Drive drive('L', dir.UnixOf("l"));
    Program program(dir);
    HWND main = StartOn(
        program, {"L:\\Start", "L:\\Projects\\Alpha Site", "L:\\Archive\\Old Alpha", "L:\\Projects\\Beta"});
    ASSERT_TRUE(main);
    OpenDialog dialog(dir, "L:\\Start", "notes.txt");
    ASSERT_TRUE(dialog.WaitLine("folder L:\\Start")) << Joined(dialog.Log());

    // In the other program's dialog, the hot key: Quick Jump comes up in front, ready for typing.
    ASSERT_TRUE(BringToFrontSettled(dialog.Window())) << KeyboardState();
    Chord({VK_CONTROL, VK_MENU}, 'J');
    HWND jump = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        jump = QuickJumpWindow(program);
        return jump && Visible(jump) && ::GetForegroundWindow() == jump;
    })) << "the hot key did not bring Quick Jump up; "
        << KeyboardState();
    ASSERT_TRUE(SettleXInput());
    Type("al si");
    HWND list = JumpList(jump);
    ASSERT_TRUE(WaitFor([&] {
        return ListRows(list) == std::vector<std::string>{"L:\\Projects\\Alpha Site"};
    })) << "the list shows "
        << Joined(ListRows(list));
    Key(VK_RETURN);
    EXPECT_TRUE(dialog.WaitLine("folder L:\\Projects\\Alpha Site"))
        << "the dialog did not switch: " << Joined(dialog.Log());
    EXPECT_TRUE(WaitFor([&] { return !Visible(jump); })) << "Quick Jump stayed up after delivering";

    // Again from the dialog: Esc closes it without delivering anything.
    ASSERT_TRUE(BringToFrontSettled(dialog.Window())) << KeyboardState();
    Chord({VK_CONTROL, VK_MENU}, 'J');
    ASSERT_TRUE(WaitFor([&] { return Visible(jump) && ::GetForegroundWindow() == jump; })) << KeyboardState();
    ASSERT_TRUE(SettleXInput());
    Type("beta");
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 1; })) << Joined(ListRows(list));
    Key(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !Visible(jump); })) << "Esc did not close Quick Jump";
    const std::vector<std::string> log = dialog.Log();
    EXPECT_EQ(std::find(log.begin(), log.end(), "folder L:\\Projects\\Beta"), log.end()) << "Esc delivered";

    program.CloseFromTrayMenu();
    ASSERT_TRUE(program.WaitExit());
    std::string history;
    ReadFileBytes(program.File("history.dir"), history);
    EXPECT_EQ(history, "L:\\Projects\\Alpha Site\r\n") << "the delivery is not in the history";
}

TEST(QuickJump, FindPrintsTheListsOrderAndTellsNoMatchAndNoProgram) {
    TestDir dir;
    Drive drive('L', dir.UnixOf("l"));
    // Not running yet: status 2 and a message.
    const FindRun none = RunFind(dir, "proj");
    EXPECT_EQ(none.status, 2u);
    EXPECT_NE(none.err.find("Tarvolo is not running"), std::string::npos) << none.err;
    EXPECT_EQ(none.out, "");

    Program program(dir);
    HWND main = StartOn(program, {"L:\\Projects\\Proj One", "L:\\Work\\Projects Old",
                                  "L:\\Projects\\Sub\\Proj", "L:\\Other"});
    ASSERT_TRUE(main);
    // From the main window by its key.
    HWND jump = OpenFromMain(program, main);
    ASSERT_TRUE(jump) << "Ctrl+J did not bring Quick Jump up; " << KeyboardState();
    Type("proj");
    HWND list = JumpList(jump);
    ASSERT_TRUE(WaitFor([&] { return Count(list) == 4; })) << Joined(ListRows(list));
    const std::vector<std::string> shown = ListRows(list);

    const FindRun all = RunFind(dir, "proj");
    EXPECT_EQ(all.status, 0u) << all.err;
    EXPECT_EQ(SplitLines(all.out), shown);
    const FindRun first = RunFind(dir, "-n 1 proj");
    EXPECT_EQ(first.status, 0u) << first.err;
    EXPECT_EQ(SplitLines(first.out), std::vector<std::string>{shown.front()});
    // Two terms, as two arguments or as one quoted: the same answer.
    const FindRun two = RunFind(dir, "projects old");
    const FindRun quoted = RunFind(dir, "\"projects old\"");
    EXPECT_EQ(SplitLines(two.out), std::vector<std::string>{"L:\\Work\\Projects Old"}) << two.err;
    EXPECT_EQ(quoted.out, two.out);
    const FindRun nothing = RunFind(dir, "zzz");
    EXPECT_EQ(nothing.status, 1u) << nothing.err;
    EXPECT_EQ(nothing.out, "");

    // Alt+T: the directory chosen is shown in the main window's tree.
    ASSERT_TRUE(Visible(jump));
    const std::string chosen = shown.front();
    Chord({VK_MENU}, 'T');
    EXPECT_TRUE(WaitFor([&] { return !Visible(jump) && Visible(main) && CurrentPath(program) == chosen; }))
        << "the tree shows \"" << CurrentPath(program) << "\" for " << chosen;
}

TEST(QuickJump, ADirectoryOnADriveNotShownIsFoundAndShownInTheTree) {
    TestDir dir;
    Drive k('K', dir.UnixOf("k"));
    Drive l('L', dir.UnixOf("l"));
    for (const char* folder : {"K:\\Home\\Targets", "L:\\Far\\Other", "L:\\Far\\Target Place"})
        MakeDirs(folder);
    ASSERT_TRUE(WriteFileBytes("K:\\tarvolo.dir", Lines({"\\", "\\Home", "\\Home\\Targets"})));
    ASSERT_TRUE(
        WriteFileBytes("L:\\tarvolo.dir", Lines({"\\", "\\Far", "\\Far\\Other", "\\Far\\Target Place"})));
    Program program(dir);
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"), "[Window]\r\nShowCloseInfo=0\r\nDrive=0\r\n"));
    HWND main = StartIdle(program);
    ASSERT_TRUE(main);
    ASSERT_EQ(CurrentPath(program), "K:\\");

    HWND jump = OpenFromMain(program, main);
    ASSERT_TRUE(jump) << "Ctrl+J did not bring Quick Jump up; " << KeyboardState();
    Type("targ");
    // The list answers from K: at once and takes L: in when it has loaded; the
    // shorter path comes first, so the row on L: is chosen, not merely the first.
    HWND list = JumpList(jump);
    ASSERT_TRUE(WaitFor([&] {
        return ListRows(list) == std::vector<std::string>{"K:\\Home\\Targets", "L:\\Far\\Target Place"};
    })) << "the list shows "
        << Joined(ListRows(list));
    Key(VK_DOWN);
    ASSERT_TRUE(WaitFor([&] { return Selected(list) == 1; })) << "Down selected row " << Selected(list);
    Chord({VK_MENU}, 'T');

    HWND tree = program.Control(IDC_DIRLISTBOX);
    EXPECT_TRUE(WaitFor([&] {
        return !Visible(jump) && CurrentPath(program) == "L:\\Far\\Target Place" && Idle(program);
    })) << "the tree shows \""
        << CurrentPath(program) << "\"";
    EXPECT_EQ(SelectedDriveEntry(program.Control(IDC_CMBDRIVES)), "L:") << "the drive was not switched";
    EXPECT_EQ(Count(tree), 4) << "the tree does not hold L:'s rows";
    EXPECT_EQ(Selected(tree), 3) << "the row is not selected";
    EXPECT_EQ(::GetForegroundWindow(), main);
}

// Chooses entry `index` of the drive selector by messages posted in a row with what follows them, as
// a user's quick keys would come: the program takes them in this order, the next one before a read begun
// by this one can have ended.
void PostDriveChoice(Program& program, HWND main, int index) {
    HWND combo = program.Control(IDC_CMBDRIVES);
    ::PostMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_CMBDRIVES, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
}

// The drive's rows are read while the window answers: what is typed meanwhile is
// looked for on the new drive's rows once they are there, each character that
// would match nothing taken back as if typed then.
TEST(DriveChange, TypingWhileTheDriveIsReadFindsOnItsRows) {
    TestDir dir;
    Drive g('G', dir.UnixOf("g"));
    Drive h('H', dir.UnixOf("h"));
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\", "\\Mexico"})));
    ASSERT_TRUE(WriteFileBytes("H:\\tarvolo.dir", LargeIndex(200, {"\\Melon"})));
    Program program(dir);
    find::WriteIni(program, 0);
    HWND main = StartIdle(program);
    ASSERT_TRUE(main);
    ASSERT_EQ(CurrentPath(program), "G:\\");

    PostDriveChoice(program, main, 1);
    HWND search = program.Control(IDC_DIRTOFIND);
    for (char c : std::string("mex")) ::PostMessageW(search, WM_CHAR, static_cast<WPARAM>(c), 0);
    bool typedBeforeRows = false;
    ASSERT_TRUE(WaitFor(
        [&] {
            if (!RowsShown(program) && SearchText(program) == "mex") typedBeforeRows = true;
            return CurrentPath(program) == "H:\\Melon" && Idle(program);
        },
        60s))
        << "the tree shows \"" << CurrentPath(program) << "\", the search box \"" << SearchText(program)
        << "\"";
    EXPECT_EQ(SearchText(program), "me") << "\"x\" matches nothing on H: and is taken back";
    EXPECT_EQ(Count(program.Control(IDC_DIRLISTBOX)), 200002);
    std::printf("drive change: typing %s seen before the rows came\n", typedBeforeRows ? "was" : "was not");
}

// A drive chosen while the one chosen before is still being read is the one
// shown: the older read's rows are dropped, however late they come.
TEST(DriveChange, ASecondDriveChosenBeforeTheFirstIsReadIsShown) {
    TestDir dir;
    Drive g('G', dir.UnixOf("g"));
    Drive h('H', dir.UnixOf("h"));
    Drive j('J', dir.UnixOf("j"));
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\"})));
    ASSERT_TRUE(WriteFileBytes("H:\\tarvolo.dir", LargeIndex(200, {"\\Henna"})));
    ASSERT_TRUE(WriteFileBytes("J:\\tarvolo.dir", Lines({"\\", "\\Jade"})));
    Program program(dir);
    find::WriteIni(program, 0);
    HWND main = StartIdle(program);
    ASSERT_TRUE(main);

    PostDriveChoice(program, main, 1);
    PostDriveChoice(program, main, 2);
    HWND list = program.Control(IDC_DIRLISTBOX);
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == "J:\\" && Idle(program); }, 60s))
        << "the tree shows \"" << CurrentPath(program) << "\"";
    // H:'s rows searchable means H: was read again in the background, after the read dropped began.
    ASSERT_TRUE(WaitFor(
        [&] { return SplitLines(RunFind(dir, "henna").out) == std::vector<std::string>{"H:\\Henna"}; }, 60s))
        << "H: never became searchable";
    ASSERT_TRUE(program.Responsive());
    EXPECT_EQ(CurrentPath(program), "J:\\");
    EXPECT_EQ(Count(list), 2) << "the tree does not hold J:'s rows";
    EXPECT_EQ(SelectedDriveEntry(program.Control(IDC_CMBDRIVES)), "J:");
}

// A path picked from the history while the drive's rows are read stays the
// current path once they come; it is not replaced by the drive's root.
TEST(DriveChange, APathPickedWhileTheDriveIsReadStaysTheCurrentPath) {
    TestDir dir;
    Drive g('G', dir.UnixOf("g"));
    Drive h('H', dir.UnixOf("h"));
    ASSERT_TRUE(WriteFileBytes("G:\\tarvolo.dir", Lines({"\\"})));
    ASSERT_TRUE(WriteFileBytes("H:\\tarvolo.dir", LargeIndex(200, {"\\Melon"})));
    Program program(dir);
    find::WriteIni(program, 0);
    ASSERT_TRUE(WriteFileBytes(program.File("history.dir"), "H:\\Melon\r\n"));
    HWND main = StartIdle(program);
    ASSERT_TRUE(main);
    ASSERT_EQ(CurrentPath(program), "G:\\");

    PostDriveChoice(program, main, 1);
    HWND history = program.Control(IDC_CMBHISTORY);
    ::PostMessageW(history, CB_SETCURSEL, 0, 0);
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_CMBHISTORY, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(history));
    ASSERT_TRUE(WaitFor(
        [&] { return SelectedDriveEntry(program.Control(IDC_CMBDRIVES)) == "H:" && Idle(program); }, 60s));
    EXPECT_EQ(CurrentPath(program), "H:\\Melon");
    EXPECT_EQ(Count(program.Control(IDC_DIRLISTBOX)), 200002);
}
