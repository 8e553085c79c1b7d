#include "mainwindow/TreeList.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "model/TreeRowLayout.h"
#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/Dpi.h"
#include "platform/WinText.h"
#include "res/resource.h"

namespace tarvolo {

namespace {

HBITMAP LoadBitmapResource(int id) {
    return static_cast<HBITMAP>(
        ::LoadImageW(Application::Get().Instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
}

// What the list's procedure keeps with the list, in its user data: the list
// box's own procedure and its scroll bar as last set. It goes with the window,
// which the form destroys after the TreeList.
struct ListState {
    WNDPROC list = nullptr;
    HWND bar = nullptr;
    int strip = 0;                        // the frame's width kept for the bar; 0 while every row shows
    int count = -1, page = -1, top = -1;  // as the bar was last told
    int thumbTop = -1, thumbBottom = -1;  // as it was last drawn
    int wheel = 0;                        // the wheel's turn not yet a whole row
    bool busy = false;
};

ListState* StateOf(HWND list) {
    return reinterpret_cast<ListState*>(::GetWindowLongPtrW(list, GWLP_USERDATA));
}

LRESULT CallList(const ListState& s, HWND list, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    return ::CallWindowProcW(s.list, list, msg, wp, lp);
}

int PageRows(const ListState& s, HWND list) {
    RECT client{};
    ::GetClientRect(list, &client);
    const int height = static_cast<int>(CallList(s, list, LB_GETITEMHEIGHT));
    return height > 0 ? std::max(1, static_cast<int>(client.bottom) / height) : 1;
}

// The same for a caller outside the list's own procedure.
int PageRows(HWND list) {
    RECT client{};
    ::GetClientRect(list, &client);
    const int height = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    return height > 0 ? std::max(1, static_cast<int>(client.bottom) / height) : 1;
}

// The strip in the list's frame, kept while some rows are out of sight, and
// the bar over it, the system's width at the list's scale. `visible`: the
// list's own, which a window being shown or hidden does not have yet.
void PlaceBar(HWND list, ListState& s, bool visible) {
    const bool needed = s.count > s.page;
    const int strip = needed ? SystemMetricAtDpi(SM_CXVSCROLL, WindowDpi(list)) : 0;
    if (strip != s.strip) {
        s.strip = strip;
        ::SetWindowPos(list, nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client{};
    ::GetClientRect(list, &client);
    POINT at{client.right, 0};
    ::MapWindowPoints(list, ::GetParent(list), &at, 1);
    const bool shown = needed && visible;
    // Just above the list, so that the list's frame is painted under it.
    HWND above = ::GetWindow(list, GW_HWNDPREV);
    const UINT order = above == s.bar ? SWP_NOZORDER : 0;
    ::SetWindowPos(s.bar, above ? above : HWND_TOP, at.x, at.y, strip, client.bottom,
                   order | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

// The bar told of the list's rows, page and top row after each message to the
// list, and drawn again only when that moved its thumb.
void FollowList(HWND list, ListState& s) {
    if (s.busy || !s.bar) return;
    s.busy = true;
    // A strip made or given back resizes the list, which may move its top row.
    for (int pass = 0; pass < 3; ++pass) {
        const int count = static_cast<int>(CallList(s, list, LB_GETCOUNT));
        const int top = static_cast<int>(CallList(s, list, LB_GETTOPINDEX));
        const int page = PageRows(s, list);
        if (count == s.count && page == s.page && top == s.top) break;
        const bool reshaped = count != s.count || page != s.page;
        s.count = count;
        s.page = page;
        s.top = top;
        if (reshaped) PlaceBar(list, s, (::GetWindowLongW(list, GWL_STYLE) & WS_VISIBLE) != 0);
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMax = std::max(0, count - 1);
        info.nPage = static_cast<UINT>(page);
        info.nPos = std::max(0, top);
        ::SetScrollInfo(s.bar, SB_CTL, &info, FALSE);
        SCROLLBARINFO bar{};
        bar.cbSize = sizeof bar;
        if (!::GetScrollBarInfo(s.bar, OBJID_CLIENT, &bar)) bar.xyThumbTop = bar.xyThumbBottom = -1;
        if (reshaped || bar.xyThumbTop != s.thumbTop || bar.xyThumbBottom != s.thumbBottom) {
            s.thumbTop = bar.xyThumbTop;
            s.thumbBottom = bar.xyThumbBottom;
            // Painted with the rest of the window, once for a burst of keys.
            ::InvalidateRect(s.bar, nullptr, FALSE);
            ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, s.bar, OBJID_CLIENT, CHILDID_SELF);
        }
    }
    s.busy = false;
}

// The wheel scrolls the lines the system says a notch is, at most a page, as
// the list box does with a scroll bar of its own; a turn the other way drops
// what was left over.
void TurnWheel(HWND list, ListState& s, int delta) {
    UINT lines = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int page = std::max(1, PageRows(s, list));
    const int step =
        lines == WHEEL_PAGESCROLL || lines > static_cast<UINT>(page) ? page : static_cast<int>(lines);
    if (step <= 0) return;
    if ((delta < 0) != (s.wheel < 0)) s.wheel = 0;
    s.wheel += delta;
    const int rows = step * s.wheel / WHEEL_DELTA;
    if (rows == 0) return;
    s.wheel -= rows * WHEEL_DELTA / step;
    const long top = static_cast<long>(CallList(s, list, LB_GETTOPINDEX));
    CallList(s, list, LB_SETTOPINDEX, static_cast<WPARAM>(std::max(0L, top - rows)));
}

}  // namespace

TreeList::TreeList(Form& owner, HWND list, int barId, const DriveRows& drive)
    : owner_(owner), list_(list), drive_(drive) {
    bar_ = ::CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 0, 0, ::GetParent(list_),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(barId)),
                             Application::Get().Instance(), nullptr);
    // The procedure keeps no pointer to this object, so the subclass may outlive
    // it; what it keeps waits in the list's user data. (The common controls'
    // subclassing keeps its chain in a window property, which Wine looks up in
    // its window server on every message the list gets.)
    auto* state = new ListState;
    state->list = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(list_, GWLP_WNDPROC));
    state->bar = bar_;
    ::SetWindowLongPtrW(list_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    ::SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TreeList::ListBoxProc));
    owner_.RelayHints(list_);
    FollowList(list_, *state);
}

void TreeList::Scrolled(int request) {
    const ListBox list(list_);
    const long top = list.TopIndex();
    const long page = PageRows(list_);
    long to = top;
    switch (request) {
        case SB_LINEUP:
            to = top - 1;
            break;
        case SB_LINEDOWN:
            to = top + 1;
            break;
        case SB_PAGEUP:
            to = top - page;
            break;
        case SB_PAGEDOWN:
            to = top + page;
            break;
        case SB_TOP:
            to = 0;
            break;
        case SB_BOTTOM:
            to = list.Count();
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            // The message carries only 16 bits of the thumb's place; past 65,535
            // rows the list would jump back to the top.
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            if (!::GetScrollInfo(bar_, SB_CTL, &info)) return;
            to = info.nTrackPos;
            break;
        }
        default:
            return;
    }
    // The list keeps its top row where a whole page still shows.
    if (to != top) SetFirstVisibleRow(to);
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
    const long page = PageRows(list_);
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
    Form::RelayHintEvent(hwnd, msg, wp, lp);
    ListState* state = StateOf(hwnd);
    if (!state) return ::DefWindowProcW(hwnd, msg, wp, lp);
    ListState& s = *state;
    switch (msg) {
        case WM_NCCALCSIZE: {
            const LRESULT result = CallList(s, hwnd, msg, wp, lp);
            RECT& client =
                wp ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : *reinterpret_cast<RECT*>(lp);
            client.right = std::max(client.left, client.right - s.strip);
            return result;
        }
        case WM_NCPAINT: {
            // The list's themed frame is painted over its whole window, the
            // bar's place included: the bar is painted again over it.
            const LRESULT result = CallList(s, hwnd, msg, wp, lp);
            if (s.strip > 0) ::InvalidateRect(s.bar, nullptr, FALSE);
            return result;
        }
        case WM_MOUSEWHEEL:
            if (GET_KEYSTATE_WPARAM(wp) & (MK_SHIFT | MK_CONTROL)) break;
            TurnWheel(hwnd, s, GET_WHEEL_DELTA_WPARAM(wp));
            FollowList(hwnd, s);
            return 0;
        case WM_NCDESTROY: {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            const std::unique_ptr<ListState> owned(state);
            return ::CallWindowProcW(s.list, hwnd, msg, wp, lp);
        }
        default:
            break;
    }
    const LRESULT result = CallList(s, hwnd, msg, wp, lp);
    // Moved, resized, shown or hidden by the form: the bar goes along. A list
    // shown or hidden while the form is hidden gets no WM_WINDOWPOSCHANGED, and
    // has not its new visibility yet when told.
    const bool shownOrHidden = msg == WM_SHOWWINDOW && lp == 0;
    if ((msg == WM_WINDOWPOSCHANGED || shownOrHidden) && !s.busy) {
        const UINT flags = msg == WM_WINDOWPOSCHANGED ? reinterpret_cast<const WINDOWPOS*>(lp)->flags : 0;
        const bool visible = shownOrHidden              ? wp != 0
                             : (flags & SWP_SHOWWINDOW) ? true
                             : (flags & SWP_HIDEWINDOW)
                                 ? false
                                 : (::GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
        s.busy = true;
        PlaceBar(hwnd, s, visible);
        s.busy = false;
    }
    FollowList(hwnd, s);
    return result;
}

}  // namespace tarvolo
