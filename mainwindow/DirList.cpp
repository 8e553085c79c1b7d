// The directory list: the rows of one drive as a tree with connector lines,
// painted from the tree codes through an owner-drawn list that holds no
// strings of its own (the rows stay in the model), and what selecting a row does.
#include "mainwindow/Main.h"

#include "platform/Controls.h"
#include "platform/WinText.h"

namespace tarvolo {

void TfrmMain::BuildTreeCodes() {
    model_.drive.BuildCodes();
}

void TfrmMain::SetRows(RowStore rows) {
    model_.drive.Replace(std::move(rows));
    // The names are folded for the search once the tree is on screen (or at the
    // first search, whichever comes first), so a large drive shows sooner.
    ::PostMessageW(hwnd_, kBuildSearchIndexMessage, 0, 0);
    ListBox(DirListBox).SetCount(model_.drive.rows.size());
}

long TfrmMain::SelectedRow() const {
    const int i = ListBox(DirListBox).Selected();
    return i < 0 || static_cast<size_t>(i) >= model_.drive.rows.size() ? -1 : static_cast<long>(i);
}

void TfrmMain::SelectRow(long row) {
    ListBox(DirListBox).Select(row);
}

void TfrmMain::DirListBoxDrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT& r = item.rcItem;
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    // Connectors and the space around the name always keep the window colour;
    // only the name's label shows the selection.
    UniqueBrush windowBrush(::CreateSolidBrush(window));
    ::FillRect(dc, &r, windowBrush.get());
    const RowStore& rows = model_.drive.rows;
    const TreeCodes& codes = model_.drive.codes;
    const size_t row = item.itemID;
    if (item.itemID != static_cast<UINT>(-1) && row < rows.size()) {
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        ::SetBkMode(dc, OPAQUE);
        ::SetBkColor(dc, selected ? ::GetSysColor(COLOR_HIGHLIGHT) : window);
        ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        HFONT font = reinterpret_cast<HFONT>(::SendMessageW(DirListBox, WM_GETFONT, 0, 0));
        SelectGuard keepFont(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));
        if (row == 0) {
            ::TextOutW(dc, Scaled(5), r.top, L"[ \\ ]", 5);
        } else {
            const std::string_view code = row < codes.size() ? codes.Code(row) : std::string_view();
            // The connector pictures stretch to the row height, so the lines of one
            // row meet those of the next. At 96 DPI the 16 x 16 ones and at twice
            // that the 32 x 32 ones are copied pixel for pixel; at any other scale
            // a stretched picture would give lines of uneven width, so the same
            // lines are drawn as rectangles of the row's scale.
            const int cell = Scaled(16);
            const int height = r.bottom - r.top;
            int x = r.left + Scaled(8);
            const bool small = cell == 16;
            const bool exactDouble = cell == 32 && height == 32;
            MemoryDC pictures(dc);
            UniqueBrush lineBrush;
            if (!small && !exactDouble) lineBrush.reset(::CreateSolidBrush(RGB(128, 128, 128)));
            const int thickness = Scaled(1);
            // The lines as the pictures hold them: column 8 of 16, row 8 of 16.
            auto drawLines = [&](bool down, bool right) {
                const int lx = x + cell / 2, ly = r.top + height / 2;
                RECT v{lx, r.top, lx + thickness, down ? r.bottom : ly + thickness};
                ::FillRect(dc, &v, lineBrush.get());
                if (right) {
                    RECT h{lx, ly, x + cell, ly + thickness};
                    ::FillRect(dc, &h, lineBrush.get());
                }
            };
            // White in the pictures is the window colour, already under them.
            auto draw = [&](HBITMAP picture, HBITMAP picture32, bool down, bool right) {
                if (lineBrush) return drawLines(down, right);
                const int size = small ? 16 : 32;
                if (small ? !picture : !picture32) return;
                if (!pictures) return;
                SelectGuard keep(pictures, small ? picture : picture32);
                ::GdiTransparentBlt(dc, x, r.top, cell, height, pictures, 0, 0, size, size,
                                    RGB(255, 255, 255));
            };
            for (size_t k = 0; k + 1 < code.size(); ++k) {
                if (code[k] == '1') draw(LineBitmap.get(), Line32Bitmap.get(), true, false);
                x += cell;
            }
            if (!code.empty()) {
                if (code.back() == '2') draw(TeeBitmap.get(), Tee32Bitmap.get(), true, true);
                if (code.back() == '3') draw(ElbowBitmap.get(), Elbow32Bitmap.get(), false, true);
            }
            std::wstring label = L"  " + Widen(rows.Name(row)) + L"  ";
            ::TextOutW(dc, x + cell, r.top, label.c_str(), static_cast<int>(label.size()));
        }
    }
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &r);
}

void TfrmMain::DirListBoxClick() {
    const long row = SelectedRow();
    // No selected row (an empty index): the current path stays what it was.
    if (row < 0) return;
    const std::string path = SelectedDrive() + std::string(model_.drive.rows.Row(static_cast<size_t>(row)));
    SetWindowTextUtf8(cmbHistory, path);
    SetHint(cmbHistory, path);
    SetHint(DirListBox, path);
}

void TfrmMain::DirListBoxDblClick() {
    DirListBoxClick();
    CommandClick(Command::open);
}

LRESULT CALLBACK TfrmMain::ListBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_VSCROLL && (LOWORD(wp) == SB_THUMBTRACK || LOWORD(wp) == SB_THUMBPOSITION)) {
        // The message carries only 16 bits of the thumb position; past 65,535 rows
        // the list would jump back to the top.
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        if (::GetScrollInfo(hwnd, SB_VERT, &si)) {
            ::SendMessageW(hwnd, LB_SETTOPINDEX, static_cast<WPARAM>(si.nTrackPos < 0 ? 0 : si.nTrackPos), 0);
            return 0;
        }
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace tarvolo
