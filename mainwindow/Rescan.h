// The scan progress window: names the drive, counts the directories found,
// plays a short animation and offers Cancel while a drive is scanned.
#pragma once

#include <string>

#include "platform/Form.h"

namespace tarvolo {

class TfrmMain;

class TfrmRescan : public Form {
public:
    explicit TfrmRescan(TfrmMain& main);
    // Scans the drive whose root is given ("C:\"), leaves its sorted rows in the
    // main window and writes its index file.
    void ScanDrive(const std::string& root);
    void btnCancelClick();

    int Tag = 0;  // the cancel request
    HWND infoDrive{}, Animate{}, btnCancel{}, Info{};

private:
    TfrmMain& main_;
};

}  // namespace tarvolo
