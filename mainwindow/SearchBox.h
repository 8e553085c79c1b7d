// The search box: the edit the typed text goes to, wherever the user types.
// What the text finds is the form's (MainSearch.cpp); this is the box itself.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Controls.h"

namespace tarvolo {

class SearchBox {
public:
    // `edit` is a child of the main window, which owns it.
    explicit SearchBox(HWND edit) : edit_(edit) {}

    HWND Handle() const { return edit_.Handle(); }
    std::string Text() const { return edit_.Text(); }
    // The same text again is no change: it runs nothing (no EN_CHANGE).
    void SetText(const std::string& text);
    bool Empty() const { return edit_.Length() <= 0; }
    bool Focused() const { return ::GetFocus() == edit_.Handle(); }
    void Focus() { ::SetFocus(edit_.Handle()); }
    // The caret (the selection's end) as the user left it, and back there.
    int Caret() const { return edit_.SelectionEnd(); }
    void SetCaret(int caret) { edit_.Select(caret, caret); }
    void CaretToEnd() { SetCaret(edit_.Length()); }

private:
    Edit edit_;
};

}  // namespace tarvolo
