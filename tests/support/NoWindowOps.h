// Window operations on a desktop that holds no other program's window: every
// walk is empty and every send fails. Fakes derive from it and override only
// what their test looks at.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/core/SendToDialog.h"

namespace tarvolo::fakes {

struct NoWindowOps : WindowOps {
    void EnumTopLevel(const Visit&) override {}
    void EnumDescendants(WindowHandle, const Visit&) override {}
    std::string GetCaption(WindowHandle) override { return ""; }
    std::string GetWindowClassName(WindowHandle) override { return ""; }
    std::optional<uint32_t> SendGetDefId(WindowHandle) override { return std::nullopt; }
    std::optional<std::string> GetText(WindowHandle) override { return std::nullopt; }
    bool SetText(WindowHandle, std::string_view) override { return false; }
    bool SendCommand(WindowHandle, uint32_t, WindowHandle) override { return false; }
    WindowHandle GetDlgItem(WindowHandle, int) override { return 0; }
    uint32_t LastSendError() const override { return 0; }
    void MinimizeApplication() override {}
    std::vector<WindowNode> DescribeTree(WindowHandle) override { return {}; }
    bool IsShown(WindowHandle) override { return false; }
    bool IsWindowMinimized(WindowHandle) override { return false; }
    WindowHandle OwnerOf(WindowHandle) override { return 0; }
    WindowHandle LastActivePopup(WindowHandle w) override { return w; }
    bool SelectBrowseFolder(WindowHandle, std::string_view) override { return false; }
};

}  // namespace tarvolo::fakes
