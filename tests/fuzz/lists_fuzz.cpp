// The list-file reader and writer (favorites, dialogs, history) and the
// history rule over what was read. Input: the bytes of a list file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/History.h"
#include "store/StringList.h"
#include "tests/fuzz/FuzzSupport.h"

namespace tarvolo::fuzz {
namespace {

using Entries = std::vector<std::string>;

std::string ShowEntries(const Entries& entries) {
    std::string s = std::to_string(entries.size()) + " entries:";
    for (size_t i = 0; i < entries.size() && i < 20; ++i) s += " " + Show(entries[i]);
    return s;
}

bool HoldsLineBreakOrNul(std::string_view entry) {
    return entry.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The entries a list file can carry unchanged: valid UTF-8 without CR, LF or
// NUL (the format has no escaping), and a first entry that does not itself
// begin with a byte-order mark (the reader takes leading ones for the file's).
bool Writable(const Entries& entries) {
    for (const std::string& e : entries) {
        if (HoldsLineBreakOrNul(e) || !IsValidUtf8(e)) return false;
    }
    return entries.empty() || !StartsWith(entries[0], kByteOrderMark);
}

void CheckRoundTrip(const Entries& entries, const AnsiDecoder& ansi) {
    const std::string text = StringListText(entries);
    // Every entry ends with CR LF, the last one included; no entries, no bytes.
    size_t expectedSize = 0;
    for (const std::string& e : entries) expectedSize += e.size() + 2;
    FUZZ_CHECK(text.size() == expectedSize, ShowEntries(entries));
    FUZZ_CHECK(entries.empty() || text.substr(text.size() - 2) == "\r\n", ShowEntries(entries));
    if (!Writable(entries)) return;
    const Entries again = ParseStringList(text, ansi);
    FUZZ_CHECK(again == entries, "written " + ShowEntries(entries) + "\nread back " + ShowEntries(again));
}

// The history rule checked against its plain statement: the first entry
// equal without regard to case goes, the new text comes first, nothing else moves.
void CheckHistory(const Entries& history, const std::string& path) {
    Entries expected{path};
    bool removed = false;
    for (const std::string& e : history) {
        if (!removed && EqualsIgnoreCase(e, path)) {
            removed = true;
            continue;
        }
        expected.push_back(e);
    }
    Entries updated = history;
    UpdateHistory(updated, path);
    FUZZ_CHECK(updated == expected,
               "path " + Show(path) + "\nbefore " + ShowEntries(history) + "\nafter " + ShowEntries(updated));
}

void CheckCaseComparison(std::string_view a, std::string_view b) {
    FUZZ_CHECK(EqualsIgnoreCase(a, a), Show(a));
    FUZZ_CHECK(EqualsIgnoreCase(a, b) == EqualsIgnoreCase(b, a), Show(a) + " " + Show(b));
    // On ASCII text the comparison is the plain one of letters a-z and A-Z.
    if (IsAscii(a) && IsAscii(b)) {
        bool plain = a.size() == b.size();
        for (size_t i = 0; plain && i < a.size(); ++i) plain = UpperAscii(a[i]) == UpperAscii(b[i]);
        FUZZ_CHECK(EqualsIgnoreCase(a, b) == plain, Show(a) + " " + Show(b));
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

    // Read: no entry holds a line end or a NUL, and every entry is UTF-8
    // (lines that were not went through the code page).
    const Entries entries = ParseStringList(bytes, latin1);
    for (const std::string& e : entries) {
        FUZZ_CHECK(!HoldsLineBreakOrNul(e), Show(e));
        FUZZ_CHECK(IsValidUtf8(e), Show(e));
    }
    FUZZ_CHECK(ParseStringList(bytes, questionMarks).size() == entries.size(), ShowEntries(entries));
    // So whatever was read can be written back unchanged (double_bom.dir once
    // lost a mark of its first entry at every save).
    FUZZ_CHECK(Writable(entries), ShowEntries(entries));
    CheckRoundTrip(entries, latin1);

    // Written: the file's bytes cut at a byte the line format gives no meaning
    // to, so entries also hold CR, LF, NUL and text that is not UTF-8.
    Entries raw{std::string()};
    for (char c : bytes) {
        if (c == '|')
            raw.emplace_back();
        else
            raw.back() += c;
    }
    CheckRoundTrip(raw, latin1);

    if (entries.size() <= 64) {
        for (size_t i = 0; i < entries.size() && i < 4; ++i) {
            CheckHistory(entries, entries[i]);
            CheckCaseComparison(entries[i], entries[entries.size() - 1 - i]);
        }
        for (size_t i = 0; i < raw.size() && i < 4; ++i) {
            CheckHistory(entries, raw[i]);
            CheckCaseComparison(raw[i], raw[raw.size() - 1 - i]);
        }
    }
    return 0;
}
