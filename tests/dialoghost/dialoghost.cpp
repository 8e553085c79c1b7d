// A stand-in for "another program" in the end-to-end tests: it opens a real
// file dialog (or a window of a chosen kind) with a given caption and writes
// what happens to it into a result file, one line per event, so a test can
// see which folder the dialog ended up in and what reached its edit.
//
//   dialoghost open   CAPTION RESULT FOLDER NAME   classic Open dialog
//   dialoghost save   CAPTION RESULT FOLDER NAME   classic Save dialog
//   dialoghost item   CAPTION RESULT FOLDER NAME   common item Open dialog
//   dialoghost itemsave CAPTION RESULT FOLDER NAME common item Save dialog
//   dialoghost folder CAPTION RESULT FOLDER        Browse For Folder, a tree only
//   dialoghost folderedit CAPTION RESULT FOLDER    Browse For Folder with an edit box
//   dialoghost probe  CAPTION RESULT [nodefid]     a dialog that logs every text and click
//   dialoghost noedit CAPTION RESULT               a window without any edit
//   dialoghost hang   CAPTION RESULT               a dialog whose thread stops answering
//   dialoghost record RESULT ARGS...               writes its arguments
//   (copied as explorer.exe)                       writes its arguments to opened.txt beside itself
//
// Lines: "ready", "folder PATH", "settext TEXT", "click", "args A|B|...", "closed".
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

namespace {

std::wstring g_result;
std::wstring g_caption;

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n =
        ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Appends one line; the file is closed after every line so a test can read it at any time.
void Log(const std::string& line) {
    HANDLE h = ::CreateFileW(g_result.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(h);
}

// --- Classic dialogs: the hook reports every folder the dialog shows. ---

UINT_PTR CALLBACK ClassicHook(HWND hook, UINT msg, WPARAM, LPARAM lp) {
    if (msg != WM_NOTIFY) return 0;
    const auto* n = reinterpret_cast<const OFNOTIFYW*>(lp);
    HWND dialog = ::GetParent(hook);
    if (n->hdr.code == CDN_INITDONE) {
        Log("ready");
    } else if (n->hdr.code == CDN_FOLDERCHANGE) {
        wchar_t folder[MAX_PATH * 2] = {};
        ::SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH * 2, reinterpret_cast<LPARAM>(folder));
        Log("folder " + Utf8(folder));
    }
    return 0;
}

int RunClassic(bool save, const std::wstring& folder, const std::wstring& name) {
    wchar_t file[MAX_PATH * 2] = {};
    wcsncpy(file, name.c_str(), MAX_PATH * 2 - 1);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = L"All files\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH * 2;
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrTitle = g_caption.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    ofn.lpfnHook = ClassicHook;
    BOOL ok = save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
    Log(ok ? "closed " + Utf8(file) : "closed");
    return 0;
}

// --- The common item dialog: its events report every folder it shows. ---

class FolderEvents : public IFileDialogEvents {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IFileDialogEvents) {
            *out = static_cast<IFileDialogEvents*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the stack
    HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog*, IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog* dialog) override {
        if (!ready_) {
            ready_ = true;
            Log("ready");
        }
        IShellItem* item = nullptr;
        if (SUCCEEDED(dialog->GetFolder(&item)) && item) {
            wchar_t* path = nullptr;
            if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) {
                Log("folder " + Utf8(path));
                ::CoTaskMemFree(path);
            }
            item->Release();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog*, IShellItem*,
                                               FDE_SHAREVIOLATION_RESPONSE*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog*, IShellItem*, FDE_OVERWRITE_RESPONSE*) override {
        return S_OK;
    }

private:
    ULONG refs_ = 1;
    bool ready_ = false;
};

int RunItemDialog(bool save, const std::wstring& folder, const std::wstring& name) {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    IFileDialog* dialog = nullptr;
    if (FAILED(::CoCreateInstance(save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog, nullptr,
                                  CLSCTX_INPROC_SERVER, save ? IID_IFileSaveDialog : IID_IFileOpenDialog,
                                  reinterpret_cast<void**>(&dialog)))) {
        Log("no item dialog");
        return 2;
    }
    FolderEvents events;
    DWORD cookie = 0;
    dialog->Advise(&events, &cookie);
    dialog->SetTitle(g_caption.c_str());
    dialog->SetFileName(name.c_str());
    IShellItem* start = nullptr;
    if (SUCCEEDED(::SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_IShellItem,
                                                reinterpret_cast<void**>(&start)))) {
        dialog->SetFolder(start);
        start->Release();
    }
    HRESULT shown = dialog->Show(nullptr);
    Log(SUCCEEDED(shown) ? "closed ok" : "closed");
    dialog->Unadvise(cookie);
    dialog->Release();
    ::CoUninitialize();
    return 0;
}

