#include "model/FavoritesMenu.h"

#include <algorithm>

namespace tarvolo {

const char kExplorerFoldersCaption[] = "Explorer Folders";
const char kNoExplorerFolder[] = "(none)";

namespace {

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

}  // namespace

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

std::vector<ExplorerMenuEntry> ExplorerMenuEntries(const std::vector<std::string>& folders) {
    std::vector<ExplorerMenuEntry> entries;
    if (folders.empty()) {
        entries.push_back({kNoExplorerFolder, "", false});
        return entries;
    }
    entries.reserve(folders.size());
    for (const std::string& folder : folders) {
        std::string caption;
        for (char c : folder) {
            if (c == '&') caption += '&';
            caption += c;
        }
        entries.push_back({std::move(caption), folder, true});
    }
    return entries;
}

long RowOfPath(const RowStore& rows, std::string_view shownDrive, std::string_view path) {
    if (shownDrive.size() != 2 || path.size() < 3 || !EqualIgnoringAsciiCase(path.substr(0, 2), shownDrive))
        return -1;
    std::string_view row = path.substr(2);
    while (row.size() > 1 && row.back() == '\\') row.remove_suffix(1);
    // Only rows of the same name are spelled out in full.
    const std::string_view name = row == "\\" ? std::string_view() : row.substr(row.rfind('\\') + 1);
    std::string candidate;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!EqualIgnoringAsciiCase(rows.Name(i), name)) continue;
        candidate.clear();
        rows.AppendPath(i, candidate);
        if (EqualIgnoringAsciiCase(candidate, row)) return static_cast<long>(i);
    }
    return -1;
}

}  // namespace tarvolo
