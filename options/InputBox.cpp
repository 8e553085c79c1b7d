#include "options/InputBox.h"

#include "platform/Controls.h"

namespace tarvolo {

namespace {
enum { IDC_PROMPT = 400, IDC_EDIT };
constexpr int kClientWidth = 340, kClientHeight = 104;
}  // namespace

TfrmInputBox::TfrmInputBox(HWND owner, const std::string& caption, const std::string& prompt,
                           const std::string& value) {
    CreateForm(FormArgs::Dialog(caption, L"TfrmInputBox", owner, kClientWidth, kClientHeight));

    AddControl({L"STATIC", prompt, SS_LEFT | SS_NOPREFIX, 0, IDC_PROMPT, 8, 10, 324, 16});
    AddControl({L"EDIT", value, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IDC_EDIT, 8, 30, 324, 22},
               Edit);
    AddControl({L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 172, 70, 78, 24});
    AddControl({L"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL, 254, 70, 78, 24});
    Edit.LimitText(255);
    Edit.Select(0, -1);
    SetDefaultButton(IDOK);
    SetCancelButton(IDCANCEL);
    OnClick(IDOK, [this] { SetModalResult(ModalResult::ok); });
    OnClick(IDCANCEL, [this] { SetModalResult(ModalResult::cancel); });
}

LRESULT TfrmInputBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE && !focused_) {
        // The first activation starts in the edit, its text all selected.
        focused_ = true;
        Form::WndProc(msg, wp, lp);
        ::SetFocus(Edit.Handle());
        Edit.Select(0, -1);
        return 0;
    }
    return Form::WndProc(msg, wp, lp);
}

bool InputQuery(HWND owner, const std::string& caption, const std::string& prompt, std::string& value) {
    TfrmInputBox box(owner, caption, prompt, value);
    if (box.ShowModal() != ModalResult::ok) return false;
    value = box.Text();
    return true;
}

}  // namespace tarvolo