// --- Browse For Folder: its callback reports every folder selected in the tree. ---

std::wstring g_startFolder;

int CALLBACK BrowseCallback(HWND dialog, UINT msg, LPARAM lp, LPARAM) {
    if (msg == BFFM_INITIALIZED) {
        // The dialog's caption is the system's own; a test finds it by ours.
        ::SetWindowTextW(dialog, g_caption.c_str());
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(g_startFolder.c_str()));
        Log("ready");
    } else if (msg == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH] = {};
        if (::SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lp), path))
            Log("folder " + Utf8(path));
    }
    return 0;
}

int RunBrowseForFolder(bool editBox, const std::wstring& folder) {
    // The dialog with an edit box is of the newer style, which wants OLE.
    if (FAILED(::OleInitialize(nullptr))) return 2;
    g_startFolder = folder;
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW bi{};
    bi.pszDisplayName = display;
    bi.lpszTitle = L"Pick a folder";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | (editBox ? BIF_EDITBOX | BIF_NEWDIALOGSTYLE : 0);
    bi.lpfn = BrowseCallback;
    // The tree starts at the start folder's parent. A tree that shows drives
    // asks each for its volume label when it is expanded, and on some Wine
    // set-ups that query never returns: the dialog would hang at the first
    // selection, whoever made it.
    PIDLIST_ABSOLUTE root = nullptr;
    const size_t slash = folder.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2) {
        // Parsed as the dialog parses a selection, so that the two compare equal.
        if (SUCCEEDED(::SHParseDisplayName(folder.substr(0, slash).c_str(), nullptr, &root, 0, nullptr)))
            bi.pidlRoot = root;
    }
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&bi);
    if (chosen) {
        wchar_t path[MAX_PATH] = {};
        ::SHGetPathFromIDListW(chosen, path);
        Log("closed " + Utf8(path));
        ::CoTaskMemFree(chosen);
    } else {
        Log("closed");
    }
    if (root) ::CoTaskMemFree(root);
    ::OleUninitialize();
    return 0;
}

// --- Windows of our own making. ---

constexpr int kEditId = 1001;
bool g_hang = false;
bool g_defId = true;

LRESULT CALLBACK ProbeEditProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_SETTEXT) Log("settext " + Utf8(reinterpret_cast<const wchar_t*>(lp)));
    return ::DefSubclassProc(edit, msg, wp, lp);
}

INT_PTR CALLBACK ProbeProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            ::SetWindowTextW(dialog, g_caption.c_str());
            HWND edit = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"old.txt",
                                          WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 260, 24, dialog,
                                          reinterpret_cast<HMENU>(kEditId), nullptr, nullptr);
            ::CreateWindowExW(0, L"Button", L"OK",
                              WS_CHILD | WS_VISIBLE | (g_defId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 10, 44,
                              80, 24, dialog, reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
            ::SetWindowSubclass(edit, ProbeEditProc, 1, 0);
            if (g_hang) ::PostMessageW(dialog, WM_APP, 0, 0);
            Log("ready");
            return TRUE;
        }
        case WM_APP:
            // From here on the thread answers nothing, as a program that hangs.
            ::Sleep(120000);
            return TRUE;
        case DM_GETDEFID:
            if (!g_defId) {
                // No default push button: the answer lacks DC_HASDEFID.
                ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) {
                // Also whether lParam named the button itself, as a real click would.
                Log(std::string("click ") +
                    (reinterpret_cast<HWND>(lp) == ::GetDlgItem(dialog, IDOK) ? "button" : "?"));
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) ::EndDialog(dialog, 0);
            return TRUE;
        case WM_CLOSE:
            ::EndDialog(dialog, 0);
            return TRUE;
        default:
            break;
    }
    return FALSE;
}

