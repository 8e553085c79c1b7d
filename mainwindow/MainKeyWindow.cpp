// The main window as its key map sees it.
#include "mainwindow/Main.h"

namespace tarvolo {

using keys::KeyTarget;

KeyTarget TfrmMain::TargetOf(HWND hwnd) const {
    // The history box's edit is a child of the box.
    const HWND history = historyBox ? historyBox->Handle() : nullptr;
    if (history && (hwnd == history || ::IsChild(history, hwnd))) return KeyTarget::history;
    for (const auto& [button, picture] : Buttons())
        if (hwnd == button.Handle()) return KeyTarget::button;
    if (treeList && hwnd == treeList->Handle()) return KeyTarget::list;
    if (searchBox && hwnd == searchBox->Handle()) return KeyTarget::search;
    return KeyTarget::other;
}

// clang-format off
bool TfrmMain::ListFocused() const { return ::GetFocus() == treeList->Handle(); }
bool TfrmMain::SearchFocused() const { return searchBox->Focused(); }
void TfrmMain::FocusList() { ::SetFocus(treeList->Handle()); }
void TfrmMain::FocusSearch() { searchBox->Focus(); }
long TfrmMain::RowCount() const { return ListBox(treeList->Handle()).Count(); }

void TfrmMain::ClickRow(long row) {
    SelectRow(row);
    DirListBoxClick();
}

bool TfrmMain::SearchEmpty() const { return searchBox->Empty(); }
void TfrmMain::SetSearchText(const std::string& text) { searchBox->SetText(text); }
void TfrmMain::SearchCaretToEnd() { searchBox->CaretToEnd(); }
// clang-format on

void TfrmMain::PressFindNext() {
    if (btnFindNext.Enabled())
        ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_BTNFINDNEXT, BN_CLICKED),
                       reinterpret_cast<LPARAM>(btnFindNext.Handle()));
}

int TfrmMain::FindDrive(char letter) const {
    return driveList->FindDrive(letter);
}

void TfrmMain::ChooseDrive(int index) {
    driveList->Select(index);
    cmbDrivesChange();
}

bool TfrmMain::RunFavoriteShortcut(WORD key, unsigned shift) {
    return favoritesMenus->FavoriteShortcut(key, shift);
}

}  // namespace tarvolo
