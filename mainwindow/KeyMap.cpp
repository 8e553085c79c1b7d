// The main window's key map: typing from anywhere lands in the search box, Up
// and Down in the directory list, Shift plus a drive letter switches drives.
// The message loop hands every key message to PreviewKey before the dialog
// navigation (IsDialogMessage) and the focused control see it.
#include <windowsx.h>

#include "mainwindow/Main.h"
#include "platform/Controls.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// The first half of a character outside the basic plane, waiting for its second.
char32_t pendingHighSurrogate = 0;

bool IsArrowKey(WORD key) { return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN; }

// Control characters (Backspace, Escape, the line feed of Ctrl+Enter, Ctrl+letter)
// edit or command; they are never search text.
bool IsTypedText(char32_t ch) { return ch >= 0x20 && ch != 0x7F; }

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

// A key-down that the dialog navigation must not see: the focused control gets
// it as it is, and the character it makes is posted as usual.
void DispatchPastNavigation(MSG& msg) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

}  // namespace

unsigned TfrmMain::KeyShiftState() {
    unsigned shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

bool TfrmMain::PreviewKey(MSG& msg) {
    HWND target = msg.hwnd;
    bool inHistory = cmbHistory && (target == cmbHistory || ::IsChild(cmbHistory, target));
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        WORD key = static_cast<WORD>(msg.wParam);
        unsigned shift = KeyShiftState();
        // A favorite's keys come before every other rule, and make no character.
        if (FavoriteShortcut(key, shift)) return true;

        bool onButton = IsButton(target);
        if (key == VK_TAB) return false;  // the tab stops, through the dialog navigation
        if (key == VK_RETURN && shift == 0) {
            if (onButton) {
                // Enter presses the focused button; elsewhere the default button.
                ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(target), BN_CLICKED),
                               reinterpret_cast<LPARAM>(target));
                return true;
            }
            return false;
        }
        if (onButton && IsArrowKey(key)) {
            // Arrows walk the button's group, buttons included.
            bool back = key == VK_LEFT || key == VK_UP;
            HWND next = ::GetNextDlgGroupItem(hwnd_, target, back);
            if (next && next != target) ::SetFocus(next);
            return true;
        }

        bool listHadFocus = ::GetFocus() == DirListBox;
        if (FormKeyDown(key, shift)) {
            // The character of a used shortcut still comes, to be discarded by the swallow flag.
            ::TranslateMessage(&msg);
            return true;
        }
        if (inHistory) {
            cmbHistoryKeyDown(key);
            // Its characters still move to the search box.
            ::TranslateMessage(&msg);
            return true;
        }
        if ((key == VK_UP || key == VK_DOWN) && !listHadFocus) {
            // The list has taken the step; the control the key came from must not
            // step as well (a drive list would switch drives).
            return true;
        }
        // With Alt or Ctrl held the key is a command (an access key, a copy), not typing:
        // it must not change the current path before its button acts on it.
        if (onButton && !(shift & (ssAlt | ssCtrl))) btnKeyDown(key);
        if (key == VK_RETURN) {
            // Enter with modifiers is no default-button key; its character still comes,
            // for the swallow flag to discard after Ctrl+Enter.
            DispatchPastNavigation(msg);
            return true;
        }
        if (key == VK_ESCAPE) {
            // There is no cancel button to press; the control alone sees the key.
            ::DispatchMessageW(&msg);
            return true;
        }
        return false;
    }
    case WM_CHAR: {
        char32_t ch = static_cast<char32_t>(msg.wParam);
        bool searchFocused = ::GetFocus() == DirToFind;
        if (ch >= 0xD800 && ch < 0xDC00 && !searchFocused && !searchSwallow) {
            pendingHighSurrogate = ch;
            return true;
        }
        if (ch >= 0xDC00 && ch < 0xE000 && pendingHighSurrogate) {
            ch = 0x10000 + ((pendingHighSurrogate - 0xD800) << 10) + (ch - 0xDC00);
        }
        pendingHighSurrogate = 0;
        if (FormKeyPress(ch)) return true;
        if (inHistory) {
            cmbHistoryKeyPress(ch);
            return true;
        }
        if (searchFocused || IsButton(target) || !IsTypedText(ch)) return false;
        // Moved into the search box: the list and the drive list must not also act
        // on it (a drive list would jump to the drive of that letter).
        return ch >= 0x10000 || target != DirListBox;
    }
    default:
        return false;
    }
}

bool TfrmMain::FormKeyDown(WORD& key, unsigned shift) {
    searchSwallow = false;
    if (key == VK_RETURN && (shift & ssCtrl)) {
        if (::IsWindowEnabled(btnFindNext))
            ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_BTNFINDNEXT, BN_CLICKED),
                           reinterpret_cast<LPARAM>(btnFindNext));
        searchSwallow = true;
    }
    if (key == VK_ESCAPE) {
        if (::GetWindowTextLengthW(DirToFind) > 0) SetSearchText("");
    }
    if (key == VK_DOWN || key == VK_UP) {
        if (::GetFocus() != DirListBox) {
            ::SetFocus(DirListBox);
            long count = ListBox(DirListBox).Count();
            long selected = SelectedRow();
            long next = key == VK_DOWN ? selected + 1 : selected - 1;
            bool move = key == VK_DOWN ? selected + 1 != count : selected > 0;
            if (count > 0 && move && next >= 0 && next < count) {
                SelectRow(next);
                DirListBoxClick();
            }
        }
    }
    if ((shift & ssShift) && key > 0x41 && key <= 0x5A) {
        // Letter keys B to Z only: the raw codes beyond them are keypad and function keys.
        std::string drive{static_cast<char>(key), ':'};
        const ComboBox drives(cmbDrives);
        const int found = drives.FindExact(drive);
        if (found >= 0) {
            key = 0;
            searchSwallow = true;
            ::SetFocus(DirListBox);
            if (::GetWindowTextLengthW(DirToFind) > 0) SetSearchText("");
            drives.Select(found);
            cmbDrivesChange();
            ::SetFocus(DirToFind);
            return true;
        }
    }
    return false;
}

bool TfrmMain::FormKeyPress(char32_t& ch) {
    if (searchSwallow) {
        ch = 0;
        return true;
    }
    if (::GetFocus() != DirToFind && IsTypedText(ch)) {
        ::SetFocus(DirToFind);
        SetSearchText(Utf8Of(ch));
        int end = ::GetWindowTextLengthW(DirToFind);
        ::SendMessageW(DirToFind, EM_SETSEL, static_cast<WPARAM>(end), end);
    }
    return false;
}

void TfrmMain::btnKeyDown(WORD key) {
    // Modifier, lock and control keys type nothing; every other key code stands
    // for its character, so a letter key gives the upper-case letter.
    switch (key) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL:
    case VK_LWIN: case VK_RWIN: case VK_APPS:
        return;
    default:
        break;
    }
    if (key >= VK_LSHIFT && key <= VK_RMENU) return;
    char32_t ch = static_cast<char32_t>(key & 0xFF);
    if (!IsTypedText(ch)) return;
    FormKeyPress(ch);
}

bool TfrmMain::cmbHistoryKeyDown(WORD& key) {
    key = 0;
    return true;
}

bool TfrmMain::cmbHistoryKeyPress(char32_t& ch) {
    ch = 0;
    return true;
}

LRESULT CALLBACK TfrmMain::ControlProc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR) {
    if (m == WM_NCDESTROY) ::RemoveWindowSubclass(h, &TfrmMain::ControlProc, id);
    return ::DefSubclassProc(h, m, w, l);
}

}  // namespace tarvolo
