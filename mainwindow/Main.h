// The main window: the tree of one drive's directories, the search box, the
// history box with the current path, the commands and the program buttons.
// It lays the controls out and turns their input into calls of the model and
// the commands. Main.cpp holds creation and the lifecycle; the drive change,
// the selection, the search and the keys have files of their own. The tree
// list, the drive list, the search box, the history box, the key map, the
// favorites menus and the live index are objects of their own that the window
// owns; its controls are private, and the objects that serve it see it through
// the narrow views it implements (CommandView, LiveIndexView, KeyMapWindow).
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "adapters/ButtonPictures.h"
#include "delivery/core/Commands.h"
#include "delivery/core/ExplorerWindows.h"
#include "mainwindow/DriveList.h"
#include "mainwindow/FavoritesMenus.h"
#include "mainwindow/HistoryBox.h"
#include "mainwindow/KeyMap.h"
#include "adapters/LiveIndex.h"
#include "adapters/SearchFold.h"
#include "adapters/ShownDriveRead.h"
#include "mainwindow/MainControlIds.h"
#include "mainwindow/QuickJump.h"
#include "mainwindow/SearchBox.h"
#include "mainwindow/TreeList.h"
#include "model/FindRequest.h"
#include "model/Model.h"
#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/NamedPipe.h"
#include "platform/PopupMenu.h"
#include "store/HotKeyService.h"

