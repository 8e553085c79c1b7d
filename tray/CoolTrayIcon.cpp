#include "tray/CoolTrayIcon.h"

#include <windowsx.h>

#include <cstring>
#include <stdexcept>

#include "platform/Application.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

constexpr wchar_t kWindowClass[] = L"TarvoloTrayIconWindow";
constexpr size_t kTipUnits = 63;  // the first-version record holds 64 units with the terminating zero

class ShellNotifyIcon final : public TrayShell {
public:
    bool Notify(DWORD message, NOTIFYICONDATAW* data) override {
        return ::Shell_NotifyIconW(message, data) != FALSE;  // FALSE: the shell refused
    }
};

UINT TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

TrayShiftState KeyShiftState() {
    TrayShiftState shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= ssShift;  // high bit: held
    if (::GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

POINT CursorPos() {
    POINT pt{};
    if (!::GetCursorPos(&pt)) pt = POINT{};
    return pt;
}

}  // namespace

TrayShell& SystemTrayShell() {
    static ShellNotifyIcon shell;
    return shell;
}

TCoolTrayIcon::TCoolTrayIcon(TrayHost& host, TrayShell& shell) : host_(host), shell_(shell) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    if (!::GetClassInfoExW(instance, kWindowClass, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &TCoolTrayIcon::WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kWindowClass;
        if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            throw std::runtime_error("cannot register the notification icon's window class");
    }
    // A top-level window, not a message-only one: only top-level windows receive the shell's
    // "TaskbarCreated" broadcast and the session-end queries.
    window_.reset(
        ::CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, this));
    if (!window_) throw std::runtime_error("cannot create the notification icon's window");
    // An elevated process would not get the broadcast from the unelevated shell otherwise.
    ::ChangeWindowMessageFilterEx(window_.get(), TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);

    record_.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record_.hWnd = window_.get();
    record_.uID = kIconId;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = kNotifyMessage;

    HookTaskbarWindow();
}

TCoolTrayIcon::~TCoolTrayIcon() {
    *alive_ = false;
    DeleteTrayIcon();
    icon_.reset();
    if (window_) {
        ::KillTimer(window_.get(), kCycleTimerId);
        // Messages sent while the window goes away must not reach a half-destroyed component.
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
        window_.reset();
    }
    UnhookTaskbarWindow();
}

// ---- Properties ---------------------------------------------------------------------------------

void TCoolTrayIcon::SetCycleIcons(bool value) {
    cycleIcons_ = value;
    if (value) cycleIndex_ = 0;
    UpdateCycleTimer();
}

void TCoolTrayIcon::SetCycleInterval(UINT milliseconds) {
    cycleInterval_ = milliseconds;
    UpdateCycleTimer();
}

void TCoolTrayIcon::SetHint(const std::string& utf8) {
    hint_ = utf8;
    ModifyTrayIcon();
}

void TCoolTrayIcon::SetShowHint(bool value) {
    showHint_ = value;
    ModifyTrayIcon();
}

void TCoolTrayIcon::SetIcon(HICON icon) {
    icon_.reset(icon ? ::CopyIcon(icon) : nullptr);
    ModifyTrayIcon();
}

void TCoolTrayIcon::SetIconVisible(bool value) {
    if (value)
        AddTrayIcon();
    else
        DeleteTrayIcon();
}

// ---- Shell calls --------------------------------------------------------------------------------

void TCoolTrayIcon::PrepareRecord() {
    record_.hIcon = icon_.get();
    std::memset(record_.szTip, 0, sizeof(record_.szTip));
    if (!hint_.empty() && showHint_) {
        std::wstring tip = Widen(hint_);
        size_t n = tip.size();
        if (n > kTipUnits) {
            n = kTipUnits;
            // Half a surrogate pair would show as garbage; leave the whole character out.
            if (IS_HIGH_SURROGATE(tip[n - 1])) --n;
        }
        tip.copy(record_.szTip, n);
    }
}

bool TCoolTrayIcon::AddTrayIcon() {
    iconVisible_ = true;
    PrepareRecord();
    return shell_.Notify(NIM_ADD, &record_);
}

bool TCoolTrayIcon::DeleteTrayIcon() {
    iconVisible_ = false;
    PrepareRecord();
    return shell_.Notify(NIM_DELETE, &record_);
}

bool TCoolTrayIcon::ModifyTrayIcon() {
    PrepareRecord();
    return shell_.Notify(NIM_MODIFY, &record_);
}

void TCoolTrayIcon::ReAddAfterShellRestart() {
    if (iconVisible_) AddTrayIcon();
}

