#include "index/IndexFile.h"

#include <algorithm>
#include <cstring>

#include "index/TextLines.h"

namespace tarvolo {

std::string IndexFileText(const RowStore& rows) {
    std::string text;
    text.reserve(rows.TextBytes() + 2 * rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string_view row = rows.Row(i);
        text.append(row.data(), row.size());
        text.append("\r\n", 2);
    }
    return text;
}

bool IsIndexRow(std::string_view line) {
    if (line.size() > kMaxRowBytes) return false;
    // Below 0x20 a byte is a control character in UTF-8 and in every ANSI code
    // page, double-byte ones included (their trail bytes start at 0x40).
    for (const char c : line)
        if (static_cast<unsigned char>(c) < 0x20) return false;
    return true;
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
    rows.Reserve(LineGuess(bytes), bytes.size());
    AppendLines(bytes, decode, rows);
    return rows;
}

RowStore ParseIndexFileBuffer(std::string&& fileText, const AnsiDecoder& decode) {
    const std::string_view all = UntilNul(fileText);
    if (all.size() > RowStore::kMaxTextBytes) return ParseIndexFile(all, decode);  // throws length_error
    const std::string_view bytes = WithoutByteOrderMark(all);
    std::vector<uint32_t> ends;
    ends.reserve(LineGuess(bytes));

    // Rows are moved down over the line ends they lose, so the write position
    // never passes the line being read. A decoded ANSI line can be longer than
    // the line it replaces; when it does not fit, the rest is parsed by copying.
    char* const base = &fileText[0];
    size_t write = 0;
    size_t restAt = std::string::npos;
    ForEachLine(bytes, [&](std::string_view line) {
        if (restAt != std::string::npos || !IsIndexRow(line)) return;
        if (ends.empty()) line = WithoutByteOrderMark(line);  // as in AppendLines
        const size_t lineAt = static_cast<size_t>(line.data() - base);
        if (IsValidUtf8(line)) {
            std::memmove(base + write, line.data(), line.size());
            write += line.size();
        } else {
            const std::string decoded = decode.ToUtf8(line);
            if (write + decoded.size() > lineAt + line.size()) {
                restAt = lineAt;
                return;
            }
            // The rows are counted by their ends, not by terminators: no NUL belongs here.
            // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
            std::memcpy(base + write, decoded.data(), decoded.size());
            write += decoded.size();
        }
        ends.push_back(static_cast<uint32_t>(write));
    });
    std::string rest;
    if (restAt != std::string::npos)
        rest.assign(base + restAt, static_cast<size_t>(bytes.data() + bytes.size() - (base + restAt)));
    RowStore rows = RowStore::FromBuffer(std::move(fileText), std::move(ends));
    if (!rest.empty()) AppendLines(rest, decode, rows);
    return rows;
}

}  // namespace tarvolo
