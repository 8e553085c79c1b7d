// The favorite entry: split, key decoding and compose. Input: the bytes of a
// favorites file; every line is an entry as the program reads it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/Favorites.h"
#include "store/Global.h"
#include "store/StringList.h"
#include "tests/fuzz/FuzzSupport.h"

namespace tarvolo::fuzz {
namespace {

uint32_t Mix(std::string_view s) {
    uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

void CheckSplit(std::string_view entry) {
    const std::string path = SplitFavoriteEntry(entry, 0);
    const std::string open = SplitFavoriteEntry(entry, 1);
    const std::string dialog = SplitFavoriteEntry(entry, 2);
    FUZZ_CHECK(SplitFavoriteEntry(entry, 3).empty() && SplitFavoriteEntry(entry, -1).empty(), Show(entry));
    FUZZ_CHECK(FavoritePath(entry) == path, Show(entry));

    const size_t question = entry.find('?');
    const size_t star = entry.find('*');
    if (question == std::string_view::npos || star == std::string_view::npos || star < question) {
        FUZZ_CHECK(path.empty() && open.empty() && dialog.empty(), Show(entry));
        FUZZ_CHECK(FavoriteOpenHotKey(entry) == 0 && FavoriteDialogHotKey(entry) == 0, Show(entry));
        return;
    }
    // Cut at the first "?" and the first "*": the fields and separators give
    // the entry back, and the path holds neither separator.
    FUZZ_CHECK(path + "?" + open + "*" + dialog == entry, Show(entry));
    FUZZ_CHECK(path.find_first_of("?*") == std::string::npos, Show(entry));
    FUZZ_CHECK(open.find('*') == std::string::npos, Show(entry));
    // A key is its field read as a settings integer, low 16 bits, 0 for junk.
    FUZZ_CHECK(FavoriteOpenHotKey(entry) == static_cast<uint16_t>(ParseIniInteger(open, 0)), Show(entry));
    FUZZ_CHECK(FavoriteDialogHotKey(entry) == static_cast<uint16_t>(ParseIniInteger(dialog, 0)), Show(entry));
}

void CheckCompose(std::string_view path, uint32_t openKey, uint32_t dialogKey) {
    const std::string entry = ComposeFavoriteEntry(path, openKey, dialogKey);
    const std::string open = std::to_string(openKey & 0xFFFFu);
    const std::string dialog = std::to_string(dialogKey & 0xFFFFu);
    FUZZ_CHECK(entry == std::string(path) + "?" + open + "*" + dialog, Show(entry));
    CheckSplit(entry);
    // Only a path free of the separators comes back as it went in.
    if (path.find_first_of("?*") != std::string_view::npos) return;
    const std::string detail = Show(path) + " " + std::to_string(openKey) + " " + std::to_string(dialogKey);
    FUZZ_CHECK(SplitFavoriteEntry(entry, 0) == path, detail);
    FUZZ_CHECK(SplitFavoriteEntry(entry, 1) == open && SplitFavoriteEntry(entry, 2) == dialog, detail);
    FUZZ_CHECK(FavoriteOpenHotKey(entry) == (openKey & 0xFFFFu), detail);
    FUZZ_CHECK(FavoriteDialogHotKey(entry) == (dialogKey & 0xFFFFu), detail);
}

}  // namespace
}  // namespace tarvolo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvolo;
    using namespace tarvolo::fuzz;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Latin1Decoder latin1;

    // The whole input as one entry too: it may hold line ends and NUL bytes.
    CheckSplit(bytes);
    for (const std::string& entry : ParseStringList(bytes, latin1)) {
        CheckSplit(entry);
        // What the options dialog does on an edit: compose from the decoded
        // fields; the stored numbers (junk, negative, above 16 bits) go in as
        // the raw 32-bit values, and arbitrary ones besides.
        const std::string path = FavoritePath(entry);
        CheckCompose(path, FavoriteOpenHotKey(entry), FavoriteDialogHotKey(entry));
        CheckCompose(path, static_cast<uint32_t>(ParseIniInteger(SplitFavoriteEntry(entry, 1), 0)),
                     static_cast<uint32_t>(ParseIniInteger(SplitFavoriteEntry(entry, 2), 0)));
        CheckCompose(entry, Mix(entry), Mix(path) >> 7);
    }
    return 0;
}
