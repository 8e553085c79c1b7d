// What the favorites menus list for each parent item and menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/FavoritesMenu.h"

namespace tarvolo {
namespace {

// "path=shortcut" per entry.
std::vector<std::string> Shown(const std::vector<FavoriteMenuEntry>& entries) {
    std::vector<std::string> out;
    for (const FavoriteMenuEntry& e : entries) out.push_back(e.path + "=" + std::to_string(e.shortcut));
    return out;
}

TEST(FavoriteMenuEntries, EachKindShowsItsOwnKeyAndTheIconMenuNone) {
    // Odd lines too: an empty path, keys missing or not numbers, a path with the separators' characters.
    const std::vector<Favorite> favorites =
        ParseFavorites({"C:\\Work?16449*0", "C:\\Work*5?7", "C:\\A?1?2*3*4", "D:\\Both?24660*8308", "?0*0"});
    struct Case {
        FavoritesMenuKind kind;
        bool withShortcuts;
        std::vector<std::string> shown;
    } cases[] = {
        {FavoritesMenuKind::open, true, {"C:\\Work=16449", "=0", "C:\\A=0", "D:\\Both=24660", "=0"}},
        {FavoritesMenuKind::sendToDialog, true, {"C:\\Work=0", "=0", "C:\\A=0", "D:\\Both=8308", "=0"}},
        {FavoritesMenuKind::open, false, {"C:\\Work=0", "=0", "C:\\A=0", "D:\\Both=0", "=0"}},
        {FavoritesMenuKind::sendToDialog, false, {"C:\\Work=0", "=0", "C:\\A=0", "D:\\Both=0", "=0"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Shown(FavoriteMenuEntries(favorites, c.kind, c.withShortcuts)), c.shown)
            << "kind " << static_cast<int>(c.kind) << ", shortcuts " << c.withShortcuts;
    }
}

TEST(FavoriteMenuEntries, NoFavoritesNoEntries) {
    EXPECT_TRUE(FavoriteMenuEntries({}, FavoritesMenuKind::open, true).empty());
}

}  // namespace
}  // namespace tarvolo
