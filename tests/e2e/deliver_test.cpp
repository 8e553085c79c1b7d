// Delivering the current path from the real program: Send To Dialog into real
// dialogs of another process, Open, Copy, the history, and the favorites with
// their menus and keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "mainwindow/MainControlIds.h"
#include "tests/e2e/Harness.h"
#include "tarvolo_version.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The helper program with the dialogs: from TARVOLO_DIALOGHOST, else beside this test.
std::string DialogHostExe() {
    std::string exe = Env("TARVOLO_DIALOGHOST");
    if (exe.empty()) {
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::string path = U(self);
        exe = path.substr(0, path.find_last_of('\\') + 1) + "dialoghost.exe";
    }
    if (!exe.empty() && exe[0] == '/') {
        std::string win = "Z:" + exe;
        for (char& c : win)
            if (c == '/') c = '\\';
        exe = win;
    }
    return exe;
}

std::vector<std::string> Lines(const std::string& path) {
    std::string text;
    ReadFileBytes(path, text);
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += "[" + l + "] ";
    return out;
}

// Another program with a window of a chosen kind; ended with the test.
class DialogHost {
public:
    DialogHost(const TestDir& dir, const std::string& name) : result_(dir.Win(name + ".log")) {}
    ~DialogHost() {
        if (pi_.hProcess) {
            ::TerminateProcess(pi_.hProcess, 0);
            ::WaitForSingleObject(pi_.hProcess, 5000);
            ::CloseHandle(pi_.hProcess);
            ::CloseHandle(pi_.hThread);
        }
    }
    DialogHost(const DialogHost&) = delete;
    DialogHost& operator=(const DialogHost&) = delete;

    // Starts `mode` with the caption and waits until its window is up.
    bool Start(const std::string& mode, const std::string& caption, const std::string& folder = {},
               const std::string& name = {}) {
        caption_ = caption;
        std::wstring line = L"\"" + W(DialogHostExe()) + L"\" " + W(mode) + L" \"" + W(caption) + L"\" \"" +
                            W(result_) + L"\"";
        if (!folder.empty()) line += L" \"" + W(folder) + L"\"";
        if (!name.empty()) line += L" \"" + W(name) + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &pi_)) {
            ADD_FAILURE() << "cannot start " << DialogHostExe() << ", error " << ::GetLastError();
            return false;
        }
        if (!WaitFor([&] { return Contains(Log(), "ready") && Window(); }, 20s)) {
            ADD_FAILURE() << mode << " did not come up: " << Joined(Log());
            return false;
        }
        return true;
    }

    // Cancels its dialog, as the user would, and waits until it is gone.
    bool Close() {
        ::PostMessageW(Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return WaitFor([&] { return Contains(Log(), "closed") && !Window(); });
    }

    std::vector<std::string> Log() const { return Lines(result_); }
    bool WaitLine(const std::string& line, std::chrono::milliseconds timeout = 10s) const {
        return WaitFor([&] { return Contains(Log(), line); }, timeout);
    }
    // Its top-level window with the caption, found without asking the window
    // itself (it may have stopped answering).
    HWND Window() const {
        struct Query {
            DWORD pid;
            std::wstring caption;
            HWND found;
        } query{pi_.dwProcessId, W(caption_), nullptr};
        ::EnumWindows(
            [](HWND w, LPARAM p) -> BOOL {
                auto* q = reinterpret_cast<Query*>(p);
                DWORD pid = 0;
                ::GetWindowThreadProcessId(w, &pid);
                wchar_t text[256] = {};
                ::InternalGetWindowText(w, text, 256);
                if (pid != q->pid || q->caption != text) return TRUE;
                q->found = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&query));
        return query.found;
    }
    // What its first edit-class descendant shows.
    std::string EditText() const {
        HWND edit = nullptr;
        ::EnumChildWindows(
            Window(),
            [](HWND w, LPARAM p) -> BOOL {
                std::string cls = ClassName(w);
                for (char& c : cls) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
                if (cls.substr(0, 18).find("EDIT") == std::string::npos) return TRUE;
                *reinterpret_cast<HWND*>(p) = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&edit));
        return edit ? Text(edit) : "<no edit>";
    }

private:
    std::string result_;
    std::string caption_;
    PROCESS_INFORMATION pi_{};
};

// The program with its lists written first, shown, and a current path set.
HWND StartWith(Program& program, const std::string& dialogs, const std::string& history = {},
               const std::string& favorites = {}) {
    for (const auto& [name, text] :
         {std::pair{"dialogs.dir", dialogs}, {"history.dir", history}, {"favorites.dir", favorites}}) {
        if (!text.empty() && !WriteFileBytes(program.File(name), text)) {
            ADD_FAILURE() << "cannot write " << program.File(name);
            return nullptr;
        }
    }
    if (!program.Start()) return nullptr;
    HWND main = program.Main();
    if (!main || !WaitFor([&] { return Visible(main) && program.Responsive(); })) return nullptr;
    return main;
}

void SetCurrentPath(Program& program, const std::string& path) {
    std::wstring text = W(path);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(program.Control(tarvolo::IDC_CMBHISTORY), WM_SETTEXT, 0,
                          reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &result);
}

// A click of one of the main window's buttons, as the button reports it.
void Click(Program& program, int id) {
    ::PostMessageW(program.Main(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(program.Control(id)));
}

// The real close, then what it wrote.
std::string HistoryAfterClose(Program& program) {
    program.CloseFromTrayMenu();
    if (!program.WaitExit()) return "<still running>";
    std::string bytes;
    ReadFileBytes(program.File("history.dir"), bytes);
    return bytes;
}

bool BringToFront(HWND main) {
    return BringToFrontSettled(main);
}

}  // namespace

