// The favorite entry: path "?" open key "*" dialog key, both keys shortcut
// values in decimal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvolo {

// Field 0 the path, 1 the open key's text, 2 the dialog key's text. An entry
// without a "?" followed somewhere by a "*" has three empty fields; so has any
// other field number.
std::string SplitFavoriteEntry(std::string_view entry, int field);

std::string FavoritePath(std::string_view entry);

// The key fields read as ini integers, low 16 bits; 0 for empty or junk.
uint16_t FavoriteOpenHotKey(std::string_view entry);
uint16_t FavoriteDialogHotKey(std::string_view entry);

// The keys are written as unsigned 16-bit numbers.
std::string ComposeFavoriteEntry(std::string_view path, uint32_t openKey, uint32_t dialogKey);

}  // namespace tarvolo
