// At 96 DPI every form lays its controls out exactly where it did before the
// forms learnt to scale: the table below was taken from that version.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/About.h"
#include "mainwindow/CloseInfo.h"
#include "mainwindow/Main.h"
#include "mainwindow/Rescan.h"
#include "options/InputBox.h"
#include "options/Options.h"
#include "platform/Application.h"
#include "platform/WinText.h"
#include "tests/win/FormsModel.h"
#include "tarvolo_version.h"

namespace tarvolo {
namespace {

// One line per control: form, class, text, and its rectangle in the form's client area.
std::string Layout(const char* name, HWND form) {
    std::string out;
    std::pair<HWND, std::pair<const char*, std::string*>> ctx{form, {name, &out}};
    RECT client{};
    ::GetClientRect(form, &client);
    char line[256];
    std::snprintf(line, sizeof line, "%s client %ldx%ld\n", name, client.right, client.bottom);
    out += line;
    ::EnumChildWindows(
        form,
        [](HWND child, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<decltype(ctx)*>(p);
            if (::GetParent(child) != c->first) return TRUE;
            wchar_t cls[64] = {};
            ::GetClassNameW(child, cls, 64);
            // The tree's scroll bar is laid in the list's frame, not by the form.
            if (std::wstring(cls) == L"ScrollBar") return TRUE;
            // A combo box's height follows its font, which is the system's business.
            const bool combo = std::wstring(cls) == L"ComboBox";
            wchar_t text[128] = {};
            ::GetWindowTextW(child, text, 128);
            RECT r{};
            ::GetWindowRect(child, &r);
            ::MapWindowPoints(nullptr, c->first, reinterpret_cast<POINT*>(&r), 2);
            char row[400];
            std::snprintf(row, sizeof row, "%s %s \"%s\" %ld,%ld %ldx%ld\n", c->second.first,
                          Narrow(cls).c_str(), Narrow(text).c_str(), r.left, r.top, r.right - r.left,
                          combo ? 0L : r.bottom - r.top);
            *c->second.second += row;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return out;
}

const char kLayoutAt96[] = R"(
Main client 529x390
Main Button "Directories" 4,0 522x337
Main ListBox "" 12,48 505x225
Main Static "Drive" 12,22 32x16
Main ComboBox "" 52,18 73x0
Main Button "&Rescan" 132,18 89x22
Main ComboBox "" 12,276 505x0
Main Edit "" 12,305 145x24
Main Button "Find &Next" 164,305 89x24
Main Button "&Favorites" 276,305 90x24
Main Button "&Add To Favorites" 372,305 145x24
Main Button "Commands" 4,336 258x49
Main Button "&Open" 12,354 78x24
Main Button "&Dialog" 94,354 78x24
Main Button "&Copy" 176,354 78x24
Main Button "Program" 268,336 258x49
Main Button "O&ptions" 276,354 78x25
Main Button "A&bout" 358,354 78x25
Main Button "&Help" 440,354 78x25
Rescan client 233x103
Rescan Static "Scaning Drive " 0,13 233x20
Rescan SysAnimate32 "" 54,40 32x32
Rescan Button "Cancel" 98,45 81x24
Rescan Static "Directories Indexed: " 0,77 233x20
Information client 295x146
Information Button "Information" 8,0 281x113
Information Static "This action will only minimize Tarvolo" 16,16 265x16
Information Static "into your SystemTray. To close Tarvolo" 16,32 265x16
Information Static "Right Click the icon in the SystemTray, and" 16,48 265x16
Information Static "select the Close item from a menu" 16,64 265x16
Information Button "Don't show me this message again" 16,88 265x17
Information Button "OK" 104,120 89x24
Options client 572x332
Options Button "System" 16,38 264x158
Options Button "Run At Start Up" 28,60 240x18
Options Static "Tarvolo Hot Key " 28,90 240x16
Options msctls_hotkey32 "" 28,108 240x22
Options Static "Quick Jump Hot Key" 28,138 240x16
Options msctls_hotkey32 "" 28,156 240x22
Options Button "Rescan" 292,38 264x158
Options Button "Include Read Only Folders" 304,60 240x18
Options Button "Include System Folders" 304,84 240x18
Options Button "Include Hidden Folders" 304,108 240x18
Options Button "Check drives for changes at start" 304,132 240x18
Options Button "Search" 16,204 540x50
Options Button "Match anywhere in the name" 28,226 516x18
Options Button "Favorites" 16,38 540x196
Options ListBox "" 26,56 300x168
Options Static "Open Hot Key" 426,56 120x16
Options msctls_hotkey32 "" 426,74 120x22
Options Static "To Dialog Hot Key" 426,106 120x16
Options msctls_hotkey32 "" 426,124 120x22
Options Button "Edit" 336,56 78x24
Options Button "Delete" 336,84 78x24
Options Button "Move Up" 336,112 78x24
Options Button "Move Down" 336,140 78x24
Options Button "Dialogs To Search For" 16,38 540x196
Options ListBox "" 26,56 420x118
Options Static "Dialog finds the standard Open, Save As and Browse For Folder dialogs by itself, in any language. List here only the beginnings" 26,180 420x46
Options Button "Add" 458,56 78x24
Options Button "Edit" 458,84 78x24
Options Button "Delete" 458,112 78x24
Options Button "Move Up" 458,140 78x24
Options Button "Move Down" 458,168 78x24
Options Button "Folders To Leave Out" 16,38 540x196
Options ListBox "" 26,56 420x118
Options Static "Left out of every scan and of the changes followed live, with everything in them. A rule is a name (node_modules), a name with " 26,180 420x46
Options Button "Add" 458,56 78x24
Options Button "Edit" 458,84 78x24
Options Button "Delete" 458,112 78x24
Options Button "OK" 324,300 78x24
Options Button "&Help" 406,300 78x24
Options Button "Cancel" 488,300 78x24
Options SysTabControl32 "" 8,8 556x284
About client 281x172
About Static "" 228,52 32x32
About Static ")" TARVOLO_TITLE R"(" 0,6 281x26
About Button "Author" 8,34 265x102
About Static "The Tarvolo developers" 16,50 200x16
About Button "tarvolo@localhost" 16,68 200x20
About Static "Questions? See the help." 16,90 200x16
About Button "Tarvolo.html" 16,108 200x20
About Static "" 224,48 40x40
About Button "OK" 101,142 78x24
InputBox client 340x104
InputBox Static "Search for the Dialog" 8,10 324x16
InputBox Edit "Save As" 8,30 324x22
InputBox Button "OK" 172,70 78x24
InputBox Button "Cancel" 254,70 78x24
)";

TEST(LayoutAt96, EveryControlIsWhereItAlwaysWas) {
    if (!Application::Get().Handle()) Application::Get().Initialize(::GetModuleHandleW(nullptr), SW_HIDE);
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 96) << "this test wants a screen of 96 DPI";
    FormsModel formsModel;
    Model& model = formsModel.model;
    bool showCloseInfo = true;
    auto main = std::make_unique<TfrmMain>(model);
    std::string all = Layout("Main", main->Handle());
    {
        TfrmRescan f(main->Handle(), model, [](RowStore) {});
        all += Layout("Rescan", f.Handle());
    }
    {
        TfrmCloseInfo f(nullptr, showCloseInfo);
        all += Layout("Information", f.Handle());
    }
    {
        TfrmOptions f(nullptr, model.Options(), main->HotKeys(), main->QuickJumpKeys());
        all += Layout("Options", f.Handle());
    }
    {
        TfrmAbout f(nullptr);
        all += Layout("About", f.Handle());
    }
    {
        TfrmInputBox f(nullptr, "Edit Dialog", "Search for the Dialog", "Save As");
        all += Layout("InputBox", f.Handle());
    }
    main.reset();
    std::string expected = kLayoutAt96;
    if (!expected.empty()) expected.erase(0, 1);  // the line end after R"(
    EXPECT_EQ(all, expected);
    if (all != expected) std::printf("----\n%s----\n", all.c_str());
}

}  // namespace
}  // namespace tarvolo
