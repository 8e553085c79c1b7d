#include "model/KeyRules.h"

namespace tarvolo::keys {

namespace {

// clang-format off
bool IsArrowKey(uint16_t key) { return key == kVkLeft || key == kVkRight || key == kVkUp || key == kVkDown; }
bool IsStepKey(uint16_t key) { return key == kVkUp || key == kVkDown; }

bool IsHighSurrogate(char32_t ch) { return ch >= 0xD800 && ch < 0xDC00; }
bool IsLowSurrogate(char32_t ch) { return ch >= 0xDC00 && ch < 0xE000; }
// clang-format on

}  // namespace

KeyDownRoute RouteKeyDown(uint16_t key, unsigned shift, KeyTarget target) {
    const bool onButton = target == KeyTarget::button;
    if (key == kVkTab) return KeyDownRoute::navigation;  // the tab stops
    if (key == kVkReturn && shift == 0) {
        // Enter presses the focused button; elsewhere the default button.
        return onButton ? KeyDownRoute::pressButton : KeyDownRoute::navigation;
    }
    if (onButton && IsArrowKey(key)) {
        // Arrows walk the button's group, buttons included.
        return key == kVkLeft || key == kVkUp ? KeyDownRoute::walkGroupBack : KeyDownRoute::walkGroupForward;
    }
    return KeyDownRoute::formHandlers;
}

FormKeyDownPlan PlanFormKeyDown(uint16_t key, unsigned shift, bool listFocused) {
    FormKeyDownPlan plan;
    plan.findNext = key == kVkReturn && (shift & ssCtrl);
    plan.clearSearch = key == kVkEscape;
    plan.stepList = IsStepKey(key) && !listFocused;
    // Letter keys B to Z only: the raw codes beyond them are keypad and function keys.
    if ((shift & ssShift) && key > 'A' && key <= 'Z') plan.drive = static_cast<char>(key);
    // Ctrl alone: Ctrl+Shift+G stays the drive key, Ctrl+Alt+G is AltGr on many keyboards.
    plan.explorerToDialog = key == 'G' && shift == ssCtrl;
    plan.quickJump = key == 'J' && shift == ssCtrl;
    return plan;
}

std::optional<long> StepRow(uint16_t key, long selected, long count) {
    if (!IsStepKey(key) || count <= 0) return std::nullopt;
    const bool down = key == kVkDown;
    const long next = down ? selected + 1 : selected - 1;
    const bool move = down ? selected + 1 != count : selected > 0;
    if (move && next >= 0 && next < count) return next;
    return std::nullopt;
}

KeyDownFinish FinishKeyDown(uint16_t key, unsigned shift, KeyTarget target, bool listHadFocus) {
    // The history box's characters still move to the search box.
    if (target == KeyTarget::history) return {KeyDownEnd::history, false};
    // The list has taken the step; the control the key came from must not step
    // as well (a drive list would switch drives).
    if (IsStepKey(key) && !listHadFocus) return {KeyDownEnd::taken, false};
    // With Alt or Ctrl held the key is a command (an access key, a copy), not typing:
    // it must not change the current path before its button acts on it.
    const bool typeOnButton = target == KeyTarget::button && !(shift & (ssAlt | ssCtrl));
    // Enter with modifiers is no default-button key; its character still comes,
    // for the swallow flag to discard after Ctrl+Enter.
    if (key == kVkReturn) return {KeyDownEnd::dispatchPastNavigation, typeOnButton};
    // There is no cancel button to press.
    if (key == kVkEscape) return {KeyDownEnd::controlOnly, typeOnButton};
    return {KeyDownEnd::navigation, typeOnButton};
}

bool IsTypedText(char32_t ch) {
    return ch >= 0x20 && ch != 0x7F;
}

std::optional<char32_t> ButtonKeyChar(uint16_t key) {
    // clang-format off
    switch (key) {
    case kVkShift: case kVkControl: case kVkMenu: case kVkCapital: case kVkNumLock: case kVkScroll:
    case kVkLWin: case kVkRWin: case kVkApps:
        return std::nullopt;
    default:
        break;
    }
    // clang-format on
    if (key >= kVkLShift && key <= kVkRMenu) return std::nullopt;
    const char32_t ch = key & 0xFFu;
    if (!IsTypedText(ch)) return std::nullopt;
    return ch;
}

CharEnd FinishChar(char32_t ch, KeyTarget target, bool searchFocused) {
    if (target == KeyTarget::history) return CharEnd::history;
    if (searchFocused || target == KeyTarget::button || !IsTypedText(ch)) return CharEnd::navigation;
    // It has moved into the search box: the list and the drive list must not also
    // act on it (a drive list would jump to the drive of that letter).
    return ch >= 0x10000 || target != KeyTarget::list ? CharEnd::taken : CharEnd::navigation;
}

std::optional<char32_t> SurrogatePairing::Take(char32_t unit, bool mayHold) {
    if (IsHighSurrogate(unit) && mayHold) {
        pendingHigh_ = unit;
        return std::nullopt;
    }
    char32_t ch = unit;
    if (IsLowSurrogate(unit) && pendingHigh_)
        ch = 0x10000 + ((pendingHigh_ - 0xD800) << 10) + (unit - 0xDC00);
    pendingHigh_ = 0;
    return ch;
}

std::string AcceptTyped(std::string_view typed, const std::function<bool(std::string_view)>& matches) {
    std::string accepted;
    for (size_t at = 0; at < typed.size();) {
        // One character at a time, as it was typed: a lead byte with its continuation bytes.
        size_t end = at + 1;
        while (end < typed.size() && (static_cast<unsigned char>(typed[end]) & 0xC0) == 0x80) ++end;
        std::string tried = accepted;
        tried.append(typed.substr(at, end - at));
        if (matches(tried)) accepted = std::move(tried);
        at = end;
    }
    return accepted;
}

}  // namespace tarvolo::keys
