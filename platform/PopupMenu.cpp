#include "platform/PopupMenu.h"

#include "platform/Pictures.h"
#include "platform/WinText.h"

namespace tarvolo {

MenuImages::MenuImages(int resource16, int resource32, int size)
    : resource16_(resource16), resource32_(resource32) {
    Load(size);
}

void MenuImages::Load(int size) {
    pictures_.clear();
    for (int i = 0;; ++i) {
        UniqueBitmap picture(LoadScaledPicture(resource16_, resource32_, RGB(255, 0, 255), i, size));
        if (!picture) break;
        pictures_.push_back(std::move(picture));
    }
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
            if (!item.enabled) mi.fState |= MFS_DISABLED;
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
    UINT id = static_cast<UINT>(::TrackPopupMenuEx(
        built_.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, x, y, owner, nullptr));
    if (id == 0 || id > byId.size()) return false;
    // The handler may rebuild this menu; keep what it needs first.
    std::function<void()> handler = byId[id - 1]->onClick;
    if (handler) handler();
    return true;
}

HMENU PopupMenu::BuildHandle() {
    std::vector<Item*> byId;
    built_.reset(Build(byId));
    return built_.get();
}

bool PopupMenu::ActivateDefaultItem() {
    if (defaultItem < 0 || static_cast<size_t>(defaultItem) >= items_.size()) return false;
    std::function<void()> handler = items_[static_cast<size_t>(defaultItem)]->onClick;
    if (handler) handler();
    return true;
}

}  // namespace tarvolo
