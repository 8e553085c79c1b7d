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
    // The service registers under the ids `firstId` and `firstId` + 1, taking
    // turns, so that two services of one window (the program's hot key and Quick
    // Jump's) never share an id: WM_HOTKEY tells them apart by it.
    explicit HotKeyService(HotKeyRegistrar& registrar, int firstId = 1)
        : registrar_(registrar), firstId_(firstId) {}
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
    // Whether a WM_HOTKEY with this id is this service's.
    bool Owns(int id) const { return id == firstId_ || id == firstId_ + 1; }

private:
    HotKeyRegistrar& registrar_;
    uint16_t registered_ = 0;
    int firstId_;
    int id_ = 0;  // one of the two ids while one is registered: the next one takes the other
};

}  // namespace tarvolo
