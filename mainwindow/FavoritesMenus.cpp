// The favorites: adding one, the two menus that list them, choosing an item,
// and the favorites' own key combinations.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <utility>

#include "mainwindow/Main.h"
#include "platform/Application.h"
#include "platform/WinText.h"
#include "store/Favorites.h"
#include "store/Global.h"

namespace tarvolo {

namespace {

constexpr char kMissingFavorite[] = "Directory does not exists.\r\nPlease update your  favorites list.";
constexpr int kFavoriteImage = 4;
constexpr int kTagSendToDialog = 1;

std::string KeyName(unsigned vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, static_cast<char>(vk));
    if (vk >= VK_F1 && vk <= VK_F24) return "F" + std::to_string(vk - VK_F1 + 1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return "Num " + std::to_string(vk - VK_NUMPAD0);
    static const std::pair<unsigned, const char*> names[] = {
        {VK_BACK, "Backspace"}, {VK_TAB, "Tab"},        {VK_RETURN, "Enter"},  {VK_ESCAPE, "Esc"},
        {VK_SPACE, "Space"},    {VK_PRIOR, "PgUp"},     {VK_NEXT, "PgDn"},     {VK_END, "End"},
        {VK_HOME, "Home"},      {VK_LEFT, "Left"},      {VK_UP, "Up"},         {VK_RIGHT, "Right"},
        {VK_DOWN, "Down"},      {VK_INSERT, "Ins"},     {VK_DELETE, "Del"},    {VK_MULTIPLY, "Num *"},
        {VK_ADD, "Num +"},      {VK_SUBTRACT, "Num -"}, {VK_DECIMAL, "Num ."}, {VK_DIVIDE, "Num /"}};
    for (const auto& [key, name] : names)
        if (key == vk) return name;
    // Punctuation keys differ between keyboard layouts: show what the key types here.
    const UINT ch = ::MapVirtualKeyW(vk, MAPVK_VK_TO_CHAR) & 0x7FFFFFFFu;
    if (ch > 0x20) return Narrow(std::wstring(1, static_cast<wchar_t>(ch)));
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X", vk);
    return hex;
}

}  // namespace

std::string ShortcutToText(uint16_t shortcut) {
    const unsigned vk = shortcut & 0xFFu;
    if (vk == 0) return {};
    std::string text;
    if (shortcut & kShortcutShift) text += "Shift+";
    if (shortcut & kShortcutCtrl) text += "Ctrl+";
    if (shortcut & kShortcutAlt) text += "Alt+";
    return text + KeyName(vk);
}

void TfrmMain::btnAddToFavoritesClick() {
    // Whatever the box holds, even nothing, and even when the list has it already.
    FavoritesList.push_back(CurrentPath() + "?0*0");
}

void TfrmMain::CreateFavoritesPopUp(PopupMenu::Item& parent) {
    const bool toDialog = parent.tag == kTagSendToDialog;
    const bool inTrayMenu = CoolTrayPopUp && CoolTrayPopUp->Count() >= 2 &&
                            (&parent == &CoolTrayPopUp->At(0) || &parent == &CoolTrayPopUp->At(1));
    parent.submenu = std::make_unique<PopupMenu>(PopUpImageList.get());
    for (const std::string& entry : FavoritesList) {
        std::string path = FavoritePath(entry);
        uint16_t shortcut = toDialog ? FavoriteDialogHotKey(entry) : FavoriteOpenHotKey(entry);
        if (inTrayMenu) shortcut = 0;
        std::function<void()> onClick;
        if (toDialog)
            onClick = [this, path] { SentToDialogOnClick(path); };
        else
            onClick = [this, path] { FavoritesOnClick(path); };
        PopupMenu::Item& item = parent.submenu->Add(path, kFavoriteImage, std::move(onClick));
        item.tag = shortcut;
        item.shortcut = ShortcutToText(shortcut);
    }
}

void TfrmMain::btnFavoritesClick() {
    CreateFavoritesPopUp(popUpFavorites->At(0));
    CreateFavoritesPopUp(popUpFavorites->At(1));
    // Just under the button: the window's outer edge plus the button's place in
    // the window, below the caption bar.
    RECT window{}, button{};
    ::GetWindowRect(hwnd_, &window);
    ::GetWindowRect(btnFavorites, &button);
    ::MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&button), 2);
    const int x = window.left + button.left + 2;
    const int y = window.top + ::GetSystemMetrics(SM_CYCAPTION) + button.bottom + 2;
    popUpFavorites->Popup(hwnd_, x, y);
}

void TfrmMain::FavoritesContextPopup(int screenX, int screenY) {
    if (screenX == -1 && screenY == -1) {
        // From the keyboard (Shift+F10, the menu key): under the focused control.
        RECT r{};
        ::GetWindowRect(ActiveControl() ? ActiveControl() : hwnd_, &r);
        screenX = r.left;
        screenY = r.bottom;
    }
    popUpFavorites->Popup(hwnd_, screenX, screenY);
}

void TfrmMain::CoolTrayPopUpPopup() {
    CreateFavoritesPopUp(CoolTrayPopUp->At(0));
    CreateFavoritesPopUp(CoolTrayPopUp->At(1));
}

void TfrmMain::FavoritesOnClick(const std::string& path) {
    if (!IsExistingDirectory(path)) {
        // Chosen from the icon's menu the window may be hidden; the box must show all the same.
        ShowInformation(::IsWindowVisible(hwnd_) ? hwnd_ : nullptr, kMissingFavorite);
        return;
    }
    ::ShellExecuteW(hwnd_, nullptr, Widen(path).c_str(), nullptr, nullptr, SW_SHOW);
}

void TfrmMain::SentToDialogOnClick(const std::string& path) {
    if (!IsExistingDirectory(path)) {
        ShowInformation(::IsWindowVisible(hwnd_) ? hwnd_ : nullptr, kMissingFavorite);
        return;
    }
    SendPathToDialog(path);
}

PopupMenu::Item* TfrmMain::FavoriteShortcutItem(WORD key, unsigned shift) {
    if (!popUpFavorites || (key & 0xFFu) == 0) return nullptr;
    const unsigned combination = (key & 0xFFu) | (shift & (kShortcutShift | kShortcutCtrl | kShortcutAlt));
    // Depth first in item order: every "Open" item before any "Send To Dialog" item.
    for (size_t i = 0; i < popUpFavorites->Count(); ++i) {
        PopupMenu::Item& parent = popUpFavorites->At(i);
        if (!parent.submenu) continue;
        for (size_t j = 0; j < parent.submenu->Count(); ++j) {
            PopupMenu::Item& item = parent.submenu->At(j);
            if (item.tag != 0 && static_cast<unsigned>(item.tag) == combination) return &item;
        }
    }
    return nullptr;
}

bool TfrmMain::FavoriteShortcut(WORD key, unsigned shift) {
    PopupMenu::Item* item = FavoriteShortcutItem(key, shift);
    if (!item) return false;
    // The handler may rebuild the menu and so destroy the item; run a copy.
    std::function<void()> handler = item->onClick;
    if (handler) handler();
    return true;
}

}  // namespace tarvolo
