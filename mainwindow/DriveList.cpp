#include "mainwindow/DriveList.h"

#include <cwchar>

#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/Handles.h"
#include "platform/Pictures.h"
#include "platform/WinText.h"
#include "res/resource.h"

namespace tarvolo {

void DriveList::FillDriveList() {
    const ComboBox drives(combo_);
    drives.Clear();
    wchar_t buffer[256] = {};
    DWORD length = ::GetLogicalDriveStringsW(255, buffer);
    if (length == 0 || length > 255) return;
    // "C:\", NUL, "D:\", NUL, ..., NUL.
    for (const wchar_t* root = buffer; *root; root += wcslen(root) + 1) {
        if (::GetDriveTypeW(root) != DRIVE_FIXED) continue;
        wchar_t entry[3] = {root[0], root[1], 0};
        if (entry[0] >= L'a' && entry[0] <= L'z') entry[0] = static_cast<wchar_t>(entry[0] - L'a' + L'A');
        drives.Add(Narrow(entry));
    }
}

void DriveList::SetRowHeight(int height) {
    ::SendMessageW(combo_, CB_SETITEMHEIGHT, 0, height);
    ::SendMessageW(combo_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
}

std::string DriveList::SelectedDrive() const {
    const ComboBox drives(combo_);
    return drives.Item(drives.Selected());
}

void DriveList::cmbDrivesDrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF back = ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const COLORREF fore = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    UniqueBrush brush(::CreateSolidBrush(back));
    ::FillRect(dc, &r, brush.get());
    if (item.itemID != static_cast<UINT>(-1)) {
        const int pictureSize = owner_.Scaled(16);
        if (pictureSize > 16) {
            // Above 96 DPI the picture drawn at 32 x 32, averaged to the row's scale.
            UniqueBitmap picture(LoadScaledPicture(IDB_DRIVE, IDB_DRIVE32, RGB(255, 0, 0), 0, pictureSize));
            DrawScaledPicture(dc, r.left + owner_.Scaled(2), r.top, picture.get());
        } else if (UniqueBitmap picture(static_cast<HBITMAP>(::LoadImageW(
                       Application::Get().Instance(), MAKEINTRESOURCEW(IDB_DRIVE), IMAGE_BITMAP, 0, 0, 0)));
                   picture) {
            MemoryDC source(dc);
            SelectGuard keep(source, picture.get());
            // Pure red is the picture's background: the entry's colour shows through.
            ::GdiTransparentBlt(dc, r.left + owner_.Scaled(2), r.top, owner_.Scaled(16), owner_.Scaled(16),
                                source, 0, 0, 16, 16, RGB(255, 0, 0));
        }
        wchar_t text[16] = {};
        LRESULT n = ::SendMessageW(combo_, CB_GETLBTEXTLEN, item.itemID, 0);
        if (n > 0 && n < 16) {
            ::SendMessageW(combo_, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, fore);
            ::TextOutW(dc, r.left + owner_.Scaled(22), r.top, text, static_cast<int>(n));
        }
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) ::DrawFocusRect(dc, &r);
}

}  // namespace tarvolo