// Real file dialogs of another process: each switches to the path, shows its
// own file name again, and the program goes to the notification area.
TEST(Deliver, SendToDialogSwitchesRealFileDialogs) {
    struct Case {
        const char* mode;
        const char* name;
    } cases[] = {{"open", "notes.txt"}, {"save", "report.txt"}, {"item", "picture.png"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        TestDir dir(std::string("Deliver_SendToDialog_") + c.mode);
        Drive drive('L', dir.UnixOf("l"));
        MakeDirs("L:\\Start");
        MakeDirs("L:\\Work Here");
        DialogHost host(dir, "host");
        ASSERT_TRUE(host.Start(c.mode, std::string("Choose A File - ") + c.mode, "L:\\Start", c.name));
        ASSERT_TRUE(host.WaitLine("folder L:\\Start")) << Joined(host.Log());

        Program program(dir);
        // The entry matches the caption's beginning in any case of its letters.
        HWND main = StartWith(program, "Somebody Else\r\nchoose a file\r\n", "L:\\Start\r\n");
        ASSERT_TRUE(main);
        SetCurrentPath(program, "L:\\Work Here");
        if (std::string(c.mode) == "open") {
            ASSERT_TRUE(BringToFront(main));
            Chord({VK_MENU}, 'D');  // "&Dialog"
        } else {
            Click(program, tarvolo::IDC_BTNSENDTODIALOG);
        }
        EXPECT_TRUE(host.WaitLine("folder L:\\Work Here"))
            << "the dialog did not switch: " << Joined(host.Log());
        EXPECT_TRUE(WaitFor([&] { return host.EditText() == c.name; }))
            << "the edit shows \"" << host.EditText() << "\"";
        EXPECT_TRUE(WaitFor([&] { return !Visible(main); }))
            << "the program did not go to the notification area";
        EXPECT_EQ(HistoryAfterClose(program), "L:\\Work Here\r\nL:\\Start\r\n");
    }
}

// A matching window without any edit lies before the dialog: the program is
// minimized for it and the dialog still gets the path.
TEST(Deliver, AWindowWithoutEditBeforeTheDialog) {
    TestDir dir;
    Drive drive('M', dir.UnixOf("m"));
    MakeDirs("M:\\Work");
    DialogHost probe(dir, "probe"), plain(dir, "plain");
    ASSERT_TRUE(probe.Start("probe", "Target dialog"));
    ASSERT_TRUE(plain.Start("noedit", "Target window"));
    // Top-level windows are walked from the top: the plain window must come first.
    ::SetWindowPos(probe.Window(), plain.Window(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    Program program(dir);
    HWND main = StartWith(program, "target\r\n");
    ASSERT_TRUE(main);
    SetCurrentPath(program, "M:\\Work");
    Click(program, tarvolo::IDC_BTNSENDTODIALOG);
    ASSERT_TRUE(probe.WaitLine("settext old.txt")) << Joined(probe.Log());
    EXPECT_EQ(probe.Log(),
              (std::vector<std::string>{"ready", "settext M:\\Work", "click button", "settext old.txt"}));
    EXPECT_TRUE(WaitFor([&] { return !Visible(main); }));
}

// Two entries match one caption: the path and the click arrive twice. A dialog
// without a default button keeps the path for the user to confirm. The walk
// ends at the first filled edit: each order of the two windows is tried.
TEST(Deliver, TwoMatchingEntriesAndADialogWithoutDefaultButton) {
    for (bool twiceFirst : {true, false}) {
        SCOPED_TRACE(twiceFirst ? "the twice-matching window on top" : "the window without default on top");
        TestDir dir;
        Drive drive('N', dir.UnixOf("n"));
        MakeDirs("N:\\Work");
        DialogHost twice(dir, "twice"), nodef(dir, "nodef");
        ASSERT_TRUE(twice.Start("probe", "Double target"));
        ASSERT_TRUE(nodef.Start("probe", "Plain target", "nodefid"));
        HWND top = twiceFirst ? twice.Window() : nodef.Window();
        // The order the program will walk: the first of the two from the top.
        auto first = [] {
            HWND found = nullptr;
            ::EnumWindows(
                [](HWND w, LPARAM p) -> BOOL {
                    std::string t = Text(w);
                    if (t != "Double target" && t != "Plain target") return TRUE;
                    *reinterpret_cast<HWND*>(p) = w;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&found));
            return found;
        };
        HWND other = twiceFirst ? nodef.Window() : twice.Window();

        Program program(dir);
        HWND main = StartWith(program, "double\r\nDOUBLE T\r\nplain\r\n");
        ASSERT_TRUE(main);
        SetCurrentPath(program, "N:\\Work");
        // Set up once the program is in front (its start moves windows about):
        // the other window goes right below the one wanted first, which leaves
        // the program's own window where it is.
        ASSERT_TRUE(WaitFor([&] {
            ::SetWindowPos(other, top, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return first() == top;
        })) << "the windows cannot be put in the order wanted";
        Click(program, tarvolo::IDC_BTNSENDTODIALOG);
        EXPECT_TRUE(WaitFor([&] { return !Visible(main); }));
        ASSERT_TRUE(program.Responsive());
        if (twiceFirst) {
            EXPECT_TRUE(WaitFor([&] { return twice.Log().size() >= 7; })) << Joined(twice.Log());
            EXPECT_EQ(twice.Log(), (std::vector<std::string>{"ready", "settext N:\\Work", "click button",
                                                             "settext old.txt", "settext N:\\Work",
                                                             "click button", "settext old.txt"}));
            EXPECT_EQ(nodef.Log(), (std::vector<std::string>{"ready"}));
        } else {
            EXPECT_TRUE(WaitFor([&] { return nodef.Log().size() >= 2; })) << Joined(nodef.Log());
            EXPECT_EQ(nodef.Log(), (std::vector<std::string>{"ready", "settext N:\\Work"}));
            EXPECT_EQ(nodef.EditText(), "N:\\Work");
            EXPECT_EQ(twice.Log(), (std::vector<std::string>{"ready"}));
        }
    }
}

namespace {

// From `act` until the main window is hidden and answers again.
std::chrono::milliseconds TimeToHiddenAndResponsive(Program& program, HWND main,
                                                    const std::function<void()>& act) {
    auto start = std::chrono::steady_clock::now();
    act();
    EXPECT_TRUE(WaitFor([&] { return !Visible(main); }, 20s)) << "the program was not hidden";
    EXPECT_TRUE(program.Responsive(20s));
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

}  // namespace

// A matching window whose thread stopped answering cannot hold the program:
// the command costs at most one bounded wait more than hiding the program does,
// and the user is told that the dialog did not take the path.
// (Under Xvfb without a window manager Wine waits seconds for every window it
// hides, so the hiding itself is the measure.)
TEST(Deliver, AHungDialogDoesNotHoldTheProgram) {
    TestDir dir;
    Drive drive('O', dir.UnixOf("o"));
    MakeDirs("O:\\Work");
    DialogHost hung(dir, "hung");
    ASSERT_TRUE(hung.Start("hang", "Stuck dialog"));
    DWORD_PTR r = 0;
    ASSERT_TRUE(WaitFor([&] {
        return !::SendMessageTimeoutW(hung.Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &r);
    })) << "the dialog still answers";

    Program program(dir);
    HWND main = StartWith(program, "stuck\r\n");
    ASSERT_TRUE(main);
    SetCurrentPath(program, "O:\\Work");
    auto hiding = TimeToHiddenAndResponsive(program, main,
                                            [&] { ::PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0); });
    program.TrayNotify(WM_LBUTTONDOWN);
    program.TrayNotify(WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return Visible(main) && program.Responsive(); }, 20s));

    // The dialog took nothing: the program says so and stays, after one bounded wait.
    auto start = std::chrono::steady_clock::now();
    Click(program, tarvolo::IDC_BTNSENDTODIALOG);
    HWND box = program.WaitDialog(TARVOLO_TITLE, 20s);
    auto command =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    ASSERT_TRUE(box) << "the hung dialog was taken for a delivery";
    EXPECT_EQ(Program::MessageText(box),
              "The path could not be sent to the dialog \"Stuck dialog\": the dialog does not answer.");
    EXPECT_LT(command, hiding + 3s) << "hiding takes " << hiding.count() << " ms, the command "
                                    << command.count() << " ms";
    EXPECT_TRUE(Visible(main)) << "the program hid as if it had delivered";
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box) && program.Responsive(); }));
    EXPECT_EQ(HistoryAfterClose(program), "O:\\Work\r\n");
}

