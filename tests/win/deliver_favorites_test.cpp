// The favorites menus of a real main window, in this process: what each menu
// lists, which shortcut it shows, and which favorite a key combination picks.
#include <gtest/gtest.h>

#include "adapters/KeyNames.h"
#include "adapters/WinLocale.h"
#include "delivery/WinShell.h"
#include "mainwindow/Main.h"
#include "platform/Application.h"
#include "platform/WinText.h"
#include "store/Global.h"
#include "tests/support/NoFiles.h"

namespace tarvolo {
namespace {

constexpr unsigned kCtrl = 0x4000, kShift = 0x2000, kAlt = 0x8000;

class FavoritesMenus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Application::Get().Handle()) Application::Get().Initialize(::GetModuleHandleW(nullptr), SW_HIDE);
        main_ = std::make_unique<TfrmMain>(model_);
    }
    void SetFavorites(const std::vector<std::string>& entries) { model_.favorites = ParseFavorites(entries); }
    // Destroying the form itself, not its window: the window's own end would end the application.
    void TearDown() override { main_.reset(); }

    // "caption<TAB>shortcut" for every sub-item of one parent.
    static std::vector<std::string> Listed(PopupMenu::Item& parent) {
        std::vector<std::string> out;
        if (!parent.submenu) return out;
        for (size_t i = 0; i < parent.submenu->Count(); ++i) {
            const PopupMenu::Item& item = parent.submenu->At(i);
            out.push_back(item.caption + "\t" + item.shortcut);
        }
        return out;
    }

    void Rebuild() {
        main_->Favorites().CreateFavoritesPopUp(main_->Favorites().popUpFavorites->At(0));
        main_->Favorites().CreateFavoritesPopUp(main_->Favorites().popUpFavorites->At(1));
    }

    NoFiles files_;
    const WinAnsiDecoder ansi_;
    Model model_{"C:\\nowhere", files_, ansi_};
    std::unique_ptr<TfrmMain> main_;
};

TEST(ShortcutToText, ModifiersAndKeyNames) {
    struct Case {
        unsigned shortcut;
        const char* text;
    } cases[] = {{0, ""},
                 {kCtrl | kAlt | 'T', "Ctrl+Alt+T"},
                 {kCtrl | kShift | 'A', "Shift+Ctrl+A"},
                 {kShift | VK_F5, "Shift+F5"},
                 {kCtrl | VK_RETURN, "Ctrl+Enter"},
                 {kAlt | '7', "Alt+7"},
                 {VK_F12, "F12"},
                 {kCtrl | VK_NUMPAD3, "Ctrl+Num 3"},
                 {kCtrl | VK_DELETE, "Ctrl+Del"},
                 {kCtrl, ""}};  // modifiers without a key are no shortcut
    for (const Case& c : cases)
        EXPECT_EQ(ShortcutToText(static_cast<uint16_t>(c.shortcut)), c.text) << c.shortcut;
}

TEST_F(FavoritesMenus, EachMenuListsEveryEntryWithItsOwnShortcut) {
    SetFavorites({"C:\\Work?16449*0", "C:\\Work*5?7", "C:\\A?1?2*3*4",
                  "D:\\Both?" + std::to_string(kCtrl | kAlt | 'T') + "*" + std::to_string(kShift | VK_F5),
                  "?0*0"});
    Rebuild();
    EXPECT_EQ(Listed(main_->Favorites().popUpFavorites->At(0)),
              (std::vector<std::string>{"C:\\Work\tCtrl+A", "\t", "C:\\A\t", "D:\\Both\tCtrl+Alt+T", "\t"}));
    EXPECT_EQ(Listed(main_->Favorites().popUpFavorites->At(1)),
              (std::vector<std::string>{"C:\\Work\t", "\t", "C:\\A\t", "D:\\Both\tShift+F5", "\t"}));

    // The icon's menu: the same favorites, never a shortcut.
    main_->Favorites().CoolTrayPopUpPopup();
    EXPECT_EQ(Listed(main_->Favorites().CoolTrayPopUp->At(0)),
              (std::vector<std::string>{"C:\\Work\t", "\t", "C:\\A\t", "D:\\Both\t", "\t"}));
    EXPECT_EQ(Listed(main_->Favorites().CoolTrayPopUp->At(1)),
              Listed(main_->Favorites().CoolTrayPopUp->At(0)));
    EXPECT_EQ(main_->Favorites().CoolTrayPopUp->At(0).caption, "Open Favorites")
        << "the parents stay as they are";
    EXPECT_EQ(main_->Favorites().CoolTrayPopUp->Count(), 7u);
}

