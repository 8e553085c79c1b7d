#include "tray/CoolTrayIcon.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Application.h"

namespace tarvolo {
namespace {

using Log = std::vector<std::string>;

struct RecordingShell : TrayShell {
    struct Call {
        DWORD message;
        NOTIFYICONDATAW data;
    };
    std::vector<Call> calls;
    bool Notify(DWORD message, NOTIFYICONDATAW* data) override {
        calls.push_back({message, *data});
        return true;
    }
    std::vector<DWORD> Messages() const {
        std::vector<DWORD> out;
        for (const Call& c : calls) out.push_back(c.message);
        return out;
    }
};

struct FakeMenu : TrayPopupMenu {
    Log* log = nullptr;
    bool autoPopup = true;
    HWND focusAtPopup = nullptr;
    bool AutoPopup() const override { return autoPopup; }
    void Popup(int, int) override {
        focusAtPopup = ::GetFocus();
        log->push_back("popup");
    }
    bool ActivateDefaultItem() override {
        log->push_back("default");
        return true;
    }
};

struct FakeHost : TrayHost {
    HWND taskbar = nullptr, main = nullptr, active = nullptr;
    Log* log = nullptr;
    bool showMainAtStart = true;
    HWND TaskbarWindow() override { return taskbar; }
    HWND MainWindow() override { return main; }
    HWND ActiveControl() override { return active; }
    void ProcessMessages() override {
        log->push_back("process");
        MSG m;
        while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);
    }
    void SetShowMainFormAtStart(bool show) override { showMainAtStart = show; }
};

const wchar_t kTestClass[] = L"TarvoloTrayTestWindow";

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kTestClass;
        ::RegisterClassExW(&wc);  // fails harmlessly from the second test on
        // Hidden: under Wine without a window manager every unmapping of a shown window waits 2 s.
        taskbar_.reset(::CreateWindowExW(0, kTestClass, L"taskbar", WS_POPUP, 0, 0, 200, 100, nullptr,
                                         nullptr, wc.hInstance, nullptr));
        main_.reset(::CreateWindowExW(0, kTestClass, L"main", WS_POPUP, 10, 10, 300, 200, taskbar_.get(),
                                      nullptr, wc.hInstance, nullptr));
        ASSERT_TRUE(taskbar_ && main_);
        HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, main_.get(),
                                      nullptr, wc.hInstance, nullptr);
        host_.taskbar = taskbar_.get(), host_.main = main_.get(), host_.active = edit, host_.log = &log_;
        menu_.log = &log_;
        originalProc_ = ::GetWindowLongPtrW(taskbar_.get(), GWLP_WNDPROC);
        tray_ = std::make_unique<TCoolTrayIcon>(host_, shell_);
        tray_->SetPopupMenu(&menu_);
        const char* names[] = {"L", "R", "M"};
        tray_->OnMouseDown = [this, names](TCoolTrayIcon&, TrayButton b, TrayShiftState shift, int x, int y) {
            log_.push_back(std::string("down ") + names[static_cast<int>(b)]);
            lastShift_ = shift, lastX_ = x, lastY_ = y;
        };
        tray_->OnMouseUp = [this, names](TCoolTrayIcon&, TrayButton b, TrayShiftState, int, int) {
            log_.push_back(std::string("up ") + names[static_cast<int>(b)]);
        };
        tray_->OnMouseMove = [this](TCoolTrayIcon&, TrayShiftState, int, int) { log_.push_back("move"); };
        tray_->OnClick = [this](TCoolTrayIcon&) { log_.push_back("click"); };
        tray_->OnDblClick = [this](TCoolTrayIcon&) { log_.push_back("dbl"); };
    }
    void TearDown() override { tray_.reset(); }  // before the windows it hooked

    void Notify(std::initializer_list<UINT> mouseMessages) {
        for (UINT m : mouseMessages)
            ::SendMessageW(tray_->MessageWindow(), TCoolTrayIcon::kNotifyMessage, 1, m);
    }
    void Tick() { ::SendMessageW(tray_->MessageWindow(), WM_TIMER, TCoolTrayIcon::kCycleTimerId, 0); }

    UniqueWindow taskbar_, main_;
    Log log_;
    RecordingShell shell_;
    FakeHost host_;
    FakeMenu menu_;
    std::unique_ptr<TCoolTrayIcon> tray_;
    LONG_PTR originalProc_ = 0;
    TrayShiftState lastShift_ = 0;
    int lastX_ = -1, lastY_ = -1;
};