// Open hands the folder to the file browser; here a stand-in that records its arguments.
TEST(Deliver, OpenStartsTheFileBrowserOnThePath) {
    TestDir dir;
    Drive drive('P', dir.UnixOf("p"));
    MakeDirs("P:\\Work");
    Program program(dir);
    ASSERT_TRUE(::CopyFileW(W(DialogHostExe()).c_str(), W(program.File("explorer.exe")).c_str(), FALSE));
    HWND main = StartWith(program, "");
    ASSERT_TRUE(main);
    SetCurrentPath(program, "P:\\Work");
    Click(program, tarvolo::IDC_BTNOPEN);
    EXPECT_TRUE(WaitFor([&] { return Contains(Lines(program.File("opened.txt")), "args P:\\Work"); }))
        << Joined(Lines(program.File("opened.txt")));
    EXPECT_TRUE(Visible(main)) << "Open does not hide the program";
    EXPECT_EQ(HistoryAfterClose(program), "P:\\Work\r\n");
}

namespace {

std::wstring ClipboardUnicode() {
    std::string bytes;
    if (!ClipboardBytes(CF_UNICODETEXT, bytes)) return L"<none>";
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

// The newest entry of the history box. A copy is recorded there once it is
// done, so a test waits on this rather than polling the clipboard: every poll
// opens the clipboard, and one held at the wrong moment makes the program's
// own copy fail (it tries briefly, then says so).
std::string HistoryTop(Program& program) {
    HWND combo = program.Control(tarvolo::IDC_CMBHISTORY);
    if (::SendMessageW(combo, CB_GETCOUNT, 0, 0) <= 0) return {};
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, 0, 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text.data()));
    return U(text.c_str());
}

}  // namespace

// Copy leaves the path as CF_TEXT with its terminating zero and as Unicode
// text; a path that no longer exists shows the message and changes nothing.
TEST(Deliver, CopyAndAPathThatNoLongerExists) {
    TestDir dir;
    Drive drive('Q', dir.UnixOf("q"));
    MakeDirs("Q:\\Work");
    const std::string japanese = "Q:\\\xE6\x97\xA5\xE6\x9C\xAC";  // 日本
    MakeDirs(japanese);
    Program program(dir);
    HWND main = StartWith(program, "", "Q:\\Older\r\n");
    ASSERT_TRUE(main);
    // Whatever an earlier run left there, the copy must replace.
    PutClipboardText(L"before");
    ASSERT_EQ(ClipboardUnicode(), L"before");

    SetCurrentPath(program, "Q:\\Work");
    Click(program, tarvolo::IDC_BTNCOPY);
    ASSERT_TRUE(WaitFor([&] { return HistoryTop(program) == "Q:\\Work"; })) << HistoryTop(program);
    EXPECT_FALSE(program.WaitDialog(TARVOLO_TITLE, 0ms)) << "an error instead of the copy";
    ASSERT_EQ(ClipboardUnicode(), L"Q:\\Work");
    std::string ansi;
    ASSERT_TRUE(ClipboardBytes(CF_TEXT, ansi));
    ASSERT_GE(ansi.size(), 8u);
    EXPECT_EQ(ansi.substr(0, 8), std::string("Q:\\Work\0", 8)) << "with its terminating zero";

    SetCurrentPath(program, japanese);
    Click(program, tarvolo::IDC_BTNCOPY);
    ASSERT_TRUE(WaitFor([&] { return HistoryTop(program) == japanese; })) << HistoryTop(program);
    EXPECT_EQ(ClipboardUnicode(), W(japanese));

    // Gone since the last scan: the message, and the clipboard and the history stay.
    PutClipboardText(L"untouched");
    SetCurrentPath(program, "Q:\\Gone");
    Click(program, tarvolo::IDC_BTNCOPY);
    HWND box = program.WaitDialog("Information");
    ASSERT_TRUE(box) << "no message for a missing directory";
    EXPECT_EQ(Program::MessageText(box), "Directory does not exists.\r\nPlease rescan your drive");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    EXPECT_EQ(ClipboardUnicode(), L"untouched");
    EXPECT_EQ(HistoryAfterClose(program), japanese + "\r\nQ:\\Work\r\nQ:\\Older\r\n");
}

