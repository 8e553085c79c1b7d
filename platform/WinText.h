// UTF-8 <-> UTF-16 at the Win32 edge, and the system's legacy ANSI code page
// that older tools wrote in.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarvolo {

// Invalid UTF-8 becomes U+FFFD; invalid UTF-16 (a lone surrogate) likewise.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// Appends to `out` instead of returning a new string, for loops over many names.
void AppendNarrow(std::wstring_view utf16, std::string& out);

// The system locale's legacy ANSI code page (1252, 1251, 932...): what CP_ACP
// meant before the manifest made it UTF-8, and what older tools wrote in.
UINT LegacyAnsiCodePage();
// Conversions in a given code page; characters outside it become its default
// character ('?').
std::string LegacyToUtf8(UINT codePage, std::string_view ansi);
std::string LegacyFromUtf8(UINT codePage, std::string_view utf8);

}  // namespace tarvolo
