#include "tests/e2e/Harness.h"

#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <utility>
#include <vector>

namespace e2e {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string UnixToWin(const std::string& unix) {
    std::string win = "Z:" + unix;
    for (char& c : win)
        if (c == '/') c = '\\';
    return win;
}

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "outside";
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_') c = '_';
    return name;
}

}  // namespace

std::wstring W(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string U(const std::wstring& utf16) {
    if (utf16.empty()) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(25ms);
    }
}

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

int RunUnix(const std::string& command) {
    // Through a script file, so no quoting rules of two systems need getting right.
    // Wine does not wait for a Unix process, so the script leaves its exit code in
    // a file of its own, which is polled for.
    static int counter = 0;
    std::string root = Env("TARVOLO_TEST_ROOT");
    std::string base =
        root + "/cmd-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    std::string script = base + ".sh", status = base + ".status";
    if (!WriteFileBytes(UnixToWin(script),
                        "(\n" + command + "\n) >/dev/null 2>&1\necho $? > " + ShellQuote(status) +
                            ".tmp && mv " + ShellQuote(status + ".tmp") + " " + ShellQuote(status) + "\n")) {
        ADD_FAILURE() << "cannot write " << script;
        return -1;
    }
    std::wstring line = L"Z:\\bin\\sh " + W(script);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot run the shell, error " << ::GetLastError();
        return -1;
    }
    // No handle is closed: for a Unix program Wine's CreateProcess succeeds
    // without filling in the process and thread handles, and hands back whatever
    // its own stack held. Closing those closed some other handle of this
    // process now and then, among them its standard output: every line gtest
    // printed after that, failures included, was lost, and a failed test looked
    // like a silent death after "[ RUN ]".
    std::string code;
    // Polled often: keystrokes go this way too.
    auto end = std::chrono::steady_clock::now() + 60s;
    while (!(ReadFileBytes(UnixToWin(status), code) && !code.empty()) &&
           std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    if (code.empty()) {
        ADD_FAILURE() << "the shell command did not finish: " << command;
        return -1;
    }
    ::DeleteFileW(W(UnixToWin(script)).c_str());
    ::DeleteFileW(W(UnixToWin(status)).c_str());
    return std::atoi(code.c_str());
}

bool Screenshot(const std::string& unixPngPath) {
    return RunUnix("import -window root " + ShellQuote(unixPngPath)) == 0;
}

namespace {
void DefineWineDrive(char letter, const std::string& unixFolder);

// Drive letters live in the session's mount manager and in the prefix, beyond
// the test that made them: a killed test leaves its own behind. Every test
// process starts without any but C: and Z:.
void ForgetDrivesOfEarlierTests() {
    static bool done = false;
    if (done) return;
    done = true;
    const DWORD mask = ::GetLogicalDrives();
    std::string links;
    for (char l = 'A'; l <= 'Y'; ++l) {
        if (l == 'C') continue;
        if (mask & (1u << (l - 'A'))) DefineWineDrive(l, {});
        links += std::string(" \"$WINEPREFIX/dosdevices/") + static_cast<char>(tolower(l)) + ":\"";
    }
    if (RunUnix("rm -f" + links) != 0) ADD_FAILURE() << "cannot remove the drive letters of earlier tests";
}
}  // namespace

std::string RunUnixOutput(const std::string& command) {
    const std::string file = Env("TARVOLO_TEST_ROOT") + "/out-" + std::to_string(::GetCurrentProcessId());
    RunUnix("(" + command + ") > " + ShellQuote(file) + " 2>&1");
    std::string out;
    ReadFileBytes(UnixToWin(file), out);
    ::DeleteFileW(W(UnixToWin(file)).c_str());
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

std::string KeyboardState() {
    HWND front = ::GetForegroundWindow();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND focus = front && ::GetGUIThreadInfo(::GetWindowThreadProcessId(front, nullptr), &info)
                     ? info.hwndFocus
                     : nullptr;
    return "in front \"" + Text(front) + "\" (" + ClassName(front) + ", X window " +
           std::to_string(reinterpret_cast<uintptr_t>(::GetPropW(front, L"__wine_x11_whole_window"))) +
           "), focus " + ClassName(focus) + " \"" + Text(focus) + "\", X focus " +
           RunUnixOutput("xdotool getwindowfocus -f");
}

TestDir::TestDir() : TestDir(TestName()) {}

TestDir::TestDir(const std::string& name) {
    ForgetDrivesOfEarlierTests();
    std::string root = Env("TARVOLO_TEST_ROOT");
    if (root.empty()) root = "/tmp/tarvolo-e2e";
    // A folder of this run alone: an earlier run of the same test may have left a
    // program behind that Wine still holds open.
    static int counter = 0;
    unix_ = root + "/" + name + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++counter) + "-" + std::to_string(::GetTickCount64());
    if (RunUnix("mkdir -p " + ShellQuote(unix_)) != 0)
        ADD_FAILURE() << "cannot make the test folder " << unix_;
}

