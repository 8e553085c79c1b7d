// A form's window and its object from the first message on, and the typed
// control wrappers the forms keep instead of raw window handles.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/Handles.h"

namespace tarvolo {
namespace {

void InitializeApplication() {
    if (!Application::Get().Handle()) Application::Get().Initialize(::GetModuleHandleW(nullptr), SW_HIDE);
}

// Records, for every message its procedure gets while the window is made,
// whether the form already knew its window then.
class RecordingForm : public Form {
public:
    struct Seen {
        UINT msg;
        bool attached;  // Handle() named the window and the window led back to the form
    };
    explicit RecordingForm(const wchar_t* className) {
        FormArgs args;
        args.caption = "recording";
        args.className = className;
        args.style = WS_POPUP;
        CreateForm(args);
        made = true;
    }
    ~RecordingForm() override { DestroyForm(); }

    std::vector<Seen> seen;
    bool made = false;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (!made) seen.push_back({msg, hwnd_ != nullptr && FromHandle(hwnd_) == this});
        return Form::WndProc(msg, wp, lp);
    }
};

TEST(FormAttach, TheFormHandlesEveryMessageFromTheFirstOn) {
    InitializeApplication();
    RecordingForm form(L"TarvoloTestRecordingForm");
    ASSERT_TRUE(form.Handle());
    ASSERT_FALSE(form.seen.empty()) << "the form saw nothing of its window's making";
    EXPECT_EQ(form.seen.front().msg, static_cast<UINT>(WM_NCCREATE))
        << "the first message passed the form by";
    bool sawCreate = false;
    for (const RecordingForm::Seen& s : form.seen) {
        EXPECT_TRUE(s.attached) << "message 0x" << std::hex << s.msg
                                << " came before the form knew its window";
        sawCreate = sawCreate || s.msg == WM_CREATE;
    }
    EXPECT_TRUE(sawCreate);
    EXPECT_EQ(Form::FromHandle(form.Handle()), &form);
}

TEST(FormAttach, AWindowOfAFormsClassMadeWithoutAFormLeadsToNone) {
    InitializeApplication();
    const wchar_t kClass[] = L"TarvoloTestRecordingFormAlone";
    RecordingForm form(kClass);  // registers the class and marks it as a form's
    ASSERT_TRUE(form.Handle());
    UniqueWindow alone(::CreateWindowExW(0, kClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                         Application::Get().Instance(), nullptr));
    ASSERT_TRUE(alone) << "the class's procedure refused a window without a form";
    EXPECT_EQ(Form::FromHandle(alone.get()), nullptr);
    EXPECT_EQ(Form::FromHandle(form.Handle()), &form);
}

// The wrappers that stand for a form's controls, on real controls of a form.
class ControlWrappers : public ::testing::Test {
protected:
    void SetUp() override {
        InitializeApplication();
        form_ = std::make_unique<RecordingForm>(L"TarvoloTestControlsForm");
        ASSERT_TRUE(form_->Handle());
    }
    template <typename Control>
    Control Add(const wchar_t* cls, DWORD style = 0) {
        Control control;
        form_->AddControl({cls, "", style, 0, ++id_, 0, 0, 200, 100}, control);
        EXPECT_TRUE(control.Handle()) << "no window for the wrapper";
        return control;
    }

    std::unique_ptr<RecordingForm> form_;
    int id_ = 100;
};

TEST_F(ControlWrappers, ATabControlCountsItsTabsInOrderAndSelects) {
    const TabControl tabs = Add<TabControl>(WC_TABCONTROLW);
    EXPECT_EQ(tabs.Selected(), -1);
    for (const char* name : {"General", "Favorites", "Dialogs To Find", "Leave Out"}) tabs.AddTab(name);
    EXPECT_EQ(::SendMessageW(tabs.Handle(), TCM_GETITEMCOUNT, 0, 0), 4);
    wchar_t text[32] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 32;
    ASSERT_TRUE(::SendMessageW(tabs.Handle(), TCM_GETITEMW, 2, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(std::wstring(text), L"Dialogs To Find") << "a tab was not added at the end";
    for (int page : {3, 0, 2}) {
        tabs.Select(page);
        EXPECT_EQ(tabs.Selected(), page);
    }
}

TEST_F(ControlWrappers, AListBoxGivesItsItemsInOrder) {
    const ListBox list = Add<ListBox>(L"LISTBOX", LBS_HASSTRINGS);
    EXPECT_TRUE(list.Items().empty());
    const std::vector<std::string> items = {"C:\\Temp", "", "D:\\\xE6\x97\xA5\xE6\x9C\xAC", "C:\\Temp"};
    for (const std::string& item : items) list.Add(item);
    EXPECT_EQ(list.Items(), items);
    list.Delete(1);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{items[0], items[2], items[3]}));
}

TEST_F(ControlWrappers, ALabelTakesUtf8TextAndAFont) {
    const Label label = Add<Label>(L"STATIC");
    for (const std::string& text :
         {std::string("Directories Indexed: 0"), std::string(), std::string("Scaning Drive \xC3\x84:")}) {
        label.SetText(text);
        EXPECT_EQ(WindowText(label.Handle()), text);
    }
    UniqueFont font(CreateUiFont(L"Arial", -15, true));
    label.SetFont(font.get());
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(label.Handle(), WM_GETFONT, 0, 0)), font.get());
}

}  // namespace
}  // namespace tarvolo
