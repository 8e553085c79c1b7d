// UTF-8 <-> UTF-16 at the Win32 edge, and the locale services the index needs:
// upper case for the search, sort keys for the scan, the ANSI code page for
// old files.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "index/Scan.h"
#include "index/Search.h"
#include "index/Text.h"

namespace tarvolo {

// Invalid UTF-8 becomes U+FFFD; invalid UTF-16 (a lone surrogate) likewise.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// Appends to `out` instead of returning a new string, for loops over many names.
void AppendNarrow(std::wstring_view utf16, std::string& out);

// LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE).
class WinCaseFolder : public CaseFolder {
public:
    std::string Upper(std::string_view utf8) const override;
};

// LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE).
// Safe to call from several threads: its conversion buffer is per thread.
class WinCollator : public Collator {
public:
    void SortKey(std::string_view utf8Name, std::string& out) const override;
};

// The system locale's legacy ANSI code page (1252, 1251, 932...): what CP_ACP
// meant before the manifest made it UTF-8, and what older tools wrote in.
UINT LegacyAnsiCodePage();
// Conversions in a given code page; characters outside it become its default
// character ('?').
std::string LegacyToUtf8(UINT codePage, std::string_view ansi);
std::string LegacyFromUtf8(UINT codePage, std::string_view utf8);

// Bytes in the legacy ANSI code page, then UTF-8.
class WinAnsiDecoder : public AnsiDecoder {
public:
    std::string ToUtf8(std::string_view ansi) const override;
};

}  // namespace tarvolo
