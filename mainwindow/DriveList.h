// The drive selector: the fixed drives as "C:" in a drop-down list, each drawn
// with the drive picture at the window's scale. What choosing a drive does is
// the form's (MainDriveSelector.cpp).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Form.h"

namespace tarvolo {

class DriveList {
public:
    // `combo` is an owner-drawn drop-down list of `owner`, whose scale it is painted at.
    DriveList(const Form& owner, HWND combo) : owner_(owner), combo_(combo) {}

    HWND Handle() const { return combo_; }
    void FillDriveList();
    std::string SelectedDrive() const;  // "C:" or empty
    void cmbDrivesDrawItem(const DRAWITEMSTRUCT& item);

    int Count() const { return ComboBox(combo_).Count(); }
    int Selected() const { return ComboBox(combo_).Selected(); }  // -1 for none
    void Select(int index) { ComboBox(combo_).Select(index); }
    // The index of the drive "X:", -1 when the list has none.
    int FindDrive(char letter) const { return ComboBox(combo_).FindExact({letter, ':'}); }
    std::vector<std::string> Drives() const { return ComboBox(combo_).Items(); }
    // The rows' height, of the field and of the drop-down list.
    void SetRowHeight(int height);

private:
    const Form& owner_;
    HWND combo_;
};

}  // namespace tarvolo
