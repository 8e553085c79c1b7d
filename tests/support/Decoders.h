// Stand-ins for the system's legacy code page, for tests, fuzz targets and
// benchmarks that run where no Windows conversion exists.
#pragma once

#include <string>
#include <string_view>

#include "index/Text.h"

namespace tarvolo::fakes {

// Latin-1, which maps every byte: each byte above 0x7F becomes two UTF-8
// bytes, so a decoded line is longer than the file's line, as with the real
// code pages. Counts its calls, so a test can see whether a line needed it.
struct Latin1Decoder : AnsiDecoder {
    mutable int calls = 0;
    std::string ToUtf8(std::string_view ansi) const override {
        ++calls;
        std::string out;
        out.reserve(ansi.size() * 2);
        for (const unsigned char c : ansi) {
            if (c < 0x80) {
                out.push_back(static_cast<char>(c));
            } else {
                out.push_back(static_cast<char>(0xC0 | (c >> 6)));
                out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            }
        }
        return out;
    }
};

// A code page that lacks the characters: every byte above 0x7F becomes "?", so
// a decoded line keeps the length of the file's line.
struct QuestionMarkDecoder : AnsiDecoder {
    std::string ToUtf8(std::string_view ansi) const override {
        std::string out(ansi);
        for (char& c : out) {
            if (static_cast<unsigned char>(c) >= 0x80) c = '?';
        }
        return out;
    }
};

// Marks what it was given, so a test sees which lines went through the code page.
struct MarkingDecoder : AnsiDecoder {
    std::string ToUtf8(std::string_view text) const override { return "ansi:" + std::string(text); }
};

// Hands the bytes back as they are, for tests whose text is all ASCII.
struct PassThroughDecoder : AnsiDecoder {
    std::string ToUtf8(std::string_view text) const override { return std::string(text); }
};

}  // namespace tarvolo::fakes