TEST_F(TrayTest, MouseNotificationsBecomeEventsAndMenus) {
    struct Case {
        const char* name;
        bool leftPopup, enabled;
        std::vector<UINT> messages;
        Log expected;
    };
    // clang-format off
    const Case cases[] = {
        {"click", false, true, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}, {"move", "down L", "click", "up L"}},
        {"double click", false, true, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
         {"down L", "click", "up L", "dbl", "default", "up L"}},
        {"right", false, true, {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK}, {"down R", "process", "popup", "up R"}},
        {"left popup", true, true, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK},
         {"down L", "process", "popup", "click", "up L", "dbl"}},
        {"disabled", true, false, {0x200, 0x201, 0x202, 0x203, 0x204, 0x205, 0x206, 0x207, 0x208}, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        log_.clear();
        tray_->SetLeftPopup(c.leftPopup);
        tray_->SetEnabled(c.enabled);
        for (UINT m : c.messages) Notify({m});
        EXPECT_EQ(log_, c.expected) << c.name;
    }
    log_.clear();
    tray_->SetEnabled(true);
    Notify({WM_LBUTTONUP});  // the press came while disabled: no click
    EXPECT_EQ(log_, (Log{"up L"}));
}

TEST_F(TrayTest, MenuGetsFocusSetUpAndWmNullAfterwards) {
    Notify({WM_RBUTTONDOWN});
    EXPECT_EQ(menu_.focusAtPopup, host_.active);
    MSG m;
    EXPECT_TRUE(::PeekMessageW(&m, main_.get(), WM_NULL, WM_NULL, PM_REMOVE)) << "no WM_NULL after the menu";
    log_.clear();
    menu_.autoPopup = false;
    Notify({WM_RBUTTONDOWN, WM_LBUTTONDBLCLK});
    menu_.autoPopup = true;
    tray_->ComponentRemoved(&menu_);
    Notify({WM_RBUTTONDOWN, WM_LBUTTONDBLCLK});
    EXPECT_EQ(log_, (Log{"down R", "dbl", "down R", "dbl"}));
}

TEST_F(TrayTest, MouseEventsCarryKeyStateAndCursorPosition) {
    BYTE keys[256], saved[256];
    ASSERT_TRUE(::GetKeyboardState(saved));
    std::copy(saved, saved + 256, keys);
    keys[VK_SHIFT] = keys[VK_CONTROL] = 0x80, keys[VK_MENU] = 0;
    ASSERT_TRUE(::SetKeyboardState(keys));
    ASSERT_TRUE(::SetCursorPos(120, 230));
    Notify({WM_MBUTTONDOWN, WM_MBUTTONUP});
    ::SetKeyboardState(saved);
    EXPECT_EQ(log_, (Log{"down M", "up M"}));
    EXPECT_EQ(lastShift_, unsigned{ssShift | ssCtrl | ssMiddle});
    EXPECT_EQ(lastX_, 120);
    EXPECT_EQ(lastY_, 230);
}

