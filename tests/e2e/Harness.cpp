#include "tests/e2e/Harness.h"

#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <utility>

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
    int n = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr,
                                  nullptr);
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
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

int RunUnix(const std::string& command) {
    // Through a script file, so no quoting rules of two systems need getting right.
    // Wine does not wait for a Unix process, so the script leaves its exit code in
    // a file of its own, which is polled for.
    static int counter = 0;
    std::string root = Env("TARVOLO_TEST_ROOT");
    std::string base = root + "/cmd-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    std::string script = base + ".sh", status = base + ".status";
    if (!WriteFileBytes(UnixToWin(script), "(\n" + command + "\n) >/dev/null 2>&1\necho $? > " +
                                               ShellQuote(status) + ".tmp && mv " + ShellQuote(status + ".tmp") +
                                               " " + ShellQuote(status) + "\n")) {
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
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    std::string code;
    if (!WaitFor([&] { return ReadFileBytes(UnixToWin(status), code) && !code.empty(); }, 60s)) {
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

TestDir::TestDir() : TestDir(TestName()) {}

TestDir::TestDir(const std::string& name) {
    std::string root = Env("TARVOLO_TEST_ROOT");
    if (root.empty()) root = "/tmp/tarvolo-e2e";
    unix_ = root + "/" + name;
    RunUnix("rm -rf " + ShellQuote(unix_) + " && mkdir -p " + ShellQuote(unix_));
}

std::string TestDir::Win() const { return UnixToWin(unix_); }
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
    if (manager == INVALID_HANDLE_VALUE) return;
    DWORD returned = 0;
    ::DeviceIoControl(manager, kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, 0,
                      &returned, nullptr);
    ::CloseHandle(manager);
}
}  // namespace

Drive::Drive(char letter, const std::string& unixFolder) : letter_(static_cast<char>(toupper(letter))) {
    std::string link = std::string("\"$WINEPREFIX/dosdevices/") + static_cast<char>(tolower(letter)) + ":\"";
    RunUnix("mkdir -p " + ShellQuote(unixFolder) + " && ln -sfn " + ShellQuote(unixFolder) + " " + link);
    DefineWineDrive(letter_, unixFolder);
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
    if (!::CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    bool ended = ::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return ended;
}

bool WriteFileBytes(const std::string& winPath, const std::string& bytes) {
    HANDLE h = ::CreateFileW(W(winPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(h);
    return ok && written == bytes.size();
}

bool ReadFileBytes(const std::string& winPath, std::string& out) {
    out.clear();
    HANDLE h = ::CreateFileW(W(winPath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, &n))
        return {};
    return U(std::wstring(buf, n));
}

std::string ClassName(HWND hwnd) {
    wchar_t buf[256];
    int n = ::GetClassNameW(hwnd, buf, 256);
    return U(std::wstring(buf, static_cast<size_t>(n > 0 ? n : 0)));
}

bool Visible(HWND hwnd) { return hwnd && ::IsWindowVisible(hwnd); }

HWND FindProcessWindow(DWORD pid, const std::wstring& className, const std::string& title, bool visibleOnly) {
    struct Query {
        DWORD pid;
        std::wstring cls;
        std::string title;
        bool visibleOnly;
        HWND found;
    } q{pid, className, title, visibleOnly, nullptr};
    ::EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* q = reinterpret_cast<Query*>(p);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            if (owner != q->pid) return TRUE;
            if (q->visibleOnly && !::IsWindowVisible(w)) return TRUE;
            if (!q->cls.empty()) {
                wchar_t cls[256];
                int n = ::GetClassNameW(w, cls, 256);
                if (q->cls != std::wstring(cls, static_cast<size_t>(n > 0 ? n : 0))) return TRUE;
            }
            if (!q->title.empty() && Text(w) != q->title) return TRUE;
            q->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&q));
    return q.found;
}

namespace {
void SendKey(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_UP || vk == VK_DOWN || vk == VK_LEFT || vk == VK_RIGHT || vk == VK_HOME || vk == VK_END ||
        vk == VK_PRIOR || vk == VK_NEXT || vk == VK_DELETE || vk == VK_INSERT)
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    ::SendInput(1, &in, sizeof in);
    // Let the target take each key before the next: keys sent faster than
    // Wine delivers them can arrive with the wrong modifier state.
    std::this_thread::sleep_for(15ms);
}
}  // namespace

void KeyDown(WORD vk) { SendKey(vk, false); }
void KeyUp(WORD vk) { SendKey(vk, true); }
void Key(WORD vk) {
    KeyDown(vk);
    KeyUp(vk);
}

void Chord(std::initializer_list<WORD> modifiers, WORD vk) {
    for (WORD m : modifiers) KeyDown(m);
    Key(vk);
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) KeyUp(*it);
}

void Type(const std::string& ascii) {
    for (char c : ascii) {
        SHORT scan = ::VkKeyScanW(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        if (scan == -1) continue;
        WORD vk = LOBYTE(scan);
        bool shift = HIBYTE(scan) & 1;
        if (shift) KeyDown(VK_SHIFT);
        Key(vk);
        if (shift) KeyUp(VK_SHIFT);
    }
}

void LeftClick(HWND hwnd, int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    ::SetCursorPos(pt.x, pt.y);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, in, sizeof(INPUT));
    std::this_thread::sleep_for(30ms);
}

Program::Program(const TestDir& dir) : dir_(dir.Win("program")) { MakeDirs(dir_); }

Program::Program(std::string folder) : dir_(std::move(folder)), copyExe_(false) {}

Program::~Program() {
    if (Running()) Kill();
    if (pi_.hProcess) ::CloseHandle(pi_.hProcess);
    if (pi_.hThread) ::CloseHandle(pi_.hThread);
}

std::string Program::Dir() const { return dir_; }
std::string Program::File(const std::string& name) const { return dir_ + "\\" + name; }

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
            if (!WaitFor(instanceGone, 10s)) ADD_FAILURE() << "an earlier instance of the program does not go away";
        }
    }
    std::wstring line = L"\"" + W(target) + L"\"";
    if (!arguments.empty()) line += L" " + W(arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showCommand);
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, W(dir_).c_str(), &si, &pi_)) {
        ADD_FAILURE() << "cannot start " << target << ", error " << ::GetLastError();
        return false;
    }
    return true;
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

HWND Program::Control(int id) { return ::GetDlgItem(Main(), id); }

HWND Program::TrayWindow() {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindProcessWindow(Pid(), L"TarvoloTrayIconWindow", {}, false)) != nullptr; });
    return found;
}

void Program::TrayNotify(UINT mouseMessage) { ::PostMessageW(TrayWindow(), 0x800, 1, mouseMessage); }

void Program::CloseFromTrayMenu() {
    TrayNotify(WM_RBUTTONDOWN);
    HWND menu = nullptr;
    bool opened = WaitFor([&] { return (menu = FindProcessWindow(Pid(), L"#32768")) != nullptr; });
    ASSERT_TRUE(opened) << "the icon's menu did not open";
    Key(VK_UP);  // the last item, "Close"
    Key(VK_RETURN);
}

bool Program::Responsive(std::chrono::milliseconds timeout) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(timeout.count()),
                                 &result) != 0;
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
    std::string best;
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
        reinterpret_cast<LPARAM>(&best));
    return best;
}

}  // namespace e2e
