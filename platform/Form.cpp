#include "platform/Form.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/Application.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// A form's window holds its object in its own extra bytes, and its class holds
// this mark in its extra bytes, so that no other window is taken for a form.
// Both are read in the program's own memory; a window property is looked up
// by the window server under Wine, and every message to a form asked for it.
const char kFormClassMark = 0;

LONG_PTR FormClassMark() {
    return reinterpret_cast<LONG_PTR>(&kFormClassMark);
}

void RegisterFormClass(const std::wstring& name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    if (::GetClassInfoExW(Application::Get().Instance(), name.c_str(), &wc)) return;
    wc.cbSize = sizeof wc;
    wc.cbClsExtra = sizeof(LONG_PTR);
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = Application::Get().Instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = name.c_str();
    ::RegisterClassExW(&wc);
}

}  // namespace

std::string WindowText(HWND hwnd) {
    int n = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return Narrow(text);
}

void SetWindowTextUtf8(HWND hwnd, const std::string& text) {
    ::SetWindowTextW(hwnd, Widen(text).c_str());
}

const wchar_t* FormFontFace(int dpi) {
    // The classic face is a bitmap font with a few sizes only; scaled, its
    // TrueType cousin keeps the letters sharp.
    return dpi == kDesignDpi ? L"MS Sans Serif" : L"Microsoft Sans Serif";
}

HFONT CreateUiFont(const wchar_t* face, int height, bool bold) {
    return ::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, face);
}

void FormArgs::SetClientSize(int clientW, int clientH) {
    RECT r{0, 0, clientW, clientH};
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    width = r.right - r.left;
    height = r.bottom - r.top;
    clientWidth = clientW;
    clientHeight = clientH;
}

FormArgs FormArgs::Dialog(const std::string& caption, const std::wstring& className, HWND owner,
                          int clientWidth, int clientHeight, DWORD extraExStyle) {
    FormArgs args;
    args.caption = caption;
    args.className = className;
    args.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    args.exStyle = WS_EX_DLGMODALFRAME | extraExStyle;
    args.owner = owner;
    args.centered = true;
    args.SetClientSize(clientWidth, clientHeight);
    return args;
}

Form::Form() = default;

Form::~Form() {
    DestroyForm();
}

void Form::DestroyForm() {
    if (!hwnd_) return;
    ::SetWindowLongPtrW(hwnd_, 0, 0);
    HWND h = hwnd_;
    hwnd_ = nullptr;
    ::DestroyWindow(h);
}

Form* Form::FromHandle(HWND hwnd) {
    if (!hwnd || static_cast<LONG_PTR>(::GetClassLongPtrW(hwnd, 0)) != FormClassMark()) return nullptr;
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    if (process != ::GetCurrentProcessId()) return nullptr;
    return reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, 0));
}

void Form::CreateForm(const FormArgs& args) {
    RegisterFormClass(args.className, &Form::StaticProc);
    designClientW_ = args.clientWidth;
    designClientH_ = args.clientHeight;
    minWidth_ = args.minWidth;
    minHeight_ = args.minHeight;
    // The window does not exist yet: the primary monitor's DPI is the best guess,
    // corrected below once the window knows its own.
    dpi_ = SystemDpi();
    int width = args.width, height = args.height;
    auto sizeAt = [&](int dpi) {
        if (dpi == kDesignDpi || designClientW_ == 0 || designClientH_ == 0) {
            width = Scale(args.width, dpi);
            height = Scale(args.height, dpi);
            return;
        }
        RECT r{0, 0, Scale(designClientW_, dpi), Scale(designClientH_, dpi)};
        AdjustWindowRectAtDpi(r, args.style, args.exStyle, dpi);
        width = r.right - r.left;
        height = r.bottom - r.top;
    };
    sizeAt(dpi_);
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    if (args.centered) {
        x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    HWND owner = args.owner ? args.owner : Application::Get().Handle();
    // The window attaches itself to this form at WM_NCCREATE (StaticProc).
    hwnd_ = ::CreateWindowExW(args.exStyle, args.className.c_str(), Widen(args.caption).c_str(), args.style,
                              x, y, width, height, owner, nullptr, Application::Get().Instance(), this);
    if (!hwnd_) return;
    const int windowDpi = WindowDpi(hwnd_);
    if (windowDpi != dpi_) {
        dpi_ = windowDpi;
        sizeAt(dpi_);
        ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!font_) font_.reset(CreateScaledFont(FormFontFace(dpi_), kFormFontHeight));
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    if (designClientW_ == 0 || designClientH_ == 0) {
        RECT rc;
        ::GetClientRect(hwnd_, &rc);
        designClientW_ = ::MulDiv(rc.right, kDesignDpi, dpi_);
        designClientH_ = ::MulDiv(rc.bottom, kDesignDpi, dpi_);
    }
}

SIZE Form::ScaledOuterSize(int designWidth, int designHeight) const {
    if (dpi_ == kDesignDpi) return SIZE{designWidth, designHeight};
    const DWORD style = static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_EXSTYLE));
    RECT frame96{0, 0, 0, 0}, frame{0, 0, 0, 0};
    AdjustWindowRectAtDpi(frame96, style, exStyle, kDesignDpi);
    AdjustWindowRectAtDpi(frame, style, exStyle, dpi_);
    const int w96 = frame96.right - frame96.left, h96 = frame96.bottom - frame96.top;
    return SIZE{Scaled(designWidth - w96) + frame.right - frame.left,
                Scaled(designHeight - h96) + frame.bottom - frame.top};
}

