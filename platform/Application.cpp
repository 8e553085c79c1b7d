#include "platform/Application.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <new>
#include <stdexcept>

#include "platform/Form.h"
#include "platform/WinText.h"

namespace tarvolo {

Application& Application::Get() {
    static Application app;
    return app;
}

void Application::Initialize(HINSTANCE instance, int showCommand) {
    instance_ = instance;
    showCommand_ = showCommand;

    int argc = 0;
    if (LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc)) {
        for (int i = 1; i < argc; ++i) arguments_.push_back(Narrow(argv[i]));
        ::LocalFree(argv);
    }

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Application::TaskbarProc;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = L"TarvoloApplication";
    ::RegisterClassExW(&wc);
    // A zero-sized window in the middle of the screen: it carries the taskbar
    // button and owns every form, so that minimizing it takes them all away.
    int cx = ::GetSystemMetrics(SM_CXSCREEN) / 2, cy = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ = ::CreateWindowExW(0, wc.lpszClassName, L"",
                                WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, cx, cy,
                                0, 0, nullptr, nullptr, instance, nullptr);
}

void Application::SetTitle(const std::string& title) {
    title_ = title;
    if (handle_) ::SetWindowTextW(handle_, Widen(title).c_str());
}

void Application::SetHintHidePause(int ms) {
    hintHidePause_ = ms;
    // A form's hint window is made with its first hint, often before the program
    // sets its timing: every hint window of this thread takes the new value.
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            wchar_t name[32] = {};
            if (::GetClassNameW(w, name, 32) && ::lstrcmpiW(name, TOOLTIPS_CLASSW) == 0)
                ::SendMessageW(w, TTM_SETDELAYTIME, TTDT_AUTOPOP, p);
            return TRUE;
        },
        static_cast<LPARAM>(ms));
}

LRESULT CALLBACK Application::TaskbarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Guarded([&] { return Get().TaskbarMessage(hwnd, msg, wp, lp); },
                   LRESULT{msg == WM_QUERYENDSESSION});
}

LRESULT Application::TaskbarMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Application& app = *this;
    switch (msg) {
        case WM_ACTIVATEAPP:
            app.active_ = wp != FALSE;
            break;
        case WM_ACTIVATE:
            // Activating the taskbar window hands the activation on to the main form.
            if (LOWORD(wp) != WA_INACTIVE && app.mainForm_ && ::IsWindowVisible(app.mainForm_->Handle()) &&
                !::IsIconic(hwnd)) {
                HWND popup = ::GetLastActivePopup(hwnd);
                if (popup && popup != hwnd && ::IsWindowEnabled(popup)) ::SetActiveWindow(popup);
                return 0;
            }
            break;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == SC_RESTORE && ::IsIconic(hwnd)) {
                ::ShowWindow(hwnd, SW_RESTORE);
                return 0;
            }
            break;
        case WM_CLOSE:
            if (app.mainForm_) app.mainForm_->Close();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        default:
            break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

void Application::HandleMessage(MSG& msg) {
    // The key preview runs the program's own code outside any window procedure.
    Guarded([&] { Dispatch(msg); });
}

void Application::Dispatch(MSG& msg) {
    bool isKey = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || msg.message == WM_CHAR ||
                 msg.message == WM_SYSCHAR || msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    Form* form = nullptr;
    if (msg.hwnd) {
        HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
        form = Form::FromHandle(root);
    }
    if (isKey && form && form->keyPreview && form->PreviewKey(msg)) return;
    if (form && ::IsDialogMessageW(form->Handle(), &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void Application::ProcessMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            exitCode_ = static_cast<int>(msg.wParam);
            ::PostQuitMessage(exitCode_);  // let the outer loop see it too
            return;
        }
        HandleMessage(msg);
    }
}

int Application::Run() {
    if (mainForm_ && showMainForm && !terminated_) {
        if (showCommand_ == SW_SHOWMAXIMIZED)
            ::ShowWindow(mainForm_->Handle(), SW_SHOWMAXIMIZED);
        else
            ::ShowWindow(mainForm_->Handle(), SW_SHOW);
        ::ShowWindow(handle_, SW_SHOWNORMAL);
    }
    MSG msg;
    while (!terminated_) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            exitCode_ = got == 0 ? static_cast<int>(msg.wParam) : 1;
            break;
        }
        HandleMessage(msg);
    }
    return exitCode_;
}

