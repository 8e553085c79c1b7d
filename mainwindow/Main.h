// The main window: the tree of one drive's directories, the search box, the
// history box with the current path, the commands and the program buttons.
// It lays the controls out and turns their input into calls of the model and
// the commands. Main.cpp holds creation and the lifecycle; the drive change,
// the selection and the search have files of their own. The painting of the
// tree and the drive list, the history box, the key map, the favorites menus
// and the live index are objects of their own that the window owns.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "delivery/core/Commands.h"
#include "delivery/core/ExplorerWindows.h"
#include "mainwindow/DriveList.h"
#include "mainwindow/FavoritesMenus.h"
#include "mainwindow/HistoryBox.h"
#include "mainwindow/LiveIndex.h"
#include "mainwindow/MainControlIds.h"
#include "mainwindow/MainKeyWindow.h"
#include "mainwindow/TreeList.h"
#include "model/Model.h"
#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/PopupMenu.h"
#include "store/HotKeyService.h"

namespace tarvolo {

class TCoolTrayIcon;
class TfrmRescan;
class TrayMenuAdapter;

// The buttons of the "Program" group.
enum class ProgramButton { options = 1, about = 2, help = 3 };

class TfrmMain : public Form, private CommandView, private LiveIndexView {
public:
    explicit TfrmMain(Model& model);
    ~TfrmMain() override;

    // --- Lifecycle (Main.cpp) ---
    void FormCreate();
    void FormShow();
    void ShowHide(bool ForceShow);
    void InstallHotKeyHook();
    void RemoveHotKeyHook();
    void MinimizeApplication() { Application::Get().Minimize(); }
    void RestoreApplication() { Application::Get().Restore(); }
    void BringApplicationToFront() { Application::Get().BringToFront(); }
    void CoolTrayIconClick();
    void mnuCloseClick();
    void ProgramGroupClick(ProgramButton button);
    void MinimizeTimerTimer();
    void LoadSettings();
    // Writes the settings file; false (after telling the user) when it could not.
    bool SaveSettings(bool report);
    // Loads and saves the favorites, dialogs and history lists.
    void LoadLists();
    // Both tell the user of the first file they could not write when `report` is set.
    bool SaveLists(bool report);
    bool Shown() const { return shown_; }
    Model& model() { return model_; }
    // The program's hot key, registered for this window.
    HotKeyService& HotKeys() { return *hotKeys_; }

    // --- Drive selector (DriveSelector.cpp) ---
    void FillDriveList() { driveList->FillDriveList(); }
    void cmbDrivesChange();
    void btnRescanClick();
    std::string SelectedDrive() const { return driveList->SelectedDrive(); }  // "C:" or empty

    // --- Directory list (DirList.cpp) ---
    void BuildTreeCodes();
    void DirListBoxClick();
    void DirListBoxDblClick();
    // Replaces the rows shown and tells the list how many there are.
    void SetRows(RowStore rows);
    long SelectedRow() const { return treeList->SelectedRow(); }
    void SelectRow(long row) { treeList->SelectRow(row); }

    // --- Search (Search.cpp) ---
    bool FindDirectory(long start);
    void DirToFindChange();
    void btnFindNextClick();
    void SetSearchText(const std::string& text);
    // Folds the rows' names for the search if that has not been done since they changed.
    void EnsureSearchIndex();
    static constexpr UINT kBuildSearchIndexMessage = WM_APP + 1;

    // --- Key map (KeyMap.h) ---
    bool PreviewKey(MSG& msg) override { return keyMap_.PreviewKey(msg); }

    // --- Commands (Commands.cpp) ---
    void CommandClick(Command command);
    // The history box after the model's history changed; the current path stays.
    void UpdateHistory() { historyBox->SetHistory(model_.history); }
    std::string CurrentPath() const { return historyBox->CurrentPath(); }
    void SetCurrentPath(const std::string& path) { historyBox->SetCurrentPath(path); }
    // A folder open in Explorer, chosen in the window's menu: the current path,
    // with its row selected when its drive is on show.
    void ShowExplorerFolder(const std::string& path);
    // Ctrl+G: the folder of the Explorer window in front goes to the dialog.
    void SendFrontExplorerFolder() { explorer_->SendFrontFolderToDialog(); }

    // --- Favorites (the menus in FavoritesMenus.cpp) ---
    void btnAddToFavoritesClick();
    // A favorite's own key combination; true when one took the key. `shift` holds
    // ssShift/ssCtrl/ssAlt (the shortcut value's modifier bits); `key` the virtual key.
    // PreviewKey calls this first for every WM_KEYDOWN and WM_SYSKEYDOWN, before
    // Ctrl+Enter and every other rule, and drops a key it took.
    bool FavoriteShortcut(WORD key, unsigned shift) { return favoritesMenus->FavoriteShortcut(key, shift); }