bool TCoolTrayIcon::ShowBalloon(const std::string& titleUtf8, const std::string& textUtf8) {
    // The balloon's fields come after the first-version record: a record of its own.
    NOTIFYICONDATAW balloon{};
    balloon.cbSize = sizeof balloon;
    balloon.hWnd = record_.hWnd;
    balloon.uID = record_.uID;
    balloon.uFlags = NIF_INFO;
    balloon.dwInfoFlags = NIIF_WARNING;
    const std::wstring title = Widen(titleUtf8), text = Widen(textUtf8);
    title.copy(balloon.szInfoTitle, ARRAYSIZE(balloon.szInfoTitle) - 1);
    text.copy(balloon.szInfo, ARRAYSIZE(balloon.szInfo) - 1);
    return shell_.Notify(NIM_MODIFY, &balloon);
}

// ---- Dispatchers --------------------------------------------------------------------------------

void TCoolTrayIcon::FireClick() {
    if (OnClick) OnClick(*this);
}

void TCoolTrayIcon::FireDblClick() {
    if (OnDblClick) OnDblClick(*this);
}

void TCoolTrayIcon::FireCycle(int current) {
    if (OnCycle) OnCycle(*this, current);
}

void TCoolTrayIcon::FireMouseDown(TrayButton button, TrayShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TCoolTrayIcon::FireMouseUp(TrayButton button, TrayShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void TCoolTrayIcon::FireMouseMove(TrayShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void TCoolTrayIcon::HideToTray() {
    HideMainWindow();
    SetIconVisible(true);  // the shell refuses the add when the icon is already there
}

// ---- Application windows ------------------------------------------------------------------------

void TCoolTrayIcon::FinishLoading() {
    if (startMinimized_) {
        host_.SetShowMainFormAtStart(false);
        if (HWND taskbar = host_.TaskbarWindow()) ::ShowWindow(taskbar, SW_HIDE);
    }
    ModifyTrayIcon();  // refused unless the icon was added while loading
    SetIconVisible(iconVisible_);
}

void TCoolTrayIcon::ComponentRemoved(const void* component) {
    if (!component) return;
    if (component == iconList_) iconList_ = nullptr;
    if (component == popupMenu_) popupMenu_ = nullptr;
}

void TCoolTrayIcon::HideMainWindow() {
    if (HWND taskbar = host_.TaskbarWindow()) ::ShowWindow(taskbar, SW_HIDE);
    if (HWND main = host_.MainWindow()) ::ShowWindow(main, SW_HIDE);
}

void TCoolTrayIcon::RestoreMainWindow() {
    if (HWND taskbar = host_.TaskbarWindow()) ::ShowWindow(taskbar, SW_RESTORE);
    if (HWND main = host_.MainWindow()) {
        ::ShowWindow(main, SW_SHOW);
        ::ShowWindow(main, SW_RESTORE);
    }
}

// Each component subclasses under its own id, so that two on one window each
// see the minimize and each takes only its own hook away.
void TCoolTrayIcon::HookTaskbarWindow() {
    HWND taskbar = host_.TaskbarWindow();
    if (!taskbar || !::IsWindow(taskbar)) return;
    if (::SetWindowSubclass(taskbar, &TCoolTrayIcon::TaskbarHookProc, reinterpret_cast<UINT_PTR>(this),
                            reinterpret_cast<DWORD_PTR>(this)))
        hookedWindow_ = taskbar;
}

void TCoolTrayIcon::UnhookTaskbarWindow() {
    HWND taskbar = hookedWindow_;
    hookedWindow_ = nullptr;
    if (taskbar && ::IsWindow(taskbar))
        ::RemoveWindowSubclass(taskbar, &TCoolTrayIcon::TaskbarHookProc, reinterpret_cast<UINT_PTR>(this));
}

LRESULT CALLBACK TCoolTrayIcon::TaskbarHookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                                UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<TCoolTrayIcon*>(data);
    if (msg == WM_SIZE && wParam == SIZE_MINIMIZED && self->minimizeToTray_) {
        // The minimize itself goes on whatever happens to the hiding.
        Guarded([&] { self->HideToTray(); });
    }
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &TCoolTrayIcon::TaskbarHookProc, id);
        self->hookedWindow_ = nullptr;
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// ---- Hidden message window ----------------------------------------------------------------------

LRESULT CALLBACK TCoolTrayIcon::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TCoolTrayIcon*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->window_.get() == hwnd) {
        return Guarded([&] { return self->HandleMessage(msg, wParam, lParam); },
                       LRESULT{msg == WM_QUERYENDSESSION});
    }
    if (msg == WM_QUERYENDSESSION) return TRUE;
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT TCoolTrayIcon::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kNotifyMessage) {
        // The first-version notification carries the mouse message as lParam.
        HandleNotification(LOWORD(lParam));
        return 0;
    }
    if (msg == WM_QUERYENDSESSION) return TRUE;  // never hold up a shutdown or log-off
    if (msg == WM_TIMER && wParam == kCycleTimerId) {
        CycleStep();
        return 0;
    }
    if (msg == TaskbarCreatedMessage() && msg != 0) {
        ReAddAfterShellRestart();
        return 0;
    }
    return ::DefWindowProcW(window_.get(), msg, wParam, lParam);
}

