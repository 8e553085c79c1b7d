// The index file reader, the tree codes and the search over what it read.
// Input: the bytes of an index file, as found on a drive.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index/IndexFile.h"
#include "index/Search.h"
#include "index/TreeCodes.h"
#include "tests/fuzz/FuzzSupport.h"

namespace tarvolo::fuzz {
namespace {

// The quadratic oracle and the brute-force search stay affordable up to here.
constexpr size_t kOracleRows = 128;

// Folds a few accented Latin letters as well, one of them ("ß" to "SS") to a
// longer text, so folded names and rows differ in length.
struct LatinCaseFolder : CaseFolder {
    std::string Upper(std::string_view utf8) const override {
        std::string out;
        for (size_t i = 0; i < utf8.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(utf8[i]);
            const unsigned char next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
            if (c == 0xC3 && next == 0x9F) {
                out += "SS";
                ++i;
            } else if (c == 0xC3 && next >= 0xA0 && next <= 0xBE && next != 0xB7) {
                out += static_cast<char>(0xC3);
                out += static_cast<char>(next - 0x20);
                ++i;
            } else {
                out += UpperAscii(static_cast<char>(c));
            }
        }
        return out;
    }
};

std::string ShowRows(const RowStore& rows) {
    std::string s;
    for (size_t i = 0; i < rows.size() && i < 20; ++i) s += Show(rows.Path(i)) + " ";
    return s;
}

// The rows the file must give, worked out byte by byte: text up to the first
// NUL, leading byte-order marks gone, a line per CR LF, lone CR or lone LF (a
// last line without one too), too long lines and lines with control characters
// left out, the others as they are when valid UTF-8 and decoded otherwise.
std::vector<std::string> ExpectedRows(std::string_view bytes, const AnsiDecoder& decode) {
    std::string text;
    for (char c : bytes) {
        if (c == '\0') break;
        text += c;
    }
    while (text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) text.erase(0, kByteOrderMark.size());
    std::vector<std::string> lines;
    std::string line;
    bool open = false;  // characters since the last line end
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
            open = true;
        }
    }
    if (open) lines.push_back(line);
    std::vector<std::string> rows;
    for (const std::string& l : lines) {
        // No directory name holds a control character: such a line is no row.
        const bool control =
            std::any_of(l.begin(), l.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
        if (l.size() > kMaxRowBytes || control) continue;
        std::string row = l;
        // Marks before the first row belong to the file, whatever lines were left out above it.
        while (rows.empty() && row.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0)
            row.erase(0, kByteOrderMark.size());
        rows.push_back(IsValidUtf8(row) ? row : decode.ToUtf8(row));
    }
    return rows;
}

void CheckRows(const RowStore& rows, std::string_view bytes, const AnsiDecoder& decode) {
    // Against the file's own lines: a reader that drops, merges or alters a line fails here.
    const std::vector<std::string> expected = ExpectedRows(bytes, decode);
    FUZZ_CHECK(rows.size() == expected.size(), "rows " + std::to_string(rows.size()) + ", lines " +
                                                   std::to_string(expected.size()) + "\n" + ShowRows(rows));
    for (size_t i = 0; i < rows.size(); ++i)
        FUZZ_CHECK(rows.Path(i) == expected[i],
                   "row " + std::to_string(i) + " " + Show(rows.Path(i)) + " line " + Show(expected[i]));

    const RowStore inPlace = ParseIndexFileBuffer(std::string(bytes), decode);
    FUZZ_CHECK(inPlace == rows, "buffer: " + ShowRows(inPlace) + "\ncopy:   " + ShowRows(rows));

    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string row = rows.Path(i);
        FUZZ_CHECK(row.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos, Show(row));
        FUZZ_CHECK(IsValidUtf8(row), Show(row));
    }

    // Written and read again: the same rows (double_bom.dir once lost a mark
    // of its first row at every save).
    const RowStore again = ParseIndexFile(IndexFileText(rows), decode);
    FUZZ_CHECK(again == rows, "again: " + ShowRows(again) + "\nfirst: " + ShowRows(rows));
}