// The history rule through a real command, on a file with LF line ends only
// and no final line end; it is written back with CR LF.
TEST(Deliver, HistoryMovesThePathToTheTopIgnoringCase) {
    TestDir dir;
    Drive drive('M', dir.UnixOf("m"));
    MakeDirs("M:\\Work");
    MakeDirs("M:\\Temp");
    Program program(dir);
    HWND main = StartWith(program, "", "M:\\Work\nm:\\temp");
    ASSERT_TRUE(main);
    SetCurrentPath(program, "M:\\Temp");
    Click(program, tarvolo::IDC_BTNCOPY);
    ASSERT_TRUE(WaitFor([&] { return HistoryTop(program) == "M:\\Temp"; })) << HistoryTop(program);
    EXPECT_EQ(ClipboardUnicode(), L"M:\\Temp");
    EXPECT_EQ(HistoryAfterClose(program), "M:\\Temp\r\nM:\\Work\r\n");
}

// Add To Favorites appends the current text with "?0*0", twice when pressed
// twice; a favorite added in this run survives the end of the session.
TEST(Deliver, AddedFavoritesSurviveTheEndOfTheSession) {
    TestDir dir;
    Program program(dir);
    HWND main = StartWith(program, "", "", "Z:\\kept?16449*0\r\n");
    ASSERT_TRUE(main);
    SetCurrentPath(program, "Z:\\tmp");
    Click(program, tarvolo::IDC_BTNADDTOFAVORITES);
    Click(program, tarvolo::IDC_BTNADDTOFAVORITES);
    ASSERT_TRUE(program.Responsive());

    // Log off: wineboot -e asks every top-level window and then ends the session.
    ASSERT_TRUE(EndSession()) << "wineboot -e did not run to its end";
    std::string favorites;
    EXPECT_TRUE(WaitFor([&] {
        return ReadFileBytes(program.File("favorites.dir"), favorites) &&
               favorites == "Z:\\kept?16449*0\r\nZ:\\tmp?0*0\r\nZ:\\tmp?0*0\r\n";
    })) << favorites;
    program.Kill();
}

namespace {

constexpr unsigned kCtrl = 0x4000, kAlt = 0x8000;

// Presses a shortcut value's keys.
void PressShortcut(unsigned shortcut) {
    std::vector<WORD> mods;
    if (shortcut & kCtrl) mods.push_back(VK_CONTROL);
    if (shortcut & kAlt) mods.push_back(VK_MENU);
    for (WORD m : mods) KeyDown(m);
    Key(static_cast<WORD>(shortcut & 0xFF));
    for (auto it = mods.rbegin(); it != mods.rend(); ++it) KeyUp(*it);
}

size_t OpenedCount(Program& program) {
    return Lines(program.File("opened.txt")).size();
}

}  // namespace

// A favorite's open key opens it while the main window has the focus, the
// earlier of two favorites with one key wins, a Ctrl+Enter favorite runs
// instead of Find Next, and nothing happens while the program is hidden.
TEST(Deliver, FavoriteKeysActWhileTheMainWindowHasTheFocus) {
    TestDir dir;
    Drive drive('N', dir.UnixOf("n"));
    MakeDirs("N:\\First");
    MakeDirs("N:\\Second");
    MakeDirs("N:\\Third");
    const unsigned ctrlAltT = kCtrl | kAlt | 'T', ctrlEnter = kCtrl | VK_RETURN;
    Program program(dir);
    ASSERT_TRUE(::CopyFileW(W(DialogHostExe()).c_str(), W(program.File("explorer.exe")).c_str(), FALSE));
    const std::string favorites = "N:\\First?" + std::to_string(ctrlAltT) + "*0\r\nN:\\Second?" +
                                  std::to_string(ctrlAltT) + "*0\r\nN:\\Third?" + std::to_string(ctrlEnter) +
                                  "*0\r\n";
    HWND main = StartWith(program, "", "", favorites);
    ASSERT_TRUE(main);
    ASSERT_TRUE(BringToFront(main));

    PressShortcut(ctrlAltT);
    ASSERT_TRUE(WaitFor([&] { return OpenedCount(program) == 1; })) << "the favorite's key did nothing";
    EXPECT_EQ(Lines(program.File("opened.txt"))[0], "args N:\\First") << "the earlier favorite wins";

    PressShortcut(ctrlEnter);
    ASSERT_TRUE(WaitFor([&] { return OpenedCount(program) == 2; })) << "Ctrl+Enter did not run the favorite";
    EXPECT_EQ(Lines(program.File("opened.txt"))[1], "args N:\\Third");
    EXPECT_EQ(Text(program.Control(tarvolo::IDC_DIRTOFIND)), "") << "the key typed into the search box";

    // Hidden in the notification area the keys reach no window of the program.
    ::PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !Visible(main); }));
    PressShortcut(ctrlAltT);
    // Back in front, the about box that Alt+B opens comes only once every earlier
    // keystroke has been taken; a favorite opened by one would be started by then.
    program.TrayNotify(WM_LBUTTONDOWN);
    program.TrayNotify(WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return Visible(main); }));
    ASSERT_TRUE(BringToFront(main));
    Chord({VK_MENU}, 'B');
    ASSERT_TRUE(program.WaitWindow("About...")) << "Alt+B did not open the about box; " << KeyboardState();
    EXPECT_FALSE(WaitFor([&] { return OpenedCount(program) > 2; }, 2s)) << "a favorite opened while hidden";
    program.Kill();
}

