#include "delivery/WinWindowOps.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

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

constexpr int kCaptionBuffer = 256;  // at most 255 characters
constexpr int kClassBuffer = 19;     // at most 18 characters
constexpr int kTextBuffer = 255;     // at most 254 characters

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

}  // namespace tarvolo
