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

// The same rows from the file's bytes handed over in pieces as they are read,
// so that the file is never held whole: a fresh buffer the size of a large
// index costs more to fault in than its rows take to parse. A piece may end
// anywhere, inside a line or between the CR and the LF of one line end.
class IndexFileReader {
public:
    explicit IndexFileReader(const AnsiDecoder& decode) : decode_(decode) {}
    // `fileBytes`, the whole file's size when known, sizes the rows' room from
    // the first piece's lines.
    void Feed(std::string_view piece, uint64_t fileBytes = 0);
    // The rows of every piece fed; the last line needs no end.
    RowStore Finish();

private:
    void Line(std::string_view line, bool clean, bool tooLong);
    // Lines of `bytes` whose ends are seen; the rest is kept for the next piece.
    void Lines(std::string_view bytes);

    const AnsiDecoder& decode_;
    RowStore rows_;
    std::string partial_;       // a line begun in an earlier piece, as far as it is kept
    size_t partialLength_ = 0;  // its whole length so far, kept or not
    bool partialClean_ = true;  // no control byte in it so far
    bool started_ = false;      // the first line has begun (a mark before it is the file's)
    bool partialOpen_ = false;  // a line is under way
    bool skipLf_ = false;       // the last piece ended with CR: an LF next ends that line
    bool ended_ = false;        // a NUL was met: nothing after it is text
    bool reserved_ = false;
};

}  // namespace tarvolo