TestDir::~TestDir() {
    // Kept after a failure, to look at. Removed in the background: a large tree
    // takes a while, and nothing else uses this folder.
    if (!::testing::Test::HasFailure())
        RunUnix("setsid rm -rf " + ShellQuote(unix_) + " </dev/null >/dev/null 2>&1 &");
}

std::string TestDir::Win() const {
    return UnixToWin(unix_);
}
std::string TestDir::Win(const std::string& relative) const {
    std::string r = relative;
    for (char& c : r)
        if (c == '/') c = '\\';
    return Win() + "\\" + r;
}

namespace {
// A symlink alone is not enough once the session's mount manager is running: the
// drive list (GetLogicalDriveStrings) comes from it. Tell it, as Wine's own
// configuration tool does; with no folder the letter is removed again.
void DefineWineDrive(char letter, const std::string& unixFolder) {
    struct UnixDrive {  // struct mountmgr_unix_drive of Wine's mountmgr.h
        ULONG size, type, fs_type;
        DWORD serial;
        ULONGLONG unix_dev;
        WCHAR letter;
        USHORT mount_point_offset, device_offset, label_offset;
    };
    const DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
    std::string buffer(sizeof(UnixDrive) + unixFolder.size() + 1, '\0');
    auto* drive = reinterpret_cast<UnixDrive*>(buffer.data());
    drive->size = static_cast<ULONG>(buffer.size());
    drive->letter = static_cast<WCHAR>(tolower(letter));
    drive->type = unixFolder.empty() ? DRIVE_NO_ROOT_DIR : DRIVE_FIXED;
    drive->mount_point_offset = unixFolder.empty() ? 0 : static_cast<USHORT>(sizeof(UnixDrive));
    std::copy(unixFolder.begin(), unixFolder.end(), buffer.begin() + sizeof(UnixDrive));
    HANDLE manager = ::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open the mount manager, error " << ::GetLastError();
        return;
    }
    DWORD returned = 0;
    if (!::DeviceIoControl(manager, kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()),
                           nullptr, 0, &returned, nullptr))
        ADD_FAILURE() << "the mount manager did not take drive " << letter << ":, error " << ::GetLastError();
    ::CloseHandle(manager);
}
}  // namespace

Drive::Drive(char letter, const std::string& unixFolder) : letter_(static_cast<char>(toupper(letter))) {
    std::string link = std::string("\"$WINEPREFIX/dosdevices/") + static_cast<char>(tolower(letter)) + ":\"";
    // Whatever an earlier, killed test left under this letter is replaced.
    if (RunUnix("mkdir -p " + ShellQuote(unixFolder) + " && ln -sfn " + ShellQuote(unixFolder) + " " +
                link) != 0)
        ADD_FAILURE() << "cannot link drive " << letter_ << ": to " << unixFolder;
    DefineWineDrive(letter_, unixFolder);
    char root[] = {letter_, ':', '\\', '\0'};
    if (::GetDriveTypeA(root) != DRIVE_FIXED) ADD_FAILURE() << "drive " << root << " is not a fixed drive";
}

Drive::~Drive() {
    DefineWineDrive(letter_, {});
    RunUnix(std::string("rm -f \"$WINEPREFIX/dosdevices/") + static_cast<char>(tolower(letter_)) + ":\"");
}

