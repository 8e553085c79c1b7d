#include "mainwindow/KeyMap.h"

#include "platform/WinText.h"

namespace tarvolo {

using namespace keys;

static_assert(kVkTab == VK_TAB && kVkReturn == VK_RETURN && kVkEscape == VK_ESCAPE);
static_assert(kVkShift == VK_SHIFT && kVkControl == VK_CONTROL && kVkMenu == VK_MENU);
static_assert(kVkCapital == VK_CAPITAL && kVkNumLock == VK_NUMLOCK && kVkScroll == VK_SCROLL);
static_assert(kVkLeft == VK_LEFT && kVkUp == VK_UP && kVkRight == VK_RIGHT && kVkDown == VK_DOWN);
static_assert(kVkLWin == VK_LWIN && kVkRWin == VK_RWIN && kVkApps == VK_APPS);
static_assert(kVkLShift == VK_LSHIFT && kVkRMenu == VK_RMENU);

namespace {

std::string Utf8Of(char32_t ch) {
    std::wstring wide;
    if (ch >= 0x10000) {
        ch -= 0x10000;
        wide += static_cast<wchar_t>(0xD800 + (ch >> 10));
        wide += static_cast<wchar_t>(0xDC00 + (ch & 0x3FF));
    } else {
        wide += static_cast<wchar_t>(ch);
    }
    return Narrow(wide);
}

}  // namespace

unsigned KeyMap::KeyShiftState() {
    unsigned shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

bool KeyMap::PreviewKey(MSG& msg) {
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            return KeyDown(msg);
        case WM_CHAR:
            return Char(msg);
        default:
            return false;
    }
}

bool KeyMap::KeyDown(MSG& msg) {
    HWND target = msg.hwnd;
    const KeyTarget targetKind = window_.TargetOf(target);
    WORD key = static_cast<WORD>(msg.wParam);
    const unsigned shift = KeyShiftState();
    // A favorite's keys come before every other rule, and make no character.
    if (window_.RunFavoriteShortcut(key, shift)) return true;

    const KeyDownRoute route = RouteKeyDown(key, shift, targetKind);
    switch (route) {
        case KeyDownRoute::navigation:
            return false;
        case KeyDownRoute::pressButton:
            ::SendMessageW(window_.Handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(target), BN_CLICKED),
                           reinterpret_cast<LPARAM>(target));
            return true;
        case KeyDownRoute::walkGroupBack:
        case KeyDownRoute::walkGroupForward: {
            HWND next = ::GetNextDlgGroupItem(window_.Handle(), target, route == KeyDownRoute::walkGroupBack);
            if (next && next != target) ::SetFocus(next);
            return true;
        }
        case KeyDownRoute::formHandlers:
            break;
    }

    const bool listHadFocus = window_.ListFocused();
    if (FormKeyDown(key, shift)) {
        // The character of a used shortcut still comes, to be discarded by the swallow flag.
        ::TranslateMessage(&msg);
        return true;
    }
    const KeyDownFinish finish = FinishKeyDown(key, shift, targetKind, listHadFocus);
    if (finish.end == KeyDownEnd::history) {
        cmbHistoryKeyDown(key);
        ::TranslateMessage(&msg);
        return true;
    }
    if (finish.end == KeyDownEnd::taken) return true;
    if (finish.typeOnButton) btnKeyDown(key);
    switch (finish.end) {
        case KeyDownEnd::dispatchPastNavigation:
            // The dialog navigation must not see it; the character it makes is posted as usual.
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
            return true;
        case KeyDownEnd::controlOnly:
            ::DispatchMessageW(&msg);
            return true;
        default:
            return false;
    }
}

bool KeyMap::Char(MSG& msg) {
    const KeyTarget targetKind = window_.TargetOf(msg.hwnd);
    const bool searchFocused = window_.SearchFocused();
    const std::optional<char32_t> taken =
        surrogates_.Take(static_cast<char32_t>(msg.wParam), !searchFocused && !searchSwallow_);
    if (!taken) return true;
    char32_t ch = *taken;
    if (FormKeyPress(ch)) return true;
    switch (FinishChar(ch, targetKind, searchFocused)) {
        case CharEnd::history:
            cmbHistoryKeyPress(ch);
            return true;
        case CharEnd::taken:
            return true;
        case CharEnd::navigation:
            break;
    }
    return false;
}

bool KeyMap::FormKeyDown(WORD& key, unsigned shift) {
    searchSwallow_ = false;
    const FormKeyDownPlan plan = PlanFormKeyDown(key, shift, window_.ListFocused());
    if (plan.findNext) {
        window_.PressFindNext();
        searchSwallow_ = true;
    }
    if (plan.quickJump) {
        // Its character (a line feed) is no search text.
        searchSwallow_ = true;
        window_.OpenQuickJump();
        return true;
    }
    if (plan.explorerToDialog) {
        // Its character (BEL) is no search text.
        searchSwallow_ = true;
        window_.SendFrontExplorerFolder();
        return true;
    }
    if (plan.clearSearch && !window_.SearchEmpty()) window_.SetSearchText("");
    if (plan.stepList) {
        window_.FocusList();
        if (const std::optional<long> next = StepRow(key, window_.SelectedRow(), window_.RowCount()))
            window_.ClickRow(*next);
    }
    if (plan.drive) {
        const int found = window_.FindDrive(*plan.drive);
        if (found >= 0) {
            key = 0;
            searchSwallow_ = true;
            window_.FocusList();
            if (!window_.SearchEmpty()) window_.SetSearchText("");
            window_.ChooseDrive(found);
            window_.FocusSearch();
            return true;
        }
    }
    return false;
}

bool KeyMap::FormKeyPress(char32_t& ch) {
    if (searchSwallow_) {
        ch = 0;
        return true;
    }
    if (!window_.SearchFocused() && IsTypedText(ch)) {
        window_.FocusSearch();
        window_.SetSearchText(Utf8Of(ch));
        window_.SearchCaretToEnd();
    }
    return false;
}

void KeyMap::btnKeyDown(WORD key) {
    if (std::optional<char32_t> ch = ButtonKeyChar(key)) FormKeyPress(*ch);
}

bool KeyMap::cmbHistoryKeyDown(WORD& key) {
    key = 0;
    return true;
}

bool KeyMap::cmbHistoryKeyPress(char32_t& ch) {
    ch = 0;
    return true;
}

}  // namespace tarvolo