namespace {

// Switches off the system's minimize and restore animation while it lives.
class NoWindowAnimation {
public:
    NoWindowAnimation() {
        info_.cbSize = sizeof info_;
        if (::SystemParametersInfoW(SPI_GETANIMATION, sizeof info_, &info_, 0) && info_.iMinAnimate) {
            ANIMATIONINFO off = info_;
            off.iMinAnimate = 0;
            ::SystemParametersInfoW(SPI_SETANIMATION, sizeof off, &off, 0);
            restore_ = true;
        }
    }
    ~NoWindowAnimation() {
        if (restore_) ::SystemParametersInfoW(SPI_SETANIMATION, sizeof info_, &info_, 0);
    }
    NoWindowAnimation(const NoWindowAnimation&) = delete;
    NoWindowAnimation& operator=(const NoWindowAnimation&) = delete;

private:
    ANIMATIONINFO info_{};
    bool restore_ = false;
};

}  // namespace

void Application::Minimize() {
    if (::IsIconic(handle_)) return;
    ::SetActiveWindow(handle_);
    NoWindowAnimation noAnimation;
    ::ShowWindow(handle_, SW_MINIMIZE);
}

void Application::Restore() {
    if (!::IsIconic(handle_)) return;
    ::SetActiveWindow(handle_);
    {
        NoWindowAnimation noAnimation;
        ::ShowWindow(handle_, SW_RESTORE);
    }
    if (HWND control = mainForm_ ? mainForm_->ActiveControl() : nullptr) ::SetFocus(control);
}

void Application::BringToFront() {
    HWND popup = ::GetLastActivePopup(handle_);
    if (popup && popup != handle_ && ::IsWindowVisible(popup) && ::IsWindowEnabled(popup))
        ::SetForegroundWindow(popup);
}

void Application::Terminate() {
    terminated_ = true;
    ::PostQuitMessage(0);
}

void Application::ShowError(const std::string& text) {
    HWND owner = mainForm_ && mainForm_->Handle() && ::IsWindowVisible(mainForm_->Handle())
                     ? mainForm_->Handle()
                     : handle_;
    MessageBoxUtf8(owner, text, title_.empty() ? "Error" : title_, MB_OK | MB_ICONERROR);
}

std::string FailureText(const char* unknown) noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Not enough memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
    }
    return unknown;
}

void ReportCallbackFailure() noexcept {
    const std::string text = FailureText();
    try {
        Application& app = Application::Get();
        if (app.onCallbackFailure)
            app.onCallbackFailure(text);
        else if (!app.Ending())
            app.ShowError(text);
    } catch (...) {
        // Not even the box could be shown: the program goes on as the callback's fallback leaves it.
    }
}

bool RunStartUpStep(const std::function<void()>& step,
                    const std::function<void(const std::string&)>& report) {
    std::string what;
    try {
        step();
        return true;
    } catch (...) {
        what = FailureText("unexpected error");
    }
    report("Tarvolo could not start: " + what);
    return false;
}

std::string LocalAppDataFolder() {
    wchar_t buffer[MAX_PATH];
    DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return Narrow(std::wstring_view(buffer, n));
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return Narrow(buffer);
    return {};
}

std::wstring ExecutablePath() {
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        // A path longer than the buffer comes back cut short, filling it.
        const DWORD n = ::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (n < exe.size()) {
            exe.resize(n);
            return exe;
        }
        exe.resize(exe.size() * 2);
    }
}

std::string ExecutableFolder() {
    const std::wstring exe = ExecutablePath();
    const size_t cut = exe.find_last_of(L"\\:");
    return Narrow(exe.substr(0, cut == std::wstring::npos ? 0 : cut + 1));
}

int MessageBoxUtf8(HWND owner, const std::string& text, const std::string& title, UINT type) {
    return ::MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), type);
}

void ShowInformation(HWND owner, const std::string& text) {
    MessageBoxUtf8(owner, text, "Information", MB_OK | MB_ICONINFORMATION);
}

}  // namespace tarvolo
