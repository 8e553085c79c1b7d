// The program body: one instance, the application, the main window and the
// scan progress window, then the message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <memory>
#include <string>

#include "adapters/WinFileSystem.h"
#include "adapters/WinLocale.h"
#include "mainwindow/Main.h"
#include "model/Model.h"
#include "platform/Application.h"
#include "platform/Environment.h"
#include "platform/Handles.h"
#include "platform/RunningInstance.h"
#include "platform/WinText.h"

using namespace tarvolo;

namespace {

const wchar_t kInstanceMutex[] = L"Local\\Tarvolo.Instance";
// How long a second start tries to reach the running instance: long enough for
// one that is starting, loading a large index or on its way out
// (TARVOLO_REACH_INSTANCE_MS may make it shorter).
constexpr DWORD kReachInstanceMs = 8000;
constexpr UINT kAskInstanceMs = 2000;
constexpr DWORD kRetryMs = 100;

const char kInstanceUnreachable[] =
    "Tarvolo is already running, but it does not answer.\r\nClose it with Close in its icon's menu, or end "
    "tarvolo.exe in the Task Manager, then start Tarvolo again.";

enum class Start { runHere, handedOver, unreachable };

// The instance mutex decides: while another process holds it, this start runs
// no program of its own. It hands the start over to the running window, or
// waits for a running instance that is still starting or already on its way out.
Start ClaimInstance(UniqueHandle& mutex) {
    mutex.reset(::CreateMutexW(nullptr, FALSE, kInstanceMutex));
    // Without a mutex nothing can be told apart: run rather than not at all.
    if (!mutex || ::GetLastError() != ERROR_ALREADY_EXISTS) return Start::runHere;
    const UINT show = ::RegisterWindowMessageW(ShowInstanceMessageName());
    const DWORD started = ::GetTickCount();
    const DWORD reach =
        static_cast<DWORD>(WaitFromEnvironment(L"TARVOLO_REACH_INSTANCE_MS", kReachInstanceMs));
    for (;;) {
        // Other programs' windows may have the same class name; only ours answers.
        if (HWND running = FindAnsweringWindow(MainWindowClassName(), show, kInstanceQuery, kInstanceAnswer,
                                               kAskInstanceMs)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(running, &pid);
            ::AllowSetForegroundWindow(pid);
            ::PostMessageW(running, show, kInstanceShow, 0);
            return Start::handedOver;
        }
        // The mutex lives while a process holds it: once the other has ended,
        // this start is the program.
        mutex.reset();
        mutex.reset(::CreateMutexW(nullptr, FALSE, kInstanceMutex));
        if (!mutex || ::GetLastError() != ERROR_ALREADY_EXISTS) return Start::runHere;
        if (::GetTickCount() - started >= reach) return Start::unreachable;
        ::Sleep(kRetryMs);
    }
}

int RunProgram(HINSTANCE instance, int showCommand) {
    // A second start brings the running program to the front instead of fighting
    // it over the hot key and its files.
    UniqueHandle mutex;
    switch (ClaimInstance(mutex)) {
        case Start::handedOver:
            return 0;
        case Start::unreachable:
            ::MessageBoxW(nullptr, Widen(kInstanceUnreachable).c_str(), L"Tarvolo", MB_OK | MB_ICONERROR);
            return 1;
        case Start::runHere:
            break;
    }

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES |
                                             ICC_HOTKEY_CLASS | ICC_ANIMATE_CLASS};
    ::InitCommonControlsEx(&icc);
    // The shell's links and windows are COM objects; COM stays on until the program body ends.
    const ComApartment com(COINIT_APARTMENTTHREADED);

    Application& app = Application::Get();
    app.Initialize(instance, showCommand);
    // The main window gives the full title and the help's place as it is made;
    // until then, a start that fails still says whose box it is.
    app.SetTitle("Tarvolo");

    int result = 0;
    WinFileSystem files;
    const WinAnsiDecoder ansi;
    // Every walk and watch folds names with it; it outlives them all.
    static const WinCaseFolder folder;
    Model model(ExecutableFolder(), files, ansi, LocalAppDataFolder(), &folder);
    std::unique_ptr<TfrmMain> frmMain;
    // A program that cannot make its windows or its icon says what failed before it ends.
    const bool created = RunStartUpStep(
        [&] {
            frmMain = std::make_unique<TfrmMain>(model);
            app.SetMainForm(frmMain.get());
            frmMain->FormCreate();
            frmMain->CreateScanWindow();
        },
        [&](const std::string& text) {
            // The box first: a main window destroyed before it would end its loop at once.
            app.ShowError(text);
            app.SetMainForm(nullptr);
            frmMain.reset();
        });
    if (created) {
        if (showCommand == SW_SHOWMINNOACTIVE) {
            // Started from a shortcut set to run minimized: straight into the
            // notification area; the first show waits until the window comes back.
            app.showMainForm = false;
            frmMain->MinimizeApplication();
        }
        result = app.Run();
        app.SetMainForm(nullptr);
        frmMain.reset();
    } else {
        result = 1;
    }
    return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Every callback from the system is guarded on its own; this is the last
    // line, for what fails outside them (the model's making, the windows' end).
    try {
        return RunProgram(instance, showCommand);
    } catch (...) {
        ::MessageBoxW(nullptr, Widen("Tarvolo stopped: " + FailureText()).c_str(), L"Tarvolo",
                      MB_OK | MB_ICONERROR);
        return 1;
    }
}