bool EndSession() {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    wchar_t line[] = L"wineboot.exe -e";
    if (!::CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    bool ended = ::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return ended;
}

bool WriteFileBytes(const std::string& winPath, const std::string& bytes) {
    HANDLE h = ::CreateFileW(W(winPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(h);
    return ok && written == bytes.size();
}

bool ReadFileBytes(const std::string& winPath, std::string& out) {
    out.clear();
    HANDLE h = ::CreateFileW(W(winPath).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
    ::CloseHandle(h);
    return true;
}

bool FileExists(const std::string& winPath) {
    return ::GetFileAttributesW(W(winPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeDirs(const std::string& winPath) {
    std::wstring p = W(winPath);
    for (size_t i = 3; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == L'\\') ::CreateDirectoryW(p.substr(0, i).c_str(), nullptr);
    }
}

std::string Text(HWND hwnd) {
    // WM_GETTEXT reaches the edit of another process too.
    wchar_t buf[4096];
    DWORD_PTR n = 0;
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000,
                               &n))
        return {};
    return U(std::wstring(buf, n));
}

std::string ClassName(HWND hwnd) {
    wchar_t buf[256];
    int n = ::GetClassNameW(hwnd, buf, 256);
    return U(std::wstring(buf, static_cast<size_t>(n > 0 ? n : 0)));
}

bool Visible(HWND hwnd) {
    return hwnd && ::IsWindowVisible(hwnd);
}

namespace {

// The top-level windows of a process, in Z order.
std::vector<HWND> ProcessWindows(DWORD pid) {
    struct Query {
        DWORD pid;
        std::vector<HWND> found;
    } query{pid, {}};
    ::EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* q = reinterpret_cast<Query*>(p);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            if (owner == q->pid) q->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.found;
}

}  // namespace

HWND FindProcessWindow(DWORD pid, const std::wstring& className, const std::string& title, bool visibleOnly) {
    for (HWND w : ProcessWindows(pid)) {
        if (visibleOnly && !::IsWindowVisible(w)) continue;
        if (!className.empty()) {
            wchar_t cls[256];
            const int n = ::GetClassNameW(w, cls, 256);
            if (className != std::wstring(cls, static_cast<size_t>(n > 0 ? n : 0))) continue;
        }
        if (!title.empty() && Text(w) != title) continue;
        return w;
    }
    return nullptr;
}

namespace {

// Keys go through the X server (XTEST) whenever a window is in front. Wine keeps
// its own key state and, each time one of its windows gets the X input focus,
// copies the X server's over it (KeymapNotify): a modifier pressed only inside
// Wine (SendInput) is released again by a focus change the test does not see,
// and Alt+B becomes a plain 'b'. Pressed through the X server, both states agree
// whenever the copy comes. With no visible window in front no X window takes
// keys, so SendInput is used; no focus change can intervene then. A key is
// released the way it was pressed.
//
// Wine asks for the X focus of an unmanaged window with the time of the thread's
// last message, which the X server ignores when it is older than the last focus
// change: the window in front can lack the X focus, and keys would go to
// whatever window has it. With no window manager on the display the harness does
// its part and gives the X focus to the window Wine put in front, which Wine
// takes as no change.
struct KeyEvent {
    WORD vk;
    bool up;
};

std::string XKeysym(WORD vk) {
    if (vk >= 'A' && vk <= 'Z') return std::string(1, static_cast<char>(vk - 'A' + 'a'));
    if (vk >= '0' && vk <= '9') return std::string(1, static_cast<char>(vk));
    if (vk >= VK_F1 && vk <= VK_F12) return "F" + std::to_string(vk - VK_F1 + 1);
    // clang-format off
    switch (vk) {
    case VK_RETURN: return "Return";
    case VK_ESCAPE: return "Escape";
    case VK_TAB: return "Tab";
    case VK_BACK: return "BackSpace";
    case VK_SPACE: return "space";
    case VK_DELETE: return "Delete";
    case VK_INSERT: return "Insert";
    case VK_HOME: return "Home";
    case VK_END: return "End";
    case VK_PRIOR: return "Prior";
    case VK_NEXT: return "Next";
    case VK_UP: return "Up";
    case VK_DOWN: return "Down";
    case VK_LEFT: return "Left";
    case VK_RIGHT: return "Right";
    case VK_SHIFT: case VK_LSHIFT: return "Shift_L";
    case VK_RSHIFT: return "Shift_R";
    case VK_CONTROL: case VK_LCONTROL: return "Control_L";
    case VK_RCONTROL: return "Control_R";
    case VK_MENU: case VK_LMENU: return "Alt_L";
    case VK_RMENU: return "Alt_R";
    case VK_OEM_1: return "semicolon";
    case VK_OEM_PLUS: return "equal";
    case VK_OEM_COMMA: return "comma";
    case VK_OEM_MINUS: return "minus";
    case VK_OEM_PERIOD: return "period";
    case VK_OEM_2: return "slash";
    case VK_OEM_3: return "grave";
    case VK_OEM_4: return "bracketleft";
    case VK_OEM_5: return "backslash";
    case VK_OEM_6: return "bracketright";
    case VK_OEM_7: return "apostrophe";
    default: return {};
    }
    // clang-format on
}

enum class Via { none, x, wine };
Via g_pressedVia[256];

void SendThroughWine(const KeyEvent& e) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = e.vk;
    in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(e.vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = e.up ? KEYEVENTF_KEYUP : 0;
    if (e.vk == VK_UP || e.vk == VK_DOWN || e.vk == VK_LEFT || e.vk == VK_RIGHT || e.vk == VK_HOME ||
        e.vk == VK_END || e.vk == VK_PRIOR || e.vk == VK_NEXT || e.vk == VK_DELETE || e.vk == VK_INSERT)
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    ::SendInput(1, &in, sizeof in);
    std::this_thread::sleep_for(15ms);
}

// The X window of the visible window in front, 0 when there is none.
unsigned long long XWindowInFront() {
    HWND front = ::GetForegroundWindow();
    if (!front || !::IsWindowVisible(front)) return 0;
    return reinterpret_cast<uintptr_t>(::GetPropW(front, L"__wine_x11_whole_window"));
}

// One batch of X key events, the X focus first given to `xwindow` (0: left alone).
void SendThroughX(const std::vector<KeyEvent>& batch, unsigned long long xwindow) {
    if (batch.empty() && !xwindow) return;
    std::string script;
    if (xwindow) {
        const std::string id = std::to_string(xwindow);
        // Wine shows a window in Win32 terms before its thread maps the X window,
        // and the X server refuses the focus to an unmapped window: wait (up to
        // 5 s) until it is viewable first.
        script += "[ \"$(xdotool getwindowfocus -f)\" = " + id +
                  " ] || {\n"
                  "  n=0; until xwininfo -id " +
                  id +
                  " | grep -q IsViewable; do\n"
                  "    n=$((n+1)); [ $n -ge 200 ] && exit 5; sleep 0.025; done\n"
                  "  timeout 5 xdotool windowfocus --sync " +
                  id + " || exit 3\n}\n";
    }
    for (const KeyEvent& e : batch)
        script += std::string("xdotool ") + (e.up ? "keyup " : "keydown ") + XKeysym(e.vk) + " || exit 4\n";
    const int code = RunUnix(script);
    if (code == 3 || code == 5) {
        HWND front = ::GetForegroundWindow();
        ADD_FAILURE() << (code == 5 ? "the X window of the window in front is not mapped"
                                    : "the X input focus cannot be given to the window in front")
                      << " (\"" << Text(front) << "\", class " << ClassName(front) << ", X window " << xwindow
                      << "); " << KeyboardState();
    } else if (code != 0) {
        ADD_FAILURE() << "xdotool failed (" << code << "); is it installed (tools/setup.sh)?";
    }
}

}  // namespace

void GiveXFocusToTheWindowInFront() {
    if (const unsigned long long xwindow = XWindowInFront()) SendThroughX({}, xwindow);
}

bool SettleXInput() {
    // Shift through the X server comes to the program after every X event sent
    // to it before; once Wine shows it pressed and released, a late focus event
    // can no longer move the window in front.
    GiveXFocusToTheWindowInFront();
    auto shift = [] { return (::GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0; };
    if (RunUnix("xdotool keydown Shift_L") != 0) return false;
    const bool down = WaitFor(shift, 5s);
    RunUnix("xdotool keyup Shift_L");
    return WaitFor([&] { return !shift(); }, 5s) && down;
}

bool BringToFrontSettled(HWND window) {
    // Wine acts on X focus events of its own as they arrive, and a late one can
    // put another window of the program in front again: in front means in front
    // once the program has taken every X event sent to it.
    return WaitFor(
        [&] {
            ::SetForegroundWindow(window);
            return WaitFor([&] { return ::GetForegroundWindow() == window; }, 2s) && SettleXInput() &&
                   ::GetForegroundWindow() == window;
        },
        10s);
}

bool ItemPoint(HWND list, int index, POINT& point) {
    RECT r{};
    ::GetClientRect(list, &r);
    for (int y = 1; y < r.bottom; ++y) {
        const LRESULT hit = ::SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(r.right / 2, y));
        if (HIWORD(hit) == 0 && LOWORD(hit) == index) {
            point = {r.right / 2, y + 2};
            return true;
        }
    }
    return false;
}

namespace {

void SendKeys(const std::vector<KeyEvent>& events) {
    std::vector<KeyEvent> batch;
    unsigned long long xwindow = 0;
    bool looked = false;
    for (const KeyEvent& e : events) {
        Via& via = g_pressedVia[e.vk & 0xFF];
        Via use;
        if (e.up && via != Via::none) {
            use = via;
        } else if (XKeysym(e.vk).empty()) {
            use = Via::wine;
        } else {
            if (!looked) {
                xwindow = XWindowInFront();
                looked = true;
            }
            use = xwindow ? Via::x : Via::wine;
        }
        via = e.up ? Via::none : use;
        if (use == Via::x) {
            batch.push_back(e);
        } else {
            if (!batch.empty()) SendThroughX(batch, xwindow);
            batch.clear();
            SendThroughWine(e);
        }
    }
    if (!batch.empty()) SendThroughX(batch, xwindow);
    // Let the target take the keys before the test looks at their effect or sends more.
    std::this_thread::sleep_for(15ms);
}

}  // namespace

void KeyDown(WORD vk) {
    SendKeys({{vk, false}});
}
void KeyUp(WORD vk) {
    SendKeys({{vk, true}});
}
void Key(WORD vk) {
    SendKeys({{vk, false}, {vk, true}});
}

void Chord(std::initializer_list<WORD> modifiers, WORD vk) {
    std::vector<KeyEvent> events;
    for (WORD m : modifiers) events.push_back({m, false});
    events.push_back({vk, false});
    events.push_back({vk, true});
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) events.push_back({*it, true});
    SendKeys(events);
}

void Type(const std::string& ascii) {
    std::vector<KeyEvent> events;
    for (char c : ascii) {
        SHORT scan = ::VkKeyScanW(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        if (scan == -1) continue;
        WORD vk = LOBYTE(scan);
        bool shift = HIBYTE(scan) & 1;
        if (shift) events.push_back({VK_SHIFT, false});
        events.push_back({vk, false});
        events.push_back({vk, true});
        if (shift) events.push_back({VK_SHIFT, true});
    }
    SendKeys(events);
}

void SettleFrontForClick(HWND hwnd) {
    // A click as a user makes it lands on a window that is in front and stays
    // there: a late X focus event of Wine's own can otherwise put another window
    // of the program in front between the press and the release (or before the
    // press), and the click is taken as an activation only, or lost. Popups that
    // never take the front (a dropped list, a menu), and windows a click cannot
    // activate (hidden, or disabled under a modal box: a click that a test expects
    // to change nothing), are clicked as they are, once every X event sent so far
    // has been taken.
    HWND root = ::GetAncestor(hwnd, GA_ROOT);
    const std::string cls = ClassName(root);
    const bool popupWithoutFront = cls == "ComboLBox" || cls == "#32768" ||
                                   (::GetWindowLongW(root, GWL_EXSTYLE) & WS_EX_NOACTIVATE) != 0;
    if (popupWithoutFront || !Visible(root) || !::IsWindowEnabled(root)) {
        if (!SettleXInput())
            ADD_FAILURE() << "the X input did not settle before a click; " << KeyboardState();
        return;
    }
    if (!BringToFrontSettled(root))
        ADD_FAILURE() << "the window to click (\"" << Text(root) << "\", class " << cls
                      << ") does not stay in front; " << KeyboardState();
}

void LeftClick(HWND hwnd, int x, int y, int clicks) {
    SettleFrontForClick(hwnd);
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    ::SetCursorPos(pt.x, pt.y);
    std::vector<INPUT> in(static_cast<size_t>(2 * clicks));
    for (size_t i = 0; i < in.size(); ++i) {
        in[i].type = INPUT_MOUSE;
        in[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    std::this_thread::sleep_for(30ms);
}

Program::Program(const TestDir& dir) : dir_(dir.Win("program")) {
    MakeDirs(dir_);
}

Program::Program(std::string folder) : dir_(std::move(folder)), copyExe_(false) {}

Program::~Program() {
    if (Running()) Kill();
    if (pi_.hProcess) ::CloseHandle(pi_.hProcess);
    if (pi_.hThread) ::CloseHandle(pi_.hThread);
}

std::string Program::Dir() const {
    return dir_;
}
std::string Program::File(const std::string& name) const {
    return dir_ + "\\" + name;
}

bool Program::Start(const std::string& arguments, int showCommand, bool waitForOthers) {
    std::string target = File("tarvolo.exe");
    if (copyExe_) {
        std::string exe = Env("TARVOLO_EXE");
        if (exe.empty()) {
            ADD_FAILURE() << "TARVOLO_EXE is not set";
            return false;
        }
        if (exe[0] == '/') exe = UnixToWin(exe);
        if (!::CopyFileW(W(exe).c_str(), W(target).c_str(), FALSE)) {
            ADD_FAILURE() << "cannot copy " << exe << " to " << target;
            return false;
        }
    }
    // The previous test's program must be gone: one instance runs at a time.
    if (waitForOthers) {
        // One instance runs at a time (a second start only brings the first forward):
        // wait until the one of an earlier test has gone, and end it if it lingers.
        auto instanceGone = [] {
            HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, L"Local\\Tarvolo.Instance");
            if (mutex) ::CloseHandle(mutex);
            return mutex == nullptr && ::FindWindowW(L"TfrmMain", nullptr) == nullptr;
        };
        if (!WaitFor(instanceGone, 10s)) {
            if (HWND other = ::FindWindowW(L"TfrmMain", nullptr)) {
                DWORD pid = 0;
                ::GetWindowThreadProcessId(other, &pid);
                if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
                    ::TerminateProcess(p, 1);
                    ::WaitForSingleObject(p, 10000);
                    ::CloseHandle(p);
                }
            }
            if (!WaitFor(instanceGone, 10s))
                ADD_FAILURE() << "an earlier instance of the program does not go away";
        }
    }
    std::string ini;
    ReadFileBytes(File("tarvolo.ini"), ini);
    iniAtStart_ = WithoutCheckAtStart(ini);
    if (iniAtStart_ != ini && !WriteFileBytes(File("tarvolo.ini"), iniAtStart_)) {
        ADD_FAILURE() << "cannot write " << File("tarvolo.ini");
        return false;
    }
    std::wstring line = L"\"" + W(target) + L"\"";
    if (!arguments.empty()) line += L" " + W(arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showCommand);
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, W(dir_).c_str(), &si,
                          &pi_)) {
        ADD_FAILURE() << "cannot start " << target << ", error " << ::GetLastError();
        return false;
    }
    return true;
}

std::string Program::WithoutCheckAtStart(const std::string& ini) {
    std::string lower = ini;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("checkatstart") != std::string::npos) return ini;
    // Into the first [Rescan] section, the one the program reads.
    const size_t section = lower.find("[rescan]");
    if (section != std::string::npos) {
        size_t next = ini.find_first_of("\r\n", section);
        if (next == std::string::npos) return ini + "\r\nCheckAtStart=0\r\n";
        next += ini.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        return ini.substr(0, next) + "CheckAtStart=0\r\n" + ini.substr(next);
    }
    const bool lineEnded = ini.empty() || ini.back() == '\n' || ini.back() == '\r';
    return ini + (lineEnded ? "" : "\r\n") + "[Rescan]\r\nCheckAtStart=0\r\n";
}

bool Program::Running() const {
    return pi_.hProcess && ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Program::WaitExit(std::chrono::milliseconds timeout) {
    return pi_.hProcess &&
           ::WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

void Program::Kill() {
    if (pi_.hProcess) {
        ::TerminateProcess(pi_.hProcess, 1);
        ::WaitForSingleObject(pi_.hProcess, 10000);
    }
}

HWND Program::Main(std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindProcessWindow(Pid(), L"TfrmMain", {}, false)) != nullptr; }, timeout);
    return found;
}

