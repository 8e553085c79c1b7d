// The directory tree on screen: an owner-drawn list box that holds no data of
// its own (LBS_NODATA) and paints each row from the model's rows and tree
// codes, with connector lines at the window's scale.
//
// The list draws no scroll bar of its own: the list box draws its themed bar
// again whenever its top row moves, and a themed bar is slow to draw (under
// Wine some seventy calls to the window server), most of a keystroke's time
// on a large drive. A scroll bar control of the form stands in the list's
// frame where the list's own would be and follows the list's top row, drawn
// again only when its thumb moves by a pixel: on a large drive once in
// thousands of rows.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

#include "model/Model.h"
#include "model/TreeRowLayout.h"
#include "platform/Form.h"
#include "platform/Handles.h"

namespace tarvolo {

class TreeList {
public:
    // `list` is a child of `owner`, whose scale the rows are painted at; its
    // scroll bar is made beside it with the id `barId`.
    TreeList(Form& owner, HWND list, int barId, const DriveRows& drive);
    TreeList(const TreeList&) = delete;
    TreeList& operator=(const TreeList&) = delete;

    HWND Handle() const { return list_; }
    HWND ScrollBar() const { return bar_; }
    // A scroll request of the scroll bar (WM_VSCROLL with its handle): the list follows.
    void Scrolled(int request);
    // The connector pictures, at both sizes.
    void LoadConnectors();
    void ReleaseConnectors();
    void DirListBoxDrawItem(const DRAWITEMSTRUCT& item);

    void SetRowCount(size_t count);
    void SetRowHeight(int height);
    // -1 for none, and for a selection past the rows (the list not yet told of fewer rows).
    long SelectedRow() const;
    void SelectRow(long row);
    long FirstVisibleRow() const;
    void SetFirstVisibleRow(long row);

private:
    static LRESULT CALLBACK ListBoxProc(HWND, UINT, WPARAM, LPARAM);
    // The three connectors side by side (line, tee, elbow), each `cell` wide and
    // a row high, already drawn on the window colour; made again when the size,
    // the style or the colour changes. Null when it cannot be made.
    HDC Connectors(HDC target, int cell, int height, ConnectorStyle style, COLORREF window);
    void DropConnectors();

    Form& owner_;
    HWND list_;
    HWND bar_ = nullptr;
    const DriveRows& drive_;
    UniqueBitmap LineBitmap, TeeBitmap, ElbowBitmap;
    UniqueBitmap Line32Bitmap, Tee32Bitmap, Elbow32Bitmap;
    struct ConnectorStrip {
        int cell = 0, height = 0;
        ConnectorStyle style = ConnectorStyle::rectangles;
        COLORREF window = 0;
        UniqueBitmap bitmap;
        std::unique_ptr<MemoryDC> dc;
        std::unique_ptr<SelectGuard> selected;
    } strip_;
    UniqueBrush windowBrush_;
    COLORREF windowBrushColour_ = 0;
};

}  // namespace tarvolo
