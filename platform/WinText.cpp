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

}  // namespace tarvolo
