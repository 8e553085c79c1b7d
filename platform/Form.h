// A top-level window with child controls laid out from design positions and
// kept in place by anchors, in the manner of a form designer: controls are
// direct children of the form (so their notifications come to it), while group
// boxes and panels act as layout parents for the controls drawn inside them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dpi.h"
#include "platform/Handles.h"

namespace tarvolo {

HFONT CreateUiFont(const wchar_t* face, int height, bool bold = false);

enum Anchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
constexpr unsigned akTopLeft = akLeft | akTop;
constexpr unsigned akAll = akLeft | akTop | akRight | akBottom;

// How a modal form ended; `none` while it runs.
enum class ModalResult { none, ok, cancel };

// Every position and size below is a design value at 96 DPI; the form scales
// them to the DPI of the monitor its window is on.
struct FormArgs {
    std::string caption;
    std::wstring className;
    int width = 400, height = 300;          // outer size at 96 DPI
    int clientWidth = 0, clientHeight = 0;  // design client size; the layout is relative to it
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    HWND owner = nullptr;
    int minWidth = 0, minHeight = 0;
    bool centered = false;

    // The outer size for a client area of this size, with the style as it stands.
    void SetClientSize(int clientW, int clientH);
    // A modal dialog frame around a client area of the given size, centred on the screen.
    static FormArgs Dialog(const std::string& caption, const std::wstring& className, HWND owner,
                           int clientWidth, int clientHeight, DWORD extraExStyle = 0);
};

struct ControlArgs {
    const wchar_t* cls = L"BUTTON";
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;
    int x = 0, y = 0, w = 0, h = 0;  // design position within `parent`
    int parent = -1;                 // layout node of the parent; -1 is the form
    unsigned anchors = akTopLeft;
    int inset = 0;  // shrinks the window inside its layout box (panel bevels)
};

class Form {
public:
    Form();
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    void CreateForm(const FormArgs& args);
    // Destroys the window and its controls without calling back into the form.
    // The most-derived form calls it first in its destructor, so the window goes
    // while the fonts, pictures and handlers its controls use still exist.
    void DestroyForm();
    HWND Handle() const { return hwnd_; }
    static Form* FromHandle(HWND hwnd);

    // Adds a child window; returns its layout node, usable as a parent. A null
    // class adds a layout-only node without a window (a group box's inner area).
    int AddControl(const ControlArgs& args, HWND* out = nullptr);
    // As above, naming the window with a typed control wrapper (Button, ListBox...).
    template <typename Control>
    int AddControl(const ControlArgs& args, Control& out) {
        HWND hwnd = nullptr;
        const int node = AddControl(args, &hwnd);
        out = Control(hwnd);
        return node;
    }
    // The window of a layout node; null for a layout-only node.
    HWND ControlWindow(int node) const { return nodes_[static_cast<size_t>(node)].hwnd; }
    void Relayout();

    HFONT Font() const { return font_.get(); }
    // A button's picture list: the button draws from it (BCM_SETIMAGELIST) but does
    // not own it, so the form keeps it until its controls are gone, one list per
    // button (a list set again after a DPI change replaces the old one).
    void KeepButtonPicture(HWND button, UniqueImageList list) { buttonPictures_[button] = std::move(list); }
    void SetFont(HFONT font) { font_.reset(font); }
    // The DPI the form is laid out at, and a design length at it.
    int Dpi() const { return dpi_; }
    int Scaled(int designLength) const { return Scale(designLength, dpi_); }
    // A font of `designHeight` (negative: character height) at the form's DPI.
    HFONT CreateScaledFont(const wchar_t* face, int designHeight, bool bold = false) const {
        return CreateUiFont(face, Scaled(designHeight), bold);
    }
    // An outer window size designed at 96 DPI, at the form's DPI: the client
    // area scales, the frame is the system's at that DPI.
    SIZE ScaledOuterSize(int designWidth, int designHeight) const;
    // Places the window at a stored position and size, in screen pixels. A
    // size never stored (nullopt) is `design` (outer, at 96 DPI) at this
    // window's scale; either is at least the minimum size at that scale. A
    // position on no monitor (one unplugged since) is brought onto the nearest.
    void PlaceAt(POINT topLeft, std::optional<int> width, std::optional<int> height, SIZE design);
    // The window's outer rectangle on the screen, whatever its state.
    RECT Bounds() const;
    // Lays the form out anew at `dpi` inside `suggested` (screen pixels), as
    // WM_DPICHANGED asks when the window moves to a monitor of another scale.
    void ChangeDpi(int dpi, const RECT* suggested);

