// The hot key registered for a window of this program (WM_HOTKEY goes to it).
#pragma once

#include <windows.h>

#include "store/HotKeyService.h"

namespace tarvolo {

class WinHotKeyRegistrar final : public HotKeyRegistrar {
public:
    explicit WinHotKeyRegistrar(HWND window) : window_(window) {}
    bool Register(int id, uint32_t modifiers, uint32_t key) override {
        return ::RegisterHotKey(window_, id, modifiers, key) != FALSE;  // FALSE: another program holds it
    }
    void Unregister(int id) override { ::UnregisterHotKey(window_, id); }

private:
    HWND window_;
};

}  // namespace tarvolo
