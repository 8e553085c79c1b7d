#include "mainwindow/Main.h"

namespace tarvolo {

void TfrmMain::BuildTreeCodes() {}
void TfrmMain::DirListBoxDrawItem(const DRAWITEMSTRUCT&) {}
void TfrmMain::DirListBoxClick() {}
void TfrmMain::DirListBoxDblClick() {}
void TfrmMain::SetRows(RowStore rows) { Rows = std::move(rows); }
long TfrmMain::SelectedRow() const { return -1; }
void TfrmMain::SelectRow(long) {}
LRESULT CALLBACK TfrmMain::ListBoxProc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
    return ::DefSubclassProc(h, m, w, l);
}

}  // namespace tarvolo