// The icon's menu is rebuilt when it opens: a favorite added in this run is
// there, and choosing a favorite that does not exist says so.
TEST(Deliver, TheIconsMenuListsTheFavoritesAsTheyAreNow) {
    TestDir dir;
    Drive drive('O', dir.UnixOf("o"));
    MakeDirs("O:\\Work");
    Program program(dir);
    ASSERT_TRUE(::CopyFileW(W(DialogHostExe()).c_str(), W(program.File("explorer.exe")).c_str(), FALSE));
    HWND main = StartWith(program, "", "", "O:\\Missing?0*0\r\n");
    ASSERT_TRUE(main);
    SetCurrentPath(program, "O:\\Work");
    Click(program, tarvolo::IDC_BTNADDTOFAVORITES);
    ASSERT_TRUE(program.Responsive());

    auto choose = [&](int index) {
        program.TrayNotify(WM_RBUTTONDOWN);
        ASSERT_TRUE(WaitFor([&] { return FindProcessWindow(program.Pid(), L"#32768") != nullptr; }));
        ASSERT_TRUE(program.HoldsMenuKeyboard());
        Key(VK_DOWN);   // "Open Favorites"
        Key(VK_RIGHT);  // its first favorite
        for (int i = 0; i < index; ++i) Key(VK_DOWN);
        Key(VK_RETURN);
    };
    choose(1);
    EXPECT_TRUE(WaitFor([&] { return Contains(Lines(program.File("opened.txt")), "args O:\\Work"); }))
        << "the favorite added in this run is not in the icon's menu";

    choose(0);
    HWND box = program.WaitDialog("Information");
    ASSERT_TRUE(box) << "no message for a missing favorite";
    EXPECT_EQ(Program::MessageText(box), "Directory does not exists.\r\nPlease update your  favorites list.");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    // Choosing a favorite leaves the history alone.
    EXPECT_EQ(HistoryAfterClose(program), "");
}

namespace {

void RightClick(HWND hwnd, int x, int y) {
    SettleFrontForClick(hwnd);
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    ::SetCursorPos(pt.x, pt.y);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(2, in, sizeof(INPUT));
}

// Two clicks in one go, well within the double-click time whatever the load.
void DoubleClick(HWND hwnd, int x, int y) {
    SettleFrontForClick(hwnd);
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    ::SetCursorPos(pt.x, pt.y);
    INPUT in[4]{};
    for (int i = 0; i < 4; ++i) {
        in[i].type = INPUT_MOUSE;
        in[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    ::SendInput(4, in, sizeof(INPUT));
}

// Waits until the program's popup menu takes keys, then works it.
::testing::AssertionResult WorkMenu(Program& program, std::initializer_list<WORD> keys) {
    if (!WaitFor([&] { return FindProcessWindow(program.Pid(), L"#32768") != nullptr; }))
        return ::testing::AssertionFailure() << "the menu did not open";
    if (!program.HoldsMenuKeyboard()) return ::testing::AssertionFailure() << "the menu does not take keys";
    for (WORD k : keys) Key(k);
    return ::testing::AssertionSuccess();
}

}  // namespace

// Every way a user reaches a directory without typing: a double-click on a row,
// a pick from the history's drop-down, the favorites in the right-click menu and
// under the Favorites button, its "Send To Dialog" submenu and a favorite's
// dialog key, the last two into a real file dialog of another program.
TEST(Deliver, RowsHistoryAndFavoritesMenusAndKeysReachTheirTargets) {
    TestDir dir;
    Drive drive('R', dir.UnixOf("r"));
    for (const char* d : {"R:\\Fav1", "R:\\Fav2", "R:\\Start"}) MakeDirs(d);
    DialogHost host(dir, "host");
    ASSERT_TRUE(host.Start("open", "Choose A File - open", "R:\\Start", "notes.txt"));
    ASSERT_TRUE(host.WaitLine("folder R:\\Start")) << Joined(host.Log());

    const unsigned ctrlAltK = kCtrl | kAlt | 'K';
    Program program(dir);
    ASSERT_TRUE(::CopyFileW(W(DialogHostExe()).c_str(), W(program.File("explorer.exe")).c_str(), FALSE));
    HWND main = StartWith(program, "choose a file\r\n", "R:\\Start\r\nR:\\Fav2\r\n",
                          "R:\\Fav1?0*" + std::to_string(ctrlAltK) + "\r\nR:\\Fav2?0*0\r\n");
    ASSERT_TRUE(main);
    HWND list = program.Control(tarvolo::IDC_DIRLISTBOX);
    ASSERT_TRUE(WaitFor([&] { return ::SendMessageW(list, LB_GETCOUNT, 0, 0) == 4; }))
        << "drive R: shows " << ::SendMessageW(list, LB_GETCOUNT, 0, 0) << " rows, not 4";
    auto opened = [&](size_t n) {
        std::vector<std::string> lines;
        WaitFor([&] { return (lines = Lines(program.File("opened.txt"))).size() >= n; });
        return lines.size() >= n ? lines[n - 1] : "<" + std::to_string(lines.size()) + " opened>";
    };

    // A double-click on "\Fav1" (the rows: \, \Fav1, \Fav2, \Start) opens it.
    ASSERT_TRUE(BringToFront(main));
    POINT row{};
    ASSERT_TRUE(ItemPoint(list, 1, row));
    DoubleClick(list, row.x, row.y);
    EXPECT_EQ(opened(1), "args R:\\Fav1") << "the double-click did not open the row";

    // The history's drop-down (R:\Fav1 now on top of R:\Start and R:\Fav2): its last
    // entry becomes the current path, and Open opens it.
    HWND history = program.Control(tarvolo::IDC_CMBHISTORY);
    ASSERT_TRUE(program.PickFromDropDown(history, 2));
    EXPECT_TRUE(WaitFor([&] { return Text(history) == "R:\\Fav2"; })) << Text(history);
    Click(program, tarvolo::IDC_BTNOPEN);
    EXPECT_EQ(opened(2), "args R:\\Fav2");

    // The right-click menu: "Open", its first favorite.
    ASSERT_TRUE(BringToFront(main));
    RightClick(list, 40, 5);
    ASSERT_TRUE(WorkMenu(program, {VK_DOWN, VK_RIGHT, VK_RETURN}));
    EXPECT_EQ(opened(3), "args R:\\Fav1") << "the right-click menu did not open the favorite";

    // The Favorites button: "Send To Dialog", its second favorite, into the dialog.
    ASSERT_TRUE(BringToFront(main));
    Click(program, tarvolo::IDC_BTNFAVORITES);
    ASSERT_TRUE(WorkMenu(program, {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}));
    EXPECT_TRUE(host.WaitLine("folder R:\\Fav2")) << "the dialog did not switch: " << Joined(host.Log());
    EXPECT_TRUE(WaitFor([&] { return !Visible(main); })) << "the program stayed in front of the dialog";

    // Back in front, the first favorite's dialog key sends it.
    program.TrayNotify(WM_LBUTTONDOWN);
    program.TrayNotify(WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return Visible(main); }));
    ASSERT_TRUE(BringToFront(main));
    PressShortcut(ctrlAltK);
    EXPECT_TRUE(host.WaitLine("folder R:\\Fav1")) << "the dialog key did nothing: " << Joined(host.Log());
    EXPECT_EQ(Lines(program.File("opened.txt")).size(), 3u)
        << "a menu item or key opened more than it should";
    program.Kill();
}

