// The main window's key map: typing from anywhere lands in the search box, Up
// and Down in the directory list, Shift plus a drive letter switches drives.
// The message loop hands every key message to PreviewKey before the dialog
// navigation (IsDialogMessage) and the focused control see it.
#pragma once

#include <windows.h>

#include <string>

#include "model/KeyRules.h"

namespace tarvolo {

// What the key map needs of the window it serves.
class KeyMapWindow {
public:
    virtual ~KeyMapWindow() = default;
    // The dialog whose buttons and groups the keys walk and press.
    virtual HWND Handle() const = 0;
    virtual keys::KeyTarget TargetOf(HWND hwnd) const = 0;
    virtual bool ListFocused() const = 0;
    virtual bool SearchFocused() const = 0;
    virtual void FocusList() = 0;
    virtual void FocusSearch() = 0;
    virtual long RowCount() const = 0;
    virtual long SelectedRow() const = 0;
    // Selects the row as a click on it does.
    virtual void ClickRow(long row) = 0;
    virtual bool SearchEmpty() const = 0;
    virtual void SetSearchText(const std::string& text) = 0;
    virtual void SearchCaretToEnd() = 0;
    // Find Next, as its button, when it is enabled.
    virtual void PressFindNext() = 0;
    // The drive list's index of the drive "X:", -1 when it has none.
    virtual int FindDrive(char letter) const = 0;
    // Selects that entry of the drive list and shows its drive.
    virtual void ChooseDrive(int index) = 0;
    // A favorite's own key combination; true when one took the key.
    virtual bool RunFavoriteShortcut(WORD key, unsigned shift) = 0;
    // Ctrl+G: the folder of the Explorer window in front goes to the dialog.
    virtual void SendFrontExplorerFolder() = 0;
    // Ctrl+J: the Quick Jump window.
    virtual void OpenQuickJump() = 0;
};

class KeyMap {
public:
    explicit KeyMap(KeyMapWindow& window) : window_(window) {}
    KeyMap(const KeyMap&) = delete;
    KeyMap& operator=(const KeyMap&) = delete;

    static unsigned KeyShiftState();  // the modifiers held now, as keys::ssShift ...
    // True when the message was handled here and goes no further.
    bool PreviewKey(MSG& msg);
    // Return true when the key was cleared.
    bool FormKeyDown(WORD& key, unsigned shift);
    bool FormKeyPress(char32_t& ch);
    void btnKeyDown(WORD key);
    bool cmbHistoryKeyDown(WORD& key);
    bool cmbHistoryKeyPress(char32_t& ch);

private:
    bool KeyDown(MSG& msg);
    bool Char(MSG& msg);

    KeyMapWindow& window_;
    bool searchSwallow_ = false;  // the character-swallow flag of the search box
    keys::SurrogatePairing surrogates_;
};

}  // namespace tarvolo
