// Works the real tarvolo.exe like a user: its own program folder and drives,
// real keystrokes, and bounded waits for windows and files.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;

// Polls `done` until it holds or `timeout` passes.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s);

// A new folder of this test run under TARVOLO_TEST_ROOT; known by its
// Unix path and by its Windows path (through Z:).
class TestDir {
public:
    TestDir();  // named after the running test
    explicit TestDir(const std::string& name);
    ~TestDir();  // removes the folder unless the test failed
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;
    const std::string& Unix() const { return unix_; }
    std::string Win() const;                             // Z:\...
    std::string Win(const std::string& relative) const;  // Z:\...\relative
    std::string UnixOf(const std::string& relative) const { return unix_ + "/" + relative; }

private:
    std::string unix_;
};

// Runs a shell command on the Linux side and returns its exit code.
int RunUnix(const std::string& command);
std::string ShellQuote(const std::string& s);
// Runs a shell command and returns what it printed.
std::string RunUnixOutput(const std::string& command);
// Who has the keyboard: the window in front, its focus, the X input focus; for failure messages.
std::string KeyboardState();
// Saves a PNG of the whole screen (Unix path), to look at what a test saw.
bool Screenshot(const std::string& unixPngPath);

// A fixed drive for one test: the letter is a symlink in the prefix's dosdevices.
class Drive {
public:
    Drive(char letter, const std::string& unixFolder);
    ~Drive();
    Drive(const Drive&) = delete;
    Drive& operator=(const Drive&) = delete;
    char Letter() const { return letter_; }
    std::string Root() const { return std::string(1, letter_) + ":\\"; }

private:
    char letter_;
};

// Logs off: `wineboot -e` asks every top-level window, then tells it that the
// session ends; returns whether it ran to its end.
bool EndSession();

// Files, in UTF-8 paths (Windows form).
bool WriteFileBytes(const std::string& winPath, const std::string& bytes);
bool ReadFileBytes(const std::string& winPath, std::string& out);
bool FileExists(const std::string& winPath);
void MakeDirs(const std::string& winPath);

std::wstring W(const std::string& utf8);
std::string U(const std::wstring& utf16);

// Window helpers.
std::string Text(HWND hwnd);
std::string ClassName(HWND hwnd);
bool Visible(HWND hwnd);
HWND FindProcessWindow(DWORD pid, const std::wstring& className, const std::string& title = {},
                       bool visibleOnly = true);

// Keyboard input to the foreground window, through the X server while a window is
// in front (see Harness.cpp).
// Gives the X input focus to the window in front now, as the next keys would;
// for a test that must have that focus change behind it first (a paste).
void GiveXFocusToTheWindowInFront();
// The same, then waits until the program in front has taken every X event sent
// to it so far (a late focus event of Wine's own can move the window in front).
bool SettleXInput();
// Puts the window in front and waits until it stays there once the program has
// taken every X event sent to it.
bool BringToFrontSettled(HWND window);
// A point inside item `index` of a list box, asked of the list itself.
bool ItemPoint(HWND list, int index, POINT& point);
void KeyDown(WORD vk);
void KeyUp(WORD vk);
void Key(WORD vk);                                           // press and release
void Chord(std::initializer_list<WORD> modifiers, WORD vk);  // e.g. Chord({VK_CONTROL}, VK_RETURN)
void Type(const std::string& ascii);                         // letters, digits, space and punctuation
// Before a mouse click on `hwnd`: its top-level window put in front and settled
// there (a dropped list or a menu: the X input settled), as keys get it.
void SettleFrontForClick(HWND hwnd);
// Client coordinates; settles first. More than one click: all queued at once,
// before the window can react to the first.
void LeftClick(HWND hwnd, int x, int y, int clicks = 1);

// The clipboard: `text` put on it as CF_UNICODETEXT (by a window of this process,
// which Wine needs for another program to read it); the bytes of `format` read back.
void PutClipboardText(const std::wstring& text);
bool ClipboardBytes(UINT format, std::string& out);

// The program under test, in a program folder of its own.
class Program {
public:
    explicit Program(const TestDir& dir);
    // The tarvolo.exe that is already in `folder` (Windows form), started where it is.
    explicit Program(std::string folder);
    ~Program();  // ends it if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    std::string Dir() const;                          // the program folder, Windows form
    std::string File(const std::string& name) const;  // a file in it
    // Waits first until no other instance runs, unless told not to. Unless the
    // folder's tarvolo.ini names CheckAtStart, the program starts with it off
    // (written into the file's [Rescan] section, or a file of that alone): most
    // tests give drives made-up indexes, which a check of the disk would empty.
    bool Start(const std::string& arguments = {}, int showCommand = SW_SHOWNORMAL, bool waitForOthers = true);
    DWORD Pid() const { return pi_.dwProcessId; }
    bool Running() const;
    bool WaitExit(std::chrono::milliseconds timeout = 20s);
    void Kill();

    // tarvolo.ini as the program was started with it, empty for none.
    const std::string& IniAtStart() const { return iniAtStart_; }
    // The text of tarvolo.ini with CheckAtStart=0 added, unless it names the key.
    static std::string WithoutCheckAtStart(const std::string& ini);

    // The main window once it exists (visible or not).
    HWND Main(std::chrono::milliseconds timeout = 20s);
    // Whether the program still runs (or how it ended) and its top-level windows, for a failure's message.
    std::string Describe() const;
    HWND Control(int id);
    // The notification-area icon's hidden window.
    HWND TrayWindow();
    void TrayNotify(UINT mouseMessage);
    // "Close" in the icon's menu: right press, the last item, Enter.
    void CloseFromTrayMenu();
    // Waits until a popup menu of the program runs and its thread is in front, so
    // that keys reach the menu.
    bool HoldsMenuKeyboard(std::chrono::milliseconds timeout = 10s);
    // Waits until the main window answers messages again.
    bool Responsive(std::chrono::milliseconds timeout = 5s);
    // Drops a combo box of the program down with a click on its arrow and clicks
    // the item `index` of its list, as a user picks one.
    ::testing::AssertionResult PickFromDropDown(HWND combo, int index);
    // A top-level window of the program with this caption (message boxes, dialogs).
    HWND WaitWindow(const std::string& title, std::chrono::milliseconds timeout = 10s);
    // A dialog box of the program (class #32770: message boxes) with this caption.
    HWND WaitDialog(const std::string& title, std::chrono::milliseconds timeout = 10s);
    // The text of a message box's message.
    static std::string MessageText(HWND box);

private:
    std::string dir_;
    bool copyExe_ = true;
    std::string iniAtStart_;
    PROCESS_INFORMATION pi_{};
};

}  // namespace e2e
