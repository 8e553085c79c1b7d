// The main window's key rules that need no window: where a key goes given the
// control it came to and the modifiers held, which characters are typed text,
// how the two halves of a character outside the basic plane pair up, the
// list's Up/Down step and the Shift+letter drive keys.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/Global.h"

namespace tarvolo::keys {

// Virtual-key codes, spelt out so this file needs no <windows.h>.
constexpr uint16_t kVkTab = 0x09;
constexpr uint16_t kVkReturn = 0x0D;
constexpr uint16_t kVkShift = 0x10;
constexpr uint16_t kVkControl = 0x11;
constexpr uint16_t kVkMenu = 0x12;
constexpr uint16_t kVkCapital = 0x14;
constexpr uint16_t kVkEscape = 0x1B;
constexpr uint16_t kVkLeft = 0x25;
constexpr uint16_t kVkUp = 0x26;
constexpr uint16_t kVkRight = 0x27;
constexpr uint16_t kVkDown = 0x28;
constexpr uint16_t kVkLWin = 0x5B;
constexpr uint16_t kVkRWin = 0x5C;
constexpr uint16_t kVkApps = 0x5D;
constexpr uint16_t kVkNumLock = 0x90;
constexpr uint16_t kVkScroll = 0x91;
constexpr uint16_t kVkLShift = 0xA0;  // VK_LSHIFT .. VK_RMENU: the sided modifiers
constexpr uint16_t kVkRMenu = 0xA5;

// The modifiers held with a key are the modifier bits of a shortcut value, so
// that `key | shift` compares directly with a stored shortcut.
constexpr unsigned ssShift = kShortcutShift, ssCtrl = kShortcutCtrl, ssAlt = kShortcutAlt;

// The control a key message came to.
enum class KeyTarget { list, search, history, button, other };

// The first rules of a key down, after a favorite's keys and before the form's own.
enum class KeyDownRoute {
    navigation,        // the dialog navigation and the control see it (Tab, Enter off a button)
    pressButton,       // Enter presses the focused button
    walkGroupBack,     // Left and Up on a button: the previous item of its group
    walkGroupForward,  // Right and Down on a button: the next one
    formHandlers,      // on to FormKeyDown and the rest
};
KeyDownRoute RouteKeyDown(uint16_t key, unsigned shift, KeyTarget target);

// What FormKeyDown does with a key; at most one of them applies.
struct FormKeyDownPlan {
    bool findNext = false;          // Ctrl+Enter: Find Next, and its character is swallowed
    bool clearSearch = false;       // Escape: the search box is emptied
    bool stepList = false;          // Up/Down from outside the list: into the list, one row on
    std::optional<char> drive;      // Shift+B..Z: that drive, if the drive list has it
    bool explorerToDialog = false;  // Ctrl+G: the front Explorer window's folder to the dialog
    bool quickJump = false;         // Ctrl+J: the Quick Jump window
};
FormKeyDownPlan PlanFormKeyDown(uint16_t key, unsigned shift, bool listFocused);

// The row an Up or Down step from `selected` (-1: none) selects among `count`
// rows; nothing at either end, for other keys, or in an empty list.
std::optional<long> StepRow(uint16_t key, long selected, long count);

// How a key down ends when FormKeyDown left it alone.
enum class KeyDownEnd {
    history,                 // cmbHistoryKeyDown takes it; its character still comes
    taken,                   // dropped: the list has already taken the step
    dispatchPastNavigation,  // the control gets it as it is, and its character comes
    controlOnly,             // the control alone gets it, no character
    navigation,              // the dialog navigation and the control see it
};
struct KeyDownFinish {
    KeyDownEnd end;
    bool typeOnButton;  // btnKeyDown types the key's character first
};
KeyDownFinish FinishKeyDown(uint16_t key, unsigned shift, KeyTarget target, bool listHadFocus);

// Control characters (Backspace, Escape, the line feed of Ctrl+Enter, Ctrl+letter)
// edit or command; they are never search text.
bool IsTypedText(char32_t ch);

// The character a key typed on a button stands for: modifier, lock and control
// keys none; every other key code its own character, so a letter key gives the
// upper-case letter.
std::optional<char32_t> ButtonKeyChar(uint16_t key);

// How a character ends when FormKeyPress left it alone. `searchFocused` is
// whether the search box had the focus when the character came.
enum class CharEnd {
    history,     // cmbHistoryKeyPress takes it
    navigation,  // the dialog navigation and the control see it
    taken,       // dropped: it went to the search box instead
};
CharEnd FinishChar(char32_t ch, KeyTarget target, bool searchFocused);

// A character outside the basic plane comes as two UTF-16 halves in two
// character messages; the first waits here for the second.
class SurrogatePairing {
public:
    // The character `unit` gives, or nothing while a first half waits. A first
    // half waits only when `mayHold`; otherwise it, and a second half with no
    // first waiting, pass on as they are.
    std::optional<char32_t> Take(char32_t unit, bool mayHold);
    bool Waiting() const { return pendingHigh_ != 0; }

private:
    char32_t pendingHigh_ = 0;
};

// Text typed into the search box while the rows it searches were still being
// read, taken as if each character had come once they were there: one whose
// text would match nothing is taken back, and the characters after it are still
// tried. `matches` says whether a text matches a row; the empty text always does.
std::string AcceptTyped(std::string_view typed, const std::function<bool(std::string_view)>& matches);

}  // namespace tarvolo::keys
