// The directory tree on screen: an owner-drawn list box that holds no data of
// its own (LBS_NODATA) and paints each row from the model's rows and tree
// codes, with connector lines at the window's scale.
#pragma once

#include <windows.h>

#include <cstddef>

#include "model/Model.h"
#include "platform/Form.h"
#include "platform/Handles.h"

namespace tarvolo {

class TreeList {
public:
    // `list` is a child of `owner`, whose scale the rows are painted at.
    TreeList(const Form& owner, HWND list, const DriveRows& drive);
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
    static LRESULT CALLBACK ListBoxProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    const Form& owner_;
    HWND list_;
    const DriveRows& drive_;
    UniqueBitmap LineBitmap, TeeBitmap, ElbowBitmap;
    UniqueBitmap Line32Bitmap, Tee32Bitmap, Elbow32Bitmap;
};

}  // namespace tarvolo
