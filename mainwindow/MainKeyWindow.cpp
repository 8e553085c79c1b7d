#include "mainwindow/MainKeyWindow.h"

#include "mainwindow/Main.h"
#include "platform/Controls.h"

namespace tarvolo {

using keys::KeyTarget;

HWND MainKeyWindow::Handle() const {
    return form_.Handle();
}

KeyTarget MainKeyWindow::TargetOf(HWND hwnd) const {
    // The history box's edit is a child of the box.
    if (form_.cmbHistory && (hwnd == form_.cmbHistory || ::IsChild(form_.cmbHistory, hwnd)))
        return KeyTarget::history;
    if (form_.IsButton(hwnd)) return KeyTarget::button;
    if (hwnd == form_.DirListBox) return KeyTarget::list;
    if (hwnd == form_.DirToFind) return KeyTarget::search;
    return KeyTarget::other;
}

// clang-format off
bool MainKeyWindow::ListFocused() const { return ::GetFocus() == form_.DirListBox; }
bool MainKeyWindow::SearchFocused() const { return ::GetFocus() == form_.DirToFind; }
void MainKeyWindow::FocusList() { ::SetFocus(form_.DirListBox); }
void MainKeyWindow::FocusSearch() { ::SetFocus(form_.DirToFind); }
long MainKeyWindow::RowCount() const { return ListBox(form_.DirListBox).Count(); }
long MainKeyWindow::SelectedRow() const { return form_.SelectedRow(); }

void MainKeyWindow::ClickRow(long row) {
    form_.SelectRow(row);
    form_.DirListBoxClick();
}

bool MainKeyWindow::SearchEmpty() const { return ::GetWindowTextLengthW(form_.DirToFind) <= 0; }
void MainKeyWindow::SetSearchText(const std::string& text) { form_.SetSearchText(text); }
// clang-format on

void MainKeyWindow::SearchCaretToEnd() {
    const int end = ::GetWindowTextLengthW(form_.DirToFind);
    ::SendMessageW(form_.DirToFind, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void MainKeyWindow::PressFindNext() {
    if (::IsWindowEnabled(form_.btnFindNext))
        ::SendMessageW(form_.Handle(), WM_COMMAND, MAKEWPARAM(IDC_BTNFINDNEXT, BN_CLICKED),
                       reinterpret_cast<LPARAM>(form_.btnFindNext));
}

int MainKeyWindow::FindDrive(char letter) const {
    return ComboBox(form_.cmbDrives).FindExact({letter, ':'});
}

void MainKeyWindow::ChooseDrive(int index) {
    ComboBox(form_.cmbDrives).Select(index);
    form_.cmbDrivesChange();
}

bool MainKeyWindow::RunFavoriteShortcut(WORD key, unsigned shift) {
    return form_.FavoriteShortcut(key, shift);
}

void MainKeyWindow::SendFrontExplorerFolder() {
    form_.SendFrontExplorerFolder();
}

}  // namespace tarvolo
