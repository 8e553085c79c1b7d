// The main window as its key map sees it.
#pragma once

#include "mainwindow/KeyMap.h"

namespace tarvolo {

class TfrmMain;

class MainKeyWindow final : public KeyMapWindow {
public:
    explicit MainKeyWindow(TfrmMain& form) : form_(form) {}

    HWND Handle() const override;
    keys::KeyTarget TargetOf(HWND hwnd) const override;
    bool ListFocused() const override;
    bool SearchFocused() const override;
    void FocusList() override;
    void FocusSearch() override;
    long RowCount() const override;
    long SelectedRow() const override;
    void ClickRow(long row) override;
    bool SearchEmpty() const override;
    void SetSearchText(const std::string& text) override;
    void SearchCaretToEnd() override;
    void PressFindNext() override;
    int FindDrive(char letter) const override;
    void ChooseDrive(int index) override;
    bool RunFavoriteShortcut(WORD key, unsigned shift) override;
    void SendFrontExplorerFolder() override;

private:
    TfrmMain& form_;
};

}  // namespace tarvolo
