// Every form at 96, 144 and 192 DPI, in this process: at 96 each control sits
// where it always did, and at the higher scales every control's text fits
// inside it. A scale is reached the way Windows asks for it, with
// WM_DPICHANGED and the suggested rectangle.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "about/About.h"
#include "mainwindow/CloseInfo.h"
#include "mainwindow/Main.h"
#include "mainwindow/Rescan.h"
#include "options/InputBox.h"
#include "options/Options.h"
#include "platform/Application.h"
#include "platform/Dpi.h"
#include "platform/WinText.h"
#include "store/HotKeyService.h"
#include "tests/win/FormsModel.h"

namespace tarvolo {
namespace {

// Lays `form` out at `dpi` as a move to a monitor of that scale would.
void MoveToDpi(Form& form, int dpi) {
    HWND hwnd = form.Handle();
    RECT window, client;
    ::GetWindowRect(hwnd, &window);
    ::GetClientRect(hwnd, &client);
    const int designW = ::MulDiv(client.right, kDesignDpi, form.Dpi());
    const int designH = ::MulDiv(client.bottom, kDesignDpi, form.Dpi());
    RECT suggested = window;
    suggested.right += Scale(designW, dpi) - client.right;
    suggested.bottom += Scale(designH, dpi) - client.bottom;
    ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

struct Control {
    HWND hwnd;
    std::wstring cls;
    std::wstring text;
    RECT rect;  // in the form's client coordinates
};

std::vector<Control> Controls(HWND form) {
    std::vector<Control> out;
    std::pair<HWND, std::vector<Control>*> ctx{form, &out};
    ::EnumChildWindows(
        form,
        [](HWND child, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<std::pair<HWND, std::vector<Control>*>*>(p);
            if (::GetParent(child) != c->first) return TRUE;  // the parts of a combo box
            Control control{child, {}, {}, {}};
            wchar_t cls[64] = {};
            ::GetClassNameW(child, cls, 64);
            // The tree's scroll bar is laid in the list's frame, whose edges are
            // the system's, not the design's (its place is tested end to end).
            if (std::wstring(cls) == L"ScrollBar") return TRUE;
            control.cls = cls;
            const int n = ::GetWindowTextLengthW(child);
            control.text.resize(static_cast<size_t>(n) + 1);
            control.text.resize(static_cast<size_t>(::GetWindowTextW(child, control.text.data(), n + 1)));
            ::GetWindowRect(child, &control.rect);
            ::MapWindowPoints(nullptr, c->first, reinterpret_cast<POINT*>(&control.rect), 2);
            c->second->push_back(control);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return out;
}

std::string Describe(const Control& c) {
    char buf[128];
    std::snprintf(buf, sizeof buf, " [%ld,%ld %ldx%ld]", c.rect.left, c.rect.top, c.rect.right - c.rect.left,
                  c.rect.bottom - c.rect.top);
    return Narrow(c.cls) + " \"" + Narrow(c.text) + "\"" + buf;
}

// The text extent of `text` in the control's own font, wrapped to `wrapWidth` when given.
SIZE TextExtent(HWND control, std::wstring text, int wrapWidth = 0) {
    // An ampersand marks the next letter and takes no room.
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        shown.push_back(text[i]);
    }
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 100000, 0};
    ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &r,
                DT_CALCRECT | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// The room a control's text needs and the room it has; zero when nothing is measured.
struct Fit {
    int needW = 0, needH = 0, haveW = 0, haveH = 0;
    bool Fits() const { return needW <= haveW && needH <= haveH; }
    // How far the text overflows, as the larger of the two ratios.
    double Overflow() const {
        double w = haveW > 0 ? static_cast<double>(needW) / haveW : 0;
        double h = haveH > 0 ? static_cast<double>(needH) / haveH : 0;
        return std::max(w, h);
    }
};

Fit Measure(const Control& c, int dpi) {
    RECT client;
    ::GetClientRect(c.hwnd, &client);
    Fit fit;
    fit.haveW = client.right;
    fit.haveH = client.bottom;
    const LONG style = ::GetWindowLongW(c.hwnd, GWL_STYLE);
    const LONG type = style & BS_TYPEMASK;
    const int textHeight = TextExtent(c.hwnd, L"Ag").cy;
    if (c.cls == L"Button") {
        if (c.text.empty()) return {};
        const SIZE text = TextExtent(c.hwnd, c.text);
        fit.needH = text.cy;
        if (type == BS_GROUPBOX) {
            fit.needW = text.cx + Scale(16, dpi);  // the caption sits on the frame, between its corners
        } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                   type == BS_AUTORADIOBUTTON) {
            fit.needW = text.cx + Scale(13 + 4, dpi);  // the box and the gap after it
        } else {
            BUTTON_IMAGELIST bil{};
            int picture = 0;
            if (::SendMessageW(c.hwnd, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil)) && bil.himl) {
                int cx = 0, cy = 0;
                ::ImageList_GetIconSize(bil.himl, &cx, &cy);
                picture = cx + bil.margin.left + bil.margin.right;
                fit.needH = std::max<int>(fit.needH, cy);
            }
            fit.needW = text.cx + picture + 2 * Scale(2, dpi);  // the button's edges
            fit.needH += 2 * Scale(2, dpi);
        }
    } else if (c.cls == L"Static") {
        if (c.text.empty() || (style & SS_TYPEMASK) == SS_ICON) return {};
        const SIZE text = TextExtent(c.hwnd, c.text);
        fit.needW = text.cx;
        fit.needH = text.cy;
    } else if (c.cls == L"Edit" || c.cls == L"msctls_hotkey32") {
        fit.needH = textHeight;
    } else if (c.cls == L"ListBox") {
        fit.needH = textHeight;
        fit.haveW = 0;
        fit.haveH = static_cast<int>(::SendMessageW(c.hwnd, LB_GETITEMHEIGHT, 0, 0));
    } else if (c.cls == L"ComboBox") {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (!::GetComboBoxInfo(c.hwnd, &info)) return {};
        fit.needH = textHeight;
        fit.haveW = 0;
        fit.haveH = info.rcItem.bottom - info.rcItem.top;
    } else {
        return {};
    }
    return fit;
}

class FormsAtEveryScale : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Application::Get().Handle()) Application::Get().Initialize(::GetModuleHandleW(nullptr), SW_HIDE);
    }

    // Builds each form and runs `check` on it at 96, 144 and 192 DPI.
    void ForEachForm(const std::function<void(const char*, Form&, int)>& check) {
        struct NoRegistrar : HotKeyRegistrar {
            bool Register(int, uint32_t, uint32_t) override { return true; }
            void Unregister(int) override {}
        } registrar;
        HotKeyService hotKeys(registrar);
        HotKeyService quickJumpKeys(registrar, 3);
        FormsModel formsModel;
        Model& model = formsModel.model;
        bool showCloseInfo = true;
        auto main = std::make_unique<TfrmMain>(model);
        struct Named {
            const char* name;
            std::function<std::unique_ptr<Form>()> make;
        };
        const Named forms[] = {
            {"Main", [] { return std::unique_ptr<Form>(); }},
            {"Rescan",
             [&] {
                 return std::unique_ptr<Form>(
                     std::make_unique<TfrmRescan>(main->Handle(), model, [](RowStore) {}));
             }},
            {"Information",
             [&] { return std::unique_ptr<Form>(std::make_unique<TfrmCloseInfo>(nullptr, showCloseInfo)); }},
            {"Options",
             [&] {
                 return std::unique_ptr<Form>(
                     std::make_unique<TfrmOptions>(nullptr, model.Options(), hotKeys, quickJumpKeys));
             }},
            {"About", [] { return std::unique_ptr<Form>(std::make_unique<TfrmAbout>(nullptr)); }},
            {"InputBox",
             [] {
                 return std::unique_ptr<Form>(std::make_unique<TfrmInputBox>(
                     nullptr, "Edit Dialog", "Search for the Dialog", "Save As"));
             }},
        };
        for (const Named& f : forms) {
            std::unique_ptr<Form> owned = f.make();
            Form& form = owned ? *owned : static_cast<Form&>(*main);
            // Above its minimum size, so that only the scale decides the layout.
            if (!owned)
                ::SetWindowPos(form.Handle(), nullptr, 0, 0, 600, 440,
                               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            // (600 x 440 doubled still fits the test screen, which bounds a window's size.)
            for (int dpi : {96, 144, 192}) {
                MoveToDpi(form, dpi);
                check(f.name, form, dpi);
            }
            MoveToDpi(form, 96);
        }
        main.reset();
    }
};