void Form::PlaceAt(POINT topLeft, std::optional<int> storedWidth, std::optional<int> storedHeight,
                   SIZE design) {
    int width = 0, height = 0;
    auto sizeAtThisScale = [&] {
        const SIZE designed = ScaledOuterSize(design.cx, design.cy);
        const SIZE minimum = ScaledOuterSize(minWidth_, minHeight_);
        width = std::max<int>(storedWidth.value_or(designed.cx), minimum.cx);
        height = std::max<int>(storedHeight.value_or(designed.cy), minimum.cy);
    };
    sizeAtThisScale();

    RECT r{topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + height};
    if (!::MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) {
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        ::GetMonitorInfoW(::MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &mi);
        const RECT& w = mi.rcWork;
        const int left = std::clamp<int>(r.left, w.left, std::max<int>(w.left, w.right - width));
        const int top = std::clamp<int>(r.top, w.top, std::max<int>(w.top, w.bottom - height));
        ::OffsetRect(&r, left - r.left, top - r.top);
    }
    const int dpi = Dpi();
    ::SetWindowPos(hwnd_, nullptr, r.left, r.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // Moved onto a monitor of another scale, the window took the size that
    // WM_DPICHANGED suggested; the stored size in pixels is what it must have.
    if (Dpi() != dpi) {
        sizeAtThisScale();
        ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

RECT Form::Bounds() const {
    RECT r{};
    ::GetWindowRect(hwnd_, &r);
    return r;
}

// A button's picture (16 x 16 at 96 DPI) redrawn at the form's scale. The
// image list the button had stays with whoever made it.
void Form::RescaleButtonPicture(HWND button) {
    BUTTON_IMAGELIST bil{};
    if (!::SendMessageW(button, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil)) || !bil.himl) return;
    const int size = Scaled(16);
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(bil.himl, &cx, &cy);
    if (cx == size && cy == size) return;
    UniqueImageList scaled(::ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 1, 0));
    UniqueIcon icon(::ImageList_GetIcon(bil.himl, 0, ILD_NORMAL));
    if (!scaled || !icon) return;
    ::ImageList_AddIcon(scaled.get(), icon.get());
    bil.himl = scaled.get();
    bil.margin = RECT{Scaled(4), 0, 0, 0};
    ::SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
    KeepButtonPicture(button, std::move(scaled));
}

// The tips in the system's status font, sized for the form's monitor rather
// than the primary one.
void Form::ScaleTooltipFont() {
    if (dpi_ == SystemDpi() && !tipFont_) return;  // the tips' own font is right already
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return;
    LOGFONTW font = metrics.lfStatusFont;
    font.lfHeight = ::MulDiv(font.lfHeight, dpi_, SystemDpi());
    tipFont_.reset(::CreateFontIndirectW(&font));
    if (tipFont_) ::SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(tipFont_.get()), FALSE);
}

