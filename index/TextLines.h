// Line splitting shared by every plain-text file the program reads: the index
// files, the three list files. A line ends at CR LF, a lone CR or a lone LF; a
// last line without an ending is still a line; a NUL byte ends the text.
#pragma once

#include <cstring>
#include <string_view>

namespace tarvolo {

// Cuts `text` at its first NUL byte.
inline std::string_view UntilNul(std::string_view text) {
    const void* nul = std::memchr(text.data(), '\0', text.size());
    return nul ? text.substr(0, static_cast<const char*>(nul) - text.data()) : text;
}

// Calls f(std::string_view line) for every line of `text`, without its ending.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
    text = UntilNul(text);
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\r' && *q != '\n') ++q;
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
