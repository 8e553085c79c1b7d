// Move-only owners for Win32 handles, so that no handle is closed twice or leaked
// on an early return.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <type_traits>

namespace tarvolo {

template <class H, auto Close>
struct HandleCloser {
    using pointer = H;
    void operator()(H h) const noexcept {
        if (h) Close(h);
    }
};

template <class H, auto Close>
using Unique = std::unique_ptr<std::remove_pointer_t<H>, HandleCloser<H, Close>>;

inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void DeleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void DestroyIconHandle(HICON h) { ::DestroyIcon(h); }
inline void DestroyMenuHandle(HMENU h) { ::DestroyMenu(h); }
inline void DestroyImageListHandle(HIMAGELIST h) { ::ImageList_Destroy(h); }
inline void DestroyWindowHandle(HWND h) { ::DestroyWindow(h); }

using UniqueHandle = Unique<HANDLE, CloseKernelHandle>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject>;
using UniqueFont = Unique<HFONT, DeleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, DeleteGdiObject>;
using UniqueIcon = Unique<HICON, DestroyIconHandle>;
using UniqueMenu = Unique<HMENU, DestroyMenuHandle>;
using UniqueImageList = Unique<HIMAGELIST, DestroyImageListHandle>;
using UniqueWindow = Unique<HWND, DestroyWindowHandle>;

// A file handle is invalid as INVALID_HANDLE_VALUE, not as null.
struct FindCloser {
    using pointer = HANDLE;
    void operator()(HANDLE h) const noexcept {
        if (h && h != INVALID_HANDLE_VALUE) ::FindClose(h);
    }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;

// SelectObject undone at scope end.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
    ~SelectGuard() { ::SelectObject(dc_, old_); }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A memory DC compatible with `dc`, deleted at scope end.
class MemoryDC {
public:
    explicit MemoryDC(HDC dc) : dc_(::CreateCompatibleDC(dc)) {}
    ~MemoryDC() {
        if (dc_) ::DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HDC dc_;
};

}  // namespace tarvolo
