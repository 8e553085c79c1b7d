#include "options/Options.h"

#include <commctrl.h>

#include <type_traits>

#include "adapters/ButtonPictures.h"
#include "adapters/KeyNames.h"
#include "options/InputBox.h"
#include "options/StartUpShortcut.h"
#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/Help.h"
#include "platform/WinText.h"
#include "store/Favorites.h"
#include "store/Global.h"
#include "index/LeaveOut.h"

namespace tarvolo {

namespace {

enum OptionsControlId : int {
    IDC_PAGECONTROL = 500,
    IDC_GROUPSYSTEM,
    IDC_RUNATSTARTUP,
    IDC_HOTKEYLABEL0,
    IDC_HOTKEYEDIT,
    IDC_GROUPRESCAN,
    IDC_INCREADONLY,
    IDC_INCSYSTEM,
    IDC_INCHIDDEN,
    IDC_CHECKATSTART,
    IDC_GROUPFAVORITES,
    IDC_FAVORITESLISTBOX,
    IDC_BTNEDIT,
    IDC_BTNDELETE,
    IDC_BTNMOVEUP,
    IDC_BTNMOVEDOWN,
    IDC_HOTKEYLABEL,
    IDC_FAVORITESHOTKEY,
    IDC_TODIALOGLABEL,
    IDC_FAVORITESTODIALOGHOTKEY,
    IDC_GROUPDIALOGS,
    IDC_DIALOGSLISTBOX,
    IDC_BTNDIALOGSADD,
    IDC_BTNDIALOGSEDIT,
    IDC_BTNDELETE2,
    IDC_BTNMOVEUP2,
    IDC_BTNMOVEDOWN2,
    IDC_OPTIONSHELP,
    IDC_DIALOGSHINT,
    IDC_GROUPSEARCH,
    IDC_MATCHANYWHERE,
    IDC_GROUPLEAVEOUT,
    IDC_LEAVEOUTLISTBOX,
    IDC_BTNLEAVEOUTADD,
    IDC_BTNLEAVEOUTEDIT,
    IDC_BTNDELETE3,
    IDC_LEAVEOUTHINT,
    IDC_QUICKJUMPLABEL,
    IDC_QUICKJUMPHOTKEY,
};

const char kDialogsHint[] =
    "Dialog finds the standard Open, Save As and Browse For Folder dialogs by itself, in any language. "
    "List here only the beginnings of the captions of other programs' own dialogs.";
const char kLeaveOutHint[] =
    "Left out of every scan and of the changes followed live, with everything in them. A rule is a name "
    "(node_modules), a name with * and ? (Temp*), or a path (D:\\Data\\Cache; \\Data\\Cache on every drive).";
const char* const kPageNames[] = {"General", "Favorites", "Dialogs To Find", "Leave Out"};
const char* const kHelpTopics[] = {"IDH_1910", "IDH_2010", "IDH_2110", "IDH_2210"};

// clang-format off
bool IsExtendedKey(unsigned vk) {
    switch (vk) {
    case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME: case VK_LEFT: case VK_UP: case VK_RIGHT:
    case VK_DOWN: case VK_INSERT: case VK_DELETE: case VK_DIVIDE: case VK_NUMLOCK:
        return true;
    default:
        return false;
    }
}
// clang-format on

// A hot-key editor's combination as a shortcut value, and back.
uint16_t ShortcutOf(HotKeyControl editor) {
    return ShortcutFromHotKeyValue(editor.Value());
}

void SetShortcut(HotKeyControl editor, uint16_t shortcut) {
    editor.SetValue(HotKeyValueFromShortcut(shortcut));
}

void ReplaceItem(ListBox list, int index, const std::string& text) {
    list.Delete(index);
    list.Insert(index, text);
    list.Select(index);
}

}  // namespace

uint16_t ShortcutFromHotKeyValue(WORD value) {
    unsigned vk = LOBYTE(value), flags = HIBYTE(value);
    // Modifiers without a key are no combination.
    if (vk == 0) return 0;
    unsigned shortcut = vk;
    if (flags & HOTKEYF_SHIFT) shortcut |= kShortcutShift;
    if (flags & HOTKEYF_CONTROL) shortcut |= kShortcutCtrl;
    if (flags & HOTKEYF_ALT) shortcut |= kShortcutAlt;
    return static_cast<uint16_t>(shortcut);
}

WORD HotKeyValueFromShortcut(uint16_t shortcut) {
    unsigned vk = shortcut & 0xFF;
    if (vk == 0) return 0;
    unsigned flags = 0;
    if (shortcut & kShortcutShift) flags |= HOTKEYF_SHIFT;
    if (shortcut & kShortcutCtrl) flags |= HOTKEYF_CONTROL;
    if (shortcut & kShortcutAlt) flags |= HOTKEYF_ALT;
    if (IsExtendedKey(vk)) flags |= HOTKEYF_EXT;
    return MAKEWORD(vk, flags);
}

std::string FavoriteItemText(const std::string& entry) {
    std::string text = FavoritePath(entry);
    std::string open = ShortcutToText(FavoriteOpenHotKey(entry));
    std::string dialog = ShortcutToText(FavoriteDialogHotKey(entry));
    if (!open.empty()) text += "  [" + open + "]";
    if (!dialog.empty()) text += "  {" + dialog + "}";
    return text;
}

std::string TrimText(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return text.substr(begin, end - begin);
}

TfrmOptions::TfrmOptions(HWND owner, OptionsValues values, HotKeyService& hotKeys,
                         HotKeyService& quickJumpKeys)
    : values_(std::move(values)), hotKeys_(hotKeys), quickJumpKeys_(quickJumpKeys) {
    CreateForm(FormArgs::Dialog("Tarvolo Options", L"TfrmOptions", owner, 572, 332, WS_EX_CONTROLPARENT));
    CreateControls();

    // A key alone or with Shift alone is no hot key.
    for (const HotKeyControl& editor :
         {HotKeyEdit, QuickJumpHotKeyEdit, FavoritesHotKey, FavoritesToDialogHotKey})
        editor.SetRules(HKCOMB_NONE | HKCOMB_S, 0);

    SetDefaultButton(IDOK);
    SetCancelButton(IDCANCEL);
    OnClick(IDOK, [this] { btnOkClick(); });
    OnClick(IDCANCEL, [this] { btnCancelClick(); });
    OnClick(IDC_OPTIONSHELP, [this] { btnHelpClick(); });
    OnClick(IDC_BTNEDIT, [this] { btnEditClick(); });
    OnClick(IDC_BTNDELETE, [this] { btnDeleteClick(EditedList::favorites); });
    OnClick(IDC_BTNMOVEUP, [this] { btnMoveUpClick(EditedList::favorites); });
    OnClick(IDC_BTNMOVEDOWN, [this] { btnMoveDownClick(EditedList::favorites); });
    OnClick(IDC_BTNDIALOGSADD, [this] { btnDialogsAddClick(); });
    OnClick(IDC_BTNDIALOGSEDIT, [this] { btnDialogsEditClick(); });
    OnClick(IDC_BTNDELETE2, [this] { btnDeleteClick(EditedList::dialogs); });
    OnClick(IDC_BTNMOVEUP2, [this] { btnMoveUpClick(EditedList::dialogs); });
    OnClick(IDC_BTNMOVEDOWN2, [this] { btnMoveDownClick(EditedList::dialogs); });
    OnClick(IDC_BTNLEAVEOUTADD, [this] { btnLeaveOutAddClick(); });
    OnClick(IDC_BTNLEAVEOUTEDIT, [this] { btnLeaveOutEditClick(); });
    OnClick(IDC_BTNDELETE3, [this] { btnDeleteClick(EditedList::leaveOut); });
    OnNotifyCode(IDC_FAVORITESLISTBOX, LBN_SELCHANGE, [this] { FavoritesListBoxClick(); });
    keyPreview = true;
    ShowPage(0);
    FormShow();
}

void TfrmOptions::CreateControls() {
    const DWORD check = WS_TABSTOP | BS_AUTOCHECKBOX;
    const DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
    const DWORD hotKey = WS_TABSTOP;
    // A page's control; the buttons and labels that nothing reads after this keep no name.
    auto add = [this](int page, const ControlArgs& a, auto&... named) {
        HWND hwnd = nullptr;
        const int node = AddControl(a, &hwnd);
        ((named = std::decay_t<decltype(named)>(hwnd)), ...);
        pages_[page].push_back(hwnd);
        return node;
    };

    // Page "General".
    int sys = add(0, {L"BUTTON", "System", BS_GROUPBOX, 0, IDC_GROUPSYSTEM, 16, 38, 264, 158});
    add(0, {L"BUTTON", "Run At Start Up", check | WS_GROUP, 0, IDC_RUNATSTARTUP, 12, 22, 240, 18, sys},
        RunAtStartUp);
    // "Tarvolo Hot Key " keeps its trailing blank: it is the caption as the users have always seen it.
    add(0, {L"STATIC", "Tarvolo Hot Key ", SS_LEFT, 0, IDC_HOTKEYLABEL0, 12, 52, 240, 16, sys});
    add(0, {HOTKEY_CLASSW, "", hotKey, WS_EX_CLIENTEDGE, IDC_HOTKEYEDIT, 12, 70, 240, 22, sys}, HotKeyEdit);
    add(0, {L"STATIC", "Quick Jump Hot Key", SS_LEFT, 0, IDC_QUICKJUMPLABEL, 12, 100, 240, 16, sys});
    add(0, {HOTKEY_CLASSW, "", hotKey, WS_EX_CLIENTEDGE, IDC_QUICKJUMPHOTKEY, 12, 118, 240, 22, sys},
        QuickJumpHotKeyEdit);
    int rescan = add(0, {L"BUTTON", "Rescan", BS_GROUPBOX, 0, IDC_GROUPRESCAN, 292, 38, 264, 158});
    add(0, {L"BUTTON", "Include Read Only Folders", check, 0, IDC_INCREADONLY, 12, 22, 240, 18, rescan},
        incReadOnly);
    add(0, {L"BUTTON", "Include System Folders", check, 0, IDC_INCSYSTEM, 12, 46, 240, 18, rescan},
        incSystem);
    add(0, {L"BUTTON", "Include Hidden Folders", check, 0, IDC_INCHIDDEN, 12, 70, 240, 18, rescan},
        incHidden);
    add(0,
        {L"BUTTON", "Check drives for changes at start", check, 0, IDC_CHECKATSTART, 12, 94, 240, 18, rescan},
        CheckAtStart);
    int search = add(0, {L"BUTTON", "Search", BS_GROUPBOX, 0, IDC_GROUPSEARCH, 16, 204, 540, 50});
    add(0, {L"BUTTON", "Match anywhere in the name", check, 0, IDC_MATCHANYWHERE, 12, 22, 516, 18, search},
        MatchAnywhere);

    // Page "Favorites".
    int fav = add(1, {L"BUTTON", "Favorites", BS_GROUPBOX, 0, IDC_GROUPFAVORITES, 16, 38, 540, 196});
    add(1,
        {L"LISTBOX", "",
         WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY |
             LBS_NOINTEGRALHEIGHT,
         WS_EX_CLIENTEDGE, IDC_FAVORITESLISTBOX, 10, 18, 300, 168, fav},
        FavoritesListBox);
    add(1, {L"STATIC", "Open Hot Key", SS_LEFT, 0, IDC_HOTKEYLABEL, 410, 18, 120, 16, fav});
    add(1, {HOTKEY_CLASSW, "", hotKey, WS_EX_CLIENTEDGE, IDC_FAVORITESHOTKEY, 410, 36, 120, 22, fav},
        FavoritesHotKey);
    add(1, {L"STATIC", "To Dialog Hot Key", SS_LEFT, 0, IDC_TODIALOGLABEL, 410, 68, 120, 16, fav});
    add(1, {HOTKEY_CLASSW, "", hotKey, WS_EX_CLIENTEDGE, IDC_FAVORITESTODIALOGHOTKEY, 410, 86, 120, 22, fav},
        FavoritesToDialogHotKey);
    add(1, {L"BUTTON", "Edit", button, 0, IDC_BTNEDIT, 320, 18, 78, 24, fav});
    add(1, {L"BUTTON", "Delete", button, 0, IDC_BTNDELETE, 320, 46, 78, 24, fav});
    add(1, {L"BUTTON", "Move Up", button, 0, IDC_BTNMOVEUP, 320, 74, 78, 24, fav});
    add(1, {L"BUTTON", "Move Down", button, 0, IDC_BTNMOVEDOWN, 320, 102, 78, 24, fav});

    // Page "Dialogs To Find".
    int dlg =
        add(2, {L"BUTTON", "Dialogs To Search For", BS_GROUPBOX, 0, IDC_GROUPDIALOGS, 16, 38, 540, 196});
    add(2,
        {L"LISTBOX", "", WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
         WS_EX_CLIENTEDGE, IDC_DIALOGSLISTBOX, 10, 18, 420, 118, dlg},
        DialogsListBox);
    // An empty list is the usual case: the standard dialogs need no entry.
    add(2, {L"STATIC", kDialogsHint, SS_LEFT, 0, IDC_DIALOGSHINT, 10, 142, 420, 46, dlg});
    add(2, {L"BUTTON", "Add", button, 0, IDC_BTNDIALOGSADD, 442, 18, 78, 24, dlg});
    add(2, {L"BUTTON", "Edit", button, 0, IDC_BTNDIALOGSEDIT, 442, 46, 78, 24, dlg});
    add(2, {L"BUTTON", "Delete", button, 0, IDC_BTNDELETE2, 442, 74, 78, 24, dlg});
    add(2, {L"BUTTON", "Move Up", button, 0, IDC_BTNMOVEUP2, 442, 102, 78, 24, dlg});
    add(2, {L"BUTTON", "Move Down", button, 0, IDC_BTNMOVEDOWN2, 442, 130, 78, 24, dlg});

    // Page "Leave Out".
    int leave =
        add(3, {L"BUTTON", "Folders To Leave Out", BS_GROUPBOX, 0, IDC_GROUPLEAVEOUT, 16, 38, 540, 196});
    add(3,
        {L"LISTBOX", "", WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
         WS_EX_CLIENTEDGE, IDC_LEAVEOUTLISTBOX, 10, 18, 420, 118, leave},
        LeaveOutListBox);
    add(3, {L"STATIC", kLeaveOutHint, SS_LEFT, 0, IDC_LEAVEOUTHINT, 10, 142, 420, 46, leave});
    add(3, {L"BUTTON", "Add", button, 0, IDC_BTNLEAVEOUTADD, 442, 18, 78, 24, leave});
    add(3, {L"BUTTON", "Edit", button, 0, IDC_BTNLEAVEOUTEDIT, 442, 46, 78, 24, leave});
    add(3, {L"BUTTON", "Delete", button, 0, IDC_BTNDELETE3, 442, 74, 78, 24, leave});

    HWND btnOk = nullptr, btnHelp = nullptr;
    AddControl({L"BUTTON", "OK", button | BS_DEFPUSHBUTTON | WS_GROUP, 0, IDOK, 324, 300, 78, 24}, &btnOk);
    AddControl({L"BUTTON", "&Help", button, 0, IDC_OPTIONSHELP, 406, 300, 78, 24}, &btnHelp);
    AddControl({L"BUTTON", "Cancel", button, 0, IDCANCEL, 488, 300, 78, 24});
    SetButtonPictureFromStrip(*this, btnOk, ButtonPicture::ok);
    SetButtonPictureFromStrip(*this, btnHelp, ButtonPicture::help);

    // The page control lies under every page's controls: made last, it is last in
    // the stacking order, and it leaves them unpainted.
    AddControl({WC_TABCONTROLW, "", WS_CLIPSIBLINGS, 0, IDC_PAGECONTROL, 8, 8, 556, 284}, PageControl);
    for (const char* name : kPageNames) PageControl.AddTab(name);
    ::SetWindowPos(PageControl.Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TfrmOptions::ShowPage(int page) {
    page_ = page;
    PageControl.Select(page);
    for (int i = 0; i < kPages; ++i)
        for (HWND w : pages_[i]) ::ShowWindow(w, i == page ? SW_SHOWNA : SW_HIDE);
}

ListBox TfrmOptions::ListOf(EditedList which) const {
    switch (which) {
        case EditedList::favorites:
            return FavoritesListBox;
        case EditedList::dialogs:
            return DialogsListBox;
        case EditedList::leaveOut:
            break;
    }
    return LeaveOutListBox;
}

bool TfrmOptions::IsHotKeyEditor(HWND hwnd) const {
    return hwnd == HotKeyEdit.Handle() || hwnd == QuickJumpHotKeyEdit.Handle() ||
           hwnd == FavoritesHotKey.Handle() || hwnd == FavoritesToDialogHotKey.Handle();
}

void TfrmOptions::FormShow() {
    RunAtStartUp.SetChecked(StartUpShortcutExists());
    incReadOnly.SetChecked(values_.includeReadOnly);
    incHidden.SetChecked(values_.includeHidden);
    incSystem.SetChecked(values_.includeSystem);
    CheckAtStart.SetChecked(values_.checkAtStart);
    MatchAnywhere.SetChecked(values_.matchAnywhere);
    SetShortcut(HotKeyEdit, values_.hotKey);
    SetShortcut(QuickJumpHotKeyEdit, values_.quickJumpHotKey);
    for (const auto& [list, entries] :
         {std::pair{FavoritesListBox, &values_.favorites}, std::pair{DialogsListBox, &values_.dialogs},
          std::pair{LeaveOutListBox, &values_.leaveOut}}) {
        list.Clear();
        for (const std::string& entry : *entries) list.Add(entry);
    }
}

void TfrmOptions::btnOkClick() {
    // A rule the file held that would empty a drive (or cannot match) is never applied; OK says so
    // rather than keep it quietly, and the page shows it for Edit or Delete.
    const std::vector<std::string> leaveOut = LeaveOutListBox.Items();
    for (size_t i = 0; i < leaveOut.size(); ++i) {
        const std::string error = LeaveOutRuleError(leaveOut[i]);
        if (error.empty()) continue;
        MessageBoxUtf8(hwnd_, error, Application::Get().Title(), MB_OK | MB_ICONWARNING);
        ShowPage(3);
        LeaveOutListBox.Select(static_cast<int>(i));
        ::SetFocus(LeaveOutListBox.Handle());
        return;
    }
    const uint16_t wanted = ShortcutOf(HotKeyEdit);
    if (!hotKeys_.Set(wanted)) {
        MessageBoxUtf8(hwnd_, HotKeyTakenText(wanted), Application::Get().Title(), MB_OK | MB_ICONWARNING);
        // A new choice that is taken: the working hot key stays, and the dialog stays
        // open at the editor so that another can be chosen. The stored choice itself
        // (taken since the start) is kept, so that the other settings can still be saved.
        if (wanted != values_.hotKey) {
            ShowPage(0);
            ::SetFocus(HotKeyEdit.Handle());
            return;
        }
    }
    const uint16_t jumpWanted = ShortcutOf(QuickJumpHotKeyEdit);
    if (!quickJumpKeys_.Set(jumpWanted)) {
        MessageBoxUtf8(hwnd_, HotKeyTakenText(jumpWanted), Application::Get().Title(),
                       MB_OK | MB_ICONWARNING);
        // As for the program's hot key: a new choice that is taken keeps the dialog open at its editor.
        if (jumpWanted != values_.quickJumpHotKey) {
            ShowPage(0);
            ::SetFocus(QuickJumpHotKeyEdit.Handle());
            return;
        }
    }
    SetModalResult(ModalResult::ok);
    values_.hotKey = wanted;
    values_.quickJumpHotKey = jumpWanted;
    values_.includeReadOnly = incReadOnly.Checked();
    values_.includeHidden = incHidden.Checked();
    values_.includeSystem = incSystem.Checked();
    values_.checkAtStart = CheckAtStart.Checked();
    values_.matchAnywhere = MatchAnywhere.Checked();
    values_.favorites = FavoritesListBox.Items();
    values_.dialogs = DialogsListBox.Items();
    values_.leaveOut = leaveOut;
    if (RunAtStartUp.Checked())
        CreateStartUpShortcut();
    else
        DeleteStartUpShortcut();
}

void TfrmOptions::btnCancelClick() {
    SetModalResult(ModalResult::cancel);
}

void TfrmOptions::FavoritesListBoxDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) {
        if (item.itemState & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
        return;
    }
    bool selected = item.itemState & ODS_SELECTED;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    std::wstring text = Widen(FavoriteItemText(FavoritesListBox.Item(static_cast<int>(item.itemID))));
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT r = item.rcItem;
    ::DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
                DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
}

void TfrmOptions::FavoritesListBoxClick() {
    int i = FavoritesListBox.Selected();
    if (i < 0) return;
    std::string entry = FavoritesListBox.Item(i);
    SetShortcut(FavoritesHotKey, FavoriteOpenHotKey(entry));
    SetShortcut(FavoritesToDialogHotKey, FavoriteDialogHotKey(entry));
}

void TfrmOptions::FormKeyUp() {
    HWND focus = ::GetFocus();
    if (focus != FavoritesHotKey.Handle() && focus != FavoritesToDialogHotKey.Handle()) return;
    int i = FavoritesListBox.Selected();
    if (i < 0) return;
    std::string path = FavoritePath(FavoritesListBox.Item(i));
    ReplaceItem(FavoritesListBox, i,
                ComposeFavoriteEntry(path, ShortcutOf(FavoritesHotKey), ShortcutOf(FavoritesToDialogHotKey)));
}

void TfrmOptions::btnEditClick() {
    int i = FavoritesListBox.Selected();
    if (i < 0) return;
    std::string path = FavoritePath(FavoritesListBox.Item(i));
    // "Direcotry Path" is the caption as the users have always seen it, misspelt; the prompt is not.
    if (!InputQuery(hwnd_, "Direcotry Path", "Directory Path", path)) return;
    ReplaceItem(FavoritesListBox, i,
                ComposeFavoriteEntry(path, ShortcutOf(FavoritesHotKey), ShortcutOf(FavoritesToDialogHotKey)));
}

void TfrmOptions::btnDeleteClick(EditedList which) {
    const ListBox list = ListOf(which);
    const int i = list.Selected();
    if (i < 0) return;
    const char* question = which == EditedList::favorites ? "Delete selected folder from Favorites?"
                           : which == EditedList::dialogs ? "Delete selected dialog?"
                                                          : "Delete selected rule?";
    if (MessageBoxUtf8(hwnd_, question, "Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    list.Delete(i);
}

void TfrmOptions::btnMoveUpClick(EditedList which) {
    const ListBox list = ListOf(which);
    const int i = list.Selected();
    if (i <= 0) return;
    const std::string moved = list.Item(i);
    ReplaceItem(list, i, list.Item(i - 1));
    ReplaceItem(list, i - 1, moved);
}

void TfrmOptions::btnMoveDownClick(EditedList which) {
    const ListBox list = ListOf(which);
    const int i = list.Selected();
    if (i < 0 || i + 1 >= list.Count()) return;
    const std::string moved = list.Item(i);
    ReplaceItem(list, i, list.Item(i + 1));
    ReplaceItem(list, i + 1, moved);
}

void TfrmOptions::btnDialogsAddClick() {
    std::string text;
    if (!InputQuery(hwnd_, "Add Dialog", "Search for the Dialog", text)) return;
    DialogsListBox.Add(TrimText(text));
}

void TfrmOptions::btnDialogsEditClick() {
    int i = DialogsListBox.Selected();
    if (i < 0) return;
    std::string text = DialogsListBox.Item(i);
    if (!InputQuery(hwnd_, "Edit Dialog", "Search for the Dialog", text)) return;
    ReplaceItem(DialogsListBox, i, TrimText(text));
}

bool TfrmOptions::AskLeaveOutRule(const char* caption, std::string& rule) {
    for (;;) {
        if (!InputQuery(hwnd_, caption, "Folder name, wildcard or path", rule)) return false;
        rule = TrimText(rule);
        const std::string error = LeaveOutRuleError(rule);
        if (error.empty()) return true;
        MessageBoxUtf8(hwnd_, error, Application::Get().Title(), MB_OK | MB_ICONWARNING);
    }
}

void TfrmOptions::btnLeaveOutAddClick() {
    std::string rule;
    if (!AskLeaveOutRule("Leave Out", rule)) return;
    LeaveOutListBox.Add(rule);
}

void TfrmOptions::btnLeaveOutEditClick() {
    const int i = LeaveOutListBox.Selected();
    if (i < 0) return;
    std::string rule = LeaveOutListBox.Item(i);
    if (!AskLeaveOutRule("Leave Out", rule)) return;
    ReplaceItem(LeaveOutListBox, i, rule);
}

void TfrmOptions::btnHelpClick() {
    ShowHelpTopic(kHelpTopics[page_]);
}

bool TfrmOptions::OnDrawItem(DRAWITEMSTRUCT& item) {
    if (item.CtlID != IDC_FAVORITESLISTBOX) return false;
    FavoritesListBoxDrawItem(item);
    return true;
}

void TfrmOptions::OnDpiChanged() {
    FavoritesListBox.SetItemHeight(Scaled(16));
}

bool TfrmOptions::OnMeasureItem(MEASUREITEMSTRUCT& item) {
    if (item.CtlID != IDC_FAVORITESLISTBOX) return false;
    item.itemHeight = static_cast<UINT>(Scaled(16));
    return true;
}

bool TfrmOptions::PreviewKey(MSG& msg) {
    if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) {
        // The editor takes the key first, so the release sees the combination it made.
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        FormKeyUp();
        return true;
    }
    if (msg.message == WM_KEYDOWN && ::GetKeyState(VK_CONTROL) < 0 &&
        (msg.wParam == VK_TAB || msg.wParam == VK_NEXT || msg.wParam == VK_PRIOR)) {
        // Ctrl+Tab and Ctrl+Page Down turn to the next page, with Shift or Page Up to the one before.
        bool back = msg.wParam == VK_PRIOR || (msg.wParam == VK_TAB && ::GetKeyState(VK_SHIFT) < 0);
        ShowPage((page_ + (back ? kPages - 1 : 1)) % kPages);
        const HWND first[kPages] = {RunAtStartUp.Handle(), FavoritesListBox.Handle(), DialogsListBox.Handle(),
                                    LeaveOutListBox.Handle()};
        ::SetFocus(first[page_]);
        return true;
    }
    if (IsHotKeyEditor(msg.hwnd) && (msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSCHAR)) {
        // Alt combinations belong to the editor, not to the window menu or access keys.
        if (msg.message == WM_SYSKEYDOWN) ::DispatchMessageW(&msg);
        return true;
    }
    return false;
}

LRESULT TfrmOptions::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (header->hwndFrom == PageControl.Handle() && header->code == TCN_SELCHANGE) {
            ShowPage(PageControl.Selected());
            return 0;
        }
    }
    if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE && !focused_) {
        focused_ = true;
        Form::WndProc(msg, wp, lp);
        ::SetFocus(RunAtStartUp.Handle());
        return 0;
    }
    return Form::WndProc(msg, wp, lp);
}

std::optional<OptionsValues> ShowOptionsDialog(HWND owner, OptionsValues values, HotKeyService& hotKeys,
                                               HotKeyService& quickJumpKeys) {
    TfrmOptions options(owner, std::move(values), hotKeys, quickJumpKeys);
    if (options.ShowModal() != ModalResult::ok) return std::nullopt;
    return options.Values();
}

}  // namespace tarvolo
