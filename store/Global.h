// The settings file and the value-text rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvolo {

// RegisterHotKey's modifier flags, spelt out so this file needs no <windows.h>.
constexpr uint32_t kModAlt = 0x0001;
constexpr uint32_t kModControl = 0x0002;
constexpr uint32_t kModShift = 0x0004;

// A shortcut value: bits 0-7 the virtual key, then these modifier bits.
constexpr uint16_t kShortcutShift = 0x2000;
constexpr uint16_t kShortcutCtrl = 0x4000;
constexpr uint16_t kShortcutAlt = 0x8000;

// The RegisterHotKey flags of a shortcut value; never MOD_WIN.
uint32_t HotKeyModifiers(uint16_t shortcut);

// Decimal with optional leading blanks and sign, or hexadecimal after "0x",
// "0X" or "$" (up to 32 bits, taken as a two's-complement pattern). Anything
// else - empty, junk, trailing junk, a decimal outside int - is defaultValue.
int ParseIniInteger(std::string_view text, int defaultValue);

// An integer as above: 0 is false, any other number true; junk is defaultValue.
bool ParseIniBoolean(std::string_view text, bool defaultValue);

// An ini file held as its lines, read and edited the way the platform's profile
// functions do it, so the program can write the whole file atomically instead
// of key by key in place.
class IniFile {
public:
    // Accepts CR LF, CR or LF line ends; a leading UTF-8 byte-order mark is dropped.
    static IniFile Parse(std::string_view text);

    // Section and key names compare without regard to ASCII case; names and the
    // value are trimmed of blanks, and one pair of enclosing quotes is removed
    // from the value. The first matching section and, in it, the first matching
    // key win.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Replaces the key's line in place; a new key goes after the last non-blank
    // line of its section, a new section at the end of the file. Every other
    // line is kept as it was.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // The whole file, every line ended by CR LF.
    std::string Text() const;

private:
    std::vector<std::string> lines_;
};

// The stored values, as read from the file; the window applies its own
// minimum size and clamps "Drive" to its drive selector.
struct StoredSettings {
    int top = 100, left = 100, height = 417, width = 537;
    uint16_t hotKey = 0;
    uint16_t quickJumpHotKey = 0;  // the Quick Jump window's own hot key
    int drive = 0;
    bool showCloseInfo = true, readOnly = true, hidden = true, system = true;
    // Off unless the file says otherwise: a file from before the option reads as off.
    bool matchAnywhere = false;
    // The directories left out of every walk, as rules separated by ';'; none by default.
    std::string leaveOut;
    // The drives are compared with the disk after their index is read; on unless the file says off.
    bool checkAtStart = true;
};

StoredSettings ReadStoredSettings(const IniFile& ini);

// Writes the keys in the file's order: Top, Left, Height, Width, HotKey, QuickJumpHotKey, Drive,
// ShowCloseInfo under "Window"; ReadOnly, Hidden, System, LeaveOut,
// CheckAtStart under "Rescan";
// MatchAnywhere under "Search".
void WriteStoredSettings(IniFile& ini, const StoredSettings& values);

}  // namespace tarvolo
