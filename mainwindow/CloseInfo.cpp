#include "mainwindow/CloseInfo.h"

#include "adapters/ButtonPictures.h"
#include "platform/Application.h"
#include "platform/Controls.h"

namespace tarvolo {

namespace {
enum { IDC_INFOGROUP = 200, IDC_LABEL1, IDC_LABEL2, IDC_LABEL3, IDC_LABEL4, IDC_DONTSHOWAGAIN };
}  // namespace

TfrmCloseInfo::TfrmCloseInfo(HWND owner, bool& showCloseInfo) : showCloseInfo_(showCloseInfo) {
    CreateForm(FormArgs::Dialog("Information", L"TfrmCloseInfo", owner, 295, 146));

    int group = AddControl({L"BUTTON", "Information", BS_GROUPBOX, 0, IDC_INFOGROUP, 8, 0, 281, 113});
    // The lines are the program's own words, the run-together "SystemTray" too.
    const char* lines[] = {"This action will only minimize Tarvolo", "into your SystemTray. To close Tarvolo",
                           "Right Click the icon in the SystemTray, and",
                           "select the Close item from a menu"};
    for (int i = 0; i < 4; ++i)
        AddControl({L"STATIC", lines[i], SS_CENTER, 0, IDC_LABEL1 + i, 8, 16 + 16 * i, 265, 16, group});
    AddControl({L"BUTTON", "Don't show me this message again", WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                IDC_DONTSHOWAGAIN, 8, 88, 265, 17, group},
               DontShowAgain);
    HWND btnOk = nullptr;
    AddControl({L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 104, 120, 89, 24}, &btnOk);
    SetButtonPictureFromStrip(*this, btnOk, ButtonPicture::ok);
    DontShowAgain.SetChecked(false);
    // OK is both the default and the cancel button: Enter and Esc press it.
    SetDefaultButton(IDOK);
    SetCancelButton(IDOK);
    OnClick(IDOK, [this] { btnOkClick(); });
}

void TfrmCloseInfo::btnOkClick() {
    Close();
}

void TfrmCloseInfo::OnClose() {
    showCloseInfo_ = !DontShowAgain.Checked();
    SetModalResult(ModalResult::ok);
}

}  // namespace tarvolo
