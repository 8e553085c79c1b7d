// A small modal box that asks for one line of text.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Controls.h"
#include "platform/Form.h"

namespace tarvolo {

class TfrmInputBox : public Form {
public:
    TfrmInputBox(HWND owner, const std::string& caption, const std::string& prompt, const std::string& value);
    ~TfrmInputBox() override { DestroyForm(); }
    // The text as typed.
    std::string Text() const { return Edit.Text(); }

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    tarvolo::Edit Edit;
    bool focused_ = false;
};

// True when OK was pressed; `value` is the starting text (shown all selected) and,
// on OK, the text as typed (at most 255 characters).
bool InputQuery(HWND owner, const std::string& caption, const std::string& prompt, std::string& value);

}  // namespace tarvolo
