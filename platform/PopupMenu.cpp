#include "platform/PopupMenu.h"

#include "platform/Application.h"
#include "platform/WinText.h"

namespace tarvolo {

MenuImages::MenuImages(int bitmapResource) {
    HBITMAP strip = static_cast<HBITMAP>(::LoadImageW(Application::Get().Instance(), MAKEINTRESOURCEW(bitmapResource),
                                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!strip) return;
    UniqueBitmap owner(strip);
    BITMAP info{};
    ::GetObjectW(strip, sizeof info, &info);
    int count = info.bmWidth / 16;
    HDC screen = ::GetDC(nullptr);
    MemoryDC source(screen);
    SelectGuard selectSource(source, strip);
    for (int i = 0; i < count; ++i) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = 16;
        bi.bmiHeader.biHeight = -16;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP picture = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!picture) break;
        auto* px = static_cast<DWORD*>(bits);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                COLORREF c = ::GetPixel(source, i * 16 + x, y);
                // Premultiplied ARGB; magenta is the transparent colour.
                px[y * 16 + x] = c == RGB(255, 0, 255)
                                     ? 0
                                     : 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
            }
        }
        pictures_.emplace_back(picture);
    }
    ::ReleaseDC(nullptr, screen);
}

HBITMAP MenuImages::Picture(int index) const {
    return index >= 0 && index < Count() ? pictures_[static_cast<size_t>(index)].get() : nullptr;
}

PopupMenu::PopupMenu(const MenuImages* images) : images_(images) {}
PopupMenu::~PopupMenu() = default;

PopupMenu::Item& PopupMenu::Add(std::string caption, int image, std::function<void()> onClick) {
    auto item = std::make_unique<Item>();
    item->caption = std::move(caption);
    item->image = image;
    item->onClick = std::move(onClick);
    items_.push_back(std::move(item));
    return *items_.back();
}

void PopupMenu::AddSeparator() {
    auto item = std::make_unique<Item>();
    item->separator = true;
    items_.push_back(std::move(item));
}

void PopupMenu::Clear() {
    items_.clear();
    defaultItem = -1;
}

HMENU PopupMenu::Build(std::vector<Item*>& byId) {
    HMENU menu = ::CreatePopupMenu();
    for (size_t i = 0; i < items_.size(); ++i) {
        Item& item = *items_[i];
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        std::wstring text;
        if (item.separator) {
            mi.fMask = MIIM_FTYPE;
            mi.fType = MFT_SEPARATOR;
        } else {
            text = Widen(item.caption);
            if (!item.shortcut.empty()) text += L"\t" + Widen(item.shortcut);
            mi.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE;
            mi.dwTypeData = text.data();
            byId.push_back(&item);
            mi.wID = static_cast<UINT>(byId.size());
            mi.fState = static_cast<int>(i) == defaultItem ? MFS_DEFAULT : 0;
            if (images_ && images_->Picture(item.image)) {
                mi.fMask |= MIIM_BITMAP;
                mi.hbmpItem = images_->Picture(item.image);
            }
            if (item.submenu) {
                mi.fMask |= MIIM_SUBMENU;
                mi.hSubMenu = item.submenu->Build(byId);
            }
        }
        ::InsertMenuItemW(menu, static_cast<UINT>(i), TRUE, &mi);
    }
    return menu;
}

bool PopupMenu::Popup(HWND owner, int x, int y) {
    if (onPopup) onPopup();
    std::vector<Item*> byId;
    built_.reset(Build(byId));
    UINT id = static_cast<UINT>(::TrackPopupMenuEx(built_.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, x,
                                                   y, owner, nullptr));
    if (id == 0 || id > byId.size()) return false;
    // The handler may rebuild this menu; keep what it needs first.
    std::function<void()> handler = byId[id - 1]->onClick;
    if (handler) handler();
    return true;
}

bool PopupMenu::ActivateDefaultItem() {
    if (defaultItem < 0 || static_cast<size_t>(defaultItem) >= items_.size()) return false;
    std::function<void()> handler = items_[static_cast<size_t>(defaultItem)]->onClick;
    if (handler) handler();
    return true;
}

}  // namespace tarvolo
