// The favorites menus on their own, without a main window: what choosing an
// item delivers through the commands, what the icon menu's own items ask of the
// window, which key runs which favorite, and the Explorer folders in both menus.
#include <gtest/gtest.h>

#include <objbase.h>

#include <set>

#include "adapters/WinLocale.h"
#include "delivery/WinShellWindows.h"
#include "mainwindow/FavoritesMenus.h"
#include "platform/Application.h"
#include "platform/WinText.h"
#include "tests/support/NoFiles.h"
#include "tests/support/NoWindowOps.h"

namespace tarvolo {
namespace {

using Lines = std::vector<std::string>;
constexpr unsigned kCtrl = 0x4000, kShift = 0x2000;

// Every request is logged; only `directories` exist, and no dialog is ever found.
class Recorder : public Shell, public Clipboard, public fakes::NoWindowOps, public CommandView {
public:
    bool IsDirectory(const std::string& path) override { return directories.count(path) != 0; }
    bool OpenFolder(const std::string& path) override {
        log.push_back("open " + path);
        return true;
    }
    bool CopyText(const std::string& text) override {
        log.push_back("copy " + text);
        return true;
    }
    void EnumTopLevel(const Visit&) override { log.push_back("look for dialogs"); }
    void MinimizeApplication() override { log.push_back("minimize"); }
    void Inform(const std::string& text) override { log.push_back("inform " + text); }
    void ShowError(const std::string& text) override { log.push_back("error " + text); }
    void HistoryChanged() override { log.push_back("history shown"); }

    std::set<std::string> directories;
    Lines log;
};

class FavoritesMenusAlone : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Application::Get().Handle()) Application::Get().Initialize(::GetModuleHandleW(nullptr), SW_HIDE);
        model_.favorites =
            ParseFavorites({"C:\\Work?" + std::to_string(kCtrl | 'W') + "*0",
                            "C:\\Gone?0*" + std::to_string(kCtrl | kShift | 'G'),
                            "C:\\Both?" + std::to_string(kCtrl | 'B') + "*" + std::to_string(kCtrl | 'B')});
        recorder_.directories = {"C:\\Work", "C:\\Both"};
        FavoritesMenusWindow window;
        window.quickJump = [this] { recorder_.log.push_back("quick jump"); };
        window.showProgram = [this] { recorder_.log.push_back("show program"); };
        window.closeProgram = [this] { recorder_.log.push_back("close program"); };
        window.explorerFolders = [this] { return explorerFolders_(); };
        window.showExplorerFolder = [this](const std::string& p) { recorder_.log.push_back("show " + p); };
        window.explorerFolderToDialog = [this](const std::string& p) {
            recorder_.log.push_back("to dialog " + p);
        };
        menus_ = std::make_unique<FavoritesMenus>(model_, commands_, std::move(window), 16);
    }

    // Chooses sub-item `index` of parent `parent` of `menu`, as a click would.
    void Choose(PopupMenu& menu, size_t parent, size_t index) {
        PopupMenu::Item& item = menu.At(parent);
        ASSERT_TRUE(item.submenu) << "parent " << parent << " was never filled";
        ASSERT_LT(index, item.submenu->Count());
        ASSERT_TRUE(item.submenu->At(index).onClick);
        item.submenu->At(index).onClick();
    }

    NoFiles files_;
    const WinAnsiDecoder ansi_;
    Model model_{"C:\\nowhere", files_, ansi_};
    Recorder recorder_;
    Commands commands_{model_, recorder_, recorder_, recorder_, recorder_};
    std::function<std::vector<std::string>()> explorerFolders_ = [] { return Lines{}; };
    std::unique_ptr<FavoritesMenus> menus_;
};

TEST_F(FavoritesMenusAlone, EachParentsItemsDeliverTheirKindThroughTheCommands) {
    menus_->RebuildWindowMenu();
    PopupMenu& menu = *menus_->popUpFavorites;
    Choose(menu, 0, 0);  // Open C:\Work
    Choose(menu, 1, 2);  // Send C:\Both to a dialog
    Choose(menu, 1, 1);  // Send C:\Gone: no such directory
    EXPECT_EQ(recorder_.log,
              (Lines{"open C:\\Work", "look for dialogs", std::string("inform ") + kMissingFavorite}));
    EXPECT_EQ(model_.history, Lines{}) << "a favorite's delivery leaves the history as it was";

    // The icon menu's parents are filled when it opens, and deliver the same way.
    recorder_.log.clear();
    menus_->CoolTrayPopUpPopup();
    Choose(*menus_->CoolTrayPopUp, 0, 2);
    Choose(*menus_->CoolTrayPopUp, 1, 0);
    EXPECT_EQ(recorder_.log, (Lines{"open C:\\Both", "look for dialogs"}));
}