namespace {

// The program with an empty dialogs list, written as the first start finds it.
HWND StartWithoutCaptions(Program& program, const std::string& ini = {}) {
    if (!WriteFileBytes(program.File("dialogs.dir"), "") ||
        (!ini.empty() && !WriteFileBytes(program.File("tarvolo.ini"), ini))) {
        ADD_FAILURE() << "cannot write the program's files";
        return nullptr;
    }
    return StartWith(program, "");
}

}  // namespace

// No caption configured: every standard dialog, captioned in another language,
// ends in the sent folder; the file dialogs keep their typed names, Browse For
// Folder stays open for the user's OK.
TEST(Deliver, EveryStandardDialogInAnyLanguageWithoutCaptions) {
    struct Case {
        const char* mode;
        const char* caption;
        const char* name;  // the file name typed in it; none in Browse For Folder
    } cases[] = {
        {"open",
         "\xC3\x96"
         "ffnen",
         "notes.txt"},
        {"save", "Enregistrer sous", "rapport.txt"},
        {"item", "\xD0\x9E\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD1\x8C", "picture.png"},  // Открыть
        {"itemsave", "Guardar como", "informe.txt"},
        {"folder", "Ordner ausw\xC3\xA4hlen", nullptr},
        {"folderedit", "Choisir un dossier", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        TestDir dir(std::string("Deliver_AnyLanguage_") + c.mode);
        Drive drive('L', dir.UnixOf("l"));
        MakeDirs("L:\\Base\\Start");
        MakeDirs("L:\\Base\\Work Here");
        // Wine's Browse For Folder finds a path in its tree by comparing item ids
        // byte for byte, last access time included: a folder made a moment ago
        // is first read by the tree itself and then no longer compares equal.
        // The folders are aged as a user's are (no access time to update).
        ASSERT_EQ(RunUnix("cd " + ShellQuote(dir.UnixOf("l")) +
                          " && touch -m -d 2020-01-01 Base Base/Start 'Base/Work Here'"
                          " && touch -a -d '+1 hour' Base Base/Start 'Base/Work Here'"),
                  0);
        DialogHost host(dir, "host");
        ASSERT_TRUE(host.Start(c.mode, c.caption, "L:\\Base\\Start", c.name ? c.name : ""));
        ASSERT_TRUE(host.WaitLine("folder L:\\Base\\Start")) << Joined(host.Log());

        Program program(dir);
        HWND main = StartWithoutCaptions(program);
        ASSERT_TRUE(main);
        SetCurrentPath(program, "L:\\Base\\Work Here");
        Click(program, tarvolo::IDC_BTNSENDTODIALOG);
        EXPECT_TRUE(host.WaitLine("folder L:\\Base\\Work Here"))
            << "the dialog did not switch: " << Joined(host.Log());
        if (c.name) {
            EXPECT_TRUE(WaitFor([&] { return host.EditText() == c.name; }))
                << "the edit shows \"" << host.EditText() << "\"";
        }
        EXPECT_TRUE(WaitFor([&] { return !Visible(main); }))
            << "the program did not go to the notification area";
        EXPECT_TRUE(host.Window()) << "the dialog closed: " << Joined(host.Log());
        for (const std::string& line : host.Log()) EXPECT_NE(line.rfind("closed", 0), 0u) << line;
        EXPECT_EQ(HistoryAfterClose(program), "L:\\Base\\Work Here\r\n");
    }
}

// Two dialogs open: the one the hot key was pressed in receives the path, even
// when the other has since come above it. Once it is gone, the dialog highest
// in the z-order does.
TEST(Deliver, TheDialogTheHotKeyWasPressedInReceivesThePath) {
    TestDir dir;
    Drive drive('L', dir.UnixOf("l"));
    for (const char* folder : {"L:\\A", "L:\\B", "L:\\Target", "L:\\Second"}) MakeDirs(folder);
    DialogHost first(dir, "first"), second(dir, "second");
    ASSERT_TRUE(first.Start("open",
                            "\xC3\x96"
                            "ffnen - A",
                            "L:\\A", "a.txt"));
    ASSERT_TRUE(second.Start("save",
                             "\xC3\x96"
                             "ffnen - B",
                             "L:\\B", "b.txt"));
    ASSERT_TRUE(first.WaitLine("folder L:\\A") && second.WaitLine("folder L:\\B"));

    Program program(dir);
    HWND main =
        StartWithoutCaptions(program, "[Window]\r\nHotKey=49233\r\nShowCloseInfo=0\r\n");  // Ctrl+Alt+Q
    ASSERT_TRUE(main);
    SetCurrentPath(program, "L:\\Target");

    // As a user works: the program waits in the notification area, and the hot
    // key pressed in the first dialog brings it up.
    ASSERT_TRUE(BringToFrontSettled(main));
    Chord({VK_CONTROL, VK_MENU}, 'Q');
    ASSERT_TRUE(WaitFor([&] { return !Visible(main); })) << "the hot key did not hide the program";
    ASSERT_TRUE(BringToFrontSettled(first.Window())) << "the first dialog does not come to the front";
    Chord({VK_CONTROL, VK_MENU}, 'Q');
    ASSERT_TRUE(WaitFor([&] { return Visible(main) && ::GetForegroundWindow() == main; }))
        << "the hot key did not bring the program up; " << KeyboardState();
    // The second dialog is now above the first; the program comes back in front
    // by a click of the user, not by the hot key.
    ASSERT_TRUE(BringToFrontSettled(second.Window()));
    ASSERT_TRUE(BringToFrontSettled(main));
    Chord({VK_MENU}, 'D');  // "&Dialog"
    EXPECT_TRUE(first.WaitLine("folder L:\\Target"))
        << "the first dialog did not switch: " << Joined(first.Log());
    EXPECT_TRUE(WaitFor([&] { return !Visible(main); })) << "the program did not go to the notification area";
    EXPECT_FALSE(Contains(second.Log(), "folder L:\\Target")) << "the dialog above took the path";

    // The first dialog closed: the second, highest of those left, takes the next path.
    ASSERT_TRUE(first.Close()) << Joined(first.Log());
    SetCurrentPath(program, "L:\\Second");
    Click(program, tarvolo::IDC_BTNSENDTODIALOG);
    EXPECT_TRUE(second.WaitLine("folder L:\\Second")) << Joined(second.Log());
    EXPECT_TRUE(WaitFor([&] { return second.EditText() == "b.txt"; })) << second.EditText();
}

namespace {

// Wine's console with cmd at its prompt, started in `folder`; closed with the test.
class WineConsole {
public:
    explicit WineConsole(const std::string& folder) {
        std::wstring line = L"wineconsole.exe cmd.exe";
        const std::wstring where = W(folder);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                              where.c_str(), &si, &pi_))
            ADD_FAILURE() << "cannot start wineconsole, error " << ::GetLastError();
    }
    ~WineConsole() {
        if (window_ && ::IsWindow(window_)) {
            ::PostMessageW(window_, WM_CLOSE, 0, 0);
            WaitFor([&] { return !::IsWindow(window_); }, 5s);
        }
        if (pi_.hProcess) {
            ::TerminateProcess(pi_.hProcess, 0);
            ::WaitForSingleObject(pi_.hProcess, 5000);
            ::CloseHandle(pi_.hProcess);
            ::CloseHandle(pi_.hThread);
        }
    }
    WineConsole(const WineConsole&) = delete;
    WineConsole& operator=(const WineConsole&) = delete;

    // A line begun at cmd's prompt and left there, put into the console's input by
    // the helper program; true once it is in.
    bool BeginLine(const std::string& text) const {
        std::wstring line = L"\"" + W(DialogHostExe()) + L"\" consoletext " +
                            std::to_wstring(pi_.dwProcessId) + L" \"" + W(text) + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return false;
        DWORD code = 1;
        const bool ended = ::WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0 &&
                           ::GetExitCodeProcess(pi.hProcess, &code);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
        return ended && code == 0;
    }

    // Its window, once shown (of the class measured under Wine 8).
    HWND Window() {
        WaitFor(
            [&] {
                window_ = ::FindWindowW(L"WineConsoleClass", nullptr);
                return window_ && Visible(window_);
            },
            20s);
        return window_ && Visible(window_) ? window_ : nullptr;
    }

private:
    PROCESS_INFORMATION pi_{};
    HWND window_ = nullptr;
};

}  // namespace

