#include "delivery/WinWindowOps.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>

#include "delivery/core/ForeignText.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

HWND ToHwnd(WindowHandle h) {
    return reinterpret_cast<HWND>(h);
}
WindowHandle FromHwnd(HWND h) {
    return reinterpret_cast<WindowHandle>(h);
}

// No exception may unwind through the system's enumeration; one ends the walk.
BOOL CALLBACK VisitThunk(HWND window, LPARAM param) {
    try {
        return (*reinterpret_cast<const WindowOps::Visit*>(param))(FromHwnd(window)) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

// SMTO_ABORTIFHUNG returns at once for a window the system already counts as
// hung; SMTO_ERRORONEXIT when the window's thread ends during the wait.
constexpr UINT kSendFlags = SMTO_ABORTIFHUNG | SMTO_ERRORONEXIT;

constexpr int kCaptionBuffer = 256;    // at most 255 characters
constexpr int kClassBuffer = 19;       // at most 18 characters
constexpr int kTextBuffer = 255;       // at most 254 characters
constexpr int kFullClassBuffer = 257;  // a class name has at most 256 characters

std::string FullClassName(HWND window) {
    wchar_t buffer[kFullClassBuffer] = {};
    const int n = ::GetClassNameW(window, buffer, kFullClassBuffer);
    return Narrow(std::wstring_view(buffer, static_cast<size_t>(std::clamp(n, 0, kFullClassBuffer - 1))));
}

// Browse For Folder's selection message, with its path in the dialog's process.
class BrowseSelection final : public ForeignProcess {
public:
    explicit BrowseSelection(WinWindowOps& ops) : ops_(ops) {}
    ~BrowseSelection() override { Close(); }
    BrowseSelection(const BrowseSelection&) = delete;
    BrowseSelection& operator=(const BrowseSelection&) = delete;

    uint32_t WindowProcessId(WindowHandle window) override {
        DWORD pid = 0;
        return ::GetWindowThreadProcessId(ToHwnd(window), &pid) ? pid : 0;
    }
    bool Open(uint32_t id) override {
        process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, id);
        if (!process_) error_ = ::GetLastError();
        return process_ != nullptr;
    }
    uintptr_t Allocate(size_t bytes) override {
        void* address = ::VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!address) error_ = ::GetLastError();
        return reinterpret_cast<uintptr_t>(address);
    }
    bool Write(uintptr_t address, std::string_view bytes) override {
        SIZE_T written = 0;
        if (::WriteProcessMemory(process_, reinterpret_cast<void*>(address), bytes.data(), bytes.size(),
                                 &written) &&
            written == bytes.size())
            return true;
        error_ = ::GetLastError();
        return false;
    }
    void Free(uintptr_t address) override {
        ::VirtualFreeEx(process_, reinterpret_cast<void*>(address), 0, MEM_RELEASE);
    }
    void Close() override {
        if (process_) ::CloseHandle(process_);
        process_ = nullptr;
    }
    bool Send(WindowHandle window, uintptr_t address) override {
        DWORD_PTR result = 0;
        const bool sent = ops_.Send(window, BFFM_SETSELECTIONW, TRUE, static_cast<LPARAM>(address), &result);
        if (!sent) error_ = ops_.LastSendError();
        return sent;
    }
    uint32_t LastError() const override { return error_; }

private:
    WinWindowOps& ops_;
    HANDLE process_ = nullptr;
    uint32_t error_ = 0;
};

}  // namespace

WinWindowOps::WinWindowOps(std::function<void()> minimizeApplication, unsigned timeoutMs)
    : minimizeApplication_(std::move(minimizeApplication)), timeoutMs_(timeoutMs) {}

bool WinWindowOps::Send(WindowHandle window, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR* result) {
    ::SetLastError(0);
    if (::SendMessageTimeoutW(ToHwnd(window), msg, wp, lp, kSendFlags, timeoutMs_, result)) return true;
    lastError_ = ::GetLastError();
    return false;
}

void WinWindowOps::EnumTopLevel(const Visit& visit) {
    ::EnumWindows(VisitThunk, reinterpret_cast<LPARAM>(&visit));
}

void WinWindowOps::EnumDescendants(WindowHandle window, const Visit& visit) {
    ::EnumChildWindows(ToHwnd(window), VisitThunk, reinterpret_cast<LPARAM>(&visit));
}