namespace tarvolo {

class TCoolTrayIcon;
class TfrmRescan;
class TrayMenuAdapter;

// The buttons of the "Program" group.
enum class ProgramButton { options = 1, about = 2, help = 3 };

class TfrmMain : public Form,
                 private CommandView,
                 private LiveIndexView,
                 private KeyMapWindow,
                 private QuickJumpHost {
public:
    explicit TfrmMain(Model& model);
    ~TfrmMain() override;

    // --- Lifecycle (Main.cpp) ---
    void FormCreate();
    // The scan window, made after the form as the application has always made it.
    void CreateScanWindow();
    HWND Handle() const override { return hwnd_; }
    void MinimizeApplication();
    // The program's hot key, registered for this window.
    HotKeyService& HotKeys() { return *hotKeys_; }
    // Quick Jump's own hot key, registered for this window under ids of its own.
    HotKeyService& QuickJumpKeys() { return *quickJumpKeys_; }
    bool PreviewKey(MSG& msg) override { return keyMap_.PreviewKey(msg); }

    // --- Every drive at once, for Quick Jump (MainAllDrives.cpp); on the window's thread ---
    // Every loaded drive's rows and folded names, the shown drive's first. The
    // pointers stay valid until the next message is handled.
    std::vector<JumpDrive> SearchableDrives();
    // The drives listed whose rows are still being read ("D:"), by letter.
    std::vector<std::string> DrivesStillLoading() const;
    // `changed` runs on the window's thread whenever a drive has loaded or its
    // rows changed (the shown drive's included); one callback at a time.
    void OnDrivesChanged(std::function<void()> changed) { drivesChanged_ = std::move(changed); }

    // --- The controls' objects, for the tests that work them directly ---
    TreeList& Tree() { return *treeList; }
    HistoryBox& History() { return *historyBox; }
    FavoritesMenus& Favorites() { return *favoritesMenus; }
    // The window as the live index sees it, for the benchmarks that give it rows without a drive.
    LiveIndexView& AsLiveIndexView() { return *this; }

    // --- Current path and favorites (MainCommands.cpp, Main.cpp) ---
    std::string CurrentPath() const { return historyBox->CurrentPath(); }
    void SetCurrentPath(const std::string& path) { historyBox->SetCurrentPath(path); }
    // The history box after the model's history changed; the current path stays.
    void UpdateHistory() { historyBox->SetHistory(model_.history); }
    void btnAddToFavoritesClick();

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool CloseQuery() override;
    void OnDestroy() override;
    bool OnDrawItem(DRAWITEMSTRUCT& item) override;
    bool OnMeasureItem(MEASUREITEMSTRUCT& item) override;
    void OnDpiChanged() override;

private:
    // --- Lifecycle (Main.cpp) ---
    void CreateControls();
    void CreateMenus();
    void CreateTrayIcon();
    void FormShow();
    void ShowHide(bool ForceShow);
    void InstallHotKeyHook();
    void RemoveHotKeyHook();
    // True when it took the message (the hot key's WM_HOTKEY).
    bool HotKeyHookProc(UINT msg, WPARAM wp);
    void RestoreApplication() { Application::Get().Restore(); }
    void BringApplicationToFront() { Application::Get().BringToFront(); }
    void CoolTrayIconClick();
    void mnuCloseClick();
    void ProgramGroupClick(ProgramButton button);
    // The options dialog on a copy of the settings and lists; OK applies the copy.
    void OptionsClick();
    void MinimizeTimerTimer();
    void LoadSettings();
    // Writes the settings file; false (after telling the user) when it could not.
    bool SaveSettings(bool report);
    // Loads and saves the favorites, dialogs and history lists.
    void LoadLists();
    // Both tell the user of the first file they could not write when `report` is set.
    bool SaveLists(bool report);
    bool RealClose();
    void SaveAtSessionEnd();
    void ApplyScale();
    static constexpr int kRowHeight = 16;  // the tree's and the drive list's rows at 96 DPI
    // The ten buttons with their pictures in the button strip.
    std::array<std::pair<Button, ButtonPicture>, 10> Buttons() const;

    // --- Drive selector (MainDriveSelector.cpp) ---
    // The drive chosen: its index is read on a thread of its own (ShownDriveRead)
    // while the window answers, with the list hidden and empty; its rows are put
    // in place when the read ends (TakeDriveRead). A drive without an index is
    // scanned at once, as before.
    void cmbDrivesChange();
    void TakeDriveRead();
    // The rows of the drive chosen are on show (read, scanned or none): the root,
    // or the directory asked for meanwhile, is selected.
    void DriveShown();
    void btnRescanClick();
    // The chosen drive's rows are still being read.
    bool RowsComing() const override { return driveRead_ && driveRead_->Pending(); }
    static constexpr UINT kDriveReadMessage = WM_APP + 4;
    std::string SelectedDrive() const { return driveList->SelectedDrive(); }  // "C:" or empty

    // --- Directory list (MainDirList.cpp) ---
    void BuildTreeCodes();
    void DirListBoxClick();
    void DirListBoxDblClick();
    // Replaces the rows shown and tells the list how many there are.
    void SetRows(RowStore rows);
    void SelectRow(long row) { treeList->SelectRow(row); }

    // --- Search (MainSearch.cpp) ---
    bool FindDirectory(long start);
    // The text typed while the rows were being read, tried against them now that they are there.
    void FindTypedMeanwhile();
    void DirToFindChange();
    void btnFindNextClick();
    // Folds the rows' names for the search if that has not been done since they changed.
    void EnsureSearchIndex();
    void BuildNameStarts();
    static constexpr UINT kBuildSearchIndexMessage = WM_APP + 1;
    // Quick Jump's name starts, built after the names in a step of their own.
    static constexpr UINT kBuildNameStartsMessage = WM_APP + 2;
    // The names are folded on a thread of their own when the rows are new; the
    // window takes them when that ends, or waits for them at the first search.
    void FoldSearchNames();
    void TakeSearchFold();
    static constexpr UINT kSearchFoldedMessage = WM_APP + 3;

    // --- Commands (MainCommands.cpp) ---
    void CommandClick(Command command);
    // A folder open in Explorer, chosen in the window's menu: the current path,
    // with its row selected when its drive is on show.
    void ShowExplorerFolder(const std::string& path);

    // CommandView: what the commands tell the user and this window.
    void Inform(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void HistoryChanged() override;

    // LiveIndexView: the directory list and the drive list as the live index sees them.
    std::string ShownDrive() const override { return SelectedDrive(); }
    std::vector<std::string> ListedDrives() const override { return driveList->Drives(); }
    bool ScanWindowBusy() const override;
    long SelectedListRow() const override { return SelectedRow(); }
    void SelectListRow(long row) override { SelectRow(row); }
    long FirstShownRow() const override { return treeList->FirstVisibleRow(); }
    void ShowFromRow(size_t row) override { treeList->SetFirstVisibleRow(static_cast<long>(row)); }
    RedrawHeld HoldListRedraw() override { return RedrawHeld(treeList->Handle()); }
    void RowsEdited() override;
    void ShowRows(RowStore rows) override { SetRows(std::move(rows)); }
    void SelectedRowMoved() override { DirListBoxClick(); }

    // KeyMapWindow: the controls as the key map sees them (MainKeyWindow.cpp).
    keys::KeyTarget TargetOf(HWND hwnd) const override;
    bool ListFocused() const override;
    bool SearchFocused() const override;
    void FocusList() override;
    void FocusSearch() override;
    long RowCount() const override;
    long SelectedRow() const override { return treeList->SelectedRow(); }
    void ClickRow(long row) override;
    bool SearchEmpty() const override;
    void SetSearchText(const std::string& text) override;
    void SearchCaretToEnd() override;
    void PressFindNext() override;
    int FindDrive(char letter) const override;
    void ChooseDrive(int index) override;
    // A favorite's own key combination; true when one took the key. `shift` holds
    // ssShift/ssCtrl/ssAlt (the shortcut value's modifier bits); `key` the virtual key.
    // PreviewKey calls this first for every WM_KEYDOWN and WM_SYSKEYDOWN, before
    // Ctrl+Enter and every other rule, and drops a key it took.
    bool RunFavoriteShortcut(WORD key, unsigned shift) override;
    // Ctrl+G: the folder of the Explorer window in front goes to the dialog.
    void SendFrontExplorerFolder() override { explorer_->SendFrontFolderToDialog(); }
    // Ctrl+J and the icon's menu: the window the user came from stays the one remembered.
    void OpenQuickJump() override;

    // --- Quick Jump and tarvolo-find (QuickJump.cpp) ---
    // The Quick Jump hot key, from any program: the window in front is where Enter delivers.
    void QuickJumpHotKey();
    // QuickJumpHost: the rows it searches and what its keys do.
    std::vector<JumpDrive> JumpDrives() override;
    std::vector<std::string> LoadingDrives() override;
    std::vector<JumpUse> JumpUses() override;
    void RunJumpAction(JumpAction action, const std::string& path) override;
    // Whether the window the user came from takes a path (a file dialog, Browse
    // For Folder, an Explorer window).
    bool CameFromATarget();
    // A directory "E:\..." shown in the tree: its drive chosen, its row selected.
    void ShowInTree(const std::string& path);
    // The row of `path` on the drive shown selected and focused; the current path when there is none.
    void SelectPath(const std::string& path);
    // tarvolo-find's requests, taken on the pipe's thread and searched on this
    // window's, which changes the rows.
    void StartFindServer();
    // The reply to a request; nothing when the request is malformed.
    std::optional<std::string> AnswerFind(const std::string& request);
    static constexpr UINT kFindMessage = WM_APP + 30;
    struct FindCall {
        std::string request;
        std::optional<std::string> reply;
    };

    Model& model_;
    std::string LastFindText;
    int Tag = 0;  // the real-close flag

    // The controls. The form owns their windows; these objects and wrappers only name them.
    std::unique_ptr<TreeList> treeList;      // DirListBox
    std::unique_ptr<DriveList> driveList;    // cmbDrives
    std::unique_ptr<HistoryBox> historyBox;  // cmbHistory
    std::unique_ptr<SearchBox> searchBox;    // DirToFind
    Button btnRescan, btnFindNext, btnFavorites, btnAddToFavorites, btnOpen, btnSendToDialog, btnCopy,
        btnOptions, btnAbout, btnHelp;

    std::unique_ptr<TCoolTrayIcon> CoolTrayIcon;
    std::unique_ptr<FavoritesMenus> favoritesMenus;
    std::unique_ptr<TfrmRescan> frmRescan;
    std::unique_ptr<LiveIndex> liveIndex_;       // the shown drive's rows follow the disk
    std::unique_ptr<SearchFold> searchFold_;     // the shown drive's names, folded off the window's thread
    std::unique_ptr<ShownDriveRead> driveRead_;  // the chosen drive's index, read off the window's thread
    // Asked for while the rows were being read: a directory to show ("E:\..."), and the text typed
    // into the search box, which waits for the folded names.
    std::string showWhenRead_;
    bool typedWhileRead_ = false;
    std::function<void()> drivesChanged_;  // Quick Jump's, told when a drive's rows change
    KeyMap keyMap_{static_cast<KeyMapWindow&>(*this)};
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<Clipboard> clipboard_;
    std::unique_ptr<WindowOps> windowOps_;
    std::unique_ptr<Commands> commands_;
    std::unique_ptr<ShellWindows> shellWindows_;
    std::unique_ptr<ConsoleOps> consoles_;
    std::unique_ptr<ExplorerFolderCommands> explorer_;

    bool hookInstalled_ = false;  // the hot-key hook, from the first show on
    bool shown_ = false;          // the first show has run
    bool inFirstShow_ = false;    // the first show runs (a scan or a message box may run messages)
    bool sessionSaved_ = false;
    UINT taskbarCreatedMessage_ = 0;
    UINT showInstanceMessage_ = 0;
    UINT liveGuiObjectsMessage_ = 0;
    std::unique_ptr<TrayMenuAdapter> trayMenu_;
    std::unique_ptr<HotKeyRegistrar> hotKeyRegistrar_;
    std::unique_ptr<HotKeyService> hotKeys_;
    std::unique_ptr<HotKeyService> quickJumpKeys_;
    std::unique_ptr<TfrmQuickJump> quickJump_;
    UniqueImageList buttonImages_;
    // Last, so that it stops first: its thread sends to this window.
    PipeServer findServer_;
};

// The registered message that a second start sends to bring the first one
// forward: sent with kInstanceQuery, the main window answers kInstanceAnswer
// (proof that the window is this program's); posted with kInstanceShow, it shows.
const wchar_t* ShowInstanceMessageName();
constexpr WPARAM kInstanceQuery = kInstanceQueryValue;
constexpr WPARAM kInstanceShow = 1;
constexpr LRESULT kInstanceAnswer = kInstanceAnswerValue;
// The registered message the main window answers with LiveGuiObjects(), so that
// a test can watch the program's handles from outside.
const wchar_t* LiveGuiObjectsMessageName();
const wchar_t* MainWindowClassName();
// The first of the two hot-key ids of Quick Jump (the program's own are 1 and 2).
constexpr int kQuickJumpHotKeyId = 3;

}  // namespace tarvolo
