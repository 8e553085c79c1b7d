#include "delivery/WinShell.h"

#include <shellapi.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/ShellOpen.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// Global memory with `bytes` in it, ready for SetClipboardData; null when it could not be had.
HGLOBAL GlobalCopy(const void* bytes, size_t size) {
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return nullptr;
    void* target = ::GlobalLock(memory);
    if (!target) {
        ::GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    ::GlobalUnlock(memory);
    return memory;
}

// Hands the memory to the clipboard, which owns it from then on.
bool SetClipboardMemory(UINT format, HGLOBAL memory) {
    if (!memory) return false;
    if (::SetClipboardData(format, memory)) return true;
    ::GlobalFree(memory);
    return false;
}

// Another program may hold the clipboard for a moment (a clipboard viewer
// reading our last copy, which under load takes longer than a tenth of a
// second); tries for half a second tell that from a clipboard that stays locked.
bool OpenClipboardBriefly(HWND owner) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (::OpenClipboard(owner)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

}  // namespace

// The path as CF_TEXT (the system's legacy ANSI code page, which programs reading
// CF_TEXT expect, with its terminating zero) and as CF_UNICODETEXT.
bool WinClipboard::CopyText(const std::string& path) {
    if (!OpenClipboardBriefly(owner_)) return false;
    const std::wstring wide = Widen(path);
    const std::string ansi = LegacyFromUtf8(LegacyAnsiCodePage(), path);
    bool ok = ::EmptyClipboard() != FALSE;
    ok = ok && SetClipboardMemory(CF_TEXT, GlobalCopy(ansi.c_str(), ansi.size() + 1));
    ok = ok &&
         SetClipboardMemory(CF_UNICODETEXT, GlobalCopy(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t)));
    ::CloseClipboard();
    // Out of memory or a clipboard taken away mid-way fails the copy as a whole.
    return ok;
}

bool IsExistingDirectory(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WinShell::OpenFolder(const std::string& path) {
    // No verb: the folder's default one, which opens it in the file browser. Run from
    // the icon's menu the window may be hidden; the failure box must show all the same.
    return ShellOpen(::IsWindowVisible(owner_) ? owner_ : nullptr, path);
}

}  // namespace tarvolo
