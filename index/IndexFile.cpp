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

}  // namespace

void IndexFileReader::Line(std::string_view line, bool clean, bool tooLong) {
    // Marks before the first line are the file's, whatever that line holds.
    if (!started_) line = WithoutByteOrderMark(line);
    started_ = true;
    // Equal to IsIndexRow: `clean` says no control byte stood in the line.
    if (!clean || tooLong || line.size() > kMaxRowBytes) return;
    // Marks before the first row are the file's, also when the lines above it
    // were left out: written again, the row would lose them on the next read.
    if (rows_.empty()) line = WithoutByteOrderMark(line);
    if (IsValidUtf8(line)) {
        rows_.Append(line);
    } else {
        rows_.Append(decode_.ToUtf8(line));
    }
}

void IndexFileReader::Lines(std::string_view bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    if (skipLf_ && p < end) {
        if (*p == '\n') ++p;
        skipLf_ = false;
    }
    while (p < end) {
        const char* q = FindControlByte(p, end);
        bool clean = true;
        while (q < end && *q != '\r' && *q != '\n') {
            clean = false;
            q = FindControlByte(q + 1, end);
        }
        const std::string_view line(p, static_cast<size_t>(q - p));
        if (q == end) {
            // The line goes on in the next piece. Beyond the longest row nothing
            // more is kept, except of a first line, whose marks are yet to go.
            const size_t room =
                started_ ? kMaxRowBytes + 1 - std::min(partial_.size(), kMaxRowBytes + 1) : line.size();
            partial_.append(line.data(), std::min(room, line.size()));
            partialLength_ += line.size();
            partialClean_ = partialClean_ && clean;
            partialOpen_ = true;
            return;
        }
        if (partialOpen_) {
            const size_t room =
                started_ ? kMaxRowBytes + 1 - std::min(partial_.size(), kMaxRowBytes + 1) : line.size();
            partial_.append(line.data(), std::min(room, line.size()));
            partialLength_ += line.size();
            Line(partial_, partialClean_ && clean, partialLength_ > partial_.size());
            partial_.clear();
            partialLength_ = 0;
            partialClean_ = true;
            partialOpen_ = false;
        } else {
            Line(line, clean, false);
        }
        if (*q == '\r') {
            if (q + 1 == end)
                skipLf_ = true;  // its LF, if any, begins the next piece
            else if (q[1] == '\n')
                ++q;
        }
        p = q + 1;
    }
}

void IndexFileReader::Feed(std::string_view piece, uint64_t fileBytes) {
    if (ended_) return;
    const std::string_view text = UntilNul(piece);
    ended_ = text.size() != piece.size();
    if (reserved_ || text.empty()) {
        Lines(text);
        return;
    }
    reserved_ = true;
    // Counting lines is far cheaper than letting a million-entry vector double
    // its way up. Files with lone CR endings just grow past the guess.
    const uint64_t total = ended_ ? text.size() : std::max<uint64_t>(fileBytes, text.size());
    const uint64_t lines = static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (total == text.size()) {
        // Names under their parents take a small part of the file: a quarter of
        // it is room enough for the names of a usual drive, and what is left
        // unused is never touched. Trimming it would copy every name once more.
        rows_.Reserve(static_cast<size_t>(lines), static_cast<size_t>(total / 4));
        Lines(text);
        return;
    }
    // The first piece of a larger file tells how many rows and how many bytes
    // of names the whole holds, with an eighth more room for what follows.
    const uint64_t rows = std::min(total * lines / text.size() * 9 / 8, total + 1);
    rows_.Reserve(static_cast<size_t>(rows), 0);
    Lines(text);
    const uint64_t names = total * (rows_.TextBytes() + partial_.size()) / text.size() * 9 / 8;
    rows_.Reserve(static_cast<size_t>(rows), static_cast<size_t>(std::min(names + 4096, total)));
}

RowStore IndexFileReader::Finish() {
    // A last line without end counts when it holds something besides the file's marks.
    if (partialOpen_ && (started_ || !WithoutByteOrderMark(partial_).empty())) {
        Line(partial_, partialClean_, partialLength_ > partial_.size());
    }
    partial_.clear();
    partialOpen_ = false;
    // A guess far off (names much longer further on than in the first piece)
    // is not kept for the whole run.
    const size_t used = rows_.TextBytes() + rows_.size() * 3 * sizeof(uint32_t);
    if (rows_.MemoryBytes() - used > rows_.MemoryBytes() / 5) rows_.ShrinkToFit();
    return std::move(rows_);
}

RowStore ParseIndexFile(std::string_view bytes, const AnsiDecoder& decode) {
    IndexFileReader reader(decode);
    reader.Feed(bytes);
    return reader.Finish();
}

RowStore ParseIndexFileBuffer(std::string&& fileText, const AnsiDecoder& decode) {
    // The file's text is let go as soon as its rows are read.
    const std::string text = std::move(fileText);
    return ParseIndexFile(text, decode);
}

}  // namespace tarvolo