TEST_F(FavoritesMenusAlone, ASubItemKeepsItsKindsShortcutInItsTag) {
    menus_->RebuildWindowMenu();
    menus_->CoolTrayPopUpPopup();
    auto tags = [](PopupMenu::Item& parent) {
        std::vector<int> out;
        for (size_t i = 0; i < parent.submenu->Count(); ++i) out.push_back(parent.submenu->At(i).tag);
        return out;
    };
    const int w = static_cast<int>(kCtrl | 'W'), g = static_cast<int>(kCtrl | kShift | 'G'),
              b = static_cast<int>(kCtrl | 'B');
    EXPECT_EQ(tags(menus_->popUpFavorites->At(0)), (std::vector<int>{w, 0, b}));
    EXPECT_EQ(tags(menus_->popUpFavorites->At(1)), (std::vector<int>{0, g, b}));
    EXPECT_EQ(tags(menus_->CoolTrayPopUp->At(0)), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(tags(menus_->CoolTrayPopUp->At(1)), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(menus_->CoolTrayPopUp->At(1).caption, "Send To Dialog");
    EXPECT_EQ(menus_->popUpFavorites->At(1).caption, "Send To Dialog");
}

TEST_F(FavoritesMenusAlone, TheIconMenusOwnItemsReachTheWindow) {
    PopupMenu& tray = *menus_->CoolTrayPopUp;
    ASSERT_EQ(tray.Count(), 7u);
    EXPECT_EQ(tray.At(2).caption, "Explorer Folders");
    EXPECT_TRUE(tray.At(3).separator);
    EXPECT_EQ(tray.At(4).caption, "Quick Jump");
    EXPECT_EQ(tray.At(5).caption, "Show Tarvolo");
    EXPECT_EQ(tray.At(6).caption, "Close");
    tray.At(4).onClick();
    tray.At(5).onClick();
    tray.At(6).onClick();
    EXPECT_EQ(recorder_.log, (Lines{"quick jump", "show program", "close program"}));
    // Opening the icon's menu fills its favorites first.
    ASSERT_TRUE(tray.onPopup);
    tray.onPopup();
    ASSERT_TRUE(tray.At(0).submenu);
    EXPECT_EQ(tray.At(0).submenu->Count(), 3u);
}

TEST_F(FavoritesMenusAlone, AKeyRunsTheFirstFavoriteWithItOpenBeforeSend) {
    struct Case {
        WORD key;
        unsigned shift;
        bool taken;
        Lines log;
    } cases[] = {
        {'W', kCtrl, true, {"open C:\\Work"}},
        {'B', kCtrl, true, {"open C:\\Both"}},  // its open key, not its equal dialog key
        {'G', kCtrl | kShift, true, {std::string("inform ") + kMissingFavorite}},
        {'G', kCtrl, false, {}},
        {'W', 0, false, {}},
    };
    for (const Case& c : cases) {
        recorder_.log.clear();
        EXPECT_EQ(menus_->FavoriteShortcut(c.key, c.shift), c.taken) << char(c.key) << " " << c.shift;
        EXPECT_EQ(recorder_.log, c.log) << char(c.key) << " " << c.shift;
    }
}

// The submenu's items as the built menu holds them: text and whether greyed.
std::vector<std::pair<std::string, bool>> BuiltItems(PopupMenu::Item& parent) {
    std::vector<std::pair<std::string, bool>> items;
    HMENU menu = parent.submenu ? parent.submenu->BuildHandle() : nullptr;
    for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        items.emplace_back(Narrow(text), (state & (MF_GRAYED | MF_DISABLED)) != 0);
    }
    return items;
}

TEST_F(FavoritesMenusAlone, ExplorerFoldersInBothMenusTheWindowsShowsTheIconsSends) {
    explorerFolders_ = [] { return Lines{"C:\\Front", "D:\\Tom & Jerry"}; };
    PopupMenu& window = *menus_->popUpFavorites;
    ASSERT_EQ(window.Count(), 3u);
    EXPECT_EQ(window.At(2).caption, "Explorer Folders");
    // The window's menu asks for the folders each time it opens, as the icon's does.
    ASSERT_TRUE(window.onPopup);
    window.onPopup();
    menus_->CoolTrayPopUpPopup();
    using Built = std::vector<std::pair<std::string, bool>>;
    for (PopupMenu* menu : {&window, menus_->CoolTrayPopUp.get()})
        EXPECT_EQ(BuiltItems(menu->At(2)), (Built{{"C:\\Front", false}, {"D:\\Tom && Jerry", false}}));
    Choose(window, 2, 1);
    Choose(*menus_->CoolTrayPopUp, 2, 0);
    EXPECT_EQ(recorder_.log, (Lines{"show D:\\Tom & Jerry", "to dialog C:\\Front"}));

    // Folders closed since: the next opening shows what is open now.
    explorerFolders_ = [] { return Lines{"E:\\Now"}; };
    window.onPopup();
    EXPECT_EQ(BuiltItems(window.At(2)), (Built{{"E:\\Now", false}}));
}

// Under Wine the shell's window list answers with a count of 0 even while an
// Explorer window is open: the submenu then holds one greyed "(none)".
TEST_F(FavoritesMenusAlone, TheRealShellListsNoWindowHereAndTheSubmenuSaysNone) {
    // As on the program's thread; a thread already in COM in another mode works as well.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WinShellWindows shell;
    explorerFolders_ = [&shell] { return ExplorerFolders(shell.List()); };
    EXPECT_TRUE(shell.List().empty());
    EXPECT_FALSE(shell.Navigate(0x1234, "C:\\")) << "there is no window to move";
    menus_->popUpFavorites->onPopup();
    menus_->CoolTrayPopUpPopup();
    using Built = std::vector<std::pair<std::string, bool>>;
    for (PopupMenu* menu : {menus_->popUpFavorites.get(), menus_->CoolTrayPopUp.get()}) {
        EXPECT_EQ(BuiltItems(menu->At(2)), (Built{{"(none)", true}}));
        EXPECT_FALSE(menu->At(2).submenu->At(0).onClick) << "\"(none)\" must do nothing";
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
}

}  // namespace
}  // namespace tarvolo