std::string Program::Describe() const {
    std::string out;
    DWORD code = 0;
    if (!pi_.hProcess || !::GetExitCodeProcess(pi_.hProcess, &code))
        out = "the program was not started";
    else if (code == STILL_ACTIVE)
        out = "the program runs";
    else
        out = "the program ended with exit code " + std::to_string(code);
    std::string windows;
    for (HWND w : ProcessWindows(pi_.dwProcessId))
        windows += " [" + ClassName(w) + " \"" + Text(w) + "\"" +
                   (::IsWindowVisible(w) ? " shown" : " hidden") + (::IsWindowEnabled(w) ? "" : " disabled") +
                   "]";
    return out + (windows.empty() ? ", with no window" : ", with windows" + windows);
}

HWND Program::Control(int id) {
    return ::GetDlgItem(Main(), id);
}

HWND Program::TrayWindow() {
    HWND found = nullptr;
    WaitFor(
        [&] { return (found = FindProcessWindow(Pid(), L"TarvoloTrayIconWindow", {}, false)) != nullptr; });
    return found;
}

void Program::TrayNotify(UINT mouseMessage) {
    ::PostMessageW(TrayWindow(), 0x800, 1, mouseMessage);
}

void Program::CloseFromTrayMenu() {
    TrayNotify(WM_RBUTTONDOWN);
    HWND menu = nullptr;
    bool opened = WaitFor([&] { return (menu = FindProcessWindow(Pid(), L"#32768")) != nullptr; });
    ASSERT_TRUE(opened) << "the icon's menu did not open";
    ASSERT_TRUE(HoldsMenuKeyboard()) << "the icon's menu is shown but the program does not take its keys";
    Key(VK_UP);  // the last item, "Close"
    Key(VK_RETURN);
}

