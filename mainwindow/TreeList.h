// The directory tree on screen: an owner-drawn list box that holds no data of
// its own (LBS_NODATA) and paints each row from the model's rows and tree
// codes, with connector lines at the window's scale.
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
    // `list` is a child of `owner`, whose scale the rows are painted at.
    TreeList(Form& owner, HWND list, const DriveRows& drive);
    TreeList(const TreeList&) = delete;
    TreeList& operator=(const TreeList&) = delete;

    HWND Handle() const { return list_; }
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
