// The minimize-information dialog, shown when the main window is closed.
#pragma once

#include "platform/Controls.h"
#include "platform/Form.h"

namespace tarvolo {

class TfrmCloseInfo : public Form {
public:
    // `showCloseInfo` becomes false when the user asks not to be shown this again.
    TfrmCloseInfo(HWND owner, bool& showCloseInfo);
    ~TfrmCloseInfo() override { DestroyForm(); }

protected:
    void OnClose() override;  // FormClose

private:
    void btnOkClick();

    bool& showCloseInfo_;
    // The group box and the four lines of Label1 to Label4 are only drawn: no name is kept for them.
    Button DontShowAgain;
};

}  // namespace tarvolo