bool Program::HoldsMenuKeyboard(std::chrono::milliseconds timeout) {
    // Keys reach a popup menu once its loop runs (the menu owner of the program's
    // thread) and the program's thread is the one in front.
    return WaitFor(
        [&] {
            DWORD thread = ::GetWindowThreadProcessId(Main(0ms), nullptr);
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            if (!thread || !::GetGUIThreadInfo(thread, &info) || !info.hwndMenuOwner) return false;
            HWND front = ::GetForegroundWindow();
            return front && ::GetWindowThreadProcessId(front, nullptr) == thread;
        },
        timeout);
}

bool Program::Responsive(std::chrono::milliseconds timeout) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(timeout.count()),
                                 &result) != 0;
}

::testing::AssertionResult Program::PickFromDropDown(HWND combo, int index) {
    RECT box{};
    ::GetClientRect(combo, &box);
    LeftClick(combo, box.right - 8, box.bottom / 2);
    HWND list = nullptr;
    if (!WaitFor([&] { return (list = FindProcessWindow(Pid(), L"ComboLBox")) != nullptr; }))
        return ::testing::AssertionFailure() << "the list did not drop down";
    POINT pt{};
    if (!ItemPoint(list, index, pt))
        return ::testing::AssertionFailure() << "no item " << index << " in the dropped list";
    LeftClick(list, pt.x, pt.y);
    if (!WaitFor([&] { return !Visible(list); }))
        return ::testing::AssertionFailure() << "the list stayed down after the click";
    return ::testing::AssertionSuccess();
}

