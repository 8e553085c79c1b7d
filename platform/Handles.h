// Move-only owners for Win32 handles, so that no handle is closed twice or leaked
// on an early return.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <type_traits>

namespace tarvolo {

// The number of live GDI and USER objects (bitmaps, fonts, brushes, icons,
// menus, image lists) held by the owners below. The system's own count is not
// available everywhere (GetGuiResources answers 0 under Wine), so the program
// counts where it makes them; a count that grows while windows open and close
// again is a leak.
inline std::atomic<long>& LiveGuiObjectCounter() {
    static std::atomic<long> live{0};
    return live;
}
inline long LiveGuiObjects() {
    return LiveGuiObjectCounter().load();
}

// A move-only owner of one handle, closed with `Close`; `Counted` owners take
// part in LiveGuiObjects.
template <class H, auto Close, bool Counted = false>
class Unique {
public:
    Unique() noexcept = default;
    Unique(std::nullptr_t) noexcept {}
    explicit Unique(H h) noexcept : h_(h) { Track(h_, +1); }
    ~Unique() { reset(); }
    Unique(Unique&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = other.h_;
            other.h_ = nullptr;
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    H get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    void reset(H h = nullptr) noexcept {
        if (h == h_) return;
        H old = h_;
        h_ = h;
        Track(h_, +1);
        if (old) {
            Track(old, -1);
            Close(old);
        }
    }
    // Hands the handle over to a new owner, which closes it.
    H release() noexcept {
        Track(h_, -1);
        H h = h_;
        h_ = nullptr;
        return h;
    }

private:
    static void Track(H h, long delta) noexcept {
        if constexpr (Counted) {
            if (h) LiveGuiObjectCounter() += delta;
        } else {
            (void)h;
            (void)delta;
        }
    }
    H h_ = nullptr;
};

// clang-format off
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void DeleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void DestroyIconHandle(HICON h) { ::DestroyIcon(h); }
inline void DestroyMenuHandle(HMENU h) { ::DestroyMenu(h); }
inline void DestroyImageListHandle(HIMAGELIST h) { ::ImageList_Destroy(h); }
inline void DestroyWindowHandle(HWND h) { ::DestroyWindow(h); }
// clang-format on

using UniqueHandle = Unique<HANDLE, CloseKernelHandle>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject, true>;
using UniqueFont = Unique<HFONT, DeleteGdiObject, true>;
using UniqueBrush = Unique<HBRUSH, DeleteGdiObject, true>;
using UniqueIcon = Unique<HICON, DestroyIconHandle, true>;
using UniqueMenu = Unique<HMENU, DestroyMenuHandle, true>;
using UniqueImageList = Unique<HIMAGELIST, DestroyImageListHandle, true>;
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

// A window's device context (the screen's for none), released at scope end;
// it keeps the window, which ReleaseDC needs.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd = nullptr) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
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

// COM on the calling thread for the owner's lifetime. Only a CoInitializeEx
// that succeeded (S_FALSE included: one more count on a thread that had it) is
// undone; one refused for another apartment model is not.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : hr_(::CoInitializeEx(nullptr, model)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT Result() const { return hr_; }

private:
    HRESULT hr_;
};

// A move-only owner of one COM interface pointer, released once.
template <class T>
struct ComPtr {
    T* p = nullptr;
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
    // For the out-parameter of QueryInterface and CoCreateInstance.
    void** Out() { return reinterpret_cast<void**>(&p); }
};

}  // namespace tarvolo
