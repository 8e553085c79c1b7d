// The about box and the help entry points. The help is an HTML document beside
// the executable, opened in the user's browser.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/Handles.h"

namespace tarvolo {

// The two links of the about box.
enum class AboutLink { mail, web };

class TfrmAbout : public Form {
public:
    explicit TfrmAbout(HWND owner);
    ~TfrmAbout() override { DestroyForm(); }

private:
    // The mail link and the web link.
    void btnClick(Button button);

    // The title, the links and the picture; the group box, the panel and the
    // other lines are only drawn.
    Label Label3, Image1;
    Button btnMail, btnWeb;
    UniqueFont titleFont_;
    UniqueIcon picture_;
};

void ShowAboutBox(HWND owner);

}  // namespace tarvolo
