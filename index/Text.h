// Text helpers shared by the index readers: UTF-8 validation and the hook
// through which lines written in the ANSI code page are brought to UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tarvolo {

// Turns a line in the system's ANSI code page into UTF-8. Index and list files
// written by older tools are in that code page; the platform supplies the real
// conversion, tests a fake.
struct AnsiDecoder {
    virtual ~AnsiDecoder() = default;
    virtual std::string ToUtf8(std::string_view ansi) const = 0;
};

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

bool IsAscii(std::string_view text);

}  // namespace tarvolo
