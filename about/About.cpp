#include "about/About.h"

#include "platform/Application.h"
#include "platform/Help.h"
#include "platform/ShellOpen.h"
#include "platform/WinText.h"
#include "res/resource.h"
#include "tarvolo_version.h"

namespace tarvolo {

namespace {

enum {
    IDC_LABEL3 = 300,
    IDC_GROUPBOX,
    IDC_LABELNAME,
    IDC_BTNMAIL,
    IDC_LABELCONTACT,
    IDC_BTNWEB,
    IDC_PANEL1,
    IDC_IMAGE1
};

// The project's own addresses: a mailbox on the user's machine and the manual
// that ships beside the program.
constexpr char kMailAddress[] = "tarvolo@localhost";
constexpr char kWebPage[] = "Tarvolo.html";

// Links look like links: the hand over them.
LRESULT CALLBACK LinkProc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR) {
    if (m == WM_SETCURSOR) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    if (m == WM_NCDESTROY) ::RemoveWindowSubclass(h, &LinkProc, id);
    return ::DefSubclassProc(h, m, w, l);
}

}  // namespace

TfrmAbout::TfrmAbout(HWND owner) {
    CreateForm(FormArgs::Dialog("About...", L"TfrmAbout", owner, 281, 172));

    AddControl({L"STATIC", TARVOLO_TITLE, SS_CENTER, 0, IDC_LABEL3, 0, 6, 281, 26}, Label3);
    titleFont_.reset(::CreateFontW(-21, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, L"Arial"));
    Label3.SetFont(titleFont_.get());

    int group = AddControl({L"BUTTON", "Author", BS_GROUPBOX, 0, IDC_GROUPBOX, 8, 34, 265, 102});
    AddControl({L"STATIC", "The Tarvolo developers", SS_CENTER, 0, IDC_LABELNAME, 8, 16, 200, 16, group});
    AddControl({L"BUTTON", kMailAddress, BS_PUSHBUTTON | BS_FLAT, 0, IDC_BTNMAIL, 8, 34, 200, 20, group},
               btnMail);
    HWND labelContact = nullptr;
    AddControl({L"STATIC", "Questions? See the help.", SS_CENTER | SS_NOTIFY, 0, IDC_LABELCONTACT, 8, 56, 200,
                16, group},
               &labelContact);
    AddControl({L"BUTTON", kWebPage, BS_PUSHBUTTON | BS_FLAT, 0, IDC_BTNWEB, 8, 74, 200, 20, group}, btnWeb);
    const int Panel1 =
        AddControl({L"STATIC", "", SS_SUNKEN | SS_NOTIFY, 0, IDC_PANEL1, 216, 14, 40, 40, group});
    AddControl({L"STATIC", "", SS_ICON | SS_CENTERIMAGE | SS_NOTIFY, 0, IDC_IMAGE1, 4, 4, 32, 32, Panel1},
               Image1);
    picture_.reset(
        static_cast<HICON>(::LoadImageW(Application::Get().Instance(), MAKEINTRESOURCEW(IDI_TARVOLO),
                                        IMAGE_ICON, Scaled(32), Scaled(32), 0)));
    if (picture_) Image1.SetIcon(picture_.get());
    // The picture lies over the panel: both are siblings on the form.
    ::SetWindowPos(Image1.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    AddControl({L"BUTTON", "OK", BS_DEFPUSHBUTTON, 0, IDOK, 101, 142, 78, 24});

    // The hints are the program's own words, the first person included.
    SetHint(btnMail.Handle(), "Click here to send me an e-mail message");
    SetHint(labelContact, "The help beside the program explains every feature");
    SetHint(btnWeb.Handle(), "Click here to visit my site where you can download more software");
    SetHint(Image1.Handle(), "Hi Everybody!");
    for (const Button& link : {btnMail, btnWeb}) ::SetWindowSubclass(link.Handle(), &LinkProc, 1, 0);

    // OK is the default and the cancel button at once: Enter, Esc and a click close the box.
    SetDefaultButton(IDOK);
    SetCancelButton(IDOK);
    OnClick(IDOK, [this] { SetModalResult(ModalResult::cancel); });
    OnClick(IDC_BTNMAIL, [this] { btnClick(btnMail); });
    OnClick(IDC_BTNWEB, [this] { btnClick(btnWeb); });
}

void TfrmAbout::btnClick(Button button) {
    const std::string caption = WindowText(button.Handle());
    const AboutLink link = button.Handle() == btnMail.Handle() ? AboutLink::mail : AboutLink::web;
    Form* main = Application::Get().MainForm();
    HWND owner = main ? main->Handle() : hwnd_;
    if (link == AboutLink::mail) {
        ShellOpen(hwnd_, "mailTo:" + caption);
        return;
    }
    std::wstring target = Widen(caption);
    // The project's page is the manual beside the program, named relative to it.
    if (target.find(L':') == std::wstring::npos) target = DocumentUrl(ProgramFolderPath(target), {});
    if (!OpenInBrowser(target, owner))
        MessageBoxUtf8(hwnd_, "Cannot open " + Narrow(target) + ": no program is set up to show it",
                       Application::Get().Title(), MB_OK | MB_ICONERROR);
}

void ShowAboutBox(HWND owner) {
    // A fresh box each time: nothing of an earlier one survives.
    TfrmAbout about(owner);
    about.ShowModal();
}

}  // namespace tarvolo
