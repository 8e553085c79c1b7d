#include "store/History.h"

#include <algorithm>
#include <cstdint>

namespace tarvolo {

namespace {

// Bytes that are not part of valid UTF-8 decode above the Unicode range, so
// they only ever equal the same byte.
constexpr uint32_t kRawByte = 0x110000;

// Decodes one code point from the front of `s` and advances it.
uint32_t NextCodePoint(std::string_view& s) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = b(0);
    size_t len = 0;
    uint32_t cp = 0;
    if (c < 0x80) {
        s.remove_prefix(1);
        return c;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07u;
    }
    bool ok = len != 0 && s.size() >= len;
    for (size_t i = 1; ok && i < len; ++i) {
        if ((b(i) & 0xC0) != 0x80) ok = false;
        cp = (cp << 6) | (b(i) & 0x3Fu);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not text.
    if (ok && ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || (cp >= 0xD800 && cp <= 0xDFFF) ||
               cp > 0x10FFFF)) {
        ok = false;
    }
    if (!ok) {
        s.remove_prefix(1);
        return kRawByte + c;
    }
    s.remove_prefix(len);
    return cp;
}

// A simple one-to-one lower-casing of the letters that occur in path names in
// the Western, Central European, Greek and Cyrillic code pages.
uint32_t FoldCase(uint32_t cp) {
    if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
    if (cp >= 0x100 && cp <= 0x17F) {
        if (cp == 0x178) return 0xFF;
        if (cp == 0x130 || cp == 0x131 || cp == 0x138 || cp == 0x149 || cp == 0x17F) return cp;
        const bool oddCapitals = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E);
        if (oddCapitals) return (cp % 2 == 1) ? cp + 1 : cp;
        return (cp % 2 == 0) ? cp + 1 : cp;
    }
    if (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) return cp + 32;
    if (cp == 0x386) return 0x3AC;
    if (cp >= 0x388 && cp <= 0x38A) return cp + 37;
    if (cp == 0x38C) return 0x3CC;
    if (cp == 0x38E || cp == 0x38F) return cp + 63;
    if (cp >= 0x400 && cp <= 0x40F) return cp + 80;
    if (cp >= 0x410 && cp <= 0x42F) return cp + 32;
    if (cp >= 0x490 && cp <= 0x4BF) return (cp % 2 == 0) ? cp + 1 : cp;
    if (cp >= 0xFF21 && cp <= 0xFF3A) return cp + 32;
    return cp;
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    while (!a.empty() && !b.empty()) {
        if (FoldCase(NextCodePoint(a)) != FoldCase(NextCodePoint(b))) return false;
    }
    return a.empty() && b.empty();
}

void UpdateHistory(std::vector<std::string>& history, std::string_view path) {
    const auto old = std::find_if(history.begin(), history.end(),
                                  [&](const std::string& e) { return EqualsIgnoreCase(e, path); });
    if (old != history.end()) history.erase(old);
    history.insert(history.begin(), std::string(path));
}

}  // namespace tarvolo
