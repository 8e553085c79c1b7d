#include "index/IndexFile.h"

#include <algorithm>

#include "store/TextLines.h"

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

RowStore ParseIndexFile(std::string_view bytes, const AnsiDecoder& decode) {
    bytes = UntilNul(bytes);
    // A text editor may have saved the file with a byte-order mark; the root
    // row must still be "\".
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    RowStore rows;
    // One counting pass is far cheaper than letting a million-entry vector
    // double its way up; files with lone CR endings just grow past the guess.
    const size_t lineGuess = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    rows.Reserve(lineGuess, bytes.size());
    ForEachLine(bytes, [&](std::string_view line) {
        if (IsValidUtf8(line)) {
            rows.Append(line);
        } else {
            rows.Append(decode.ToUtf8(line));
        }
    });
    return rows;
}

}  // namespace tarvolo
