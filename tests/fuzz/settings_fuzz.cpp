// The settings file: value parsing and the ini model. Input: the bytes of a
// settings file; its lines also serve as value texts and as keys to set.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Global.h"
#include "index/TextLines.h"
#include "tests/fuzz/FuzzSupport.h"

namespace tarvolo::fuzz {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

// An ini integer by its plain statement, over digit strings rather than
// arithmetic: leading blanks, one sign, then decimal within int, or 1 to 8
// significant hexadecimal digits after "0x", "0X" or "$" as a 32-bit pattern.
std::optional<int32_t> ReferenceInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::string_view rest = text.substr(i);

    const bool hex = StartsWith(rest, "$") || StartsWith(rest, "0x") || StartsWith(rest, "0X");
    if (hex) rest.remove_prefix(rest[0] == '$' ? 1 : 2);
    if (rest.empty()) return std::nullopt;
    const std::string_view digits = hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (rest.find_first_not_of(digits) != std::string_view::npos) return std::nullopt;
    while (rest.size() > 1 && rest[0] == '0') rest.remove_prefix(1);

    if (hex) {
        if (rest.size() > 8) return std::nullopt;
        uint32_t bits = static_cast<uint32_t>(std::stoull(std::string(rest), nullptr, 16));
        if (negative) bits = ~bits + 1;
        return static_cast<int32_t>(bits);
    }
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    if (rest.size() > limit.size() || (rest.size() == limit.size() && rest > limit)) return std::nullopt;
    const int64_t value = std::stoll(std::string(rest));
    return static_cast<int32_t>(negative ? -value : value);
}

void CheckInteger(std::string_view text) {
    const std::optional<int32_t> expected = ReferenceInteger(text);
    for (int fallback : {12345, -7}) {
        const int got = ParseIniInteger(text, fallback);
        FUZZ_CHECK(got == (expected ? *expected : fallback),
                   Show(text) + " got " + std::to_string(got) +
                       (expected ? " expected " + std::to_string(*expected) : " expected the default"));
    }
    for (bool fallback : {false, true}) {
        FUZZ_CHECK(ParseIniBoolean(text, fallback) == (expected ? *expected != 0 : fallback), Show(text));
    }
    if (expected) FUZZ_CHECK(ParseIniInteger(std::to_string(*expected), 0) == *expected, Show(text));
}

struct Probe {
    std::string section, key;
};

std::string ShowProbe(const Probe& p) {
    return "[" + Show(p.section) + "] " + Show(p.key);
}

std::string ShowGet(const std::optional<std::string>& v) {
    return v ? Show(*v) : "(none)";
}

// Sections and keys named in the file, and some the program reads.
std::vector<Probe> Probes(const std::vector<std::string_view>& lines) {
    std::vector<std::string> sections{"Window", "Rescan"};
    std::vector<std::string> keys{"Top", "HotKey", "System"};
    for (std::string_view line : lines) {
        const std::string_view t = Trim(line);
        if (StartsWith(t, "[") && t.find(']') != std::string_view::npos) {
            if (sections.size() < 5) sections.emplace_back(Trim(t.substr(1, t.find(']') - 1)));
        } else if (line.find('=') != std::string_view::npos && keys.size() < 8) {
            keys.emplace_back(Trim(line.substr(0, line.find('='))));
        }
    }
    std::vector<Probe> probes;
    for (const std::string& s : sections) {
        for (const std::string& k : keys) probes.push_back({s, k});
    }
    return probes;
}