TEST_F(TrayTest, NeitherExceptionsNorShutdownQueriesAreHeldUp) {
    // A failed handler is told once, in its own words, and the icon goes on working.
    std::vector<std::string> reports;
    Application::Get().onCallbackFailure = [&](const std::string& text) { reports.push_back(text); };
    tray_->OnClick = [](TCoolTrayIcon&) { throw std::runtime_error("handler failed"); };
    Notify({WM_LBUTTONDOWN, WM_LBUTTONUP});
    EXPECT_EQ(log_, (Log{"down L"}));
    EXPECT_EQ(::SendMessageW(tray_->MessageWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 1);
    Application::Get().onCallbackFailure = nullptr;
    EXPECT_EQ(reports, std::vector<std::string>{"handler failed"});
}

TEST_F(TrayTest, RecordFieldsAndTipText) {
    struct Case {
        std::string hint;
        bool show;
        std::wstring tip;
    };
    const std::string a63(63, 'a');
    const Case cases[] = {
        {a63, true, std::wstring(63, L'a')},
        {a63 + "b", true, std::wstring(63, L'a')},
        {std::string(62, 'a') + "\xF0\x9F\x98\x80", true, std::wstring(62, L'a')},  // pair not split
        {"Gr\xC3\xB6\xC3\x9F"
         "e \xE6\x97\xA5\xE6\x9C\xAC",
         true, L"Gr\u00F6\u00DFe \u65E5\u672C"},
        {"", true, L""},
        {"hidden", false, L""},
    };
    for (const Case& c : cases) {
        tray_->SetShowHint(c.show);
        tray_->SetHint(c.hint);
        const NOTIFYICONDATAW& d = shell_.calls.back().data;
        EXPECT_EQ(shell_.calls.back().message, DWORD{NIM_MODIFY});
        EXPECT_EQ(d.cbSize, DWORD{NOTIFYICONDATAW_V1_SIZE});
        EXPECT_EQ(d.hWnd, tray_->MessageWindow());
        EXPECT_EQ(d.uID, 1u);
        EXPECT_EQ(d.uFlags, UINT{NIF_MESSAGE | NIF_ICON | NIF_TIP});
        EXPECT_EQ(d.uCallbackMessage, 0x800u);
        EXPECT_EQ(std::wstring(d.szTip), c.tip) << c.hint;
        for (size_t i = c.tip.size(); i < 64; ++i) ASSERT_EQ(d.szTip[i], L'\0') << c.hint << " at " << i;
    }
    EXPECT_EQ(tray_->Hint(), "hidden");
}

TEST_F(TrayTest, CyclingStepsThroughTheImagesAndRestarts) {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 3; ++i) ImageList_ReplaceIcon(list, -1, ::LoadIconW(nullptr, IDI_APPLICATION));
    std::vector<int> seen;
    tray_->OnCycle = [&](TCoolTrayIcon&, int current) { seen.push_back(current); };
    tray_->SetIconList(list);
    tray_->SetCycleIcons(true);
    Tick();  // interval 0: the timer never runs
    EXPECT_TRUE(seen.empty());
    tray_->SetCycleInterval(60000);  // long enough that only our ticks count
    for (int i = 0; i < 4; ++i) Tick();
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 0}));
    EXPECT_EQ(shell_.Messages(), (std::vector<DWORD>(4, NIM_MODIFY)));
    EXPECT_NE(shell_.calls.back().data.hIcon, nullptr);
    tray_->SetCycleIcons(false);
    Tick();
    tray_->SetCycleIcons(true);
    Tick();
    tray_->ComponentRemoved(list);
    Tick();
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 0, 0}));
    tray_.reset();
    ImageList_Destroy(list);
}

TEST_F(TrayTest, RealTimerDrivesCycling) {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
    for (int i = 0; i < 2; ++i) ImageList_ReplaceIcon(list, -1, ::LoadIconW(nullptr, IDI_APPLICATION));
    int ticks = 0;
    tray_->OnCycle = [&](TCoolTrayIcon&, int) { ++ticks; };
    tray_->SetIconList(list);
    tray_->SetCycleInterval(10);
    tray_->SetCycleIcons(true);
    for (DWORD start = ::GetTickCount(); ticks < 3 && ::GetTickCount() - start < 5000;) {
        MSG m;
        if (::GetMessageW(&m, nullptr, 0, 0) > 0) ::DispatchMessageW(&m);
    }
    EXPECT_GE(ticks, 3) << "the cycling timer did not fire within 5 s";
    tray_.reset();
    ImageList_Destroy(list);
}

TEST_F(TrayTest, TaskbarCreatedAddsTheIconAgainOnlyWhenVisible) {
    const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    ::SendMessageW(tray_->MessageWindow(), taskbarCreated, 0, 0);
    tray_->SetIconVisible(false);
    ::SendMessageW(tray_->MessageWindow(), taskbarCreated, 0, 0);
    EXPECT_EQ(shell_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_DELETE}));
}

TEST_F(TrayTest, ABalloonIsAWarningFromTheIconAndLeavesItsOtherFieldsAlone) {
    const std::string text =
        "The hot key Ctrl+Alt+W is used by another program. Choose another one in Options.";
    EXPECT_TRUE(tray_->ShowBalloon("Tarvolo", text));
    ASSERT_EQ(shell_.Messages(), (std::vector<DWORD>{NIM_MODIFY}));
    const NOTIFYICONDATAW& d = shell_.calls.back().data;
    EXPECT_EQ(d.cbSize, sizeof(NOTIFYICONDATAW)) << "the first-version record has no balloon";
    EXPECT_EQ(d.hWnd, tray_->MessageWindow());
    EXPECT_EQ(d.uID, TCoolTrayIcon::kIconId);
    EXPECT_EQ(d.uFlags, UINT{NIF_INFO}) << "the icon, tip and message stay as they are";
    EXPECT_EQ(d.dwInfoFlags, DWORD{NIIF_WARNING});
    EXPECT_EQ(std::wstring(d.szInfoTitle), L"Tarvolo");
    EXPECT_EQ(std::wstring(d.szInfo), std::wstring(text.begin(), text.end()));
    // A text longer than the balloon holds is cut, never overrun.
    EXPECT_TRUE(tray_->ShowBalloon(std::string(300, 't'), std::string(400, 'x')));
    const NOTIFYICONDATAW& cut = shell_.calls.back().data;
    EXPECT_EQ(std::wstring(cut.szInfo).size(), ARRAYSIZE(cut.szInfo) - 1);
    EXPECT_EQ(std::wstring(cut.szInfoTitle).size(), ARRAYSIZE(cut.szInfoTitle) - 1);
}