void Form::ChangeDpi(int dpi, const RECT* suggested) {
    if (dpi <= 0) return;
    dpi_ = dpi;
    font_.reset(CreateScaledFont(FormFontFace(dpi_), kFormFontHeight));
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    for (const Node& n : nodes_) {
        if (!n.hwnd) continue;
        ::SendMessageW(n.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        RescaleButtonPicture(n.hwnd);
    }
    if (tooltip_) {
        ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scaled(600));
        ScaleTooltipFont();
    }
    OnDpiChanged();
    if (suggested) {
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Relayout();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

int Form::AddControl(const ControlArgs& a, HWND* out) {
    Node node;
    node.parent = a.parent;
    node.design = RECT{a.x, a.y, a.x + a.w, a.y + a.h};
    node.anchors = a.anchors;
    node.inset = a.inset;
    if (a.cls) {
        node.hwnd = ::CreateWindowExW(
            a.exStyle, a.cls, Widen(a.text).c_str(), WS_CHILD | WS_VISIBLE | a.style, 0, 0, a.w, a.h, hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(a.id)), Application::Get().Instance(), nullptr);
        ::SendMessageW(node.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    nodes_.push_back(node);
    if (out) *out = node.hwnd;
    int index = static_cast<int>(nodes_.size() - 1);
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    LayoutNode(static_cast<size_t>(index), rc.right, rc.bottom);
    return index;
}

void Form::LayoutNode(size_t i, int clientW, int clientH) {
    Node& n = nodes_[i];
    int parentW, parentH, designW, designH, originX, originY;
    if (n.parent < 0) {
        parentW = clientW;
        parentH = clientH;
        designW = Scaled(designClientW_);
        designH = Scaled(designClientH_);
        originX = originY = 0;
    } else {
        const Node& p = nodes_[static_cast<size_t>(n.parent)];
        parentW = p.current.right - p.current.left;
        parentH = p.current.bottom - p.current.top;
        designW = Scaled(p.design.right) - Scaled(p.design.left);
        designH = Scaled(p.design.bottom) - Scaled(p.design.top);
        originX = p.current.left;
        originY = p.current.top;
    }
    // Each edge is scaled on its own, so controls that touch at 96 DPI touch at every DPI.
    int dx = parentW - designW, dy = parentH - designH;
    RECT r{Scaled(n.design.left), Scaled(n.design.top), Scaled(n.design.right), Scaled(n.design.bottom)};
    if (n.anchors & akRight) {
        if (n.anchors & akLeft)
            r.right += dx;
        else {
            r.left += dx;
            r.right += dx;
        }
    }
    if (n.anchors & akBottom) {
        if (n.anchors & akTop)
            r.bottom += dy;
        else {
            r.top += dy;
            r.bottom += dy;
        }
    }
    ::OffsetRect(&r, originX, originY);
    n.current = r;
    if (n.hwnd) {
        ::MoveWindow(n.hwnd, r.left + n.inset, r.top + n.inset, r.right - r.left - 2 * n.inset,
                     r.bottom - r.top - 2 * n.inset, TRUE);
    }
}

void Form::Relayout() {
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    for (size_t i = 0; i < nodes_.size(); ++i) LayoutNode(i, rc.right, rc.bottom);
}

void Form::SetHint(HWND control, const std::string& text) {
    if (!tooltip_) {
        tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0, hwnd_, nullptr,
                                     Application::Get().Instance(), nullptr);
        ::SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, Application::Get().HintHidePause());
        ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scaled(600));
        ScaleTooltipFont();
    }
    std::wstring wide = Widen(text);
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    const bool relayed =
        std::find(relayedHints_.begin(), relayedHints_.end(), control) != relayedHints_.end();
    ti.uFlags = TTF_IDISHWND | (relayed ? 0u : static_cast<UINT>(TTF_SUBCLASS));
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    TTTOOLINFOW probe = ti;
    bool known = ::SendMessageW(tooltip_, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&probe)) != 0;
    ti.lpszText = wide.data();
    ::SendMessageW(tooltip_, known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void Form::RelayHintEvent(HWND control, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg < WM_MOUSEFIRST || msg > WM_MOUSELAST) return;
    const Form* form = FromHandle(::GetAncestor(control, GA_ROOT));
    if (!form || !form->tooltip_) return;
    MSG event{control, msg, wp, lp, 0, {}};
    ::SendMessageW(form->tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&event));
}

