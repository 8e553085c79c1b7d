#include "index/Text.h"

#include <cstdint>
#include <cstring>

namespace tarvolo {

namespace {

constexpr uint64_t kHighBits = 0x8080808080808080ULL;

// Directory names are overwhelmingly ASCII, so runs of it are skipped eight
// bytes at a time before any byte-wise decoding.
const unsigned char* SkipAscii(const unsigned char* p, const unsigned char* end) {
    while (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & kHighBits) break;
        p += 8;
    }
    while (p < end && *p < 0x80) ++p;
    return p;
}

}  // namespace

bool IsAscii(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    return SkipAscii(p, end) == end;
}

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    for (;;) {
        p = SkipAscii(p, end);
        if (p == end) return true;
        const unsigned lead = *p;
        size_t trail;
        unsigned lo = 0x80, hi = 0xBF;  // allowed range of the first trail byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            trail = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trail = 2;
            if (lead == 0xE0) lo = 0xA0;  // overlong
            if (lead == 0xED) hi = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trail = 3;
            if (lead == 0xF0) lo = 0x90;  // overlong
            if (lead == 0xF4) hi = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (static_cast<size_t>(end - p) <= trail) return false;
        if (p[1] < lo || p[1] > hi) return false;
        for (size_t k = 2; k <= trail; ++k) {
            if ((p[k] & 0xC0) != 0x80) return false;
        }
        p += trail + 1;
    }
}

}  // namespace tarvolo
