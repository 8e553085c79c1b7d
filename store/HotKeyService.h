// The program's system-wide hot key: one combination registered at a time,
// changed without ever leaving the program with none while the new one is
// held by another program. Window-free: the registration itself is behind a
// narrow interface (RegisterHotKey on the main window in the program, a fake
// in the tests).
#pragma once

#include <cstdint>

namespace tarvolo {

struct HotKeyRegistrar {
    virtual ~HotKeyRegistrar() = default;
    // RegisterHotKey(window, id, modifiers, key); false when the combination is taken.
    virtual bool Register(int id, uint32_t modifiers, uint32_t key) = 0;
    virtual void Unregister(int id) = 0;
};

class HotKeyService {
public:
    explicit HotKeyService(HotKeyRegistrar& registrar) : registrar_(registrar) {}
    ~HotKeyService() = default;
    HotKeyService(const HotKeyService&) = delete;
    HotKeyService& operator=(const HotKeyService&) = delete;

    // Makes `shortcut` (a shortcut value, 0 for none) the hot key. The new
    // combination is registered before the old one is given up; when it is
    // taken, false is returned and the old one stays registered. 0 registers
    // nothing and always succeeds.
    bool Set(uint16_t shortcut);
    // Gives the hot key up (the real close).
    void Release();
    // The combination registered now; 0 for none.
    uint16_t Registered() const { return registered_; }

private:
    HotKeyRegistrar& registrar_;
    uint16_t registered_ = 0;
    int id_ = 0;  // 1 or 2 while one is registered: the next one takes the other id
};

}  // namespace tarvolo