ModalResult Form::ShowModal() {
    Application& app = Application::Get();
    // Every other window of the program is disabled while the modal form runs.
    std::vector<HWND> disabled;
    std::pair<Form*, std::vector<HWND>*> context{this, &disabled};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            auto* ctx = reinterpret_cast<std::pair<Form*, std::vector<HWND>*>*>(p);
            if (w != ctx->first->hwnd_ && ::IsWindowVisible(w) && ::IsWindowEnabled(w))
                ctx->second->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&context));
    for (HWND w : disabled) ::EnableWindow(w, FALSE);
    modal_ = true;
    modalResult_ = ModalResult::none;
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    MSG msg;
    while (modalResult_ == ModalResult::none && ::IsWindow(hwnd_)) {
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            modalResult_ = ModalResult::cancel;
            break;
        }
        app.HandleMessage(msg);
    }
    for (HWND w : disabled)
        if (::IsWindow(w)) ::EnableWindow(w, TRUE);
    if (::IsWindow(hwnd_)) ::ShowWindow(hwnd_, SW_HIDE);
    modal_ = false;
    return modalResult_;
}

void Form::OnCommand(int id, int code, HWND) {
    auto c = codeHandlers_.find({id, code});
    if (c != codeHandlers_.end()) {
        c->second();
        return;
    }
    if (code != BN_CLICKED) return;
    auto it = clickHandlers_.find(id);
    if (it != clickHandlers_.end()) {
        it->second();
    } else if (id == IDCANCEL && cancelButton_) {
        auto cancel = clickHandlers_.find(cancelButton_);
        if (cancel != clickHandlers_.end()) cancel->second();
    } else if (id == IDCANCEL || id == IDOK) {
        if (id == IDCANCEL && modal_) Close();
    }
}

LRESULT Form::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
    return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT Form::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case DM_GETDEFID:
            return defaultButton_ ? MAKELRESULT(defaultButton_, DC_HASDEFID) : 0;
        case WM_DRAWITEM:
            if (OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp))) return TRUE;
            break;
        case WM_MEASUREITEM:
            if (OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
            break;
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED) Relayout();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
            const SIZE minimum = ScaledOuterSize(minWidth_, minHeight_);
            if (minWidth_) mmi->ptMinTrackSize.x = minimum.cx;
            if (minHeight_) mmi->ptMinTrackSize.y = minimum.cy;
            return 0;
        }
        case WM_DPICHANGED:
            ChangeDpi(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus && ::IsChild(hwnd_, focus)) activeControl_ = focus;
            } else if (activeControl_ && ::IsWindow(activeControl_) && ::IsWindowVisible(activeControl_)) {
                ::SetFocus(activeControl_);
                return 0;
            }
            break;
        case WM_ACTIVATEAPP:
            Application::Get().SetActive(wp != FALSE);
            break;
        case WM_CLOSE:
            if (modal_) {
                if (CloseQuery()) {
                    OnClose();
                    if (modalResult_ == ModalResult::none) modalResult_ = ModalResult::cancel;
                }
                return 0;
            }
            if (!CloseQuery()) return 0;
            OnClose();
            ::DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            break;
        default:
            break;
    }
    return DefaultProc(msg, wp, lp);
}

// Every message from the first, WM_NCCREATE, goes to the form: the window
// holds its form from then on, so nothing the window does while it is being
// made passes the form by.
LRESULT CALLBACK Form::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* created = static_cast<Form*>(reinterpret_cast<const CREATESTRUCTW*>(lp)->lpCreateParams);
        if (created) {
            ::SetClassLongPtrW(hwnd, 0, FormClassMark());
            ::SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(created));
            created->hwnd_ = hwnd;
        }
    }
    Form* form = FromHandle(hwnd);
    if (!form) return ::DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, 0, 0);
        form->hwnd_ = nullptr;
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    return Guarded([&] { return form->WndProc(msg, wp, lp); }, LRESULT{0});
}

}  // namespace tarvolo