std::string WinWindowOps::GetCaption(WindowHandle window) {
    // The caption the system keeps. GetWindowTextW would send WM_GETTEXT,
    // without a time limit, to a window of another thread of this process.
    wchar_t buffer[kCaptionBuffer] = {};
    const int n = ::InternalGetWindowText(ToHwnd(window), buffer, kCaptionBuffer);
    return Narrow(std::wstring_view(buffer, static_cast<size_t>(std::clamp(n, 0, kCaptionBuffer - 1))));
}

std::string WinWindowOps::GetWindowClassName(WindowHandle window) {
    wchar_t buffer[kClassBuffer] = {};
    const int n = ::GetClassNameW(ToHwnd(window), buffer, kClassBuffer);
    return Narrow(std::wstring_view(buffer, static_cast<size_t>(std::clamp(n, 0, kClassBuffer - 1))));
}

std::optional<uint32_t> WinWindowOps::SendGetDefId(WindowHandle dialog) {
    DWORD_PTR answer = 0;
    if (!Send(dialog, DM_GETDEFID, 0, 0, &answer)) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(answer);
}

std::optional<std::string> WinWindowOps::GetText(WindowHandle window) {
    wchar_t buffer[kTextBuffer] = {};
    DWORD_PTR copied = 0;
    if (!Send(window, WM_GETTEXT, kTextBuffer, reinterpret_cast<LPARAM>(buffer), &copied)) {
        return std::nullopt;
    }
    // Trust neither the count nor the terminator of a foreign window alone.
    const size_t limit = std::min<size_t>(static_cast<size_t>(copied), kTextBuffer - 1);
    return Narrow(std::wstring_view(buffer, ::wcsnlen(buffer, limit)));
}

bool WinWindowOps::SetText(WindowHandle window, std::string_view text) {
    const std::wstring wide = Widen(text);
    DWORD_PTR result = 0;
    return Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), &result);
}

bool WinWindowOps::SendCommand(WindowHandle dialog, uint32_t wParam, WindowHandle lParamWindow) {
    DWORD_PTR result = 0;
    return Send(dialog, WM_COMMAND, wParam, static_cast<LPARAM>(lParamWindow), &result);
}

WindowHandle WinWindowOps::GetDlgItem(WindowHandle dialog, int id) {
    return FromHwnd(::GetDlgItem(ToHwnd(dialog), id));
}

void WinWindowOps::MinimizeApplication() {
    if (minimizeApplication_) minimizeApplication_();
}

std::vector<WindowNode> WinWindowOps::DescribeTree(WindowHandle window) {
    // Only what the system keeps for every window: nothing here is sent to the
    // window, so a hung dialog costs no time-out.
    std::vector<WindowNode> nodes{{window, 0, FullClassName(ToHwnd(window)), 0}};
    const Visit add = [&nodes](WindowHandle child) {
        HWND h = ToHwnd(child);
        nodes.push_back({child, FromHwnd(::GetAncestor(h, GA_PARENT)), FullClassName(h), ::GetDlgCtrlID(h)});
        return true;
    };
    EnumDescendants(window, add);
    return nodes;
}

bool WinWindowOps::IsShown(WindowHandle window) {
    return ::IsWindow(ToHwnd(window)) && ::IsWindowVisible(ToHwnd(window));
}

bool WinWindowOps::IsWindowMinimized(WindowHandle window) {
    return ::IsIconic(ToHwnd(window)) != FALSE;
}

WindowHandle WinWindowOps::OwnerOf(WindowHandle window) {
    return FromHwnd(::GetWindow(ToHwnd(window), GW_OWNER));
}

WindowHandle WinWindowOps::LastActivePopup(WindowHandle owner) {
    return FromHwnd(::GetLastActivePopup(ToHwnd(owner)));
}

bool WinWindowOps::SelectBrowseFolder(WindowHandle dialog, std::string_view path) {
    // BFFM_SETSELECTIONW reads the path through a pointer in the dialog's own
    // process; the system copies nothing for messages of this range.
    const std::wstring wide = Widen(path);
    const std::string_view bytes(reinterpret_cast<const char*>(wide.c_str()),
                                 (wide.size() + 1) * sizeof(wchar_t));
    BrowseSelection selection(*this);
    uint32_t error = 0;
    if (SendForeignText(selection, dialog, bytes, error)) return true;
    lastError_ = error;
    return false;
}

WindowHandle WinWindowOps::ForegroundOfAnotherProgram() {
    HWND front = ::GetForegroundWindow();
    if (!front) return 0;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(front, &pid);
    if (pid == ::GetCurrentProcessId()) return 0;
    // A child window in front stands for the top-level window that holds it.
    HWND root = ::GetAncestor(front, GA_ROOT);
    return FromHwnd(root ? root : front);
}

}  // namespace tarvolo
