// Key combinations as menus and lists show them.
#pragma once

#include <cstdint>
#include <string>

namespace tarvolo {

// A shortcut value as menus show it: "Ctrl+Alt+T", "Shift+F5"; empty for 0.
std::string ShortcutToText(uint16_t shortcut);

}  // namespace tarvolo
