// Text handed to another program's window through a pointer that must be valid
// in that program: the text is placed in the window's own process for the one
// message that reads it, and freed again unless the window may still read it.
#pragma once

#include <cstdint>
#include <string_view>

#include "delivery/core/FileDialogs.h"

namespace tarvolo {

// The process operations the placement needs, on the real system or a fake.
class ForeignProcess {
public:
    virtual ~ForeignProcess() = default;
    // The id of the process that owns `window`; 0 when the window is gone.
    virtual uint32_t WindowProcessId(WindowHandle window) = 0;
    // Opens process `id` for writing its memory; false (LastError) when it cannot.
    virtual bool Open(uint32_t id) = 0;
    // In the process opened: 0 (LastError) when no memory could be had.
    virtual uintptr_t Allocate(size_t bytes) = 0;
    virtual bool Write(uintptr_t address, std::string_view bytes) = 0;
    virtual void Free(uintptr_t address) = 0;
    virtual void Close() = 0;
    // The message carrying `address`, sent with a time limit; false (LastError)
    // when it failed or did not come back in time.
    virtual bool Send(WindowHandle window, uintptr_t address) = 0;
    virtual uint32_t LastError() const = 0;
};

constexpr uint32_t kErrorInvalidWindow = 1400;  // ERROR_INVALID_WINDOW_HANDLE

// Places `bytes` in the process of `window` and sends it their address. True
// when the window took the message; otherwise `error` says why (1400 when the
// window went away, or its process id came to name another process, while it
// was being opened). The memory is freed after the send, and after a failed
// one too, unless the send timed out while the window still lives: that
// message may yet be handled, and must not find freed memory.
bool SendForeignText(ForeignProcess& process, WindowHandle window, std::string_view bytes, uint32_t& error);

}  // namespace tarvolo
