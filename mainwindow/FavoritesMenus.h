// The favorites menus: the window's own (under the Favorites button and as its
// context menu) and the notification icon's, the choice of one of their items,
// the favorites' own key combinations, and in both menus the folders open in
// Explorer.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "delivery/core/Commands.h"
#include "model/FavoritesMenu.h"
#include "model/Model.h"
#include "platform/PopupMenu.h"

namespace tarvolo {

// What the menus need of the window they belong to.
struct FavoritesMenusWindow {
    HWND window = nullptr;                 // owns the menus while they are shown
    HWND favoritesButton = nullptr;        // the window's menu opens under it
    std::function<HWND()> focusedControl;  // the context menu from the keyboard opens under it
    std::function<void()> quickJump;       // the icon menu's "Quick Jump" item
    std::function<void()> showProgram;     // the icon menu's "Show" item
    std::function<void()> closeProgram;    // the icon menu's "Close" item
    // The folders open in Explorer, the most recently used first.
    std::function<std::vector<std::string>()> explorerFolders;
    // A folder chosen in the window's menu: it becomes the current path.
    std::function<void(const std::string&)> showExplorerFolder;
    // A folder chosen in the icon's menu: it goes to the dialog.
    std::function<void(const std::string&)> explorerFolderToDialog;
};

class FavoritesMenus {
public:
    // The pictures are cut at `pictureSize` (the window's 16 pixels at its scale).
    FavoritesMenus(Model& model, Commands& commands, FavoritesMenusWindow window, int pictureSize);

    // `parent` is one of the first two items of popUpFavorites or CoolTrayPopUp; its
    // tag (a FavoritesMenuKind) says which kind of sub-item it gets. A favorite
    // sub-item keeps its shortcut value in its own tag.
    void CreateFavoritesPopUp(PopupMenu::Item& parent);
    // popUpFavorites from the favorites as they are now, so that its shortcuts show the current keys.
    void RebuildWindowMenu();
    // The "Explorer Folders" submenu of `parent` from the folders open now; one
    // greyed "(none)" when there are none. `inTrayMenu`: choosing sends to the dialog.
    void CreateExplorerFoldersPopUp(PopupMenu::Item& parent, bool inTrayMenu);
    void btnFavoritesClick();
    void CoolTrayPopUpPopup();
    // The right click on the window: popUpFavorites as last built. (-1, -1) is the
    // keyboard's context menu key.
    void FavoritesContextPopup(int screenX, int screenY);
    // The chosen item's caption is the path.
    void FavoritesOnClick(const std::string& path);
    void SentToDialogOnClick(const std::string& path);
    // A favorite's own key combination; true when one took the key. `shift` holds the
    // shortcut value's modifier bits, `key` the virtual key. The lookup is among the
    // model's favorites: their open keys, then their dialog keys, each in favorites
    // order; the first equal one runs.
    bool FavoriteShortcut(WORD key, unsigned shift);
    // The pictures again, for a change of screen scale.
    void SetPictureSize(int size);

    std::unique_ptr<MenuImages> PopUpImageList;
    // OpenFavorites1, SendToDialog1, ExplorerFolders1, N1, mnuQuickJump, mnuShowHide, mnuClose
    std::unique_ptr<PopupMenu> CoolTrayPopUp;
    std::unique_ptr<PopupMenu> popUpFavorites;  // mnuFavoritesOpen, mnuFavoritesToDialog, mnuExplorerFolders
    static constexpr size_t kExplorerFoldersItem = 2;  // in both menus

private:
    Model& model_;
    Commands& commands_;
    FavoritesMenusWindow window_;
};

}  // namespace tarvolo
