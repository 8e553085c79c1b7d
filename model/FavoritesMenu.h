// What the favorites menus list: one sub-item per favorite under each of the
// two parent items, in favorites order, with the key combination it shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Model.h"

namespace tarvolo {

// Which of the two parent items a sub-menu hangs under; its value is the parent
// item's tag.
enum class FavoritesMenuKind : int { open = 0, sendToDialog = 1 };

struct FavoriteMenuEntry {
    std::string path;   // the sub-item's caption, and what choosing it delivers
    uint16_t shortcut;  // shown beside the caption; 0 for none
};

// The window's menus show each favorite's own key for the kind; the
// notification icon's menu shows none (`withShortcuts` false).
std::vector<FavoriteMenuEntry> FavoriteMenuEntries(const std::vector<Favorite>& favorites,
                                                   FavoritesMenuKind kind, bool withShortcuts);

}  // namespace tarvolo
