// Finding the main window of a program's running instance. A class name is no
// proof of whose window it is (many programs share the common ones), so the
// window must answer a registered message with the program's own value.
#pragma once

#include <windows.h>

namespace tarvolo {

// The first top-level window of `className` (shown or not) that answers
// `message` with `answer`; nullptr when none does. Each candidate is given
// `timeoutMs` and skipped when it hangs.
HWND FindAnsweringWindow(const wchar_t* className, UINT message, WPARAM wp, LRESULT answer,
                         UINT timeoutMs = 3000);

}  // namespace tarvolo
