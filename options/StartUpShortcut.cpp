#include "options/StartUpShortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>

#include "platform/Application.h"
#include "platform/AtomicFile.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

std::string OleErrorText(HRESULT hr) {
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n && text) {
        std::wstring message(text, n);
        ::LocalFree(text);
        while (!message.empty() &&
               (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
            message.pop_back();
        return Narrow(message);
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "OLE error %.8lx", static_cast<unsigned long>(hr));
    return buf;
}

bool FileExists(const std::string& path) {
    return !path.empty() && ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The link's bytes, as the shell would save them, so the file can be written atomically.
bool SerializeLink(IShellLinkW* link, std::string& bytes) {
    ComPtr<IPersistStream> persist;
    if (FAILED(link->QueryInterface(IID_IPersistStream, persist.put()))) return false;
    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))) return false;
    if (FAILED(persist->Save(stream.get(), TRUE))) return false;
    HGLOBAL memory = nullptr;
    if (FAILED(::GetHGlobalFromStream(stream.get(), &memory))) return false;
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return false;
    const void* data = ::GlobalLock(memory);
    if (!data) return false;
    bytes.assign(static_cast<const char*>(data), static_cast<size_t>(stat.cbSize.QuadPart));
    ::GlobalUnlock(memory);
    return true;
}

}  // namespace

std::string SpecialFolderPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return Narrow(path);
}

std::string StartUpShortcutPath() {
    std::string folder = SpecialFolderPath(CSIDL_STARTUP);
    if (folder.empty()) return {};
    if (folder.back() == '\\') folder.pop_back();
    return folder + "\\Tarvolo.Lnk";
}

bool StartUpShortcutExists() {
    return FileExists(StartUpShortcutPath());
}

void CreateStartUpShortcut() {
    std::string path = StartUpShortcutPath();
    if (path.empty() || FileExists(path)) return;

    ComPtr<IUnknown> object;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                    IID_IUnknown, object.put());
    if (FAILED(hr)) {
        Application::Get().ShowError(OleErrorText(hr));
        return;
    }
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(object->QueryInterface(IID_IShellLinkW, link.put())) ||
        FAILED(object->QueryInterface(IID_IPersistFile, file.put()))) {
        Application::Get().ShowError("Interface not supported");
        return;
    }
    std::wstring exe = ExecutablePath();
    std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);
    link->SetPath(exe.c_str());
    link->SetArguments(L"MIN");
    link->SetWorkingDirectory(folder.c_str());
    link->SetIconLocation(exe.c_str(), 0);
    std::string bytes, error;
    bool written = SerializeLink(link.get(), bytes) ? ReplaceFileAtomically(path, bytes, &error)
                                                    : SUCCEEDED(file->Save(Widen(path).c_str(), FALSE));
    // Otherwise the option would silently show unchecked the next time the dialog opens.
    if (!written) Application::Get().ShowError("Cannot create file " + path);
}

void DeleteStartUpShortcut() {
    std::string path = StartUpShortcutPath();
    if (!FileExists(path)) return;
    // Checked afterwards too: a deletion can be accepted and then fail as the file is
    // closed (Wine on a read-only file system), and the option would show checked again.
    if (!::DeleteFileW(Widen(path).c_str()) || FileExists(path))
        Application::Get().ShowError("Cannot delete file " + path);
}

}  // namespace tarvolo
