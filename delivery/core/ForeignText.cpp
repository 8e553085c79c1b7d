#include "delivery/core/ForeignText.h"

#include "delivery/core/SendToDialog.h"

namespace tarvolo {

bool SendForeignText(ForeignProcess& process, WindowHandle window, std::string_view bytes, uint32_t& error) {
    error = 0;
    const uint32_t id = process.WindowProcessId(window);
    if (id == 0) {
        error = kErrorInvalidWindow;
        return false;
    }
    if (!process.Open(id)) {
        error = process.LastError();  // 5 for a program with higher rights
        return false;
    }
    // The id was read before the process was opened: had its program ended in
    // between, the id could now name an unrelated process. A window that still
    // lives and still names this id proves that the process opened is its own,
    // and the open handle keeps the id from being given away from now on.
    if (process.WindowProcessId(window) != id) {
        process.Close();
        error = kErrorInvalidWindow;
        return false;
    }
    const uintptr_t address = process.Allocate(bytes.size());
    if (address == 0) {
        error = process.LastError();
        process.Close();
        return false;
    }
    if (!process.Write(address, bytes)) {
        error = process.LastError();
        process.Free(address);
        process.Close();
        return false;
    }
    const bool sent = process.Send(window, address);
    if (!sent) error = process.LastError();
    const bool mayStillRead =
        !sent && (error == 0 || error == kErrorTimeout) && process.WindowProcessId(window) == id;
    // A message that did not come back in time may still be handled later: one
    // page left behind beats a dialog reading freed memory.
    if (!mayStillRead) process.Free(address);
    process.Close();
    return sent;
}

}  // namespace tarvolo