void CheckTreeCodes(const RowStore& rows) {
    TreeCodes codes;
    codes.Build(rows);
    FUZZ_CHECK(codes.size() == rows.size(), std::to_string(codes.size()));
    if (rows.empty()) return;
    FUZZ_CHECK(codes.Code(0) == "2", Show(codes.Code(0)));
    bool wellFormed = rows.Depth(0) == 1;  // the root's code "2" says nothing of a deeper row 0
    size_t previousDepth = static_cast<size_t>(rows.Depth(0));
    for (size_t i = 1; i < rows.size(); ++i) {
        const std::string code = codes.Code(i);
        // One digit per level; a row without any backslash (only an edited file
        // holds one) still gets its own connector digit.
        const size_t depth = static_cast<size_t>(rows.Depth(i));
        FUZZ_CHECK(code.size() == (depth > 0 ? depth : 1),
                   "row " + std::to_string(i) + " " + Show(rows.Path(i)) + " code " + Show(code));
        // Column digits are "0" or "1" as long as no row lies more than one level
        // below the row above. A jump (only an edited file holds one) copies the
        // row above's own "2" or "3" into a column, where no painter draws it.
        wellFormed = wellFormed && depth >= 1 && depth <= previousDepth + 1;
        previousDepth = depth;
        for (size_t k = 0; wellFormed && k + 1 < code.size(); ++k)
            FUZZ_CHECK(code[k] == '0' || code[k] == '1', "row " + std::to_string(i) + " code " + Show(code));
        FUZZ_CHECK(code.back() == '2' || code.back() == '3', Show(code));
    }
    if (rows.size() > kOracleRows) return;
    const std::vector<std::string> reference = BuildTreeCodesReference(rows);
    FUZZ_CHECK(reference.size() == rows.size(), std::to_string(reference.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        FUZZ_CHECK(codes.Code(i) == reference[i], "row " + std::to_string(i) + " " + Show(rows.Path(i)) +
                                                      " fast " + Show(codes.Code(i)) + " reference " +
                                                      Show(reference[i]));
    }
}

// Search texts taken from the rows themselves, so that the fuzzer reaches
// matches: the beginnings of some names with their case flipped, a name with
// one character more, the back half of a name, a text across two names, the
// empty text and a text that is in no name.
std::vector<std::string> SearchTexts(const RowStore& rows) {
    std::vector<std::string> texts{"", "\xC3\x9F", "zz"};
    for (size_t k = 0; k < 4 && k < rows.size(); ++k) {
        const std::string_view name = rows.Name((k * 7919 + rows.TextBytes()) % rows.size());
        for (size_t len : {size_t{1}, size_t{3}, name.size()}) {
            std::string t(name.substr(0, len));
            for (char& c : t) {
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 32);
                else if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c + 32);
            }
            texts.push_back(t);
        }
        texts.push_back(std::string(name) + "x");
        // For the match anywhere: the back half of a name, and a text running from
        // the end of one name into the beginning of the next, which no name holds.
        texts.push_back(std::string(name.substr(name.size() / 2)));
        const size_t row = (k * 7919 + rows.TextBytes()) % rows.size();
        if (row + 1 < rows.size() && !name.empty())
            texts.push_back(std::string(name.substr(name.size() - 1)) +
                            std::string(rows.Name(row + 1).substr(0, 2)));
    }
    return texts;
}

void CheckSearch(const RowStore& rows, const CaseFolder& folder) {
    SearchIndex search;
    search.Build(rows, folder);
    FUZZ_CHECK(search.size() == rows.size(), std::to_string(search.size()));
    if (rows.size() > kOracleRows) return;

    std::vector<std::string> upperNames;
    for (size_t i = 0; i < rows.size(); ++i) upperNames.push_back(folder.Upper(rows.Name(i)));
    const long n = static_cast<long>(rows.size());

    for (const std::string& text : SearchTexts(rows)) {
        const std::string upperText = folder.Upper(text);
        for (long start : {-1L, 0L, n / 2, n - 1, n, n + 3}) {
            // start+1 .. last, then 0 .. start-1; start itself is never tested.
            std::vector<long> order;
            for (long i = start + 1; i < n; ++i) order.push_back(i);
            for (long i = 0; i < std::min(start, n); ++i) order.push_back(i);
            for (const MatchRule rule : {MatchRule::beginning, MatchRule::anywhere}) {
                long expected = -1;
                for (long i : order) {
                    const std::string& name = upperNames[static_cast<size_t>(i)];
                    if (rule == MatchRule::beginning ? StartsWith(name, upperText)
                                                     : name.find(upperText) != std::string::npos) {
                        expected = i;
                        break;
                    }
                }
                const long got = search.FindFrom(start, text, folder, rule);
                FUZZ_CHECK(got == expected, "text " + Show(text) + " start " + std::to_string(start) +
                                                " rule " + std::to_string(static_cast<int>(rule)) + " got " +
                                                std::to_string(got) + " expected " +
                                                std::to_string(expected) + "\nrows " + ShowRows(rows));
                if (got >= 0)
                    FUZZ_CHECK(search.Matches(static_cast<size_t>(got), FoldText(text, folder), rule),
                               Show(text));
            }
        }
    }
}

}  // namespace
}  // namespace tarvolo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvolo;
    using namespace tarvolo::fuzz;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Latin1Decoder latin1;
    const QuestionMarkDecoder questionMarks;
    const LatinCaseFolder latinFolder;
    const AsciiCaseFolder asciiFolder;

    const RowStore rows = ParseIndexFile(bytes, latin1);
    CheckRows(rows, bytes, latin1);
    CheckRows(ParseIndexFile(bytes, questionMarks), bytes, questionMarks);
    CheckTreeCodes(rows);
    CheckSearch(rows, latinFolder);
    CheckSearch(rows, asciiFolder);
    return 0;
}
