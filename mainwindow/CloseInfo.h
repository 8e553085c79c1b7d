// The minimize-information dialog, shown when the main window is closed.
#pragma once

#include "platform/Form.h"

namespace tarvolo {

class TfrmCloseInfo : public Form {
public:
    // `showCloseInfo` becomes false when the user asks not to be shown this again.
    TfrmCloseInfo(HWND owner, bool& showCloseInfo);
    ~TfrmCloseInfo() override { DestroyForm(); }
    void btnOkClick();

    HWND InformationGroupBox{}, Label1{}, Label2{}, Label3{}, Label4{}, DontShowAgain{}, btnOk{};

protected:
    void OnClose() override;  // FormClose

private:
    bool& showCloseInfo_;
};

}  // namespace tarvolo
