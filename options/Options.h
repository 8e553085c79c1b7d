// The options dialog: the program's hot key and Quick Jump's, the start-up shortcut, the scan
// filters, the favorites with their key combinations and order, and the
// dialogs list. It works on copies; OK applies everything at once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/Model.h"
#include "platform/Controls.h"
#include "platform/Form.h"
#include "store/HotKeyService.h"

namespace tarvolo {

// A hot-key control's value (virtual key, HOTKEYF_* flags in the high byte)
// as a shortcut value (0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt), and back.
uint16_t ShortcutFromHotKeyValue(WORD value);
WORD HotKeyValueFromShortcut(uint16_t shortcut);
// A favorites entry as the list shows it: the path, then "  [open key]" and
// "  {dialog key}" for the keys that are set.
std::string FavoriteItemText(const std::string& entry);
// Without blanks and control characters at either end.
std::string TrimText(const std::string& text);

// The lists the options dialog edits.
enum class EditedList { favorites, dialogs, leaveOut };

class TfrmOptions : public Form {
public:
    // Edits a copy of the values; Values() holds the edited copy after OK. The hot
    // key is changed through `hotKeys` at OK, so that a taken one keeps the dialog open.
    TfrmOptions(HWND owner, OptionsValues values, HotKeyService& hotKeys, HotKeyService& quickJumpKeys);
    ~TfrmOptions() override { DestroyForm(); }
    const OptionsValues& Values() const { return values_; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnDrawItem(DRAWITEMSTRUCT& item) override;
    bool OnMeasureItem(MEASUREITEMSTRUCT& item) override;
    void OnDpiChanged() override;
    bool PreviewKey(MSG& msg) override;

private:
    void CreateControls();
    void FormShow();
    void btnOkClick();
    void btnCancelClick();
    void FavoritesListBoxDrawItem(const DRAWITEMSTRUCT& item);
    void FavoritesListBoxClick();
    void FormKeyUp();
    void btnEditClick();
    void btnDeleteClick(EditedList which);
    void btnMoveUpClick(EditedList which);
    void btnMoveDownClick(EditedList which);
    void btnDialogsAddClick();
    void btnDialogsEditClick();
    void btnLeaveOutAddClick();
    void btnLeaveOutEditClick();
    void btnHelpClick();

    // The page on top: 0 "General", 1 "Favorites", 2 "Dialogs To Find", 3 "Leave Out".
    void ShowPage(int page);
    ListBox ListOf(EditedList which) const;
    bool IsHotKeyEditor(HWND hwnd) const;
    // Asks for a rule until it is one that can be taken; false on Cancel.
    bool AskLeaveOutRule(const char* caption, std::string& rule);

    static constexpr int kPages = 4;

    OptionsValues values_;
    HotKeyService& hotKeys_;
    HotKeyService& quickJumpKeys_;

    // The controls that are read or changed after they are made; the form owns their windows.
    TabControl PageControl;
    Button RunAtStartUp, incReadOnly, incSystem, incHidden, CheckAtStart, MatchAnywhere;
    HotKeyControl HotKeyEdit, QuickJumpHotKeyEdit, FavoritesHotKey, FavoritesToDialogHotKey;
    ListBox FavoritesListBox, DialogsListBox, LeaveOutListBox;
    std::vector<HWND> pages_[kPages];
    int page_ = 0;
    bool focused_ = false;
};

// A fresh dialog on `values`, shown modally: the edited values after OK, nothing after Cancel.
std::optional<OptionsValues> ShowOptionsDialog(HWND owner, OptionsValues values, HotKeyService& hotKeys,
                                               HotKeyService& quickJumpKeys);

}  // namespace tarvolo
