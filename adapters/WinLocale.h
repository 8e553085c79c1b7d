// The index's text services in the user's locale: upper case for the search,
// sort keys for the walk, the legacy ANSI code page for old files.
#pragma once

#include <string>
#include <string_view>

#include "index/Scan.h"
#include "index/Search.h"
#include "index/Text.h"

namespace tarvolo {

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

// Bytes in the legacy ANSI code page, then UTF-8.
class WinAnsiDecoder : public AnsiDecoder {
public:
    std::string ToUtf8(std::string_view ansi) const override;
};

}  // namespace tarvolo