// A text that fits at 96 DPI fits at 144 and 192. The few that already
// overflow at 96 in this system's substitute for the design font (Wine's is
// wider than the original) may overflow no further when scaled.
TEST_F(FormsAtEveryScale, EveryControlsTextFitsInsideIt) {
    std::vector<Fit> at96;
    std::vector<std::string> overflowAt96;
    ForEachForm([&](const char* name, Form& form, int dpi) {
        ASSERT_EQ(form.Dpi(), dpi);
        const std::vector<Control> controls = Controls(form.Handle());
        if (dpi == 96) at96.clear();
        for (size_t i = 0; i < controls.size(); ++i) {
            const Fit fit = Measure(controls[i], dpi);
            if (dpi == 96) {
                at96.push_back(fit);
                if (!fit.Fits()) overflowAt96.push_back(std::string(name) + ":" + Narrow(controls[i].text));
                continue;
            }
            ASSERT_LT(i, at96.size());
            const bool noWorse = !at96[i].Fits() && fit.Overflow() <= at96[i].Overflow() * 1.04;
            EXPECT_TRUE(fit.Fits() || noWorse)
                << name << " at " << dpi << " DPI: " << Describe(controls[i]) << " needs " << fit.needW << "x"
                << fit.needH << " inside " << fit.haveW << "x" << fit.haveH;
        }
    });
    for (const std::string& c : overflowAt96) std::printf("overflows already at 96 DPI: %s\n", c.c_str());
}