    // --- State ---
    int Tag = 0;  // the real-close flag
    std::string LastFindText;

    std::unique_ptr<TreeList> treeList;      // DirListBox
    std::unique_ptr<DriveList> driveList;    // cmbDrives
    std::unique_ptr<HistoryBox> historyBox;  // cmbHistory
    std::unique_ptr<TCoolTrayIcon> CoolTrayIcon;
    std::unique_ptr<FavoritesMenus> favoritesMenus;
    std::unique_ptr<TfrmRescan> frmRescan;

    // Controls.
    HWND GroupDirectories{}, Label1{}, cmbDrives{}, btnRescan{}, DirListPanel{}, DirListBox{}, cmbHistory{},
        DirToFind{}, btnFindNext{}, btnFavorites{}, btnAddToFavorites{}, GroupCommands{}, btnOpen{},
        btnSendToDialog{}, btnCopy{}, GroupPrograms{}, btnOptions{}, btnAbout{}, btnHelp{};

    // The ten buttons, for the key handlers.
    bool IsButton(HWND hwnd) const;
    // The ten buttons with their pictures in the button strip.
    std::array<std::pair<HWND, int>, 10> Buttons() const;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool CloseQuery() override;
    void OnDestroy() override;
    bool OnDrawItem(DRAWITEMSTRUCT& item) override;
    bool OnMeasureItem(MEASUREITEMSTRUCT& item) override;
    void OnDpiChanged() override;
    void ApplyScale();
    static constexpr int kRowHeight = 16;  // the tree's and the drive list's rows at 96 DPI

private:
    // CommandView: what the commands tell the user and this window.
    void Inform(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void HistoryChanged() override;
    // LiveIndexView: the directory list and the drive list as the live index sees them.
    std::string ShownDrive() const override { return SelectedDrive(); }
    std::vector<std::string> ListedDrives() const override { return ComboBox(driveList->Handle()).Items(); }
    bool ScanWindowBusy() const override;
    long SelectedListRow() const override { return SelectedRow(); }
    void SelectListRow(long row) override { SelectRow(row); }
    long FirstShownRow() const override { return treeList->FirstVisibleRow(); }
    void ShowFromRow(size_t row) override { treeList->SetFirstVisibleRow(static_cast<long>(row)); }
    RedrawHeld HoldListRedraw() override { return RedrawHeld(treeList->Handle()); }
    void RowsEdited() override;
    void ShowRows(RowStore rows) override { SetRows(std::move(rows)); }
    void SelectedRowMoved() override { DirListBoxClick(); }

    Model& model_;
    std::unique_ptr<LiveIndex> liveIndex_;  // the shown drive's rows follow the disk
    MainKeyWindow keyWindow_{*this};
    KeyMap keyMap_{keyWindow_};
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<Clipboard> clipboard_;
    std::unique_ptr<WindowOps> windowOps_;
    std::unique_ptr<Commands> commands_;
    std::unique_ptr<ShellWindows> shellWindows_;
    std::unique_ptr<ExplorerFolderCommands> explorer_;
    void CreateControls();
    void CreateMenus();
    void CreateTrayIcon();
    bool RealClose();
    void SaveAtSessionEnd();
    // The options dialog on a copy of the settings and lists; OK applies the copy.
    void OptionsClick();
    static LRESULT CALLBACK HotKeyHookProc(HWND, UINT, WPARAM, LPARAM);

    WNDPROC previousProc_ = nullptr;  // kept while the hot-key hook is installed
    bool hookInstalled_ = false;
    bool shown_ = false;        // the first show has run
    bool inFirstShow_ = false;  // the first show runs (a scan or a message box may run messages)
    bool sessionSaved_ = false;
    UINT taskbarCreatedMessage_ = 0;
    UINT showInstanceMessage_ = 0;
    UINT liveGuiObjectsMessage_ = 0;
    std::unique_ptr<TrayMenuAdapter> trayMenu_;
    std::unique_ptr<HotKeyRegistrar> hotKeyRegistrar_;
    std::unique_ptr<HotKeyService> hotKeys_;
    UniqueImageList buttonImages_;
};

// The registered message that a second start sends to bring the first one
// forward: sent with kInstanceQuery, the main window answers kInstanceAnswer
// (proof that the window is this program's); posted with kInstanceShow, it shows.
const wchar_t* ShowInstanceMessageName();
constexpr WPARAM kInstanceQuery = 0;
constexpr WPARAM kInstanceShow = 1;
constexpr LRESULT kInstanceAnswer = 0x54766C6F;
// The registered message the main window answers with LiveGuiObjects(), so that
// a test can watch the program's handles from outside.
const wchar_t* LiveGuiObjectsMessageName();
const wchar_t* MainWindowClassName();

}  // namespace tarvolo