TEST_F(FavoritesMenus, AddToFavoritesAppendsTheCurrentTextEveryTime) {
    SetFavorites({"C:\\Old?0*0"});
    main_->SetCurrentPath("C:\\Temp");
    main_->btnAddToFavoritesClick();
    main_->btnAddToFavoritesClick();
    main_->SetCurrentPath("");
    main_->btnAddToFavoritesClick();
    EXPECT_EQ(FavoriteEntries(model_.favorites),
              (std::vector<std::string>{"C:\\Old?0*0", "C:\\Temp?0*0", "C:\\Temp?0*0", "?0*0"}));
    Rebuild();
    EXPECT_EQ(Listed(main_->Favorites().popUpFavorites->At(0)).size(), 4u);
}

TEST_F(FavoritesMenus, AKeyPicksTheFirstItemWithItsCombinationOpenBeforeSend) {
    const unsigned k = kCtrl | 'K', j = kCtrl | kShift | 'J';
    SetFavorites({"C:\\One?0*" + std::to_string(k),  // K as its dialog key only
                  "C:\\Two?" + std::to_string(k) + "*0",
                  "C:\\Three?" + std::to_string(k) + "*" + std::to_string(j)});
    Rebuild();
    // What the menus show: the first item, "Open" items before "Send To Dialog" ones,
    // that lists the combination.
    auto shown = [&](unsigned combination) -> std::string {
        const std::string text = ShortcutToText(static_cast<uint16_t>(combination));
        for (size_t parent = 0; parent < 2; ++parent) {
            PopupMenu& menu = *main_->Favorites().popUpFavorites->At(parent).submenu;
            for (size_t i = 0; i < menu.Count(); ++i)
                if (!text.empty() && menu.At(i).shortcut == text)
                    return (parent == 0 ? "open " : "send ") + menu.At(i).caption;
        }
        return "none";
    };
    // What the key runs: the lookup among the model's favorites.
    auto runs = [&](unsigned combination) -> std::string {
        auto action = FindFavoriteShortcut(model_.favorites, combination);
        if (!action) return "none";
        return (action->kind == FavoriteAction::Kind::open ? "open " : "send ") + action->path;
    };
    EXPECT_EQ(runs(k), "open C:\\Two") << "\"Open\" is searched first, then the earlier favorite";
    EXPECT_EQ(runs(j), "send C:\\Three");
    for (unsigned combination : {k, j, kCtrl | unsigned{'X'}, unsigned{'K'}})
        EXPECT_EQ(shown(combination), runs(combination))
            << "the menu shows what the key runs: " << combination;

    // A key given in the options acts as soon as the model has it.
    model_.favorites.push_back(Favorite::Parse("C:\\Four?" + std::to_string(kCtrl | 'X') + "*0"));
    EXPECT_EQ(runs(kCtrl | 'X'), "open C:\\Four");
    Rebuild();
    EXPECT_EQ(shown(kCtrl | 'X'), "open C:\\Four");
}

TEST_F(FavoritesMenus, UpdateHistoryRebuildsTheDropDownAndKeepsTheText) {
    model_.history = {"D:\\Work", "c:\\deliver-history-test"};
    main_->SetCurrentPath("C:\\Deliver-History-Test");
    model_.RecordDelivery(main_->CurrentPath());
    main_->UpdateHistory();
    EXPECT_EQ(model_.history, (std::vector<std::string>{"C:\\Deliver-History-Test", "D:\\Work"}));
    EXPECT_EQ(main_->CurrentPath(), "C:\\Deliver-History-Test");
    ASSERT_EQ(::SendMessageW(::GetDlgItem(main_->Handle(), IDC_CMBHISTORY), CB_GETCOUNT, 0, 0), 2);
    wchar_t first[64] = {};
    ::SendMessageW(::GetDlgItem(main_->Handle(), IDC_CMBHISTORY), CB_GETLBTEXT, 0,
                   reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, L"C:\\Deliver-History-Test");
}

TEST(IsExistingDirectory, OnlyExistingDirectories) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring file = std::wstring(temp) + L"deliver-not-a-dir.txt";
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ::CloseHandle(h);
    std::string tempDir;
    for (wchar_t c : std::wstring(temp)) tempDir += static_cast<char>(c);
    EXPECT_TRUE(IsExistingDirectory(tempDir));
    EXPECT_FALSE(IsExistingDirectory(tempDir + "deliver-not-a-dir.txt"));
    EXPECT_FALSE(IsExistingDirectory(tempDir + "deliver-no-such-dir"));
    EXPECT_FALSE(IsExistingDirectory(""));
    ::DeleteFileW(file.c_str());
}

}  // namespace
}  // namespace tarvolo