// At 192 DPI each control is exactly twice its 96-DPI rectangle, at 144 one and
// a half times within a pixel; back at 96 nothing has moved.
TEST_F(FormsAtEveryScale, ControlsScaleWithTheDpiAndComeBack) {
    std::vector<Control> at96;
    ForEachForm([&](const char* name, Form& form, int dpi) {
        const std::vector<Control> now = Controls(form.Handle());
        // The owner-drawn rows (the tree, the drive list, the favorites): 16, 24, 32 pixels.
        for (const Control& c : now) {
            if (c.cls == L"ListBox" && (::GetWindowLongW(c.hwnd, GWL_STYLE) & LBS_OWNERDRAWFIXED)) {
                EXPECT_EQ(::SendMessageW(c.hwnd, LB_GETITEMHEIGHT, 0, 0), Scale(16, dpi))
                    << name << " " << dpi;
            }
        }
        if (dpi == 96) {
            at96 = now;
            return;
        }
        ASSERT_EQ(now.size(), at96.size());
        const int slack = dpi == 192 ? 0 : 1;
        for (size_t i = 0; i < now.size(); ++i) {
            const RECT& a = at96[i].rect;
            const RECT& b = now[i].rect;
            // A combo box sets its own height from its font.
            const bool combo = now[i].cls == L"ComboBox";
            const bool within = std::abs(b.left - Scale(a.left, dpi)) <= slack &&
                                std::abs(b.top - Scale(a.top, dpi)) <= slack &&
                                std::abs(b.right - Scale(a.right, dpi)) <= slack &&
                                (combo || std::abs(b.bottom - Scale(a.bottom, dpi)) <= slack);
            RECT client;
            ::GetClientRect(form.Handle(), &client);
            EXPECT_TRUE(within) << name << " at " << dpi << " DPI, client " << client.right << "x"
                                << client.bottom << ": " << Describe(now[i]) << " from" << Describe(at96[i]);
        }
        if (dpi == 192) {
            // The font follows: its character height doubles.
            LOGFONTW font{};
            ::GetObjectW(form.Font(), sizeof font, &font);
            EXPECT_EQ(font.lfHeight, 2 * kFormFontHeight) << name;
        }
    });
}

}  // namespace
}  // namespace tarvolo