// A value as the file states it, read straight from the bytes: the first
// "[section]" line of that name (blanks around it and the name do not count,
// nor does ASCII case), in it the first "key=value" line of that key up to the
// next section line; the value without its blanks and one pair of enclosing
// quotes. Leading byte-order marks are no part of the first line.
std::optional<std::string> ReferenceGet(std::string_view bytes, const Probe& p) {
    while (StartsWith(bytes, kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    std::vector<std::string_view> lines;
    ForEachLine(bytes, [&](std::string_view line) { lines.push_back(line); });
    size_t i = 0;
    for (; i < lines.size(); ++i) {
        const std::string_view t = Trim(lines[i]);
        if (StartsWith(t, "[") && t.find(']') != std::string_view::npos &&
            SameIgnoringAsciiCase(Trim(t.substr(1, t.find(']') - 1)), p.section))
            break;
    }
    for (++i; i < lines.size(); ++i) {
        const std::string_view t = Trim(lines[i]);
        if (StartsWith(t, "[") && t.find(']') != std::string_view::npos) break;
        const size_t eq = lines[i].find('=');
        if (eq == std::string_view::npos || !SameIgnoringAsciiCase(Trim(lines[i].substr(0, eq)), p.key))
            continue;
        std::string_view v = Trim(lines[i].substr(eq + 1));
        if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
        return std::string(v);
    }
    return std::nullopt;
}

std::vector<std::optional<std::string>> Answers(const IniFile& ini, const std::vector<Probe>& probes) {
    std::vector<std::optional<std::string>> answers;
    for (const Probe& p : probes) answers.push_back(ini.Get(p.section, p.key));
    return answers;
}

bool HoldsLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Names and values that a "key=value" line under "[section]" holds unchanged:
// nothing the reader trims or unquotes, no line end, and no key that would
// make its line read as a section or split at another "=".
bool Settable(const Probe& p, std::string_view value) {
    for (std::string_view s : {std::string_view(p.section), std::string_view(p.key), value}) {
        if (HoldsLineBreakOrNul(s) || Trim(s) != s) return false;
    }
    if (p.section.find(']') != std::string::npos) return false;
    if (p.key.find('=') != std::string::npos || StartsWith(p.key, "[")) return false;
    const bool quoted =
        value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
    return !quoted;
}

void CheckSet(const IniFile& ini, const std::vector<Probe>& probes, const Probe& target,
              std::string_view value) {
    if (!Settable(target, value)) return;
    IniFile changed = ini;
    changed.Set(target.section, target.key, value);
    const std::optional<std::string> got = changed.Get(target.section, target.key);
    FUZZ_CHECK(got && *got == value, ShowProbe(target) + " set " + Show(value) + " got " + ShowGet(got));
    // Every other key keeps its answer.
    const auto before = Answers(ini, probes);
    const auto after = Answers(changed, probes);
    for (size_t i = 0; i < probes.size(); ++i) {
        if (SameIgnoringAsciiCase(probes[i].section, target.section) &&
            SameIgnoringAsciiCase(probes[i].key, target.key))
            continue;
        FUZZ_CHECK(before[i] == after[i], ShowProbe(target) + " set " + Show(value) + " changed " +
                                              ShowProbe(probes[i]) + " from " + ShowGet(before[i]) + " to " +
                                              ShowGet(after[i]));
    }
}

bool operator==(const StoredSettings& a, const StoredSettings& b) {
    return a.top == b.top && a.left == b.left && a.height == b.height && a.width == b.width &&
           a.hotKey == b.hotKey && a.drive == b.drive && a.showCloseInfo == b.showCloseInfo &&
           a.readOnly == b.readOnly && a.hidden == b.hidden && a.system == b.system;
}

}  // namespace
}  // namespace tarvolo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvolo;
    using namespace tarvolo::fuzz;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::string_view body = bytes;
    if (StartsWith(body, kByteOrderMark)) body.remove_prefix(kByteOrderMark.size());
    std::vector<std::string_view> lines;
    ForEachLine(body, [&](std::string_view line) { lines.push_back(line); });
    if (lines.size() > 100) return 0;  // the checks below are quadratic in the lines

    // Value texts: the whole input when short, every line, every value part.
    if (size <= 64) CheckInteger(bytes);
    for (std::string_view line : lines) {
        CheckInteger(line);
        if (const size_t eq = line.find('='); eq != std::string_view::npos) {
            CheckInteger(line.substr(eq + 1));
            CheckInteger(Trim(line.substr(eq + 1)));
        }
    }

    const IniFile ini = IniFile::Parse(bytes);
    const std::vector<Probe> probes = Probes(lines);
    const std::string text = ini.Text();
    for (const Probe& p : probes) {
        const std::optional<std::string> got = ini.Get(p.section, p.key), expected = ReferenceGet(bytes, p);
        FUZZ_CHECK(got == expected, ShowProbe(p) + " got " + ShowGet(got) + " expected " + ShowGet(expected));
    }
    FUZZ_CHECK(text.empty() || StartsWith(text.substr(text.size() - 2), "\r\n"), Show(text));

    // Written and read again: the same answers and the same text. (In
    // double_bom.ini the first [Window] once came to light only after a save,
    // and then hid the values saved.)
    {
        const IniFile again = IniFile::Parse(text);
        FUZZ_CHECK(again.Text() == text, Show(text) + "\nread back as " + Show(again.Text()));
        const auto first = Answers(ini, probes);
        const auto second = Answers(again, probes);
        for (size_t i = 0; i < probes.size(); ++i) {
            FUZZ_CHECK(first[i] == second[i],
                       ShowProbe(probes[i]) + " " + ShowGet(first[i]) + " then " + ShowGet(second[i]));
        }
    }

    // The program's own save over whatever the file holds reads back the same values.
    const StoredSettings stored = ReadStoredSettings(ini);
    IniFile saved = ini;
    WriteStoredSettings(saved, stored);
    FUZZ_CHECK(ReadStoredSettings(saved) == stored, Show(saved.Text()));

    // Set, then Get: keys and values taken from the file itself.
    for (size_t i = 0; i < lines.size() && i < 6; ++i) {
        const std::string_view line = lines[i];
        const size_t eq = line.find('=');
        const std::string_view value = Trim(eq == std::string_view::npos ? line : line.substr(eq + 1));
        const Probe& target = probes[(i * 31 + size) % probes.size()];
        CheckSet(ini, probes, target, value);
        CheckSet(ini, probes, {target.section, std::string(Trim(line.substr(0, eq)))}, "1");
    }
    return 0;
}
