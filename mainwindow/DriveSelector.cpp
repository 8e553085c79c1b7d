// The drive selector: the fixed drives, loading a drive's index (or scanning
// the drive when it has none) and the Rescan button.
#include <cwchar>

#include "mainwindow/Main.h"
#include "mainwindow/Rescan.h"
#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/Pictures.h"
#include "platform/WinText.h"
#include "res/resource.h"

namespace tarvolo {

void TfrmMain::FillDriveList() {
    const ComboBox drives(cmbDrives);
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

std::string TfrmMain::SelectedDrive() const {
    const ComboBox drives(cmbDrives);
    return drives.Item(drives.Selected());
}

namespace {
// The directory list is hidden while its rows are replaced and comes back
// however the load or the scan ends.
struct ListShownAgain {
    HWND list;
    ~ListShownAgain() { ::ShowWindow(list, SW_SHOW); }
};
}  // namespace

void TfrmMain::cmbDrivesChange() {
    const std::string drive = SelectedDrive();
    if (drive.empty()) return;
    liveIndex_->Save();             // the rows shown are still the last drive's
    liveIndex_->WatchDrive(drive);  // before the rows are read, so that no change falls in between
    ::ShowWindow(DirListBox, SW_HIDE);
    ListShownAgain showAgain{DirListBox};

    // A drive whose root cannot be written keeps its index in the user's own folder.
    IndexRead read = model_.ReadDriveIndex(IndexFilePath(drive), LocalIndexFilePath(drive));
    switch (read.result) {
        case FileSystem::Read::loaded:
            SetRows(std::move(read.rows));
            break;
        case FileSystem::Read::missing:
            frmRescan->ScanDrive(drive + "\\");
            break;
        case FileSystem::Read::unreadable:
            // The old rows belong to another drive: with them the current path would name
            // directories that do not exist here.
            SetRows(RowStore());
            Application::Get().ShowError("Cannot open file " + read.path);
            break;
    }
    BuildTreeCodes();
    if (!model_.drive.rows.empty()) SelectRow(0);
    DirListBoxClick();
    SetSearchText("");
    liveIndex_->CatchUpLater();  // what changed while the rows were read
}

void TfrmMain::btnRescanClick() {
    const std::string drive = SelectedDrive();
    if (drive.empty()) return;
    ::ShowWindow(DirListBox, SW_HIDE);
    ListShownAgain showAgain{DirListBox};
    liveIndex_->WatchDrive(drive);  // before the walk, so that no change falls in between
    frmRescan->ScanDrive(drive + "\\");
    liveIndex_->CatchUpLater();  // what changed during the walk
    BuildTreeCodes();
    if (!model_.drive.rows.empty()) SelectRow(0);
    DirListBoxClick();
}

void TfrmMain::cmbDrivesDrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF back = ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const COLORREF fore = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    UniqueBrush brush(::CreateSolidBrush(back));
    ::FillRect(dc, &r, brush.get());
    if (item.itemID != static_cast<UINT>(-1)) {
        const int pictureSize = Scaled(16);
        if (pictureSize > 16) {
            // Above 96 DPI the picture drawn at 32 x 32, averaged to the row's scale.
            UniqueBitmap picture(LoadScaledPicture(IDB_DRIVE, IDB_DRIVE32, RGB(255, 0, 0), 0, pictureSize));
            DrawScaledPicture(dc, r.left + Scaled(2), r.top, picture.get());
        } else if (UniqueBitmap picture(static_cast<HBITMAP>(::LoadImageW(
                       Application::Get().Instance(), MAKEINTRESOURCEW(IDB_DRIVE), IMAGE_BITMAP, 0, 0, 0)));
                   picture) {
            MemoryDC source(dc);
            SelectGuard keep(source, picture.get());
            // Pure red is the picture's background: the entry's colour shows through.
            ::GdiTransparentBlt(dc, r.left + Scaled(2), r.top, Scaled(16), Scaled(16), source, 0, 0, 16, 16,
                                RGB(255, 0, 0));
        }
        wchar_t text[16] = {};
        LRESULT n = ::SendMessageW(cmbDrives, CB_GETLBTEXTLEN, item.itemID, 0);
        if (n > 0 && n < 16) {
            ::SendMessageW(cmbDrives, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, fore);
            ::TextOutW(dc, r.left + Scaled(22), r.top, text, static_cast<int>(n));
        }
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) ::DrawFocusRect(dc, &r);
}

}  // namespace tarvolo
