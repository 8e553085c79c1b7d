// The about box and the help entry points. The help is an HTML document beside
// the executable, opened in the user's browser.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Form.h"
#include "platform/Handles.h"

namespace tarvolo {

// The two links of the about box.
enum class AboutLink { mail, web };

class TfrmAbout : public Form {
public:
    explicit TfrmAbout(HWND owner);
    ~TfrmAbout() override { DestroyForm(); }
    // The mail link and the web link.
    void btnClick(HWND button);

    HWND Label3{}, GroupBox{}, labelName{}, btnMail{}, labelContact{}, btnWeb{}, Panel1{}, Image1{}, btnOk{};

private:
    UniqueFont titleFont_;
    UniqueIcon picture_;
};

void ShowAboutBox(HWND owner);

}  // namespace tarvolo
