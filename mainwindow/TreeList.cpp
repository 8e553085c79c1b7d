#include "mainwindow/TreeList.h"

#include <commctrl.h>

#include <algorithm>
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

TreeList::TreeList(Form& owner, HWND list, const DriveRows& drive)
    : owner_(owner), list_(list), drive_(drive) {
    // The procedure keeps no pointer to this object, so the subclass may outlive
    // it; the list's own procedure waits in the list's user data. (The common
    // controls' subclassing keeps its chain in a window property, which Wine
    // looks up in its window server on every message the list gets.)
    ::SetWindowLongPtrW(list_, GWLP_USERDATA, ::GetWindowLongPtrW(list_, GWLP_WNDPROC));
    ::SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TreeList::ListBoxProc));
    owner_.RelayHints(list_);
}

void TreeList::LoadConnectors() {
    DropConnectors();
    LineBitmap.reset(LoadBitmapResource(IDB_LINE));
    TeeBitmap.reset(LoadBitmapResource(IDB_TEE));
    ElbowBitmap.reset(LoadBitmapResource(IDB_ELBOW));
    Line32Bitmap.reset(LoadBitmapResource(IDB_LINE32));
    Tee32Bitmap.reset(LoadBitmapResource(IDB_TEE32));
    Elbow32Bitmap.reset(LoadBitmapResource(IDB_ELBOW32));
}

void TreeList::ReleaseConnectors() {
    DropConnectors();
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
    const ListBox list(list_);
    const long top = list.TopIndex();
    RECT client{};
    ::GetClientRect(list_, &client);
    const int height = static_cast<int>(::SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0));
    const long page = height > 0 ? std::max<long>(1, client.bottom / height) : 1;
    if (row < 0 || (row >= top - page && row < top + 2 * page)) {
        // Near the page on show: the list repaints the two rows and scrolls a little.
        list.Select(row);
        return;
    }
    // A jump far away: the list would paint the rows leaving and arriving one by
    // one and scroll a whole page's pixels, all to be painted over at once. With
    // drawing held it only moves, and the page is painted once.
    ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    list.Select(row);
    ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, FALSE);
}

long TreeList::FirstVisibleRow() const {
    return ListBox(list_).TopIndex();
}

void TreeList::SetFirstVisibleRow(long row) {
    ListBox(list_).SetTopIndex(row < 0 ? 0 : static_cast<size_t>(row));
}

void TreeList::DropConnectors() {
    strip_.selected.reset();
    strip_.dc.reset();
    strip_.bitmap.reset();
    strip_.cell = strip_.height = 0;
}

HDC TreeList::Connectors(HDC target, int cell, int height, ConnectorStyle style, COLORREF window) {
    if (strip_.dc && strip_.cell == cell && strip_.height == height && strip_.style == style &&
        strip_.window == window)
        return *strip_.dc;
    DropConnectors();
    const bool small = style == ConnectorStyle::pictures16;
    const HBITMAP pictures[3] = {small ? LineBitmap.get() : Line32Bitmap.get(),
                                 small ? TeeBitmap.get() : Tee32Bitmap.get(),
                                 small ? ElbowBitmap.get() : Elbow32Bitmap.get()};
    UniqueBitmap bitmap(::CreateCompatibleBitmap(target, 3 * cell, height));
    auto dc = std::make_unique<MemoryDC>(target);
    if (!bitmap || !*dc) return nullptr;
    auto selected = std::make_unique<SelectGuard>(*dc, bitmap.get());
    const RECT all{0, 0, 3 * cell, height};
    UniqueBrush windowBrush(::CreateSolidBrush(window));
    ::FillRect(*dc, &all, windowBrush.get());
    const Connector kinds[3] = {Connector::line, Connector::tee, Connector::elbow};
    if (style == ConnectorStyle::rectangles) {
        UniqueBrush lineBrush(::CreateSolidBrush(RGB(128, 128, 128)));
        const int thickness = owner_.Scaled(1);
        for (int k = 0; k < 3; ++k)
            for (const LineRect& l : ConnectorLines(kinds[k], k * cell, 0, height, cell, thickness)) {
                const RECT rect{l.left, l.top, l.right, l.bottom};
                ::FillRect(*dc, &rect, lineBrush.get());
            }
    } else {
        MemoryDC source(target);
        if (!source) return nullptr;
        // White in the pictures is the window colour, already under them.
        const int size = small ? 16 : 32;
        for (int k = 0; k < 3; ++k) {
            if (!pictures[k]) continue;  // left blank, as the row would be without it
            SelectGuard keep(source, pictures[k]);
            ::GdiTransparentBlt(*dc, k * cell, 0, cell, height, source, 0, 0, size, size, RGB(255, 255, 255));
        }
    }
    strip_.cell = cell;
    strip_.height = height;
    strip_.style = style;
    strip_.window = window;
    strip_.bitmap = std::move(bitmap);
    strip_.dc = std::move(dc);
    strip_.selected = std::move(selected);
    return *strip_.dc;
}

void TreeList::DirListBoxDrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT& r = item.rcItem;
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    // Connectors and the space around the name always keep the window colour;
    // only the name's label shows the selection.
    if (!windowBrush_ || windowBrushColour_ != window) {
        windowBrush_.reset(::CreateSolidBrush(window));
        windowBrushColour_ = window;
    }
    ::FillRect(dc, &r, windowBrush_.get());
    const RowStore& rows = drive_.rows;
    const TreeCodes& codes = drive_.codes;
    const size_t row = item.itemID;
    if (item.itemID != static_cast<UINT>(-1) && row < rows.size()) {
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        ::SetBkMode(dc, OPAQUE);
        ::SetBkColor(dc, selected ? ::GetSysColor(COLOR_HIGHLIGHT) : window);
        ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        // The list's font is the form's; asked of the list, every row would cost a
        // message through the list's subclass procedures, each a window property lookup.
        HFONT font = owner_.Font();
        SelectGuard keepFont(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));
        if (row == 0) {
            ::TextOutW(dc, owner_.Scaled(5), r.top, L"[ \\ ]", 5);
        } else {
            const std::string code = row < codes.size() ? codes.Code(row) : std::string();
            // The connector pictures stretch to the row height, so the lines of one
            // row meet those of the next. Each is stretched once, into the strip,
            // and copied from there: a transparent stretch for every connector of
            // every row painted was most of a keystroke's paint.
            const int cell = owner_.Scaled(16);
            const int height = r.bottom - r.top;
            const TreeRowLayout layout = LayoutTreeRow(code, r.left, owner_.Scaled(8), cell);
            if (!layout.connectors.empty()) {
                if (HDC strip = Connectors(dc, cell, height, ConnectorStyleFor(cell, height), window)) {
                    for (const ConnectorCell& c : layout.connectors) {
                        const int k = c.connector == Connector::line  ? 0
                                      : c.connector == Connector::tee ? 1
                                                                      : 2;
                        ::BitBlt(dc, c.x, r.top, cell, height, strip, k * cell, 0, SRCCOPY);
                    }
                }
            }
            std::wstring label = L"  " + Widen(rows.Name(row)) + L"  ";
            ::TextOutW(dc, layout.labelX, r.top, label.c_str(), static_cast<int>(label.size()));
        }
    }
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &r);
}

LRESULT CALLBACK TreeList::ListBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
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
    Form::RelayHintEvent(hwnd, msg, wp, lp);
    const auto list = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return list ? ::CallWindowProcW(list, hwnd, msg, wp, lp) : ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace tarvolo
