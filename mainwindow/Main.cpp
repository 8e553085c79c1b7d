#include "mainwindow/Main.h"

#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

#include "about/About.h"
#include "adapters/KeyNames.h"
#include "adapters/WinHotKeyRegistrar.h"
#include "delivery/WinShell.h"
#include "delivery/WinConsoles.h"
#include "delivery/WinShellWindows.h"
#include "delivery/core/BoundedShellWindows.h"
#include "delivery/WinWindowOps.h"
#include "mainwindow/CloseInfo.h"
#include "mainwindow/Rescan.h"
#include "mainwindow/TrayMenuAdapter.h"
#include "options/Options.h"
#include "platform/Application.h"
#include "platform/Handles.h"
#include "platform/Help.h"
#include "tray/CoolTrayIcon.h"
#include "tarvolo_version.h"

namespace tarvolo {

namespace {

constexpr int kMinimizeTimer = 1;
constexpr std::chrono::milliseconds kShellLimit{2000};
constexpr int kDesignClientWidth = 529;
constexpr int kDesignClientHeight = 390;

}  // namespace

const wchar_t* ShowInstanceMessageName() {
    return kShowInstanceMessage;
}
const wchar_t* LiveGuiObjectsMessageName() {
    return L"Tarvolo.LiveGuiObjects";
}
const wchar_t* MainWindowClassName() {
    return kMainWindowClass;
}

TfrmMain::TfrmMain(Model& model) : model_(model) {
    FormArgs args;
    args.caption = "Tarvolo";
    args.className = MainWindowClassName();
    args.width = 537;
    args.height = 417;
    args.clientWidth = kDesignClientWidth;
    args.clientHeight = kDesignClientHeight;
    args.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
    args.minWidth = 537;
    args.minHeight = 300;
    CreateForm(args);
    if (!hwnd_) throw std::runtime_error("cannot create the main window");
    keyPreview = true;
    taskbarCreatedMessage_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    showInstanceMessage_ = ::RegisterWindowMessageW(ShowInstanceMessageName());
    liveGuiObjectsMessage_ = ::RegisterWindowMessageW(LiveGuiObjectsMessageName());
    // Messages from the shell and from a second start of the program must arrive
    // even when this one runs with higher rights than they do: without the
    // filter a second start could not tell this instance from a hung one.
    ::ChangeWindowMessageFilterEx(hwnd_, taskbarCreatedMessage_, MSGFLT_ALLOW, nullptr);
    ::ChangeWindowMessageFilterEx(hwnd_, showInstanceMessage_, MSGFLT_ALLOW, nullptr);
    hotKeyRegistrar_ = std::make_unique<WinHotKeyRegistrar>(hwnd_);
    hotKeys_ = std::make_unique<HotKeyService>(*hotKeyRegistrar_);
    quickJumpKeys_ = std::make_unique<HotKeyService>(*hotKeyRegistrar_, kQuickJumpHotKeyId);
    shell_ = std::make_unique<WinShell>(hwnd_);
    clipboard_ = std::make_unique<WinClipboard>(hwnd_);
    windowOps_ = std::make_unique<WinWindowOps>([this] { MinimizeApplication(); });
    CommandView& view = *this;
    commands_ = std::make_unique<Commands>(model_, *shell_, *clipboard_, *windowOps_, view);
    // The shell is asked off the window's thread: an Explorer window that hangs
    // costs a send or a menu two seconds, not the program.
    shellWindows_ = std::make_unique<BoundedShellWindows>(std::make_shared<WinShellWindows>(), kShellLimit);
    explorer_ = std::make_unique<ExplorerFolderCommands>(*shellWindows_, *commands_, view);
    consoles_ = std::make_unique<WinConsoles>();
    commands_->SetConsoles(consoles_.get());
    // An Explorer window you came from is moved to the path in place, before any dialog is looked for.
    commands_->SetWindowTarget([this](WindowHandle cameFrom, const std::string& path) {
        return explorer_->NavigateExplorerWindow(cameFrom, path);
    });
    liveIndex_ = std::make_unique<LiveIndex>(hwnd_, model_, static_cast<LiveIndexView&>(*this));
    searchFold_ = std::make_unique<SearchFold>(hwnd_, kSearchFoldedMessage);
    driveRead_ = std::make_unique<ShownDriveRead>(hwnd_, kDriveReadMessage);
    model_.AddRowsReader(searchFold_.get());
    CreateControls();
    CreateMenus();
    CreateTrayIcon();
    quickJump_ = std::make_unique<TfrmQuickJump>(model_, static_cast<QuickJumpHost&>(*this));
    OnDrivesChanged([this] { quickJump_->DrivesChanged(); });
}

TfrmMain::~TfrmMain() {
    quickJump_.reset();
    if (searchFold_) {
        model_.RemoveRowsReader(searchFold_.get());
        searchFold_.reset();  // its thread reads the model's rows
    }
    CoolTrayIcon.reset();
    DestroyForm();
}

void TfrmMain::CreateControls() {
    // One control a pair of lines, in the order of the tab stops: kept as laid out by hand.
    // The group boxes, the label and the panel are only drawn and laid out: no name is kept for them.
    // clang-format off
    const DWORD button = WS_CHILD | BS_PUSHBUTTON;  // no button is a tab stop
    const auto add = [this](const ControlArgs& args) {
        HWND hwnd = nullptr;
        AddControl(args, &hwnd);
        return hwnd;
    };
    ControlArgs a;
    // Directories group.
    a = {L"BUTTON", "Directories", BS_GROUPBOX, 0, IDC_GROUPDIRECTORIES, 4, 0, 522, 337, -1, akAll};
    int groupDirs = AddControl(a);
    a = {nullptr, "", 0, 0, IDC_DIRLISTPANEL, 8, 48, 505, 225, groupDirs, akAll};
    int panel = AddControl(a);
    // The list's own sunken edge stands for the panel's two bevels.
    a = {L"LISTBOX", "",
         WS_TABSTOP | WS_GROUP | LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
         WS_EX_CLIENTEDGE, IDC_DIRLISTBOX, 0, 0, 505, 225, panel, akAll};
    HWND DirListBox = add(a);
    a = {L"STATIC", "Drive", SS_LEFT, 0, IDC_LABEL1, 8, 22, 32, 16, groupDirs, akTopLeft};
    AddControl(a);
    a = {L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0,
         IDC_CMBDRIVES, 48, 18, 73, 200, groupDirs, akTopLeft};
    HWND cmbDrives = add(a);
    a = {L"BUTTON", "&Rescan", button, 0, IDC_BTNRESCAN, 128, 18, 89, 22, groupDirs, akTopLeft};
    btnRescan = Button(add(a));
    a = {L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, IDC_CMBHISTORY, 8, 276, 505,
         300, groupDirs, akLeft | akRight | akBottom};
    HWND cmbHistory = add(a);
    a = {L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IDC_DIRTOFIND, 8, 305, 145, 24, groupDirs,
         akLeft | akRight | akBottom};
    HWND DirToFind = add(a);
    a = {L"BUTTON", "Find &Next", button, 0, IDC_BTNFINDNEXT, 160, 305, 89, 24, groupDirs, akRight | akBottom};
    btnFindNext = Button(add(a));
    a = {L"BUTTON", "&Favorites", button, 0, IDC_BTNFAVORITES, 272, 305, 90, 24, groupDirs, akRight | akBottom};
    btnFavorites = Button(add(a));
    a = {L"BUTTON", "&Add To Favorites", button, 0, IDC_BTNADDTOFAVORITES, 368, 305, 145, 24, groupDirs,
         akRight | akBottom};
    btnAddToFavorites = Button(add(a));
    // Commands group.
    a = {L"BUTTON", "Commands", BS_GROUPBOX | WS_GROUP, 0, IDC_GROUPCOMMANDS, 4, 336, 258, 49, -1,
         akLeft | akBottom};
    int groupCommands = AddControl(a);
    a = {L"BUTTON", "&Open", WS_CHILD | BS_DEFPUSHBUTTON | WS_GROUP, 0, IDC_BTNOPEN, 8, 18, 78, 24, groupCommands,
         akTopLeft};
    btnOpen = Button(add(a));
    a = {L"BUTTON", "&Dialog", button, 0, IDC_BTNSENDTODIALOG, 90, 18, 78, 24, groupCommands, akTopLeft};
    btnSendToDialog = Button(add(a));
    a = {L"BUTTON", "&Copy", button, 0, IDC_BTNCOPY, 172, 18, 78, 24, groupCommands, akTopLeft};
    btnCopy = Button(add(a));
    // Program group.
    a = {L"BUTTON", "Program", BS_GROUPBOX | WS_GROUP, 0, IDC_GROUPPROGRAMS, 268, 336, 258, 49, -1,
         akRight | akBottom};
    int groupPrograms = AddControl(a);
    a = {L"BUTTON", "O&ptions", button | WS_GROUP, 0, IDC_BTNOPTIONS, 8, 18, 78, 25, groupPrograms, akTopLeft};
    btnOptions = Button(add(a));
    a = {L"BUTTON", "A&bout", button, 0, IDC_BTNABOUT, 90, 18, 78, 25, groupPrograms, akTopLeft};
    btnAbout = Button(add(a));
    a = {L"BUTTON", "&Help", button, 0, IDC_BTNHELP, 172, 18, 78, 25, groupPrograms, akTopLeft};
    btnHelp = Button(add(a));
    // clang-format on

    historyBox = std::make_unique<HistoryBox>(*this, cmbHistory);
    treeList = std::make_unique<TreeList>(*this, DirListBox, IDC_DIRLISTSCROLLBAR, model_.drive);
    driveList = std::make_unique<DriveList>(*this, cmbDrives);
    searchBox = std::make_unique<SearchBox>(DirToFind);
    buttonImages_.reset(LoadButtonPictures());
    ApplyScale();
    SetDefaultButton(IDC_BTNOPEN);

    SetHint(cmbDrives, "Shift+Drive Letter");
    SetHint(btnFindNext.Handle(), "Ctrl+Enter");
    SetHint(btnSendToDialog.Handle(), "To the file dialog, Explorer window or console you came from");
    SetHint(DirListBox, "");
    SetHint(cmbHistory, "");

    OnClick(IDC_BTNRESCAN, [this] { btnRescanClick(); });
    OnClick(IDC_BTNFINDNEXT, [this] { btnFindNextClick(); });
    OnClick(IDC_BTNFAVORITES, [this] { favoritesMenus->btnFavoritesClick(); });
    OnClick(IDC_BTNADDTOFAVORITES, [this] { btnAddToFavoritesClick(); });
    OnClick(IDC_BTNOPEN, [this] { CommandClick(Command::open); });
    OnClick(IDC_BTNCOPY, [this] { CommandClick(Command::copy); });
    OnClick(IDC_BTNSENDTODIALOG, [this] { CommandClick(Command::sendToDialog); });
    OnClick(IDC_BTNOPTIONS, [this] { ProgramGroupClick(ProgramButton::options); });
    OnClick(IDC_BTNABOUT, [this] { ProgramGroupClick(ProgramButton::about); });
    OnClick(IDC_BTNHELP, [this] { ProgramGroupClick(ProgramButton::help); });
    OnNotifyCode(IDC_CMBDRIVES, CBN_SELCHANGE, [this] { cmbDrivesChange(); });
    OnNotifyCode(IDC_DIRLISTBOX, LBN_SELCHANGE, [this] { DirListBoxClick(); });
    OnNotifyCode(IDC_DIRLISTBOX, LBN_DBLCLK, [this] { DirListBoxDblClick(); });
    OnNotifyCode(IDC_DIRTOFIND, EN_CHANGE, [this] { DirToFindChange(); });
    OnNotifyCode(IDC_CMBHISTORY, CBN_SELCHANGE, [this] {
        // Picking an earlier path from the drop-down list makes it the current path.
        if (const auto picked = historyBox->Picked(model_.history)) SetCurrentPath(*picked);
    });
}

// clang-format off
std::array<std::pair<Button, ButtonPicture>, 10> TfrmMain::Buttons() const {
    using P = ButtonPicture;
    return {{{btnRescan, P::rescan}, {btnFindNext, P::findNext}, {btnFavorites, P::favorites},
             {btnAddToFavorites, P::addFavorite}, {btnOpen, P::open}, {btnSendToDialog, P::dialog},
             {btnCopy, P::copy}, {btnOptions, P::options}, {btnAbout, P::about}, {btnHelp, P::help}}};
}
// clang-format on

void TfrmMain::CreateScanWindow() {
    frmRescan =
        std::make_unique<TfrmRescan>(hwnd_, model_, [this](RowStore rows) { SetRows(std::move(rows)); });
}

void TfrmMain::CreateMenus() {
    FavoritesMenusWindow window{hwnd_,
                                btnFavorites.Handle(),
                                [this] { return ActiveControl(); },
                                [this] { OpenQuickJump(); },
                                [this] { CoolTrayIconClick(); },
                                [this] { mnuCloseClick(); },
                                [this] { return explorer_->Folders(); },
                                [this](const std::string& path) { ShowExplorerFolder(path); },
                                [this](const std::string& path) { explorer_->SendFolderToDialog(path); }};
    favoritesMenus = std::make_unique<FavoritesMenus>(model_, *commands_, std::move(window), Scaled(16));
}

void TfrmMain::btnAddToFavoritesClick() {
    // Whatever the box holds, even nothing, and even when the list has it already.
    model_.AddToFavorites(CurrentPath());
}

void TfrmMain::CreateTrayIcon() {
    trayMenu_ = std::make_unique<TrayMenuAdapter>(*this, *favoritesMenus);
    CoolTrayIcon = MakeProgramTrayIcon(*trayMenu_, [this] { CoolTrayIconClick(); });
}

void TfrmMain::FormCreate() {
    treeList->LoadConnectors();
    model_.drive.codes = TreeCodes();
    LoadLists();
    driveList->FillDriveList();
    LastFindText.clear();
    favoritesMenus->RebuildWindowMenu();
    SetWindowTextUtf8(hwnd_, TARVOLO_TITLE);
    Application::Get().SetTitle(TARVOLO_TITLE);
    Application::Get().SetHelpFile(model_.ProgramDir() + "\\Tarvolo.html");
    Application::Get().SetHintHidePause(1500);
    // Start minimized when asked to, at the first tick after the first show.
    ::SetTimer(hwnd_, kMinimizeTimer, 1, nullptr);
    StartFindServer();
}

void TfrmMain::LoadLists() {
    for (const std::string& path : model_.LoadLists())
        Application::Get().ShowError("Cannot open file " + path);
    UpdateHistory();
}

bool TfrmMain::SaveLists(bool report) {
    // Reported, the first file that cannot be written is the only one tried and told.
    const std::string failed = model_.SaveLists(report);
    if (failed.empty()) return true;
    if (report) Application::Get().ShowError("Cannot create file " + failed);
    return false;
}

void TfrmMain::LoadSettings() {
    model_.LoadSettings();
    const Settings& s = model_.settings;
    // The stored bounds are screen pixels; a size never stored is the design size at this window's scale.
    PlaceAt(POINT{s.left, s.top}, s.widthStored ? std::optional<int>(s.width) : std::nullopt,
            s.heightStored ? std::optional<int>(s.height) : std::nullopt, SIZE{s.width, s.height});
    const int count = driveList->Count();
    driveList->Select(s.drive >= 0 && s.drive < count ? s.drive : (count > 0 ? 0 : -1));
}

bool TfrmMain::SaveSettings(bool report) {
    // Settings that were never loaded must not overwrite the stored ones.
    if (!model_.SettingsLoaded()) return true;
    const RECT r = Bounds();
    Settings& s = model_.settings;
    s.top = r.top;
    s.left = r.left;
    s.height = r.bottom - r.top;
    s.width = r.right - r.left;
    s.drive = driveList->Selected();
    if (!model_.SaveSettings()) {
        if (report) Application::Get().ShowError("Unable to write to " + model_.SettingsPath());
        return false;
    }
    return true;
}

void TfrmMain::OptionsClick() {
    // The dialog's OK has registered the new hot key already, through the service.
    std::optional<OptionsValues> edited =
        ShowOptionsDialog(hwnd_, model_.Options(), *hotKeys_, *quickJumpKeys_);
    if (!edited) return;
    const std::shared_ptr<const LeaveOut> leaveOutBefore = model_.settings.leaveOutRules;
    model_.ApplyOptions(*edited);
    liveIndex_->FilterChanged(leaveOutBefore);
    // A favorite's new keys act at once, not only after its menu was next opened.
    favoritesMenus->RebuildWindowMenu();
}

void TfrmMain::FormShow() {
    shown_ = true;
    inFirstShow_ = true;
    const ScopeExit firstShowEnds([this] { inFirstShow_ = false; });
    LoadSettings();
    // A balloon, not a box: a start in the notification area at logon must not wait for a click.
    const uint16_t hotKey = model_.settings.hotKey;
    if (!hotKeys_->Set(hotKey) && CoolTrayIcon) CoolTrayIcon->ShowBalloon("Tarvolo", HotKeyTakenText(hotKey));
    const uint16_t jumpKey = model_.settings.quickJumpHotKey;
    if (!quickJumpKeys_->Set(jumpKey) && CoolTrayIcon)
        CoolTrayIcon->ShowBalloon("Tarvolo", HotKeyTakenText(jumpKey));
    InstallHotKeyHook();
    if (driveList->Count() > 0) cmbDrivesChange();
}

// The hot-key hook sees every message of the main window before the window
// itself does; the hot key shows or hides the program. It is held in the
// form's own procedure, not in a subclass (SetWindowSubclass): under Wine a
// subclass asks the window server for a property on every message, and this
// window gets a WM_DRAWITEM for every row the tree paints: with the hook in a
// subclass the tree's paint after a keystroke took about twice as long
// (keystroke_bench, a million rows).
bool TfrmMain::HotKeyHookProc(UINT msg, WPARAM wp) {
    if (msg != WM_HOTKEY) return false;
    if (quickJumpKeys_->Owns(static_cast<int>(wp)))
        QuickJumpHotKey();
    else
        ShowHide(false);
    return true;
}

void TfrmMain::InstallHotKeyHook() {
    hookInstalled_ = true;
}

void TfrmMain::RemoveHotKeyHook() {
    hookInstalled_ = false;
}

void TfrmMain::MinimizeApplication() {
    // Back in the notification area: the window the user came from is no longer
    // where they work, and the next time the hot key or the icon says where.
    if (commands_) commands_->ForgetWindowCameFrom();
    Application::Get().Minimize();
}

void TfrmMain::ShowHide(bool ForceShow) {
    // A program hidden in the notification area is never the active one, even
    // where the system leaves the activation with its minimized window.
    bool active =
        Application::Get().Active() && ::IsWindowVisible(hwnd_) && !::IsIconic(Application::Get().Handle());
    if (active && !ForceShow) {
        MinimizeApplication();
        return;
    }
    // The window the user is in as the program comes up is where Dialog sends first.
    commands_->RememberWindowCameFrom(WinWindowOps::ForegroundOfAnotherProgram());
    CoolTrayIcon->RestoreMainWindow();
    RestoreApplication();
    BringApplicationToFront();
}

void TfrmMain::CoolTrayIconClick() {
    ShowHide(true);
}

void TfrmMain::mnuCloseClick() {
    Tag = 1;
    Close();
}

void TfrmMain::ProgramGroupClick(ProgramButton button) {
    switch (button) {
        case ProgramButton::options:
            OptionsClick();
            break;
        case ProgramButton::about:
            ShowAboutBox(hwnd_);
            break;
        case ProgramButton::help:
            ShowHelpContents();
            break;
    }
}

void TfrmMain::MinimizeTimerTimer() {
    // One tick is all it takes: left running, a 1 ms timer would wake the program for nothing all day.
    ::KillTimer(hwnd_, kMinimizeTimer);
    // The first show runs inside the system's show of the window: a tick taken
    // by its scan or a message box would hide the window, which the show then
    // makes visible all the same. Once the show is over, then.
    if (inFirstShow_) {
        ::SetTimer(hwnd_, kMinimizeTimer, 20, nullptr);
        return;
    }
    const auto& args = Application::Get().Arguments();
    if (args.empty()) return;
    std::string first = args[0];
    std::transform(first.begin(), first.end(), first.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (first == "MIN") MinimizeApplication();
}

bool TfrmMain::CloseQuery() {
    if (Tag == 0) {
        if (model_.settings.showCloseInfo) {
            TfrmCloseInfo info(hwnd_, model_.settings.showCloseInfo);
            info.ShowModal();
        }
        MinimizeApplication();
        return false;
    }
    return RealClose();
}

bool TfrmMain::RealClose() {
    RemoveHotKeyHook();
    const uint16_t registered = hotKeys_->Registered();
    const uint16_t jumpRegistered = quickJumpKeys_->Registered();
    hotKeys_->Release();
    quickJumpKeys_->Release();
    // The first file that cannot be written stops the close, after telling the user.
    if (!SaveLists(true) || !SaveSettings(true)) {
        // Nothing is given up while a file could not be written: the program goes on
        // fully working, and the next Close tries again.
        Tag = 0;
        hotKeys_->Set(registered);
        quickJumpKeys_->Set(jumpRegistered);
        if (shown_) InstallHotKeyHook();
        return false;
    }
    sessionSaved_ = true;
    liveIndex_->SaveBeforeExit();
    treeList->ReleaseConnectors();
    model_.drive.codes = TreeCodes();
    return true;
}

void TfrmMain::SaveAtSessionEnd() {
    // The session is ending: keep what changed in this run, as the real close would.
    if (sessionSaved_) return;
    // No message box here: nothing may hold up the end of the session.
    sessionSaved_ = true;
    SaveLists(false);
    SaveSettings(false);
    liveIndex_->SaveBeforeExit();
}

void TfrmMain::OnDestroy() {
    findServer_.Stop();
    RemoveHotKeyHook();
    CoolTrayIcon.reset();
    Application::Get().Terminate();
}

bool TfrmMain::OnDrawItem(DRAWITEMSTRUCT& item) {
    if (item.CtlID == IDC_DIRLISTBOX && treeList) {
        treeList->DirListBoxDrawItem(item);
        return true;
    }
    if (item.CtlID == IDC_CMBDRIVES && driveList) {
        driveList->cmbDrivesDrawItem(item);
        return true;
    }
    return false;
}

// The fonts, row heights and pictures that do not follow the form's font.
void TfrmMain::ApplyScale() {
    if (historyBox) historyBox->ApplyScale();
    const int row = Scaled(kRowHeight);
    if (driveList) driveList->SetRowHeight(row);
    if (treeList) treeList->SetRowHeight(row);
    for (const auto& [button, picture] : Buttons())
        if (buttonImages_) SetButtonPicture(*this, button.Handle(), buttonImages_.get(), picture);
    if (favoritesMenus) favoritesMenus->SetPictureSize(Scaled(16));
}

void TfrmMain::OnDpiChanged() {
    ApplyScale();
}

bool TfrmMain::ScanWindowBusy() const {
    return frmRescan && frmRescan->Scanning();
}

void TfrmMain::RowsEdited() {
    treeList->SetRowCount(model_.drive.rows.size());
    ::PostMessageW(hwnd_, kBuildSearchIndexMessage, 0, 0);
}

bool TfrmMain::OnMeasureItem(MEASUREITEMSTRUCT& item) {
    if (item.CtlID == IDC_DIRLISTBOX || item.CtlID == IDC_CMBDRIVES) {
        item.itemHeight = static_cast<UINT>(Scaled(kRowHeight));
        return true;
    }
    return false;
}

LRESULT TfrmMain::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    // The hot key's message goes on to the window's own handling below, as
    // through any hook; a failure in the hook is reported and stops nothing.
    if (hookInstalled_ && msg == WM_HOTKEY) Guarded([&] { HotKeyHookProc(msg, wp); });
    if (msg == taskbarCreatedMessage_ && msg) {
        // The shell restarted: without its icon a hidden program could not be reached.
        if (CoolTrayIcon) CoolTrayIcon->ReAddAfterShellRestart();
        return 0;
    }
    if (msg == liveGuiObjectsMessage_ && msg) return static_cast<LRESULT>(LiveGuiObjects());
    if (msg == showInstanceMessage_ && msg) {
        if (wp == kInstanceShow) ShowHide(true);
        return kInstanceAnswer;
    }
    if (liveIndex_ && liveIndex_->OnMessage(msg, wp)) return 0;
    switch (msg) {
        case kBuildSearchIndexMessage:
            FoldSearchNames();
            if (!searchFold_->Pending()) FindTypedMeanwhile();
            return 0;
        case kSearchFoldedMessage:
            TakeSearchFold();
            FindTypedMeanwhile();
            return 0;
        case kDriveReadMessage:
            TakeDriveRead();
            return 0;
        case kBuildNameStartsMessage:
            BuildNameStarts();
            return 0;
        case LiveIndex::kDrivesChangedMessage:
            if (drivesChanged_) drivesChanged_();
            return 0;
        case WM_SHOWWINDOW:
            if (wp && !shown_) FormShow();
            break;
        case WM_TIMER:
            if (wp == kMinimizeTimer) {
                MinimizeTimerTimer();
                return 0;
            }
            break;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == SC_MINIMIZE) {
                MinimizeApplication();
                return 0;
            }
            break;
        case WM_CONTEXTMENU:
            // The window's context menu is the favorites menu.
            favoritesMenus->FavoritesContextPopup(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case kFindMessage: {
            // Taken over from the pipe's thread, which may have stopped waiting.
            const std::unique_ptr<std::shared_ptr<FindCall>> call(
                reinterpret_cast<std::shared_ptr<FindCall>*>(lp));
            (*call)->reply = AnswerFind((*call)->request);
            return 1;
        }
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wp) {
                Application::Get().SetSessionEnding();
                SaveAtSessionEnd();
            }
            return 0;
        case WM_VSCROLL:
            if (treeList && reinterpret_cast<HWND>(lp) == treeList->ScrollBar()) {
                treeList->Scrolled(LOWORD(wp));
                return 0;
            }
            break;
        case WM_CTLCOLORSCROLLBAR:
            // No brush of our own: the theme draws the list's scroll bar's track,
            // as it does for a list's own scroll bar.
            if (treeList && reinterpret_cast<HWND>(lp) == treeList->ScrollBar()) return 0;
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            if (HBRUSH face = historyBox
                                  ? historyBox->Colour(reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp))
                                  : nullptr)
                return reinterpret_cast<LRESULT>(face);
            break;
        default:
            break;
    }
    return Form::WndProc(msg, wp, lp);
}

}  // namespace tarvolo
