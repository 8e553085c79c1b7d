#include "index/IndexFile.h"

#include <algorithm>
#include <cstring>

#include "index/TextLines.h"

namespace tarvolo {

std::string IndexFileText(const RowStore& rows) {
    std::string text;
    text.reserve(rows.PathBytes() + 2 * rows.size());
    rows.ForEachPath(0, rows.size(), [&](size_t, std::string_view row) {
        text.append(row.data(), row.size());
        text.append("\r\n", 2);
        return true;
    });
    return text;
}

bool IsIndexRow(std::string_view line) {
    if (line.size() > kMaxRowBytes) return false;
    // Below 0x20 a byte is a control character in UTF-8 and in every ANSI code
    // page, double-byte ones included (their trail bytes start at 0x40).
    return FindControlByte(line.data(), line.data() + line.size()) == line.data() + line.size();
}

namespace {

std::string_view WithoutByteOrderMark(std::string_view bytes) {
    // A text editor may have saved the file with a byte-order mark; the root
    // row must still be "\".
    while (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return bytes;
}

// One counting pass is far cheaper than letting a million-entry vector double
// its way up; files with lone CR endings just grow past the guess.
size_t LineGuess(std::string_view bytes) {
    return static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
}

void AppendLines(std::string_view bytes, const AnsiDecoder& decode, RowStore& rows) {
    ForEachLine(bytes, [&](std::string_view line) {
        if (!IsIndexRow(line)) return;
        // Marks before the first row are the file's, also when the lines above it
        // were left out: written again, the row would lose them on the next read.
        if (rows.empty()) line = WithoutByteOrderMark(line);
        if (IsValidUtf8(line)) {
            rows.Append(line);
        } else {
            rows.Append(decode.ToUtf8(line));
        }
    });
}

}  // namespace

RowStore ParseIndexFile(std::string_view bytes, const AnsiDecoder& decode) {
    bytes = WithoutByteOrderMark(UntilNul(bytes));
    RowStore rows;
    // Names under their parents take a small part of the file: a quarter of it
    // is room enough for the names of a usual drive, and what is left unused is
    // never touched. Trimming it would copy every name once more.
    rows.Reserve(LineGuess(bytes), bytes.size() / 4);
    AppendLines(bytes, decode, rows);
    return rows;
}

RowStore ParseIndexFileBuffer(std::string&& fileText, const AnsiDecoder& decode) {
    // The file's text is let go as soon as its rows are read.
    const std::string text = std::move(fileText);
    return ParseIndexFile(text, decode);
}

}  // namespace tarvolo
