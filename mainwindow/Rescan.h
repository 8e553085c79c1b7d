// The scan progress window: names the drive, counts the directories found,
// plays a short animation and offers Cancel while a drive is scanned.
#pragma once

#include <string>

#include "index/Scan.h"
#include "platform/Form.h"

namespace tarvolo {

class TfrmMain;

// Where a drive's index lives: "C:\tarvolo.dir" at the drive's root, and,
// for a root the user cannot write to, "%LOCALAPPDATA%\Tarvolo\C.dir".
// `drive` is the drive entry ("C:") or a root ("C:\").
std::string IndexFilePath(const std::string& drive);
std::string LocalIndexFilePath(const std::string& drive);  // empty when there is no per-user folder

class TfrmRescan : public Form {
public:
    explicit TfrmRescan(TfrmMain& main);
    ~TfrmRescan() override;

    // Scans the drive whose root is given ("C:\"), leaves its sorted rows in the
    // main window and writes its index file.
    void ScanDrive(const std::string& root);
    void FormCreate();
    void btnCancelClick();
    // Runs as the window closes at the end of every scan.
    void FormClose();
    bool Scanning() const { return scanning_; }
    // Writes the index at the drive's root or, failing that, in the per-user
    // folder; false when neither could be written.
    static bool SaveIndex(const std::string& root, const std::string& text);

    int Tag = 0;  // the cancel request
    std::string RootPath;
    uint32_t DirCount = 0;  // the real count: it does not wrap at 65,535
    HWND infoDrive{}, Animate{}, btnCancel{}, Info{};

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    class Observer;
    void StartAnimation();
    void StopAnimation();

    TfrmMain& main_;
    bool scanning_ = false;
    UniqueFont labelFont_;
    UniqueImageList cancelPicture_;  // the button draws from it but does not own it
};

}  // namespace tarvolo