// The console you came from is a target too: cmd changes drive and directory
// to the path, and a line half typed at its prompt is neither run nor glued
// to the command.
TEST(Deliver, TheCmdConsoleTheHotKeyWasPressedInChangesToThePath) {
    TestDir dir;
    Drive drive('L', dir.UnixOf("l"));
    MakeDirs("L:\\Target Dir & Co");
    MakeDirs(dir.Win("start"));
    WineConsole console(dir.Win("start"));
    HWND window = console.Window();
    ASSERT_TRUE(window) << "no console window";

    Program program(dir);
    HWND main =
        StartWithoutCaptions(program, "[Window]\r\nHotKey=49233\r\nShowCloseInfo=0\r\n");  // Ctrl+Alt+Q
    ASSERT_TRUE(main);
    SetCurrentPath(program, "L:\\Target Dir & Co");
    ASSERT_TRUE(BringToFrontSettled(main));
    Chord({VK_CONTROL, VK_MENU}, 'Q');
    ASSERT_TRUE(WaitFor([&] { return !Visible(main); })) << "the hot key did not hide the program";

    // At cmd's prompt: a line begun and left, then the hot key.
    ASSERT_TRUE(BringToFrontSettled(window)) << "the console does not come to the front";
    // Wine's console takes a key typed through the X server in about a tenth of a
    // second, and more on a loaded machine, and can still be at it when the hot key
    // after them has brought the program up: the line begun is put into the
    // console's input directly, and the line typed below is short.
    ASSERT_TRUE(console.BeginLine("echo>half")) << "the half line did not reach the console";
    Chord({VK_CONTROL, VK_MENU}, 'Q');
    ASSERT_TRUE(WaitFor([&] { return Visible(main) && ::GetForegroundWindow() == main; }))
        << "the hot key did not bring the program up; " << KeyboardState();
    Chord({VK_MENU}, 'D');  // "&Dialog"
    EXPECT_TRUE(WaitFor([&] { return !Visible(main); })) << "the program did not go to the notification area";

    // Where cmd is now, asked of cmd itself as a user would: the answer is written
    // where cmd is, the target or, when the command did not run, where it began.
    const std::string target = "L:\\Target Dir & Co\\", start = dir.Win("start\\");
    ASSERT_TRUE(console.BeginLine("cd>cwd\r")) << "the line asking cmd where it is did not reach the console";
    std::string text;
    EXPECT_TRUE(WaitFor(
        [&] {
            return (ReadFileBytes(target + "cwd", text) || ReadFileBytes(start + "cwd", text)) &&
                   !text.empty();
        },
        30s))
        << "cmd did not run the typed line; " << KeyboardState();
    EXPECT_EQ(text, "L:\\Target Dir & Co\r\n");
    EXPECT_FALSE(FileExists(start + "half")) << "the half-typed line ran before the command";
    EXPECT_FALSE(FileExists(target + "half")) << "the half-typed line ran after the command";
}

