#include "mainwindow/TreeList.h"

#include <commctrl.h>

#include <string>

#include "model/TreeRowLayout.h"
#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/WinText.h"
#include "res/resource.h"

namespace tarvolo {

namespace {

HBITMAP LoadBitmapResource(int id) {
    return static_cast<HBITMAP>(
        ::LoadImageW(Application::Get().Instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
}

}  // namespace

TreeList::TreeList(const Form& owner, HWND list, const DriveRows& drive)
    : owner_(owner), list_(list), drive_(drive) {
    // The procedure keeps no pointer to this object, so the subclass may outlive it.
    ::SetWindowSubclass(list_, &TreeList::ListBoxProc, 1, 0);
}

void TreeList::LoadConnectors() {
    LineBitmap.reset(LoadBitmapResource(IDB_LINE));
    TeeBitmap.reset(LoadBitmapResource(IDB_TEE));
    ElbowBitmap.reset(LoadBitmapResource(IDB_ELBOW));
    Line32Bitmap.reset(LoadBitmapResource(IDB_LINE32));
    Tee32Bitmap.reset(LoadBitmapResource(IDB_TEE32));
    Elbow32Bitmap.reset(LoadBitmapResource(IDB_ELBOW32));
}

void TreeList::ReleaseConnectors() {
    for (UniqueBitmap* b : {&LineBitmap, &TeeBitmap, &ElbowBitmap}) b->reset();
}

void TreeList::SetRowCount(size_t count) {
    ListBox(list_).SetCount(count);
}

void TreeList::SetRowHeight(int height) {
    ListBox(list_).SetItemHeight(height);
}

long TreeList::SelectedRow() const {
    const int i = ListBox(list_).Selected();
    return i < 0 || static_cast<size_t>(i) >= drive_.rows.size() ? -1 : static_cast<long>(i);
}

void TreeList::SelectRow(long row) {
    ListBox(list_).Select(row);
}

long TreeList::FirstVisibleRow() const {
    return ListBox(list_).TopIndex();
}

void TreeList::SetFirstVisibleRow(long row) {
    ListBox(list_).SetTopIndex(row < 0 ? 0 : static_cast<size_t>(row));
}

void TreeList::DirListBoxDrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT& r = item.rcItem;
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    // Connectors and the space around the name always keep the window colour;
    // only the name's label shows the selection.
    UniqueBrush windowBrush(::CreateSolidBrush(window));
    ::FillRect(dc, &r, windowBrush.get());
    const RowStore& rows = drive_.rows;
    const TreeCodes& codes = drive_.codes;
    const size_t row = item.itemID;
    if (item.itemID != static_cast<UINT>(-1) && row < rows.size()) {
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        ::SetBkMode(dc, OPAQUE);
        ::SetBkColor(dc, selected ? ::GetSysColor(COLOR_HIGHLIGHT) : window);
        ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        HFONT font = reinterpret_cast<HFONT>(::SendMessageW(list_, WM_GETFONT, 0, 0));
        SelectGuard keepFont(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));
        if (row == 0) {
            ::TextOutW(dc, owner_.Scaled(5), r.top, L"[ \\ ]", 5);
        } else {
            const std::string code = row < codes.size() ? codes.Code(row) : std::string();
            // The connector pictures stretch to the row height, so the lines of one
            // row meet those of the next.
            const int cell = owner_.Scaled(16);
            const int height = r.bottom - r.top;
            const ConnectorStyle style = ConnectorStyleFor(cell, height);
            const TreeRowLayout layout = LayoutTreeRow(code, r.left, owner_.Scaled(8), cell);
            MemoryDC pictures(dc);
            UniqueBrush lineBrush;
            if (style == ConnectorStyle::rectangles) lineBrush.reset(::CreateSolidBrush(RGB(128, 128, 128)));
            const int thickness = owner_.Scaled(1);
            for (const ConnectorCell& c : layout.connectors) {
                if (lineBrush) {
                    for (const LineRect& l :
                         ConnectorLines(c.connector, c.x, r.top, r.bottom, cell, thickness)) {
                        const RECT rect{l.left, l.top, l.right, l.bottom};
                        ::FillRect(dc, &rect, lineBrush.get());
                    }
                    continue;
                }
                const bool small = style == ConnectorStyle::pictures16;
                HBITMAP picture = nullptr;
                switch (c.connector) {
                    case Connector::line:
                        picture = small ? LineBitmap.get() : Line32Bitmap.get();
                        break;
                    case Connector::tee:
                        picture = small ? TeeBitmap.get() : Tee32Bitmap.get();
                        break;
                    case Connector::elbow:
                        picture = small ? ElbowBitmap.get() : Elbow32Bitmap.get();
                        break;
                }
                if (!picture || !pictures) continue;
                // White in the pictures is the window colour, already under them.
                const int size = small ? 16 : 32;
                SelectGuard keep(pictures, picture);
                ::GdiTransparentBlt(dc, c.x, r.top, cell, height, pictures, 0, 0, size, size,
                                    RGB(255, 255, 255));
            }
            std::wstring label = L"  " + Widen(rows.Name(row)) + L"  ";
            ::TextOutW(dc, layout.labelX, r.top, label.c_str(), static_cast<int>(label.size()));
        }
    }
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &r);
}

LRESULT CALLBACK TreeList::ListBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
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
