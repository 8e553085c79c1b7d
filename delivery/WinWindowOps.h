// The window operations of Send To Dialog on real windows. Every message to a
// window of another program is sent with a time limit, so a hung or dying
// window cannot freeze the program.
#pragma once

#include <windows.h>

#include <functional>

#include "delivery/core/SendToDialog.h"

namespace tarvolo {

class WinWindowOps final : public WindowOps {
public:
    // A second or two: a file dialog answers within milliseconds; a window that
    // takes longer is treated as not answering.
    static constexpr unsigned kDefaultTimeoutMs = 1500;

    explicit WinWindowOps(std::function<void()> minimizeApplication, unsigned timeoutMs = kDefaultTimeoutMs);

    void EnumTopLevel(const Visit& visit) override;
    void EnumDescendants(WindowHandle window, const Visit& visit) override;
    std::string GetCaption(WindowHandle window) override;
    std::string GetWindowClassName(WindowHandle window) override;
    std::optional<uint32_t> SendGetDefId(WindowHandle dialog) override;
    std::optional<std::string> GetText(WindowHandle window) override;
    bool SetText(WindowHandle window, std::string_view text) override;
    bool SendCommand(WindowHandle dialog, uint32_t wParam, WindowHandle lParamWindow) override;
    WindowHandle GetDlgItem(WindowHandle dialog, int id) override;
    void MinimizeApplication() override;
    uint32_t LastSendError() const override { return lastError_; }
    std::vector<WindowNode> DescribeTree(WindowHandle window) override;
    bool IsShown(WindowHandle window) override;
    bool IsWindowMinimized(WindowHandle window) override;
    WindowHandle OwnerOf(WindowHandle window) override;
    WindowHandle LastActivePopup(WindowHandle owner) override;
    bool SelectBrowseFolder(WindowHandle dialog, std::string_view path) override;

    // The top-level window in front, when it belongs to another program: what
    // the hot key and the icon remember as the window you came from.
    static WindowHandle ForegroundOfAnotherProgram();

    // Sends with the time limit and keeps the system's error of a failed send.
    bool Send(WindowHandle window, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR* result);

private:
    uint32_t lastError_ = 0;
    std::function<void()> minimizeApplication_;
    unsigned timeoutMs_;
};

}  // namespace tarvolo
