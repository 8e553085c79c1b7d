// What the favorites menus list: one sub-item per favorite under each of the
// two parent items, in favorites order, with the key combination it shows; and
// under "Explorer Folders" the folders open in the shell's file browser.
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

extern const char kExplorerFoldersCaption[];  // "Explorer Folders"
extern const char kNoExplorerFolder[];        // "(none)"

struct ExplorerMenuEntry {
    std::string caption;  // as the menu shows it: an ampersand is doubled, not an access key
    std::string path;     // what choosing it delivers
    bool enabled;
};

// One entry per folder, in the order given; with no folder one greyed "(none)",
// so that the submenu says there is nothing rather than vanishing.
std::vector<ExplorerMenuEntry> ExplorerMenuEntries(const std::vector<std::string>& folders);

// The row of `path` among the rows of the drive on show ("C:"); -1 when the path
// is on another drive or is not among them. Letter case does not count, as in
// the file system.
long RowOfPath(const RowStore& rows, std::string_view shownDrive, std::string_view path);

}  // namespace tarvolo
