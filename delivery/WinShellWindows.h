// The shell's list of its file-browser windows (IShellWindows) on the real
// system: each window's and tab's folder, the windows' places in front of one
// another, and moving a window to a folder in place.
#pragma once

#include "delivery/core/ExplorerWindows.h"

namespace tarvolo {

// Must be used on a thread where COM is initialised (the UI thread is); where
// the shell cannot be asked, the list is empty.
class WinShellWindows final : public ShellWindows {
public:
    std::vector<ShellWindowReport> List() override;
    bool Navigate(WindowHandle window, const std::string& folder) override;
};

}  // namespace tarvolo
