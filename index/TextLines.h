// Line splitting shared by every plain-text file the program reads: the index
// files, the three list files. A line ends at CR LF, a lone CR or a lone LF; a
// last line without an ending is still a line; a NUL byte ends the text.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvolo {

// Cuts `text` at its first NUL byte.
inline std::string_view UntilNul(std::string_view text) {
    const void* nul = std::memchr(text.data(), '\0', text.size());
    return nul ? text.substr(0, static_cast<const char*>(nul) - text.data()) : text;
}

// The first byte below 0x20 (a line end or another control character) in
// [p, end), or end. Eight bytes at a time: every byte of a million-line index
// file passes through here at each load.
inline const char* FindControlByte(const char* p, const char* end) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    for (; end - p >= 8; p += 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        // High bit set in some byte exactly when one byte is below 0x20.
        if ((word - kOnes * 0x20) & ~word & kHigh) break;
    }
    for (; p < end; ++p)
        if (static_cast<unsigned char>(*p) < 0x20) return p;
    return end;
}

// Calls f(std::string_view line) for every line of `text`, without its ending.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
    text = UntilNul(text);
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* q = FindControlByte(p, end);
        while (q < end && *q != '\r' && *q != '\n') q = FindControlByte(q + 1, end);
        f(std::string_view(p, static_cast<size_t>(q - p)));
        if (q < end) {
            if (*q == '\r' && q + 1 < end && q[1] == '\n')
                q += 2;  // CR LF
            else
                ++q;  // lone CR or LF
        }
        p = q;
    }
}

}  // namespace tarvolo
