// Move-only owners for Win32 handles and COM references, and a guard for what
// must happen however a scope ends, so that nothing is closed twice or leaked
// on an early return.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

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

// What an owner holds when it holds nothing, and which values are no handle.
// Most handles are invalid as null.
template <class H>
struct NullIsInvalid {
    static H Invalid() noexcept { return nullptr; }
    static bool IsValid(H h) noexcept { return h != nullptr; }
};
// A file, a search or a snapshot comes back as INVALID_HANDLE_VALUE when it
// fails; null is no handle either.
struct FileIsInvalid {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
};

// A move-only owner of one handle, closed with `Close` unless `Policy` calls it
// invalid; `Counted` owners take part in LiveGuiObjects.
template <class H, auto Close, class Policy = NullIsInvalid<H>, bool Counted = false>
class Unique {
public:
    Unique() noexcept = default;
    Unique(std::nullptr_t) noexcept {}
    explicit Unique(H h) noexcept : h_(h) { Track(h_, +1); }
    ~Unique() { reset(); }
    Unique(Unique&& other) noexcept : h_(std::exchange(other.h_, Policy::Invalid())) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = std::exchange(other.h_, Policy::Invalid());
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    H get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return Policy::IsValid(h_); }
    void reset(H h = Policy::Invalid()) noexcept {
        if (h == h_) return;
        H old = std::exchange(h_, h);
        Track(h_, +1);
        if (Policy::IsValid(old)) {
            Track(old, -1);
            Close(old);
        }
    }
    // Hands the handle over to a new owner, which closes it.
    H release() noexcept {
        Track(h_, -1);
        return std::exchange(h_, Policy::Invalid());
    }
    // For an out-parameter that a call fills in: what was held is closed first.
    // Counted owners count where they take a handle, so they have none.
    H* put() noexcept {
        static_assert(!Counted, "a counted owner takes its handle through its constructor or reset");
        reset();
        return &h_;
    }

private:
    static void Track(H h, long delta) noexcept {
        if constexpr (Counted) {
            if (Policy::IsValid(h)) LiveGuiObjectCounter() += delta;
        } else {
            (void)h;
            (void)delta;
        }
    }
    H h_ = Policy::Invalid();
};

// clang-format off
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void DeleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void DestroyIconHandle(HICON h) { ::DestroyIcon(h); }
inline void DestroyMenuHandle(HMENU h) { ::DestroyMenu(h); }
inline void DestroyImageListHandle(HIMAGELIST h) { ::ImageList_Destroy(h); }
inline void DestroyWindowHandle(HWND h) { ::DestroyWindow(h); }
inline void CloseFindHandle(HANDLE h) { ::FindClose(h); }
inline void FreeTaskMemory(void* p) { ::CoTaskMemFree(p); }
// clang-format on

using UniqueHandle = Unique<HANDLE, CloseKernelHandle>;
using UniqueFile = Unique<HANDLE, CloseKernelHandle, FileIsInvalid>;
using UniqueFind = Unique<HANDLE, CloseFindHandle, FileIsInvalid>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject, NullIsInvalid<HBITMAP>, true>;
using UniqueFont = Unique<HFONT, DeleteGdiObject, NullIsInvalid<HFONT>, true>;
using UniqueBrush = Unique<HBRUSH, DeleteGdiObject, NullIsInvalid<HBRUSH>, true>;
using UniqueIcon = Unique<HICON, DestroyIconHandle, NullIsInvalid<HICON>, true>;
using UniqueMenu = Unique<HMENU, DestroyMenuHandle, NullIsInvalid<HMENU>, true>;
using UniqueImageList = Unique<HIMAGELIST, DestroyImageListHandle, NullIsInvalid<HIMAGELIST>, true>;
using UniqueWindow = Unique<HWND, DestroyWindowHandle>;
// Memory the shell or COM allocated for the caller (an item list, a name).
template <class P>
using UniqueTaskMemory = Unique<P, FreeTaskMemory>;

// Runs `f` when the scope ends, however it ends, unless dismissed first.
template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F f) noexcept : f_(std::move(f)) {}
    ~ScopeExit() {
        if (armed_) f_();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void Dismiss() noexcept { armed_ = false; }

private:
    F f_;
    bool armed_ = true;
};

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

// A move-only owner of one reference to a COM interface, released once.
template <class T>
class ComPtr {
public:
    // What put() hands to a call: the interface's own out-parameter type, or
    // the void** of QueryInterface, CoCreateInstance and QueryService.
    class OutParameter {
    public:
        explicit OutParameter(T** p) noexcept : p_(p) {}
        operator T**() const noexcept { return p_; }
        operator void**() const noexcept { return reinterpret_cast<void**>(p_); }

    private:
        T** p_;
    };

    ComPtr() noexcept = default;
    // Takes over a reference the caller holds.
    explicit ComPtr(T* adopted) noexcept : p_(adopted) {}
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // For an out-parameter that a call fills in: what was held is released first.
    OutParameter put() noexcept {
        reset();
        return OutParameter(&p_);
    }

private:
    T* p_ = nullptr;
};

}  // namespace tarvolo
