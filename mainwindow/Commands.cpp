// The commands that deliver the current path: Open, Copy and Send To Dialog,
// each followed by the history update.
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "delivery/core/SendToDialog.h"
#include "mainwindow/Main.h"
#include "platform/Application.h"
#include "platform/Form.h"
#include "platform/WinText.h"
#include "platform/WinWindowOps.h"
#include "store/History.h"

namespace tarvolo {

namespace {

constexpr char kMissingDirectory[] = "Directory does not exists.\r\nPlease rescan your drive";
constexpr char kCannotOpenClipboard[] = "Cannot open clipboard";

// The send state lives as long as the process; a send leaves DialogWindow and
// DialogDefaultButton as its last match set them.
DialogSender& SendState() {
    static DialogSender sender;
    return sender;
}

// Global memory with `bytes` in it, ready for SetClipboardData; null when it could not be had.
HGLOBAL GlobalCopy(const void* bytes, size_t size) {
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return nullptr;
    void* target = ::GlobalLock(memory);
    if (!target) {
        ::GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    ::GlobalUnlock(memory);
    return memory;
}

// Hands the memory to the clipboard, which owns it from then on.
bool SetClipboardMemory(UINT format, HGLOBAL memory) {
    if (!memory) return false;
    if (::SetClipboardData(format, memory)) return true;
    ::GlobalFree(memory);
    return false;
}

// Another program may hold the clipboard for a moment (a clipboard viewer
// reading our last copy); a few short tries tell that from a clipboard that
// stays locked.
bool OpenClipboardBriefly(HWND owner) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::OpenClipboard(owner)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// The path as CF_TEXT (ANSI code page, with its terminating zero) and as
// CF_UNICODETEXT, so a name outside the code page pastes correctly too.
bool CopyToClipboard(HWND owner, const std::string& path) {
    if (!OpenClipboardBriefly(owner)) {
        Application::Get().ShowError(kCannotOpenClipboard);
        return false;
    }
    const std::wstring wide = Widen(path);
    std::string ansi;
    if (!wide.empty()) {
        const int n = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                            nullptr, nullptr);
        ansi.resize(static_cast<size_t>(n > 0 ? n : 0));
        if (n > 0)
            ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), n,
                                  nullptr, nullptr);
    }
    bool ok = ::EmptyClipboard() != FALSE;
    ok = ok && SetClipboardMemory(CF_TEXT, GlobalCopy(ansi.c_str(), ansi.size() + 1));
    ok = ok &&
         SetClipboardMemory(CF_UNICODETEXT, GlobalCopy(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t)));
    ::CloseClipboard();
    // Out of memory or a clipboard taken away mid-way: the user must not paste
    // an old text believing it is this path.
    if (!ok) Application::Get().ShowError(kCannotOpenClipboard);
    return ok;
}

}  // namespace

bool IsExistingDirectory(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void TfrmMain::CommandClick(int tag) {
    const std::string path = CurrentPath();
    if (!IsExistingDirectory(path)) {
        ShowInformation(hwnd_, kMissingDirectory);
        return;
    }
    switch (tag) {
        case 1:
            // No verb: the folder's default one, which opens it in the file browser.
            ::ShellExecuteW(hwnd_, nullptr, Widen(path).c_str(), nullptr, nullptr, SW_SHOW);
            break;
        case 2:
            if (!CopyToClipboard(hwnd_, path)) return;
            break;
        case 3:
            SendPathToDialog(path);
            break;
        default:
            return;
    }
    UpdateHistory();
}

void TfrmMain::SendPathToDialog(const std::string& path) {
    DialogSender& sender = SendState();
    sender.DialogPath = path;
    WinWindowOps ops([this] { MinimizeApplication(); });
    sender.SendPathToDialog(ops, DialogsList);
}

void TfrmMain::UpdateHistory() {
    const std::string path = CurrentPath();
    ::tarvolo::UpdateHistory(History, path);
    // The drop-down list follows the history; emptying it empties the edit too,
    // and the current path must stay as it was.
    ::SendMessageW(cmbHistory, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(cmbHistory, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : History)
        ::SendMessageW(cmbHistory, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
    SetCurrentPath(path);
    ::SendMessageW(cmbHistory, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(cmbHistory, nullptr, TRUE);
}

std::string TfrmMain::CurrentPath() const {
    return WindowText(cmbHistory);
}
void TfrmMain::SetCurrentPath(const std::string& path) {
    SetWindowTextUtf8(cmbHistory, path);
}

}  // namespace tarvolo
