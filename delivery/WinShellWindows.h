// The shell's list of its file-browser windows (IShellWindows) on the real
// system: each window's and tab's folder, the windows' places in front of one
// another, and moving a window to a folder in place.
#pragma once

#include "delivery/core/ExplorerWindows.h"

namespace tarvolo {

// Works on any thread, with COM set up or not; where the shell cannot be asked,
// the list is empty. Its calls can block for as long as an Explorer window
// does: the program asks it through BoundedShellWindows.
class WinShellWindows final : public ShellWindows {
public:
    std::vector<ShellWindowReport> List() override;
    bool Navigate(WindowHandle window, const std::string& folder) override;
};

}  // namespace tarvolo
