#include "platform/ShellOpen.h"

#include <shellapi.h>

#include "platform/Application.h"
#include "platform/WinText.h"

namespace tarvolo {

std::string ShellOpenFailureText(const std::string& target, INT_PTR code) {
    std::string reason;
    switch (code) {
        case SE_ERR_FNF:
        case SE_ERR_PNF:
            reason = "it was not found";
            break;
        case SE_ERR_ACCESSDENIED:
            reason = "access is denied";
            break;
        case SE_ERR_NOASSOC:
        case SE_ERR_ASSOCINCOMPLETE:
            reason = "no program is set up to open it";
            break;
        case 0:
        case SE_ERR_OOM:
            reason = "there is not enough memory";
            break;
        case SE_ERR_SHARE:
            reason = "it is in use by another program";
            break;
        default:
            reason = "the system refused (error " + std::to_string(static_cast<long long>(code)) + ")";
            break;
    }
    return "Cannot open " + target + ": " + reason;
}

bool ShellOpen(HWND owner, const std::string& target) {
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(owner, nullptr, Widen(target).c_str(), nullptr, nullptr, SW_SHOW));
    if (result > 32) return true;
    const std::string& title = Application::Get().Title();
    MessageBoxUtf8(owner, ShellOpenFailureText(target, result), title.empty() ? "Error" : title,
                   MB_OK | MB_ICONERROR);
    return false;
}

}  // namespace tarvolo
