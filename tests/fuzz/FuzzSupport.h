// Shared pieces of the fuzz targets: a failed invariant aborts with the values
// that broke it, so libFuzzer keeps the input and the log says what went wrong.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "index/Text.h"
#include "tests/support/Decoders.h"

namespace tarvolo::fuzz {

using fakes::Latin1Decoder;
using fakes::QuestionMarkDecoder;

[[noreturn]] inline void Fail(const char* file, int line, const char* what, const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: invariant broken: %s\n%s\n", file, line, what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

// Bytes made visible: printable ASCII as is, everything else as \xNN.
inline std::string Show(std::string_view s) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out + "\"";
}

#define FUZZ_CHECK(cond, detail)                                                 \
    do {                                                                         \
        if (!(cond)) ::tarvolo::fuzz::Fail(__FILE__, __LINE__, #cond, (detail)); \
    } while (0)

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

inline bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

inline char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace tarvolo::fuzz