int RunProbe(bool defId, bool hang) {
    g_defId = defId;
    g_hang = hang;
    // An empty template: the controls are made in WM_INITDIALOG.
    struct {
        DLGTEMPLATE t;
        WORD menu, cls, title;
    } tpl{};
    tpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE;
    tpl.t.x = 20;
    tpl.t.y = 20;
    tpl.t.cx = 200;
    tpl.t.cy = 60;
    ::DialogBoxIndirectParamW(nullptr, &tpl.t, nullptr, ProbeProc, 0);
    Log("closed");
    return 0;
}

LRESULT CALLBACK PlainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(w, msg, wp, lp);
}

int RunNoEdit() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DialogHostPlain";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ::RegisterClassW(&wc);
    HWND w = ::CreateWindowExW(0, wc.lpszClassName, g_caption.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                               40, 300, 120, nullptr, nullptr, wc.hInstance, nullptr);
    ::CreateWindowExW(0, L"Static", L"no edit here", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20, w, nullptr,
                      nullptr, nullptr);
    Log("ready");
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    Log("closed");
    return 0;
}

}  // namespace

// Puts `text` into the input of the console that the process `id` or its child
// cmd.exe runs in, as keys typed there, and returns once it is in: a line begun
// at the prompt without the keyboard's way through the X server, which Wine's
// console can still be working through when the keys after it arrive.
int WriteConsoleText(DWORD id, const std::wstring& text) {
    std::vector<DWORD> ids{id};
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
            if (entry.th32ParentProcessID == id) ids.push_back(entry.th32ProcessID);
        ::CloseHandle(snapshot);
    }
    ::FreeConsole();
    bool attached = false;
    for (DWORD candidate : ids)
        if ((attached = ::AttachConsole(candidate) != FALSE)) break;
    if (!attached) return 3;
    HANDLE input = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) return 4;
    std::vector<INPUT_RECORD> records;
    for (wchar_t c : text)
        for (BOOL down : {TRUE, FALSE}) {
            INPUT_RECORD r{};
            r.EventType = KEY_EVENT;
            r.Event.KeyEvent.bKeyDown = down;
            r.Event.KeyEvent.wRepeatCount = 1;
            r.Event.KeyEvent.uChar.UnicodeChar = c;
            if (c == L'\r') r.Event.KeyEvent.wVirtualKeyCode = VK_RETURN;
            records.push_back(r);
        }
    DWORD written = 0;
    const BOOL ok = ::WriteConsoleInputW(input, records.data(), static_cast<DWORD>(records.size()), &written);
    ::CloseHandle(input);
    ::FreeConsole();
    return ok && written == records.size() ? 0 : 5;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv, argv + argc);
    ::LocalFree(argv);
    // Copied into a program's folder as explorer.exe it stands in for the file
    // browser that opens folders, and records what it was asked to open.
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring selfPath = self;
    const size_t slash = selfPath.find_last_of(L"\\/");
    if (_wcsicmp(selfPath.substr(slash + 1).c_str(), L"explorer.exe") == 0) {
        g_result = selfPath.substr(0, slash + 1) + L"opened.txt";
        std::string line = "args";
        for (size_t i = 1; i < args.size(); ++i) line += (i == 1 ? " " : "|") + Utf8(args[i]);
        Log(line);
        return 0;
    }
    if (args.size() < 3) return 1;
    const std::wstring& mode = args[1];
    if (mode == L"consoletext" && args.size() >= 4)
        return WriteConsoleText(static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)), args[3]);
    if (mode == L"record") {
        g_result = args[2];
        std::string line = "args";
        for (size_t i = 3; i < args.size(); ++i) line += (i == 3 ? " " : "|") + Utf8(args[i]);
        Log(line);
        return 0;
    }
    if (args.size() < 4) return 1;
    g_caption = args[2];
    g_result = args[3];
    const std::wstring folder = args.size() > 4 ? args[4] : L"";
    const std::wstring name = args.size() > 5 ? args[5] : L"";
    if (mode == L"open") return RunClassic(false, folder, name);
    if (mode == L"save") return RunClassic(true, folder, name);
    if (mode == L"item") return RunItemDialog(false, folder, name);
    if (mode == L"itemsave") return RunItemDialog(true, folder, name);
    if (mode == L"folder") return RunBrowseForFolder(false, folder);
    if (mode == L"folderedit") return RunBrowseForFolder(true, folder);
    if (mode == L"probe") return RunProbe(folder != L"nodefid", false);
    if (mode == L"hang") return RunProbe(true, true);
    if (mode == L"noedit") return RunNoEdit();
    return 1;
}
