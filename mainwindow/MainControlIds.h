// The main window's control identifiers, apart from the form, so that what
// only needs an id (the end-to-end tests, which find controls by it) does not
// take in the whole window.
#pragma once

namespace tarvolo {

enum MainControlId : int {
    IDC_GROUPDIRECTORIES = 100,
    IDC_LABEL1,
    IDC_CMBDRIVES,
    IDC_BTNRESCAN,
    IDC_DIRLISTPANEL,
    IDC_DIRLISTBOX,
    IDC_CMBHISTORY,
    IDC_DIRTOFIND,
    IDC_BTNFINDNEXT,
    IDC_BTNFAVORITES,
    IDC_BTNADDTOFAVORITES,
    IDC_GROUPCOMMANDS,
    IDC_BTNOPEN,
    IDC_BTNSENDTODIALOG,
    IDC_BTNCOPY,
    IDC_GROUPPROGRAMS,
    IDC_BTNOPTIONS,
    IDC_BTNABOUT,
    IDC_BTNHELP,
    IDC_DIRLISTSCROLLBAR,
};

}  // namespace tarvolo
