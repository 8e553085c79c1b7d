#include "platform/WinText.h"

#include <climits>

namespace tarvolo {

namespace {

// The conversion functions take int lengths; longer text is cut, which no
// path or name comes near.
int ClampLength(size_t size) {
    return size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

std::wstring ToWide(UINT codePage, std::string_view text) {
    std::wstring out;
    if (text.empty()) return out;
    const int len = ClampLength(text.size());
    const int need = MultiByteToWideChar(codePage, 0, text.data(), len, nullptr, 0);
    if (need <= 0) return out;
    out.resize(static_cast<size_t>(need));
    const int got = MultiByteToWideChar(codePage, 0, text.data(), len, &out[0], need);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
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

std::wstring Widen(std::string_view utf8) {
    return ToWide(CP_UTF8, utf8);
}

void AppendNarrow(std::wstring_view utf16, std::string& out) {
    // Names are mostly ASCII: copy those directly and skip two API calls.
    size_t i = 0;
    while (i < utf16.size() && utf16[i] < 0x80) ++i;
    if (i == utf16.size()) {
        for (const wchar_t c : utf16) out.push_back(static_cast<char>(c));
        return;
    }
    const int len = ClampLength(utf16.size());
    const int need = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), len, nullptr, 0, nullptr, nullptr);
    if (need <= 0) return;
    const size_t base = out.size();
    out.resize(base + static_cast<size_t>(need));
    const int got = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), len, &out[base], need, nullptr, nullptr);
    out.resize(base + (got > 0 ? static_cast<size_t>(got) : 0));
}

std::string Narrow(std::wstring_view utf16) {
    std::string out;
    AppendNarrow(utf16, out);
    return out;
}

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

UINT LegacyAnsiCodePage() {
    // CP_ACP is UTF-8 in a program whose manifest asks for it, so the code page
    // older tools wrote in is asked of the system locale itself. The LCID form
    // answers under Wine too, where LOCALE_NAME_SYSTEM_DEFAULT gives nothing.
    static const UINT codePage = [] {
        DWORD cp = 0;
        if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                           reinterpret_cast<LPWSTR>(&cp), sizeof(cp) / sizeof(wchar_t)) == 0)
            cp = 0;
        // A Unicode-only locale has no ANSI code page (0); Western European
        // then decodes every byte to some letter.
        return cp == 0 || cp == CP_ACP ? 1252u : static_cast<UINT>(cp);
    }();
    return codePage;
}

std::string LegacyToUtf8(UINT codePage, std::string_view ansi) {
    return Narrow(ToWide(codePage, ansi));
}

std::string LegacyFromUtf8(UINT codePage, std::string_view utf8) {
    const std::wstring wide = Widen(utf8);
    std::string out;
    if (wide.empty()) return out;
    const int len = ClampLength(wide.size());
    const int need = WideCharToMultiByte(codePage, 0, wide.data(), len, nullptr, 0, nullptr, nullptr);
    if (need <= 0) return out;
    out.resize(static_cast<size_t>(need));
    const int got = WideCharToMultiByte(codePage, 0, wide.data(), len, &out[0], need, nullptr, nullptr);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
}

std::string WinAnsiDecoder::ToUtf8(std::string_view ansi) const {
    return LegacyToUtf8(LegacyAnsiCodePage(), ansi);
}

}  // namespace tarvolo
