#include "delivery/WinShellWindows.h"

#include <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <oleauto.h>
#include <servprov.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <unordered_map>

#include "platform/Handles.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

using ItemIdList = UniqueTaskMemory<PIDLIST_ABSOLUTE>;

ComPtr<IShellWindows> CreateShellWindows() {
    ComPtr<IShellWindows> windows;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows, windows.put())))
        return {};
    return windows;
}

// The shell's item `index` as a browser window; null for anything else.
ComPtr<IWebBrowser2> BrowserAt(IShellWindows* windows, long index) {
    VARIANT at;
    ::VariantInit(&at);
    at.vt = VT_I4;
    at.lVal = index;
    ComPtr<IDispatch> item;
    if (windows->Item(at, item.put()) != S_OK || !item) return {};
    ComPtr<IWebBrowser2> browser;
    if (FAILED(item->QueryInterface(IID_IWebBrowser2, browser.put()))) return {};
    return browser;
}

WindowHandle TopLevelOf(IWebBrowser2* browser) {
    SHANDLE_PTR hwnd = 0;
    if (FAILED(browser->get_HWND(&hwnd))) return 0;
    return static_cast<WindowHandle>(hwnd);
}

// The browser's view of its current tab.
ComPtr<IShellView> ActiveView(IWebBrowser2* browser) {
    ComPtr<IServiceProvider> services;
    if (FAILED(browser->QueryInterface(IID_IServiceProvider, services.put()))) return {};
    ComPtr<IShellBrowser> shellBrowser;
    if (FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, shellBrowser.put())))
        return {};
    ComPtr<IShellView> view;
    if (FAILED(shellBrowser->QueryActiveShellView(view.put()))) return {};
    return view;
}

void DescribeFolder(IShellView* view, ShellWindowReport& report) {
    ComPtr<IFolderView> folderView;
    if (FAILED(view->QueryInterface(IID_IFolderView, folderView.put()))) return;
    ComPtr<IPersistFolder2> folder;
    if (FAILED(folderView->GetFolder(IID_IPersistFolder2, folder.put()))) return;
    ItemIdList pidl;
    if (FAILED(folder->GetCurFolder(pidl.put())) || !pidl) return;
    wchar_t path[MAX_PATH * 2] = {};
    if (::SHGetPathFromIDListEx(pidl.get(), path, MAX_PATH * 2, GPFIDL_DEFAULT))
        report.fileSystemPath = Narrow(path);
    UniqueTaskMemory<wchar_t*> name;
    if (SUCCEEDED(::SHGetNameFromIDList(pidl.get(), SIGDN_DESKTOPABSOLUTEPARSING, name.put())) && name)
        report.parsingName = Narrow(name.get());
}

// Each top-level window's place, 0 in front.
std::unordered_map<WindowHandle, int> TopLevelPlaces() {
    std::unordered_map<WindowHandle, int> places;
    int place = 0;
    for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT))
        places.emplace(reinterpret_cast<WindowHandle>(w), place++);
    return places;
}

// Any thread: one without COM joins the multithreaded apartment until it ends;
// on one that has COM already this adds nothing. A thread of its own that
// joined and left at every question made, under Wine, a menu the window's
// thread had just built invalid now and then.
void EnterApartment() {
    thread_local const ComApartment com(COINIT_MULTITHREADED);
    (void)com;
}

}  // namespace

std::vector<ShellWindowReport> WinShellWindows::List() {
    EnterApartment();
    std::vector<ShellWindowReport> reports;
    const ComPtr<IShellWindows> windows = CreateShellWindows();
    if (!windows) return reports;
    long count = 0;
    if (FAILED(windows->get_Count(&count)) || count <= 0) return reports;
    const std::unordered_map<WindowHandle, int> places = TopLevelPlaces();
    for (long i = 0; i < count; ++i) {
        const ComPtr<IWebBrowser2> browser = BrowserAt(windows.get(), i);
        if (!browser) continue;
        ShellWindowReport report;
        report.window = TopLevelOf(browser.get());
        const auto place = places.find(report.window);
        report.zOrder = place == places.end() ? -1 : place->second;
        const ComPtr<IShellView> view = ActiveView(browser.get());
        if (view) {
            // The tabs of one window share its top-level window; only the one on show has a visible view.
            HWND viewWindow = nullptr;
            if (SUCCEEDED(view->GetWindow(&viewWindow)) && viewWindow)
                report.tabShown = ::IsWindowVisible(viewWindow) != FALSE;
            DescribeFolder(view.get(), report);
        }
        reports.push_back(std::move(report));
    }
    return reports;
}

bool WinShellWindows::Navigate(WindowHandle window, const std::string& folder) {
    EnterApartment();
    const ComPtr<IShellWindows> windows = CreateShellWindows();
    if (!windows) return false;
    long count = 0;
    if (FAILED(windows->get_Count(&count))) return false;
    ItemIdList pidl;
    if (FAILED(::SHParseDisplayName(Widen(folder).c_str(), nullptr, pidl.put(), 0, nullptr)) || !pidl)
        return false;
    for (long i = 0; i < count; ++i) {
        const ComPtr<IWebBrowser2> browser = BrowserAt(windows.get(), i);
        if (!browser || TopLevelOf(browser.get()) != window) continue;
        const ComPtr<IShellView> view = ActiveView(browser.get());
        HWND viewWindow = nullptr;
        // Of a window's tabs, the one on show moves.
        if (view && SUCCEEDED(view->GetWindow(&viewWindow)) && viewWindow && !::IsWindowVisible(viewWindow))
            continue;
        // The folder as an item list in a byte array: the shell's own form, which
        // a path text with '#' or '%' in it cannot be mistaken for a web address.
        const UINT size = ::ILGetSize(pidl.get());
        SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, size);
        if (!bytes) return false;
        void* data = nullptr;
        if (SUCCEEDED(::SafeArrayAccessData(bytes, &data))) {
            std::memcpy(data, pidl.get(), size);
            ::SafeArrayUnaccessData(bytes);
        }
        VARIANT target, empty;
        ::VariantInit(&target);
        ::VariantInit(&empty);
        target.vt = VT_ARRAY | VT_UI1;
        target.parray = bytes;
        const HRESULT hr = browser->Navigate2(&target, &empty, &empty, &empty, &empty);
        ::VariantClear(&target);
        return SUCCEEDED(hr);
    }
    return false;
}

}  // namespace tarvolo