namespace {

// A program of Wine's own, ended with the test.
class WineProgram {
public:
    explicit WineProgram(const std::string& commandLine) {
        std::wstring line = W(commandLine);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
            ADD_FAILURE() << "cannot start " << commandLine << ", error " << ::GetLastError();
    }
    ~WineProgram() {
        if (pi_.hProcess) {
            ::TerminateProcess(pi_.hProcess, 0);
            ::WaitForSingleObject(pi_.hProcess, 5000);
            ::CloseHandle(pi_.hProcess);
            ::CloseHandle(pi_.hThread);
        }
    }
    WineProgram(const WineProgram&) = delete;
    WineProgram& operator=(const WineProgram&) = delete;

    // Its shown top-level window of the class, once there is one.
    HWND Wait(const std::wstring& className, std::chrono::milliseconds timeout = 20s) const {
        HWND found = nullptr;
        WaitFor(
            [&] {
                found = FindProcessWindow(pi_.dwProcessId, className);
                return found && Visible(found);
            },
            timeout);
        return found && Visible(found) ? found : nullptr;
    }

private:
    PROCESS_INFORMATION pi_{};
};

// The file-name edit of a standard file dialog: inside the box with id 1148.
HWND FileNameEdit(HWND dialog) {
    HWND box = ::GetDlgItem(dialog, 1148);
    HWND edit = box ? ::FindWindowExW(box, nullptr, L"ComboBox", nullptr) : nullptr;
    edit = edit ? ::FindWindowExW(edit, nullptr, L"Edit", nullptr) : nullptr;
    return edit;
}

// What the user does to end a file dialog: a name typed, then Open or Save.
void TypeNameAndConfirm(HWND dialog, const std::string& name) {
    const std::wstring text = W(name);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                          SMTO_ABORTIFHUNG, 5000, &result);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
}

}  // namespace

// Dialogs of programs nobody here wrote, with no caption configured: the sent
// folder is where the user's next Open or Save acts.
TEST(Deliver, WineNotepadOpenAndWordPadSaveAsWithoutCaptions) {
    TestDir dir;
    Drive drive('L', dir.UnixOf("l"));
    MakeDirs("L:\\Work");
    ASSERT_TRUE(WriteFileBytes("L:\\Work\\marker.txt", "found in the sent folder"));

    Program program(dir);
    HWND main = StartWithoutCaptions(program);
    ASSERT_TRUE(main);
    SetCurrentPath(program, "L:\\Work");

    {
        SCOPED_TRACE("Notepad, Open");
        WineProgram notepad("notepad.exe");
        HWND editor = notepad.Wait(L"Notepad");
        ASSERT_TRUE(editor) << "Notepad did not come up";
        ASSERT_TRUE(BringToFrontSettled(editor));
        Chord({VK_CONTROL}, 'O');
        HWND open = notepad.Wait(L"#32770");
        ASSERT_TRUE(open) << "Notepad's Open dialog did not come up";
        ASSERT_TRUE(WaitFor([&] { return FileNameEdit(open) != nullptr; }));
        const std::string typed = Text(FileNameEdit(open));

        Click(program, tarvolo::IDC_BTNSENDTODIALOG);
        EXPECT_TRUE(WaitFor([&] { return !Visible(main); }))
            << "the program did not go to the notification area";
        EXPECT_EQ(Text(FileNameEdit(open)), typed) << "the dialog's own text did not come back";
        TypeNameAndConfirm(open, "marker.txt");
        HWND text = ::FindWindowExW(editor, nullptr, L"Edit", nullptr);
        EXPECT_TRUE(WaitFor([&] { return Text(text) == "found in the sent folder"; }))
            << "Notepad opened \"" << Text(text) << "\", not the file in the sent folder";
    }
    {
        SCOPED_TRACE("WordPad, Save As");
        WineProgram wordpad("\"C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe\"");
        HWND editor = wordpad.Wait(L"WORDPADTOP");
        ASSERT_TRUE(editor) << "WordPad did not come up";
        ASSERT_TRUE(BringToFrontSettled(editor));
        Chord({VK_CONTROL}, 'S');
        HWND save = wordpad.Wait(L"#32770");
        ASSERT_TRUE(save) << "WordPad's Save As dialog did not come up";
        ASSERT_TRUE(WaitFor([&] { return FileNameEdit(save) != nullptr; }));
        // A click on the icon while the Save As dialog is in front brings the program up.
        program.TrayNotify(WM_LBUTTONDOWN);
        program.TrayNotify(WM_LBUTTONUP);
        ASSERT_TRUE(WaitFor([&] { return Visible(main); })) << "the icon did not bring the program up";
        Click(program, tarvolo::IDC_BTNSENDTODIALOG);
        // Hidden at the end of the send: the user types only after it.
        ASSERT_TRUE(WaitFor([&] { return !Visible(main); }))
            << "the program did not go to the notification area";
        TypeNameAndConfirm(save, "saved.rtf");
        EXPECT_TRUE(WaitFor([&] { return FileExists("L:\\Work\\saved.rtf"); }))
            << "WordPad did not save into the sent folder";
    }
}
