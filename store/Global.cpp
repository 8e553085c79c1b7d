#include "store/Global.h"

#include <limits>

#include "index/TextLines.h"

namespace tarvolo {

uint32_t HotKeyModifiers(uint16_t shortcut) {
    uint32_t flags = 0;
    if (shortcut & kShortcutShift) flags |= kModShift;
    if (shortcut & kShortcutCtrl) flags |= kModControl;
    if (shortcut & kShortcutAlt) flags |= kModAlt;
    return flags;
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

}  // namespace

int ParseIniInteger(std::string_view text, int defaultValue) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    if (rest.empty()) return defaultValue;

    size_t hexStart = 0;
    if (rest[0] == '$') {
        hexStart = 1;
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        hexStart = 2;
    }
    if (hexStart != 0) {
        const std::string_view digits = rest.substr(hexStart);
        if (digits.empty()) return defaultValue;
        uint64_t value = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return defaultValue;
            value = value * 16 + static_cast<uint64_t>(d);
            if (value > 0xFFFFFFFFull) return defaultValue;
        }
        // A 32-bit pattern such as $FFFFFFFF reads as -1, as an ini value holding a
        // bit mask is meant.
        uint32_t bits = static_cast<uint32_t>(value);
        if (negative) bits = 0u - bits;
        return static_cast<int32_t>(bits);
    }

    int64_t value = 0;
    const int64_t limit =
        negative ? -static_cast<int64_t>(std::numeric_limits<int>::min()) : std::numeric_limits<int>::max();
    for (char c : rest) {
        if (c < '0' || c > '9') return defaultValue;
        value = value * 10 + (c - '0');
        if (value > limit) return defaultValue;
    }
    return static_cast<int>(negative ? -value : value);
}

bool ParseIniBoolean(std::string_view text, bool defaultValue) {
    return ParseIniInteger(text, defaultValue ? 1 : 0) != 0;
}

// ---------------------------------------------------------------------------

namespace {

// The name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    const size_t close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> SplitKeyLine(std::string_view line) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    while (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    ForEachLine(text, [&](std::string_view line) { ini.lines_.emplace_back(line); });
    return ini;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    bool inSection = false;
    bool seenSection = false;
    for (const std::string& line : lines_) {
        if (auto name = SectionName(line)) {
            // Only the first section of that name is looked at.
            if (seenSection) break;
            inSection = EqualsIgnoreAsciiCase(*name, section);
            seenSection = inSection;
            continue;
        }
        if (!inSection) continue;
        if (auto kv = SplitKeyLine(line); kv && EqualsIgnoreAsciiCase(kv->key, key)) {
            return std::string(StripQuotes(kv->value));
        }
    }
    return std::nullopt;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string newLine;
    newLine.append(key).append("=").append(value);

    size_t sectionLine = lines_.size();  // the "[section]" line, or none
    size_t lastFilled = 0;               // last non-blank line of that section
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        if (auto name = SectionName(line)) {
            if (sectionLine != lines_.size()) break;  // end of the first matching section
            if (EqualsIgnoreAsciiCase(*name, section)) {
                sectionLine = i;
                lastFilled = i;
            }
            continue;
        }
        if (sectionLine == lines_.size()) continue;
        if (auto kv = SplitKeyLine(line); kv && EqualsIgnoreAsciiCase(kv->key, key)) {
            // Keep the key's spelling as the file has it.
            lines_[i] = std::string(kv->key) + "=" + std::string(value);
            return;
        }
        if (!Trim(line).empty()) lastFilled = i;
    }
    if (sectionLine == lines_.size()) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(newLine));
        return;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastFilled + 1), std::move(newLine));
}

std::string IniFile::Text() const {
    std::string text;
    for (const std::string& line : lines_) text.append(line).append("\r\n");
    return text;
}

// ---------------------------------------------------------------------------

namespace {

int ReadInteger(const IniFile& ini, std::string_view section, std::string_view key, int defaultValue) {
    const auto text = ini.Get(section, key);
    return text ? ParseIniInteger(*text, defaultValue) : defaultValue;
}

bool ReadBoolean(const IniFile& ini, std::string_view section, std::string_view key, bool defaultValue) {
    const auto text = ini.Get(section, key);
    return text ? ParseIniBoolean(*text, defaultValue) : defaultValue;
}

const char* BooleanText(bool value) {
    return value ? "1" : "0";
}

}  // namespace

StoredSettings ReadStoredSettings(const IniFile& ini) {
    StoredSettings s;
    s.top = ReadInteger(ini, "Window", "Top", s.top);
    s.left = ReadInteger(ini, "Window", "Left", s.left);
    s.height = ReadInteger(ini, "Window", "Height", s.height);
    s.width = ReadInteger(ini, "Window", "Width", s.width);
    s.hotKey =
        static_cast<uint16_t>(static_cast<uint32_t>(ReadInteger(ini, "Window", "HotKey", 0)) & 0xFFFFu);
    s.quickJumpHotKey = static_cast<uint16_t>(
        static_cast<uint32_t>(ReadInteger(ini, "Window", "QuickJumpHotKey", 0)) & 0xFFFFu);
    s.drive = ReadInteger(ini, "Window", "Drive", s.drive);
    s.showCloseInfo = ReadBoolean(ini, "Window", "ShowCloseInfo", s.showCloseInfo);
    s.readOnly = ReadBoolean(ini, "Rescan", "ReadOnly", s.readOnly);
    s.hidden = ReadBoolean(ini, "Rescan", "Hidden", s.hidden);
    s.system = ReadBoolean(ini, "Rescan", "System", s.system);
    s.leaveOut = ini.Get("Rescan", "LeaveOut").value_or(std::string());
    s.checkAtStart = ReadBoolean(ini, "Rescan", "CheckAtStart", s.checkAtStart);
    s.matchAnywhere = ReadBoolean(ini, "Search", "MatchAnywhere", s.matchAnywhere);
    return s;
}

void WriteStoredSettings(IniFile& ini, const StoredSettings& v) {
    ini.Set("Window", "Top", std::to_string(v.top));
    ini.Set("Window", "Left", std::to_string(v.left));
    ini.Set("Window", "Height", std::to_string(v.height));
    ini.Set("Window", "Width", std::to_string(v.width));
    ini.Set("Window", "HotKey", std::to_string(v.hotKey));
    ini.Set("Window", "QuickJumpHotKey", std::to_string(v.quickJumpHotKey));
    ini.Set("Window", "Drive", std::to_string(v.drive));
    ini.Set("Window", "ShowCloseInfo", BooleanText(v.showCloseInfo));
    ini.Set("Rescan", "ReadOnly", BooleanText(v.readOnly));
    ini.Set("Rescan", "Hidden", BooleanText(v.hidden));
    ini.Set("Rescan", "System", BooleanText(v.system));
    ini.Set("Rescan", "LeaveOut", v.leaveOut);
    ini.Set("Rescan", "CheckAtStart", BooleanText(v.checkAtStart));
    ini.Set("Search", "MatchAnywhere", BooleanText(v.matchAnywhere));
}

}  // namespace tarvolo