    // Button clicks and other command notifications, by control id.
    void OnClick(int id, std::function<void()> handler) { clickHandlers_[id] = std::move(handler); }
    void OnNotifyCode(int id, int code, std::function<void()> handler) {
        codeHandlers_[{id, code}] = std::move(handler);
    }

    // The default button answers Enter (DM_GETDEFID), the cancel button Esc.
    void SetDefaultButton(int id) { defaultButton_ = id; }
    void SetCancelButton(int id) { cancelButton_ = id; }

    // Tooltips. The tooltip hooks a control's procedure to see the mouse over it,
    // which costs every message the control gets a property lookup (in Wine's
    // window server). A control named in RelayHints is not hooked: its own
    // procedure hands its messages to RelayHintEvent instead. Name it before
    // its first SetHint.
    void SetHint(HWND control, const std::string& text);
    void RelayHints(HWND control) { relayedHints_.push_back(control); }
    static void RelayHintEvent(HWND control, UINT msg, WPARAM wp, LPARAM lp);

    // Modal showing, as a dialog over its owner.
    ModalResult ShowModal();
    void SetModalResult(ModalResult result) { modalResult_ = result; }
    ModalResult ModalResultValue() const { return modalResult_; }
    bool IsModal() const { return modal_; }
    void Close() { ::SendMessageW(hwnd_, WM_CLOSE, 0, 0); }

    // Key preview: runs for every key message aimed at this form or its controls
    // before the control or the dialog navigation sees it. Return true to swallow.
    virtual bool PreviewKey(MSG& /*msg*/) { return false; }
    bool keyPreview = false;

    // The control that last had the focus within this form.
    HWND ActiveControl() const {
        HWND focus = ::GetFocus();
        return focus && ::IsChild(hwnd_, focus) ? focus : activeControl_;
    }

protected:
    virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    // The close request; return false to refuse it.
    virtual bool CloseQuery() { return true; }
    virtual void OnClose() {}
    virtual void OnDestroy() {}
    virtual void OnCommand(int id, int code, HWND control);
    virtual bool OnDrawItem(DRAWITEMSTRUCT&) { return false; }
    virtual bool OnMeasureItem(MEASUREITEMSTRUCT&) { return false; }
    // After the form's font and layout followed a new DPI: the form's own
    // fonts, pictures and row heights follow here.
    virtual void OnDpiChanged() {}
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
    struct Node {
        HWND hwnd = nullptr;
        int parent = -1;
        RECT design{};  // relative to the parent's origin
        unsigned anchors = akTopLeft;
        int inset = 0;
        RECT current{};  // form client coordinates
    };
    void LayoutNode(size_t i, int clientW, int clientH);
    void RescaleButtonPicture(HWND button);
    void ScaleTooltipFont();

    std::vector<Node> nodes_;
    int designClientW_ = 0, designClientH_ = 0;
    int minWidth_ = 0, minHeight_ = 0;
    int dpi_ = kDesignDpi;
    UniqueFont font_;
    // Destroyed after the window (members outlive the destructor's body).
    std::map<HWND, UniqueImageList> buttonPictures_;
    UniqueFont tipFont_;
    HWND tooltip_ = nullptr;
    std::vector<HWND> relayedHints_;
    std::map<int, std::function<void()>> clickHandlers_;
    std::map<std::pair<int, int>, std::function<void()>> codeHandlers_;
    int defaultButton_ = 0;
    int cancelButton_ = 0;
    ModalResult modalResult_ = ModalResult::none;
    bool modal_ = false;
    HWND activeControl_ = nullptr;
};

// Text of any window, as UTF-8.
std::string WindowText(HWND hwnd);
void SetWindowTextUtf8(HWND hwnd, const std::string& text);
// The form font's face at `dpi`, and its height at 96 DPI.
const wchar_t* FormFontFace(int dpi);
constexpr int kFormFontHeight = -13;

}  // namespace tarvolo
