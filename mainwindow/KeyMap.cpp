#include "mainwindow/Main.h"

namespace tarvolo {

bool TfrmMain::PreviewKey(MSG&) { return false; }
bool TfrmMain::FormKeyDown(WORD&, unsigned) { return false; }
bool TfrmMain::FormKeyPress(char32_t&) { return false; }
void TfrmMain::btnKeyDown(WORD) {}
bool TfrmMain::cmbHistoryKeyDown(WORD&) { return true; }
bool TfrmMain::cmbHistoryKeyPress(char32_t&) { return true; }
LRESULT CALLBACK TfrmMain::ControlProc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
    return ::DefSubclassProc(h, m, w, l);
}

}  // namespace tarvolo
