#include "mainwindow/FavoritesMenus.h"

#include <utility>

#include "adapters/KeyNames.h"
#include "delivery/WinWindowOps.h"
#include "res/resource.h"

namespace tarvolo {

namespace {

constexpr int kFavoriteImage = 4;
constexpr int kExplorerFoldersImage = 0;

PopupMenu::Item& AddParent(PopupMenu& menu, std::string caption, int image, FavoritesMenuKind kind) {
    PopupMenu::Item& item = menu.Add(std::move(caption), image);
    item.tag = static_cast<int>(kind);
    return item;
}

}  // namespace

FavoritesMenus::FavoritesMenus(Model& model, Commands& commands, FavoritesMenusWindow window, int pictureSize)
    : model_(model), commands_(commands), window_(std::move(window)) {
    PopUpImageList = std::make_unique<MenuImages>(IDB_POPUP, IDB_POPUP32, pictureSize);
    CoolTrayPopUp = std::make_unique<PopupMenu>(PopUpImageList.get());
    AddParent(*CoolTrayPopUp, "Open Favorites", 0, FavoritesMenuKind::open);
    AddParent(*CoolTrayPopUp, "Send To Dialog", 1, FavoritesMenuKind::sendToDialog);
    CoolTrayPopUp->Add(kExplorerFoldersCaption, kExplorerFoldersImage);
    CoolTrayPopUp->AddSeparator();
    CoolTrayPopUp->Add("Quick Jump", -1, [this] {
        if (window_.quickJump) window_.quickJump();
    });
    CoolTrayPopUp->Add("Show Tarvolo", 3, [this] { window_.showProgram(); });
    CoolTrayPopUp->Add("Close", 2, [this] { window_.closeProgram(); });
    CoolTrayPopUp->onPopup = [this] { CoolTrayPopUpPopup(); };

    popUpFavorites = std::make_unique<PopupMenu>(PopUpImageList.get());
    AddParent(*popUpFavorites, "Open", 0, FavoritesMenuKind::open);
    AddParent(*popUpFavorites, "Send To Dialog", 1, FavoritesMenuKind::sendToDialog);
    popUpFavorites->Add(kExplorerFoldersCaption, kExplorerFoldersImage);
    // Explorer's windows change while the menu is closed: its folders are asked for
    // each time it opens, from the button and from the right click alike.
    popUpFavorites->onPopup = [this] {
        CreateExplorerFoldersPopUp(popUpFavorites->At(kExplorerFoldersItem), false);
    };
}

void FavoritesMenus::CreateExplorerFoldersPopUp(PopupMenu::Item& parent, bool inTrayMenu) {
    parent.submenu = std::make_unique<PopupMenu>(PopUpImageList.get());
    const std::vector<std::string> folders =
        window_.explorerFolders ? window_.explorerFolders() : std::vector<std::string>{};
    for (ExplorerMenuEntry& entry : ExplorerMenuEntries(folders)) {
        std::function<void()> onClick;
        if (entry.enabled) {
            auto& handler = inTrayMenu ? window_.explorerFolderToDialog : window_.showExplorerFolder;
            onClick = [&handler, path = entry.path] {
                if (handler) handler(path);
            };
        }
        PopupMenu::Item& item = parent.submenu->Add(std::move(entry.caption),
                                                    entry.enabled ? kFavoriteImage : -1, std::move(onClick));
        item.enabled = entry.enabled;
    }
}

void FavoritesMenus::CreateFavoritesPopUp(PopupMenu::Item& parent) {
    const auto kind = static_cast<FavoritesMenuKind>(parent.tag);
    const bool inTrayMenu =
        CoolTrayPopUp->Count() >= 2 && (&parent == &CoolTrayPopUp->At(0) || &parent == &CoolTrayPopUp->At(1));
    parent.submenu = std::make_unique<PopupMenu>(PopUpImageList.get());
    for (FavoriteMenuEntry& entry : FavoriteMenuEntries(model_.favorites, kind, !inTrayMenu)) {
        std::function<void()> onClick;
        if (kind == FavoritesMenuKind::sendToDialog)
            onClick = [this, path = entry.path] { SentToDialogOnClick(path); };
        else
            onClick = [this, path = entry.path] { FavoritesOnClick(path); };
        PopupMenu::Item& item =
            parent.submenu->Add(std::move(entry.path), kFavoriteImage, std::move(onClick));
        item.tag = entry.shortcut;
        item.shortcut = ShortcutToText(entry.shortcut);
    }
}

void FavoritesMenus::RebuildWindowMenu() {
    CreateFavoritesPopUp(popUpFavorites->At(0));
    CreateFavoritesPopUp(popUpFavorites->At(1));
}

void FavoritesMenus::btnFavoritesClick() {
    RebuildWindowMenu();
    // Just under the button: the window's outer edge plus the button's place in
    // the window, below the caption bar.
    RECT window{}, button{};
    ::GetWindowRect(window_.window, &window);
    ::GetWindowRect(window_.favoritesButton, &button);
    ::MapWindowPoints(HWND_DESKTOP, window_.window, reinterpret_cast<POINT*>(&button), 2);
    const int x = window.left + button.left + 2;
    const int y = window.top + ::GetSystemMetrics(SM_CYCAPTION) + button.bottom + 2;
    popUpFavorites->Popup(window_.window, x, y);
}

void FavoritesMenus::FavoritesContextPopup(int screenX, int screenY) {
    if (screenX == -1 && screenY == -1) {
        // From the keyboard (Shift+F10, the menu key): under the focused control.
        RECT r{};
        HWND focused = window_.focusedControl ? window_.focusedControl() : nullptr;
        ::GetWindowRect(focused ? focused : window_.window, &r);
        screenX = r.left;
        screenY = r.bottom;
    }
    popUpFavorites->Popup(window_.window, screenX, screenY);
}

void FavoritesMenus::CoolTrayPopUpPopup() {
    // The icon's menu sends to the window the user was in when opening it, as
    // the icon's click does; a menu opened over the program's own window has
    // none, and the z-order decides.
    commands_.RememberWindowCameFrom(WinWindowOps::ForegroundOfAnotherProgram());
    CreateFavoritesPopUp(CoolTrayPopUp->At(0));
    CreateFavoritesPopUp(CoolTrayPopUp->At(1));
    CreateExplorerFoldersPopUp(CoolTrayPopUp->At(kExplorerFoldersItem), true);
}

void FavoritesMenus::FavoritesOnClick(const std::string& path) {
    commands_.OpenFavorite(path);
}

void FavoritesMenus::SentToDialogOnClick(const std::string& path) {
    commands_.SendFavoriteToDialog(path);
}

bool FavoritesMenus::FavoriteShortcut(WORD key, unsigned shift) {
    const std::optional<FavoriteAction> action =
        FindFavoriteShortcut(model_.favorites, (key & 0xFFu) | shift);
    if (!action) return false;
    if (action->kind == FavoriteAction::Kind::open)
        FavoritesOnClick(action->path);
    else
        SentToDialogOnClick(action->path);
    return true;
}

void FavoritesMenus::SetPictureSize(int size) {
    PopUpImageList->Load(size);
}

}  // namespace tarvolo
