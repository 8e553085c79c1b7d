// The favorites: adding one, the two menus that list them, choosing an item,
// and the favorites' own key combinations.
#include <utility>

#include "mainwindow/Main.h"
#include "platform/Application.h"
#include "platform/KeyNames.h"
#include "platform/WinText.h"
#include "store/Global.h"

namespace tarvolo {

namespace {

constexpr int kFavoriteImage = 4;
constexpr int kTagSendToDialog = 1;

}  // namespace

void TfrmMain::btnAddToFavoritesClick() {
    // Whatever the box holds, even nothing, and even when the list has it already.
    model_.AddToFavorites(CurrentPath());
}

void TfrmMain::CreateFavoritesPopUp(PopupMenu::Item& parent) {
    const bool toDialog = parent.tag == kTagSendToDialog;
    const bool inTrayMenu = CoolTrayPopUp && CoolTrayPopUp->Count() >= 2 &&
                            (&parent == &CoolTrayPopUp->At(0) || &parent == &CoolTrayPopUp->At(1));
    parent.submenu = std::make_unique<PopupMenu>(PopUpImageList.get());
    for (const Favorite& favorite : model_.favorites) {
        const std::string& path = favorite.path;
        uint16_t shortcut = toDialog ? favorite.dialogKey : favorite.openKey;
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

void TfrmMain::FavoritesOnClick(const std::string& path) { commands_->OpenFavorite(path); }

void TfrmMain::SentToDialogOnClick(const std::string& path) { commands_->SendFavoriteToDialog(path); }

bool TfrmMain::FavoriteShortcut(WORD key, unsigned shift) {
    const std::optional<FavoriteAction> action = FindFavoriteShortcut(model_.favorites, (key & 0xFFu) | shift);
    if (!action) return false;
    if (action->kind == FavoriteAction::open)
        FavoritesOnClick(action->path);
    else
        SentToDialogOnClick(action->path);
    return true;
}

}  // namespace tarvolo
