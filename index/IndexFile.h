// The index file "tarvolo.dir": one row per line, every line ended by CR LF,
// root row first, nothing else.
#pragma once

#include <string>
#include <string_view>

#include "index/Rows.h"
#include "index/Text.h"

namespace tarvolo {

inline constexpr char kIndexFileName[] = "tarvolo.dir";

std::string IndexFileText(const RowStore& rows);

// Lines end at CR LF, CR or LF; a NUL ends the text. A line that is not valid
// UTF-8 came from an older writer and is read in the ANSI code page. A leading
// byte-order mark is dropped.
// No Windows path is longer than 32,767 UTF-16 units, so no directory's row is
// longer than three times that in UTF-8: a longer line is no directory and is
// left out (shown whole, a 100 MB "name" would stall the window for minutes).
constexpr size_t kMaxRowBytes = size_t{32767} * 3;
// Nor does a Windows name hold a control character (U+0001 to U+001F): a line
// with one is no directory either (a stray or damaged file is full of them,
// and such text has crashed the edit control the current path is shown in).
bool IsIndexRow(std::string_view line);

RowStore ParseIndexFile(std::string_view bytes, const AnsiDecoder& decode);

// The same rows from a file's text that is not needed after: it is let go as
// soon as the rows are read, so a million-row file is not held twice for long.
RowStore ParseIndexFileBuffer(std::string&& fileText, const AnsiDecoder& decode);

}  // namespace tarvolo
