// Consoles on the real system: their processes from the system's process
// list, and a command typed into a console's input by attaching to it for
// the moment of the write (AttachConsole and WriteConsoleInputW): no
// keystrokes are synthesized, so neither the keyboard layout nor the window
// in front matters.
#pragma once

#include "delivery/core/Consoles.h"

namespace tarvolo {

class WinConsoles final : public ConsoleOps {
public:
    std::string FullClassName(WindowHandle window) override;
    uint32_t WindowProcessId(WindowHandle window) override;
    std::vector<ProcessEntry> Processes() override;
    uint32_t SelfId() override;
    std::optional<std::vector<uint32_t>> Attach(uint32_t id) override;
    bool TypeCommand(std::string_view command) override;
    void Detach() override;
};

}  // namespace tarvolo
