// The minimize-information dialog, shown when the main window is closed.
#pragma once

#include "platform/Form.h"

namespace tarvolo {

class TfrmCloseInfo : public Form {
public:
    explicit TfrmCloseInfo(HWND owner);
    void btnOkClick();

    HWND InformationGroupBox{}, Label1{}, Label2{}, Label3{}, Label4{}, DontShowAgain{}, btnOk{};

protected:
    void OnClose() override;  // FormClose
};

}  // namespace tarvolo
