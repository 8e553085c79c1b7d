#include "store/HotKeyService.h"

#include "store/Global.h"

namespace tarvolo {

bool HotKeyService::Set(uint16_t shortcut) {
    if (shortcut == registered_) return true;
    if (shortcut == 0) {
        Release();
        return true;
    }
    // Both may be registered for a moment: the new one under the other id.
    const int next = id_ == firstId_ ? firstId_ + 1 : firstId_;
    if (!registrar_.Register(next, HotKeyModifiers(shortcut), shortcut & 0xFFu)) return false;
    if (id_ != 0) registrar_.Unregister(id_);
    id_ = next;
    registered_ = shortcut;
    return true;
}

void HotKeyService::Release() {
    if (id_ != 0) registrar_.Unregister(id_);
    id_ = 0;
    registered_ = 0;
}

}  // namespace tarvolo
