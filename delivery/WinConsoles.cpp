#include "delivery/WinConsoles.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>

#include "platform/Handles.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// cmd takes at most this many characters on a line.
constexpr size_t kLongestLine = 8191;

INPUT_RECORD KeyRecord(bool down, WORD virtualKey, wchar_t character) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    key.bKeyDown = down ? TRUE : FALSE;
    key.wRepeatCount = 1;
    key.wVirtualKeyCode = virtualKey;
    key.wVirtualScanCode = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    key.uChar.UnicodeChar = character;
    return record;
}

// While attached, the console's Ctrl+C and Ctrl+Break reach this program too:
// they are meant for the shell, and must not end the program.
BOOL WINAPI IgnoreConsoleControl(DWORD) {
    return TRUE;
}

void AddKey(std::vector<INPUT_RECORD>& records, WORD virtualKey, wchar_t character) {
    records.push_back(KeyRecord(true, virtualKey, character));
    records.push_back(KeyRecord(false, virtualKey, character));
}

}  // namespace

std::string WinConsoles::FullClassName(WindowHandle window) {
    wchar_t buffer[257] = {};
    const int n = ::GetClassNameW(reinterpret_cast<HWND>(window), buffer, 257);
    return Narrow(std::wstring_view(buffer, static_cast<size_t>(std::clamp(n, 0, 256))));
}

uint32_t WinConsoles::WindowProcessId(WindowHandle window) {
    DWORD pid = 0;
    return ::GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &pid) ? pid : 0;
}

std::vector<ProcessEntry> WinConsoles::Processes() {
    std::vector<ProcessEntry> processes;
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry))
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, Narrow(entry.szExeFile)});
    return processes;
}

uint32_t WinConsoles::SelfId() {
    return ::GetCurrentProcessId();
}

std::optional<std::vector<uint32_t>> WinConsoles::Attach(uint32_t id) {
    // A program of the window system has no console of its own; one it was
    // started with would stand in the way.
    ::FreeConsole();
    if (!::AttachConsole(id)) return std::nullopt;
    ::SetConsoleCtrlHandler(IgnoreConsoleControl, TRUE);
    std::vector<DWORD> ids(64);
    DWORD count = ::GetConsoleProcessList(ids.data(), static_cast<DWORD>(ids.size()));
    if (count > ids.size()) {
        ids.resize(count + 16);
        count = ::GetConsoleProcessList(ids.data(), static_cast<DWORD>(ids.size()));
    }
    if (count == 0 || count > ids.size()) return std::vector<uint32_t>{};  // no list: no prompt known
    return std::vector<uint32_t>(ids.begin(), ids.begin() + count);
}

bool WinConsoles::TypeCommand(std::string_view command) {
    const UniqueFile input(::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                         nullptr));
    if (!input) return false;
    // A line the user had half typed is emptied first, neither run nor glued to
    // the command: End, then one Backspace for every character that can stand
    // before the cursor. Backspace stops at the start of the line in cmd and in
    // PowerShell, so more are harmless; Esc would do it in one key on Windows,
    // but Wine's console takes it for a character.
    size_t erase = kLongestLine;
    const UniqueFile output(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                          nullptr));
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    if (output && ::GetConsoleScreenBufferInfo(output.get(), &screen)) {
        const size_t before = static_cast<size_t>(std::max<SHORT>(screen.dwCursorPosition.Y, 0)) *
                                  static_cast<size_t>(std::max<SHORT>(screen.dwSize.X, 0)) +
                              static_cast<size_t>(std::max<SHORT>(screen.dwCursorPosition.X, 0));
        erase = std::min(erase, before);
    }
    std::vector<INPUT_RECORD> records;
    records.reserve((erase + command.size() + 2) * 2);
    AddKey(records, VK_END, 0);
    for (size_t i = 0; i < erase; ++i) AddKey(records, VK_BACK, L'\b');
    for (const wchar_t c : Widen(command)) AddKey(records, 0, c);
    AddKey(records, VK_RETURN, L'\r');
    DWORD written = 0;
    return ::WriteConsoleInputW(input.get(), records.data(), static_cast<DWORD>(records.size()), &written) &&
           written == records.size();
}

void WinConsoles::Detach() {
    ::FreeConsole();
    ::SetConsoleCtrlHandler(IgnoreConsoleControl, FALSE);
}

}  // namespace tarvolo
