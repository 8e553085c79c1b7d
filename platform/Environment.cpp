#include "platform/Environment.h"

#include <windows.h>

#include <cwchar>

namespace tarvolo {

uint64_t WaitFromEnvironment(const wchar_t* name, uint64_t longest) {
    wchar_t text[24];
    const DWORD n = ::GetEnvironmentVariableW(name, text, 24);
    if (n == 0 || n >= 24 || text[0] < L'0' || text[0] > L'9') return longest;
    wchar_t* end = nullptr;
    const unsigned long long ms = std::wcstoull(text, &end, 10);
    if (*end != L'\0' || ms > longest) return longest;
    return ms;
}

}  // namespace tarvolo
