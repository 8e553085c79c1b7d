#include "adapters/KeyNames.h"

#include <windows.h>

#include <cstdio>
#include <utility>

#include "platform/WinText.h"
#include "store/Global.h"

namespace tarvolo {

namespace {

std::string KeyName(unsigned vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, static_cast<char>(vk));
    if (vk >= VK_F1 && vk <= VK_F24) return "F" + std::to_string(vk - VK_F1 + 1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return "Num " + std::to_string(vk - VK_NUMPAD0);
    static const std::pair<unsigned, const char*> names[] = {
        {VK_BACK, "Backspace"}, {VK_TAB, "Tab"},        {VK_RETURN, "Enter"},  {VK_ESCAPE, "Esc"},
        {VK_SPACE, "Space"},    {VK_PRIOR, "PgUp"},     {VK_NEXT, "PgDn"},     {VK_END, "End"},
        {VK_HOME, "Home"},      {VK_LEFT, "Left"},      {VK_UP, "Up"},         {VK_RIGHT, "Right"},
        {VK_DOWN, "Down"},      {VK_INSERT, "Ins"},     {VK_DELETE, "Del"},    {VK_MULTIPLY, "Num *"},
        {VK_ADD, "Num +"},      {VK_SUBTRACT, "Num -"}, {VK_DECIMAL, "Num ."}, {VK_DIVIDE, "Num /"}};
    for (const auto& [key, name] : names)
        if (key == vk) return name;
    // Punctuation keys differ between keyboard layouts: show what the key types here.
    const UINT ch = ::MapVirtualKeyW(vk, MAPVK_VK_TO_CHAR) & 0x7FFFFFFFu;
    if (ch > 0x20) return Narrow(std::wstring(1, static_cast<wchar_t>(ch)));
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X", vk);
    return hex;
}

}  // namespace

std::string ShortcutToText(uint16_t shortcut) {
    const unsigned vk = shortcut & 0xFFu;
    if (vk == 0) return {};
    std::string text;
    if (shortcut & kShortcutShift) text += "Shift+";
    if (shortcut & kShortcutCtrl) text += "Ctrl+";
    if (shortcut & kShortcutAlt) text += "Alt+";
    return text + KeyName(vk);
}

std::string HotKeyTakenText(uint16_t shortcut) {
    return "The hot key " + ShortcutToText(shortcut) +
           " is used by another program. Choose another one in Options.";
}

}  // namespace tarvolo
