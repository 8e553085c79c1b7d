// The drive selector's list: the fixed drives as "C:", each drawn with the
// drive picture at the window's scale.
#pragma once

#include <windows.h>

#include <string>

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

private:
    const Form& owner_;
    HWND combo_;
};

}  // namespace tarvolo