HWND Program::WaitWindow(const std::string& title, std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindProcessWindow(Pid(), L"", title)) != nullptr; }, timeout);
    return found;
}

HWND Program::WaitDialog(const std::string& title, std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindProcessWindow(Pid(), L"#32770", title)) != nullptr; }, timeout);
    return found;
}

std::string Program::MessageText(HWND box) {
    std::string longest;
    ::EnumChildWindows(
        box,
        [](HWND w, LPARAM p) -> BOOL {
            auto* best = reinterpret_cast<std::string*>(p);
            if (ClassName(w) == "Static") {
                std::string t = Text(w);
                if (t.size() > best->size()) *best = t;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&longest));
    return longest;
}

void PutClipboardText(const std::wstring& text) {
    static HWND owner =
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(WaitFor([] { return ::OpenClipboard(owner) != FALSE; }, 2s))
        << "the clipboard cannot be opened";
    ::EmptyClipboard();
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(::GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(mem);
    ::SetClipboardData(CF_UNICODETEXT, mem);
    ::CloseClipboard();
}

bool ClipboardBytes(UINT format, std::string& out) {
    out.clear();
    if (!WaitFor([] { return ::OpenClipboard(nullptr) != FALSE; }, 2s)) return false;
    bool ok = false;
    if (HANDLE data = ::GetClipboardData(format)) {
        if (const void* p = ::GlobalLock(data)) {
            out.assign(static_cast<const char*>(p), ::GlobalSize(data));
            ::GlobalUnlock(data);
            ok = true;
        }
    }
    ::CloseClipboard();
    return ok;
}

}  // namespace e2e
