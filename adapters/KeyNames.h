// Key combinations as menus and lists show them.
#pragma once

#include <cstdint>
#include <string>

namespace tarvolo {

// A shortcut value as menus show it: "Ctrl+Alt+T", "Shift+F5"; empty for 0.
std::string ShortcutToText(uint16_t shortcut);

// What the user is told when another program holds the combination.
std::string HotKeyTakenText(uint16_t shortcut);

}  // namespace tarvolo
