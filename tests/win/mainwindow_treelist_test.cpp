// The tree list's painting on the real main window, and the way a window
// finds its form: parts of every keystroke.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "mainwindow/Main.h"
#include "platform/Application.h"
#include "platform/Handles.h"
#include "tests/win/FormsModel.h"

namespace tarvolo {
namespace {

// Lays `form` out at `dpi` as a move to a monitor of that scale would.
void MoveToDpi(Form& form, int dpi) {
    RECT window;
    ::GetWindowRect(form.Handle(), &window);
    ::SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
}

void InitializeApplication() {
    if (!Application::Get().Handle()) Application::Get().Initialize(::GetModuleHandleW(nullptr), SW_HIDE);
}

// A window of another class that keeps a pointer-sized value in the same extra
// bytes as a form does.
LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

HWND LookAlikeWindow(LONG_PTR value) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.cbClsExtra = sizeof(LONG_PTR);
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarvoloTestLookAlike";
    ::RegisterClassExW(&wc);
    HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ::SetClassLongPtrW(hwnd, 0, value);
    ::SetWindowLongPtrW(hwnd, 0, value);
    return hwnd;
}

TEST(FormWindows, OnlyAFormsOwnWindowLeadsToItsForm) {
    InitializeApplication();
    FormsModel forms;
    auto main = std::make_unique<TfrmMain>(forms.model);
    HWND form = main->Handle();
    const auto formAddress = reinterpret_cast<LONG_PTR>(static_cast<Form*>(main.get()));
    UniqueWindow lookAlike(LookAlikeWindow(formAddress));
    ASSERT_TRUE(lookAlike);
    struct Case {
        const char* what;
        HWND hwnd;
        Form* expected;
    };
    const Case cases[] = {
        {"the form's window", form, main.get()},
        {"a control of the form", main->Tree().Handle(), nullptr},
        {"a window of another class holding the form's address", lookAlike.get(), nullptr},
        {"the desktop", ::GetDesktopWindow(), nullptr},
        {"no window", nullptr, nullptr},
    };
    for (const Case& c : cases) EXPECT_EQ(Form::FromHandle(c.hwnd), c.expected) << c.what;
    main.reset();
    EXPECT_EQ(Form::FromHandle(form), nullptr) << "a destroyed form's window";
}

class TreeListOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        InitializeApplication();
        main_ = std::make_unique<TfrmMain>(forms_.model);
        tree().LoadConnectors();
    }
    void TearDown() override {
        tree().SetRowCount(0);
        main_.reset();
    }
    TreeList& tree() { return main_->Tree(); }

    FormsModel forms_;
    std::unique_ptr<TfrmMain> main_;
};

// The connectors are drawn once per row height into a strip and copied from
// there: a row of another height must get connectors of its own height. At
// 144 DPI they are drawn as rectangles (the pictures are the program's
// resources, which this test program does not carry).
TEST_F(TreeListOnScreen, ConnectorsSpanEachRowHeightInTurn) {
    MoveToDpi(*main_, 144);
    ASSERT_EQ(main_->Scaled(16), 24);
    // \A, \A\X, \B: \A\X is a line under \A's tee, then its own elbow.
    RowStore rows;
    for (const char* r : {"\\", "\\A", "\\A\\X", "\\B"}) rows.Append(r);
    forms_.model.drive.Replace(std::move(rows));
    forms_.model.drive.BuildCodes();
    ASSERT_EQ(forms_.model.drive.codes.Code(2), "13");
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    ASSERT_TRUE(dc);
    for (const int height : {24, 36, 24, 48, 30}) {
        SCOPED_TRACE("rows " + std::to_string(height) + " pixels high");
        HDC screenNow = ::GetDC(nullptr);
        UniqueBitmap canvas(::CreateCompatibleBitmap(screenNow, 200, height));
        ::ReleaseDC(nullptr, screenNow);
        ASSERT_TRUE(canvas);
        SelectGuard onCanvas(dc, canvas.get());
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_LISTBOX;
        item.itemID = 2;
        item.itemAction = ODA_DRAWENTIRE;
        item.hwndItem = tree().Handle();
        item.hDC = dc;
        item.rcItem = RECT{0, 0, 200, height};
        tree().DirListBoxDrawItem(item);
        // Column 1 (x 12..35) holds the line from the top to the bottom; column 2
        // (x 36..59) the elbow, which stops at the middle.
        const auto lineIn = [&](int from, int to, int y) {
            for (int x = from; x < to; ++x)
                if (::GetPixel(dc, x, y) != window) return true;
            return false;
        };
        EXPECT_TRUE(lineIn(12, 36, 0)) << "the line does not reach the top";
        EXPECT_TRUE(lineIn(12, 36, height - 1)) << "the line does not reach the bottom";
        EXPECT_TRUE(lineIn(36, 60, 0)) << "the elbow does not reach the top";
        EXPECT_FALSE(lineIn(36, 60, height - 1)) << "something below the elbow";
    }
    ::DeleteDC(dc);
}

}  // namespace
}  // namespace tarvolo