void TCoolTrayIcon::HandleNotification(UINT mouseMessage) {
    if (!enabled_) return;
    // Every event may run code that destroys this component; stop touching it if so.
    std::shared_ptr<bool> alive = alive_;
    POINT pt = CursorPos();
    switch (mouseMessage) {
        case WM_MOUSEMOVE:
            FireMouseMove(KeyShiftState(), pt.x, pt.y);
            break;
        case WM_LBUTTONDOWN:
            FireMouseDown(TrayButton::left, KeyShiftState() | ssLeft, pt.x, pt.y);
            if (!*alive) return;
            leftPressed_ = true;
            if (leftPopup_) ShowPopupAtCursor();
            break;
        case WM_LBUTTONUP:
            if (leftPressed_) {
                leftPressed_ = false;
                FireClick();
                if (!*alive) return;
            }
            FireMouseUp(TrayButton::left, KeyShiftState() | ssLeft, pt.x, pt.y);
            break;
        case WM_LBUTTONDBLCLK:
            FireDblClick();
            if (!*alive) return;
            if (popupMenu_ && popupMenu_->AutoPopup() && !leftPopup_) popupMenu_->ActivateDefaultItem();
            break;
        case WM_RBUTTONDOWN:
            FireMouseDown(TrayButton::right, KeyShiftState() | ssRight, pt.x, pt.y);
            if (!*alive) return;
            ShowPopupAtCursor();
            break;
        case WM_RBUTTONUP:
            FireMouseUp(TrayButton::right, KeyShiftState() | ssRight, pt.x, pt.y);
            break;
        case WM_MBUTTONDOWN:
            FireMouseDown(TrayButton::middle, KeyShiftState() | ssMiddle, pt.x, pt.y);
            break;
        case WM_MBUTTONUP:
            FireMouseUp(TrayButton::middle, KeyShiftState() | ssMiddle, pt.x, pt.y);
            break;
        default:  // WM_RBUTTONDBLCLK and anything else: nothing
            break;
    }
}

void TCoolTrayIcon::ShowPopupAtCursor() {
    POINT pt{};
    if (!popupMenu_ || !popupMenu_->AutoPopup() || !::GetCursorPos(&pt)) return;
    std::shared_ptr<bool> alive = alive_;
    host_.ProcessMessages();
    if (!*alive || !popupMenu_) return;  // a waiting message may have removed the menu or us
    HWND main = host_.MainWindow();
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(main);
    if (HWND control = host_.ActiveControl()) ::SetFocus(control);
    popupMenu_->Popup(pt.x, pt.y);
    // Posted even if the menu's command destroyed us: the menu needs it to close cleanly.
    if (main && ::IsWindow(main)) ::PostMessageW(main, WM_NULL, 0, 0);
}

// ---- Icon cycling -------------------------------------------------------------------------------

void TCoolTrayIcon::UpdateCycleTimer() {
    if (!window_) return;
    if (CycleTimerRunning())
        ::SetTimer(window_.get(), kCycleTimerId, cycleInterval_, nullptr);
    else
        ::KillTimer(window_.get(), kCycleTimerId);
}

void TCoolTrayIcon::CycleStep() {
    // A tick queued before the timer was stopped still arrives; it must not step.
    if (!CycleTimerRunning() || !iconList_) return;
    int count = ImageList_GetImageCount(iconList_);
    if (count <= 0) return;
    if (cycleIndex_ >= count) cycleIndex_ = 0;  // the list shrank since the last tick
    int current = cycleIndex_;
    HICON image = ImageList_GetIcon(iconList_, current, ILD_NORMAL);
    if (image) icon_.reset(image);
    std::shared_ptr<bool> alive = alive_;
    FireCycle(current);
    if (!*alive) return;
    ModifyTrayIcon();
    cycleIndex_ = current < count - 1 ? current + 1 : 0;
}

}  // namespace tarvolo
