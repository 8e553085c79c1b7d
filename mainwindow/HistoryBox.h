// The history box: its edit holds the current path, the path the commands act
// on; its drop-down list is the history, most recent first. Bold Arial on the
// button face, at the window's scale.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Form.h"
#include "platform/Handles.h"

namespace tarvolo {

class HistoryBox {
public:
    // `combo` is a drop-down combo box of `owner`; its font comes with ApplyScale.
    HistoryBox(Form& owner, HWND combo);

    HWND Handle() const { return combo_; }
    std::string CurrentPath() const;
    void SetCurrentPath(const std::string& path);
    // The current path, also as the hint of the box and of `list`, where it was chosen.
    void ShowChosenPath(const std::string& path, HWND list);
    // The drop-down list becomes `history`; the current path stays as it was
    // (emptying the list empties the edit too).
    void SetHistory(const std::vector<std::string>& history);
    // After a pick from the drop-down list: the picked entry of `history`, if any.
    std::optional<std::string> Picked(const std::vector<std::string>& history) const;
    // Sets the font at the owner's scale.
    void ApplyScale();
    // The brush for WM_CTLCOLOREDIT / WM_CTLCOLORLISTBOX of `control` when it
    // is this box or a part of it; null for every other control.
    HBRUSH Colour(HWND control, HDC dc) const;

private:
    static LRESULT CALLBACK ComboProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    Form& owner_;
    HWND combo_;
    UniqueFont font_;
    UniqueBrush face_;
};

}  // namespace tarvolo
