#include "store/Favorites.h"

#include "store/Global.h"

namespace tarvolo {

std::string SplitFavoriteEntry(std::string_view entry, int field) {
    const size_t question = entry.find('?');
    const size_t star = entry.find('*');
    if (question == std::string_view::npos || star == std::string_view::npos || star < question) return {};
    switch (field) {
        case 0:
            return std::string(entry.substr(0, question));
        case 1:
            return std::string(entry.substr(question + 1, star - question - 1));
        case 2:
            return std::string(entry.substr(star + 1));
        default:
            return {};
    }
}

std::string FavoritePath(std::string_view entry) {
    return SplitFavoriteEntry(entry, 0);
}

namespace {

uint16_t ShortcutField(std::string_view entry, int field) {
    const int value = ParseIniInteger(SplitFavoriteEntry(entry, field), 0);
    return static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFFu);
}

}  // namespace

uint16_t FavoriteOpenHotKey(std::string_view entry) {
    return ShortcutField(entry, 1);
}

uint16_t FavoriteDialogHotKey(std::string_view entry) {
    return ShortcutField(entry, 2);
}

std::string ComposeFavoriteEntry(std::string_view path, uint32_t openKey, uint32_t dialogKey) {
    std::string entry(path);
    entry.append("?").append(std::to_string(openKey & 0xFFFFu));
    entry.append("*").append(std::to_string(dialogKey & 0xFFFFu));
    return entry;
}

}  // namespace tarvolo
