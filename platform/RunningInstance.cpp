#include "platform/RunningInstance.h"

namespace tarvolo {

HWND FindAnsweringWindow(const wchar_t* className, UINT message, WPARAM wp, LRESULT answer, UINT timeoutMs) {
    if (!message) return nullptr;
    for (HWND w = ::FindWindowExW(nullptr, nullptr, className, nullptr); w;
         w = ::FindWindowExW(nullptr, w, className, nullptr)) {
        DWORD_PTR result = 0;
        if (::SendMessageTimeoutW(w, message, wp, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &result) &&
            static_cast<LRESULT>(result) == answer)
            return w;
    }
    return nullptr;
}

}  // namespace tarvolo
