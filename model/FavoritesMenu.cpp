#include "model/FavoritesMenu.h"

namespace tarvolo {

std::vector<FavoriteMenuEntry> FavoriteMenuEntries(const std::vector<Favorite>& favorites,
                                                   FavoritesMenuKind kind, bool withShortcuts) {
    std::vector<FavoriteMenuEntry> entries;
    entries.reserve(favorites.size());
    for (const Favorite& favorite : favorites) {
        uint16_t shortcut = kind == FavoritesMenuKind::sendToDialog ? favorite.dialogKey : favorite.openKey;
        if (!withShortcuts) shortcut = 0;
        entries.push_back({favorite.path, shortcut});
    }
    return entries;
}

}  // namespace tarvolo
