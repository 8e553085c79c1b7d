// The application object: the hidden taskbar window that carries the program's
// taskbar button and owns every form, the message loop with its key preview,
// and the application-wide values (title, help file, hint timing).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tarvolo {

class Form;

class Application {
public:
    static Application& Get();

    void Initialize(HINSTANCE instance, int showCommand);
    HINSTANCE Instance() const { return instance_; }
    HWND Handle() const { return handle_; }  // the taskbar window
    int ShowCommand() const { return showCommand_; }
    const std::vector<std::string>& Arguments() const { return arguments_; }

    void SetTitle(const std::string& title);
    const std::string& Title() const { return title_; }
    void SetHelpFile(const std::string& path) { helpFile_ = path; }
    const std::string& HelpFile() const { return helpFile_; }
    // Applies to the hint windows that exist as well as to those made later.
    void SetHintHidePause(int ms);
    int HintHidePause() const { return hintHidePause_; }

    Form* MainForm() const { return mainForm_; }
    void SetMainForm(Form* form) { mainForm_ = form; }
    // False when the main form must not be shown when the loop starts.
    bool showMainForm = true;

    // True while one of the program's windows is the system's active window.
    bool Active() const { return active_; }
    void SetActive(bool active) { active_ = active; }

    // The program's windows as one, through the taskbar window, without the
    // system's minimize and restore animation.
    void Minimize();
    // Restores the taskbar window and gives the focus back to the main form's active control.
    void Restore();
    // The last active popup of the program (a dialog it shows) comes to the front.
    void BringToFront();

    // Runs the loop until Terminate; shows the main form first.
    int Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // The session ends (WM_ENDSESSION): the process may be ended at any moment.
    void SetSessionEnding() { sessionEnding_ = true; }
    // The program is on its way out: work in progress is abandoned, not finished.
    bool Ending() const { return terminated_ || sessionEnding_; }
    // Dispatches the messages that are waiting, then returns.
    void ProcessMessages();
    // One message through the key preview, dialog navigation and dispatch.
    void HandleMessage(MSG& msg);

    // The application's standard error box, for failures the user must know of.
    void ShowError(const std::string& text);

    // Where a failure in a callback is told (ReportCallbackFailure); the error box when unset.
    std::function<void(const std::string&)> onCallbackFailure;

private:
    static LRESULT CALLBACK TaskbarProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT TaskbarMessage(HWND, UINT, WPARAM, LPARAM);
    void Dispatch(MSG& msg);

    HINSTANCE instance_ = nullptr;
    HWND handle_ = nullptr;
    int showCommand_ = SW_SHOWNORMAL;
    std::vector<std::string> arguments_;
    std::string title_;
    std::string helpFile_;
    int hintHidePause_ = 2500;
    Form* mainForm_ = nullptr;
    bool active_ = false;
    bool terminated_ = false;
    bool sessionEnding_ = false;
    int exitCode_ = 0;
};

// Runs one step of the program's start; an exception from it is turned into the
// text "Tarvolo could not start: <what failed>" for `report`. False when it failed.
bool RunStartUpStep(const std::function<void()>& step, const std::function<void(const std::string&)>& report);

// The one rule for an exception that reaches a place where the system calls
// into the program (a window procedure, a hook, the message loop): it never
// crosses into the system's code; the user is told what failed in the program's
// words (unless the session is ending, when nothing may hold it up), and the
// callback returns `fallback`.
void ReportCallbackFailure() noexcept;  // call inside a catch block
template <class R, class F>
R Guarded(F&& callback, R fallback) noexcept {
    try {
        return callback();
    } catch (...) {
        ReportCallbackFailure();
        return fallback;
    }
}
template <class F>
void Guarded(F&& callback) noexcept {
    try {
        callback();
    } catch (...) {
        ReportCallbackFailure();
    }
}
// The text the user is shown for the exception being handled; `unknown` for
// one that is no std::exception.
std::string FailureText(const char* unknown = "Unexpected error") noexcept;

// The running executable's full path as the system gives it, however long.
std::wstring ExecutablePath();
// The running executable's folder, UTF-8, ending in a backslash: its full path
// cut after the last backslash (or colon).
std::string ExecutableFolder();
// The user's own local data folder (%LOCALAPPDATA%), UTF-8, without a trailing
// backslash; empty when there is none. The environment comes first, so that a
// test run can give every program a folder of its own.
std::string LocalAppDataFolder();

// Message boxes in the program's own words.
int MessageBoxUtf8(HWND owner, const std::string& text, const std::string& title, UINT type);
// The information box: title "Information", one OK button.
void ShowInformation(HWND owner, const std::string& text);

}  // namespace tarvolo
