// The program's icon in the taskbar's notification area: it shows the icon, turns the shell's mouse
// notifications into events, shows a popup menu at the cursor, can animate the icon from an image
// list, and takes the application into the notification area when it is minimized.
//
// The component knows nothing of the application framework. It reaches the application through
// TrayHost and the shell through TrayShell, so that tests can put recording substitutes in their place.
#pragma once

#include "model/KeyRules.h"
#include "platform/Handles.h"
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

namespace tarvolo {

struct TrayShell {  // Shell_NotifyIconW, replaceable in tests
    virtual ~TrayShell() = default;
    virtual bool Notify(DWORD message, NOTIFYICONDATAW* data) = 0;
};
TrayShell& SystemTrayShell();  // the real one

struct TrayHost {  // what the component knows of the application
    virtual ~TrayHost() = default;
    virtual HWND TaskbarWindow() = 0;  // the hidden window with the taskbar button
    virtual HWND MainWindow() = 0;
    virtual HWND ActiveControl() = 0;    // may be nullptr
    virtual void ProcessMessages() = 0;  // process waiting messages
    virtual void SetShowMainFormAtStart(bool) {}
};

struct TrayPopupMenu {  // the menu shown at the cursor
    virtual ~TrayPopupMenu() = default;
    virtual bool AutoPopup() const { return true; }
    virtual void Popup(int x, int y) = 0;    // runs the menu's popup handler first, returns when closed
    virtual bool ActivateDefaultItem() = 0;  // top-level item marked default nearest the top; false if none
};

enum class TrayButton { left, right, middle };
// The modifiers held are the key map's bits, so that there is one ssShift in the
// program; the mouse buttons held have bits of their own beside them.
using keys::ssAlt;
using keys::ssCtrl;
using keys::ssShift;
enum TrayMouseButtons : unsigned { ssLeft = 1, ssRight = 2, ssMiddle = 4 };
using TrayShiftState = unsigned;  // modifier bits and TrayMouseButtons bits

class TCoolTrayIcon final {
public:
    static constexpr UINT kNotifyMessage = 0x800;  // the shell's callback message to MessageWindow()
    static constexpr UINT kIconId = 1;
    static constexpr UINT_PTR kCycleTimerId = 1;  // WM_TIMER id on MessageWindow()

    // Throws std::runtime_error when the hidden message window cannot be created.
    explicit TCoolTrayIcon(TrayHost& host, TrayShell& shell = SystemTrayShell());
    ~TCoolTrayIcon();
    TCoolTrayIcon(const TCoolTrayIcon&) = delete;
    TCoolTrayIcon& operator=(const TCoolTrayIcon&) = delete;

    // Properties, in the order in which the owner sets them while loading. Only
    // what the program reads has a getter.
    void SetIconList(HIMAGELIST list) { iconList_ = list; }  // not owned
    void SetCycleIcons(bool value);
    void SetCycleInterval(UINT milliseconds);
    void SetEnabled(bool value) { enabled_ = value; }
    const std::string& Hint() const { return hint_; }  // UTF-8
    void SetHint(const std::string& utf8);
    void SetShowHint(bool value);
    void SetIcon(HICON icon);  // copied; the caller keeps its own
    void SetIconVisible(bool value);
    void SetPopupMenu(TrayPopupMenu* menu) { popupMenu_ = menu; }  // not owned
    void SetLeftPopup(bool value) { leftPopup_ = value; }
    void SetStartMinimized(bool value) { startMinimized_ = value; }
    void SetMinimizeToTray(bool value) { minimizeToTray_ = value; }

    // Events. X and Y are the cursor's screen position when the notification is handled.
    std::function<void(TCoolTrayIcon& sender)> OnClick;
    std::function<void(TCoolTrayIcon& sender)> OnDblClick;
    std::function<void(TCoolTrayIcon& sender, TrayButton button, TrayShiftState shift, int x, int y)>
        OnMouseDown;
    std::function<void(TCoolTrayIcon& sender, TrayButton button, TrayShiftState shift, int x, int y)>
        OnMouseUp;
    std::function<void(TCoolTrayIcon& sender, TrayShiftState shift, int x, int y)> OnMouseMove;
    std::function<void(TCoolTrayIcon& sender, int current)> OnCycle;

    void FinishLoading();                          // the owner calls it after setting all properties
    void ComponentRemoved(const void* component);  // forget IconList / PopupMenu
    void RestoreMainWindow();
    HWND MessageWindow() const { return window_.get(); }
    // Adds the icon again if it should be visible; the shell forgets every icon when it restarts.
    void ReAddAfterShellRestart();
    // A warning balloon from the icon: tells the user something without holding up
    // the program (a start in the notification area at logon). False when the shell refused.
    bool ShowBalloon(const std::string& titleUtf8, const std::string& textUtf8);

private:
    // Each returns whether the shell accepted the call.
    bool AddTrayIcon();
    bool DeleteTrayIcon();
    bool ModifyTrayIcon();

    void FireClick();
    void FireDblClick();
    void FireCycle(int current);
    void FireMouseDown(TrayButton button, TrayShiftState shift, int x, int y);
    void FireMouseUp(TrayButton button, TrayShiftState shift, int x, int y);
    void FireMouseMove(TrayShiftState shift, int x, int y);
    void HideToTray();
    void HideMainWindow();

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK TaskbarHookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR data);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void HandleNotification(UINT mouseMessage);
    void ShowPopupAtCursor();
    void CycleStep();
    void UpdateCycleTimer();
    bool CycleTimerRunning() const { return cycleIcons_ && cycleInterval_ != 0; }
    void PrepareRecord();
    void HookTaskbarWindow();
    void UnhookTaskbarWindow();

    TrayHost& host_;
    TrayShell& shell_;
    // Shared with handlers that run user code, so they can tell whether that code destroyed us.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    HIMAGELIST iconList_ = nullptr;
    bool cycleIcons_ = false;
    UINT cycleInterval_ = 0;
    bool enabled_ = true;
    std::string hint_;
    bool showHint_ = false;
    UniqueIcon icon_;
    bool iconVisible_ = true;
    TrayPopupMenu* popupMenu_ = nullptr;
    bool leftPopup_ = false;
    bool startMinimized_ = false;
    bool minimizeToTray_ = false;

    int cycleIndex_ = 0;
    bool leftPressed_ = false;
    NOTIFYICONDATAW record_{};
    UniqueWindow window_;
    HWND hookedWindow_ = nullptr;  // the taskbar window this component subclassed
};

}  // namespace tarvolo
