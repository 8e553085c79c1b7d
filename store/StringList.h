// The line format shared by the favorites, dialogs and history files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "index/Text.h"

namespace tarvolo {

// One entry per line (CR LF, lone CR or lone LF); a last line without an ending
// is an entry, an empty line between two breaks an empty entry, a NUL ends the
// text. A line that is not valid UTF-8 was written in the ANSI code page and is
// converted by `ansi`. A leading UTF-8 byte-order mark is dropped, so a list
// saved by a text editor still matches from its first entry.
std::vector<std::string> ParseStringList(std::string_view bytes, const AnsiDecoder& ansi);

// Every entry followed by CR LF; an empty list is an empty file.
std::string StringListText(const std::vector<std::string>& entries);

}  // namespace tarvolo
