#include "adapters/WinLocale.h"

#include <windows.h>

#include <climits>

#include "platform/WinText.h"

namespace tarvolo {

namespace {

// The conversion functions take int lengths; longer text is cut, which no
// path or name comes near.
int ClampLength(size_t size) {
    return size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

// Locale mapping of UTF-16 text; empty on failure.
std::wstring MapString(DWORD flags, const std::wstring& in) {
    std::wstring out;
    if (in.empty()) return out;
    const int len = ClampLength(in.size());
    const int need =
        LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, in.data(), len, nullptr, 0, nullptr, nullptr, 0);
    if (need <= 0) return out;
    out.resize(static_cast<size_t>(need));
    const int got =
        LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, in.data(), len, &out[0], need, nullptr, nullptr, 0);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
}

}  // namespace

std::string WinCaseFolder::Upper(std::string_view utf8) const {
    const std::wstring upper = MapString(LCMAP_UPPERCASE, Widen(utf8));
    // Should the locale service fail, ASCII upper case still finds ASCII names.
    if (upper.empty() && !utf8.empty()) return AsciiCaseFolder().Upper(utf8);
    return Narrow(upper);
}

void WinCollator::SortKey(std::string_view utf8Name, std::string& out) const {
    // Kept between calls so that a walk does not allocate per name.
    thread_local std::wstring wide_;
    out.clear();
    wide_.clear();
    for (const char c : utf8Name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            wide_ = Widen(utf8Name);
            break;
        }
        wide_.push_back(static_cast<wchar_t>(c));
    }
    if (wide_.empty()) return;
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int len = ClampLength(wide_.size());
    // With LCMAP_SORTKEY the destination is a byte buffer and sizes are in bytes.
    int need =
        LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, wide_.data(), len, nullptr, 0, nullptr, nullptr, 0);
    if (need <= 0) {
        AsciiCollator().SortKey(utf8Name, out);
        return;
    }
    out.resize(static_cast<size_t>(need));
    need = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, wide_.data(), len,
                         reinterpret_cast<LPWSTR>(&out[0]), need, nullptr, nullptr, 0);
    // The key ends with a zero byte, which would only tie every key's end.
    out.resize(need > 0 ? static_cast<size_t>(need - 1) : 0);
}

std::string WinAnsiDecoder::ToUtf8(std::string_view ansi) const {
    return LegacyToUtf8(LegacyAnsiCodePage(), ansi);
}

}  // namespace tarvolo
