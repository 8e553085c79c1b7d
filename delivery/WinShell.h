// The delivery commands' services on the real system: the file browser, the
// file system and the clipboard.
#pragma once

#include <windows.h>

#include "delivery/core/Commands.h"

namespace tarvolo {

// True when the path names an existing directory (false for an empty path).
bool IsExistingDirectory(const std::string& path);

class WinShell final : public Shell {
public:
    explicit WinShell(HWND owner) : owner_(owner) {}
    bool IsDirectory(const std::string& path) override { return IsExistingDirectory(path); }
    bool OpenFolder(const std::string& path) override;

private:
    HWND owner_;
};

// CF_TEXT in the ANSI code page beside CF_UNICODETEXT, so a name outside the
// code page pastes correctly too.
class WinClipboard final : public Clipboard {
public:
    explicit WinClipboard(HWND owner) : owner_(owner) {}
    bool CopyText(const std::string& text) override;

private:
    HWND owner_;
};

}  // namespace tarvolo
