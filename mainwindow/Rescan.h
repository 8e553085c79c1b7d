// The scan progress window: names the drive, counts the directories found,
// plays a short animation and offers Cancel while a drive is scanned.
#pragma once

#include <functional>
#include <string>

#include "index/Scan.h"
#include "model/Model.h"
#include "platform/Controls.h"
#include "platform/Form.h"

namespace tarvolo {

class TfrmRescan : public Form {
public:
    // A walk's rows go to `showRows`, which puts them on show in `mainWindow`;
    // the window is disabled during the walk and the scan window centred on it.
    TfrmRescan(HWND mainWindow, Model& model, std::function<void(RowStore)> showRows);
    ~TfrmRescan() override;

    // Scans the drive whose root is given ("C:\"), hands its sorted rows to the
    // main window and writes its index file. A folder that cannot be listed
    // keeps the rows `known` (the drive's rows so far, or null) has below it.
    // False, with nothing handed or written, when the drive could not be
    // listed (the user is told) or the program is ending.
    bool ScanDrive(const std::string& root, const RowStore* known);
    bool Scanning() const { return scanning_; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    class Observer;
    void FormCreate();
    void btnCancelClick();
    // Runs as the window closes at the end of every scan.
    void FormClose();
    void StartAnimation();
    void StopAnimation();

    HWND mainWindow_;
    Model& model_;
    std::function<void(RowStore)> showRows_;
    int Tag = 0;           // the cancel request
    std::string RootPath;  // the drive being scanned, "C:\"
    bool scanning_ = false;
    bool cutShort_ = false;  // the last walk was cut short by a cancel
    Label infoDrive, Info;   // the drive line and the count line
    Animation Animate;
    Button btnCancel;
    UniqueFont labelFont_;
    UniqueImageList cancelPicture_;  // the button draws from it but does not own it
};

}  // namespace tarvolo