TEST_F(TrayTest, FinishLoadingAppliesStartMinimizedAndVisibility) {
    ::ShowWindow(taskbar_.get(), SW_SHOWNOACTIVATE);
    ASSERT_TRUE(::IsWindowVisible(taskbar_.get()));
    tray_->SetStartMinimized(true);
    tray_->FinishLoading();
    EXPECT_FALSE(host_.showMainAtStart);
    EXPECT_FALSE(::IsWindowVisible(taskbar_.get()));
    tray_->SetIconVisible(false);
    tray_->FinishLoading();
    EXPECT_EQ(shell_.Messages(),
              (std::vector<DWORD>{NIM_MODIFY, NIM_ADD, NIM_DELETE, NIM_MODIFY, NIM_DELETE}));
}

TEST_F(TrayTest, DestructionDeletesTheIconAndDestroysItsWindow) {
    HWND window = tray_->MessageWindow();
    tray_.reset();
    ASSERT_FALSE(shell_.calls.empty());
    EXPECT_EQ(shell_.calls.back().message, DWORD{NIM_DELETE});
    EXPECT_EQ(shell_.calls.back().data.hWnd, window);
    EXPECT_EQ(shell_.calls.back().data.uID, 1u);
    EXPECT_FALSE(::IsWindow(window));
}

class TrayMinimizeTest : public TrayTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TrayMinimizeTest, MinimizingTheTaskbarWindowHidesIntoTheTray) {
    const bool toTray = GetParam();
    tray_->SetMinimizeToTray(toTray);
    ::ShowWindow(taskbar_.get(), SW_SHOWNOACTIVATE);
    ::ShowWindow(main_.get(), SW_SHOWNOACTIVATE);
    ::ShowWindow(taskbar_.get(), SW_MINIMIZE);
    EXPECT_EQ(::IsWindowVisible(taskbar_.get()) != FALSE, !toTray);
    EXPECT_EQ(::IsWindowVisible(main_.get()) != FALSE, !toTray);
    EXPECT_EQ(shell_.Messages(), toTray ? std::vector<DWORD>{NIM_ADD} : std::vector<DWORD>{});
    tray_->RestoreMainWindow();
    for (HWND w : {taskbar_.get(), main_.get()}) {
        EXPECT_TRUE(::IsWindowVisible(w));
        EXPECT_FALSE(::IsIconic(w));
    }
    tray_.reset();
    EXPECT_EQ(::GetWindowLongPtrW(taskbar_.get(), GWLP_WNDPROC), originalProc_)
        << "the taskbar window's procedure was not put back";
}

INSTANTIATE_TEST_SUITE_P(Tray, TrayMinimizeTest, ::testing::Bool());

// Two icons on one taskbar window each hide into the notification area, and
// each takes only its own hook away: the other goes on working.
TEST_F(TrayTest, TwoIconsOnOneWindowEachKeepTheirOwnHook) {
    RecordingShell otherShell;
    auto other = std::make_unique<TCoolTrayIcon>(host_, otherShell);
    tray_->SetMinimizeToTray(true);
    other->SetMinimizeToTray(true);
    ::ShowWindow(taskbar_.get(), SW_SHOWNOACTIVATE);
    ::ShowWindow(taskbar_.get(), SW_MINIMIZE);
    EXPECT_EQ(shell_.Messages(), std::vector<DWORD>{NIM_ADD});
    EXPECT_EQ(otherShell.Messages(), std::vector<DWORD>{NIM_ADD});

    tray_.reset();
    otherShell.calls.clear();
    ::ShowWindow(taskbar_.get(), SW_RESTORE);
    ::ShowWindow(taskbar_.get(), SW_MINIMIZE);
    EXPECT_EQ(otherShell.Messages(), std::vector<DWORD>{NIM_ADD})
        << "the first icon's end took the other's hook";
    EXPECT_FALSE(::IsWindowVisible(taskbar_.get()));

    other.reset();
    EXPECT_EQ(::GetWindowLongPtrW(taskbar_.get(), GWLP_WNDPROC), originalProc_)
        << "the taskbar window's procedure was not put back";
}

}  // namespace
}  // namespace tarvolo
