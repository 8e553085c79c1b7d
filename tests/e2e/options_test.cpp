// The options dialog of the real program, worked with real keystrokes: OK and
// Cancel, the favorites' key editors, the dialogs list, the program's hot key
// and the start-up shortcut.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "tests/e2e/keys_fixture.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const char kFavorites[] = "C:\\Temp?0*0\r\nV:\\Work?49236*0\r\nV:\\Old?0*16452\r\n";
const char kDialogs[] = "Open\r\nSave As\r\nBrowse\r\n";
const char kIni[] = "[Window]\r\nHotKey=49233\r\n[Rescan]\r\nReadOnly=0\r\nHidden=1\r\nSystem=0\r\n";

std::string ReadText(const std::string& path) {
    std::string text;
    ReadFileBytes(path, text);
    return text;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Presses a button of a modal dialog without waiting for what it opens.
void Press(HWND button) {
    ::PostMessageW(button, BM_CLICK, 0, 0);
}

std::string StartupLinkPath() {
    wchar_t folder[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_STARTUP | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
    return U(folder) + "\\Tarvolo.Lnk";
}

FILETIME WriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(W(path).c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

struct LinkFields {
    std::string path, arguments, folder, icon;
    int iconIndex = -1;
};

bool ReadLink(const std::string& file, LinkFields& out) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    bool ok = false;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link)))) {
        IPersistFile* persist = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
            if (SUCCEEDED(persist->Load(W(file).c_str(), STGM_READ))) {
                wchar_t buf[MAX_PATH * 2] = {};
                link->GetPath(buf, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
                out.path = U(buf);
                buf[0] = 0;
                link->GetArguments(buf, MAX_PATH * 2);
                out.arguments = U(buf);
                buf[0] = 0;
                link->GetWorkingDirectory(buf, MAX_PATH * 2);
                out.folder = U(buf);
                buf[0] = 0;
                link->GetIconLocation(buf, MAX_PATH * 2, &out.iconIndex);
                out.icon = U(buf);
                ok = true;
            }
            persist->Release();
        }
        link->Release();
    }
    ::CoUninitialize();
    return ok;
}

}  // namespace

TEST(Options, OkWithoutChangesKeepsSettingsListsAndShortcut) {
    TestDir dir;
    ::DeleteFileW(W(StartupLinkPath()).c_str());
    Program program(dir);
    HWND main = StartLoaded(program, -1, kFavorites, kDialogs, kIni);
    ASSERT_TRUE(main);
    HWND options = OpenOptions(program, main);
    ASSERT_TRUE(options) << "Alt+P did not open the options";
    HWND favorites = ChildByText(options, "ListBox", "");
    EXPECT_EQ(ListItem(favorites, 1), "V:\\Work?49236*0") << "the list holds the whole entries";
    HWND anywhere = ChildByText(options, "Button", "Match anywhere in the name");
    ASSERT_TRUE(anywhere) << "General has no \"Match anywhere in the name\"";
    EXPECT_EQ(::SendMessageW(anywhere, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "an ini without it reads as off";
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(options); })) << "OK did not close the dialog";

    EXPECT_EQ(FileAfterClose(program, "favorites.dir"), kFavorites);
    EXPECT_EQ(ReadText(program.File("dialogs.dir")), kDialogs);
    std::string ini = ReadText(program.File("tarvolo.ini"));
    for (const char* line :
         {"HotKey=49233\r\n", "ReadOnly=0\r\n", "Hidden=1\r\n", "System=0\r\n", "MatchAnywhere=0\r\n"})
        EXPECT_TRUE(Has(ini, line)) << line << " is missing from\n" << ini;
    EXPECT_FALSE(FileExists(StartupLinkPath())) << "OK created a shortcut nobody asked for";
}

TEST(Options, CancelDiscardsDeletesMovesAndEdits) {
    TestDir dir;
    Program program(dir);
    HWND main = StartLoaded(program, -1, kFavorites, kDialogs);
    ASSERT_TRUE(main);
    HWND options = OpenOptions(program, main);
    ASSERT_TRUE(options);
    HWND favorites = ChildByText(options, "ListBox", "");
    HWND dialogs = ChildByText(options, "ListBox", "", 1);

    // Favorites: delete the first after confirming, move the new first down.
    Chord({VK_CONTROL}, VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(options) == favorites; }))
        << "Ctrl+Tab did not turn to Favorites";
    Key(VK_HOME);
    Press(ChildByText(options, "Button", "Delete"));
    HWND confirm = program.WaitDialog("Confirm");
    ASSERT_TRUE(confirm) << "Delete asked nothing";
    EXPECT_EQ(Program::MessageText(confirm), "Delete selected folder from Favorites?");
    EXPECT_TRUE(ChildByText(confirm, "Button", "&Yes") && ChildByText(confirm, "Button", "&No"));
    Key('Y');
    ASSERT_TRUE(WaitFor([&] { return Count(favorites) == 2; }));
    ::SendMessageW(favorites, LB_SETCURSEL, 0, 0);
    Press(ChildByText(options, "Button", "Move Down"));
    EXPECT_TRUE(WaitFor([&] { return ListItem(favorites, 1) == "V:\\Work?49236*0"; }));

    // Dialogs: move the last up and edit it.
    Chord({VK_CONTROL}, VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(options) == dialogs; }));
    ::SendMessageW(dialogs, LB_SETCURSEL, 2, 0);
    Press(ChildByText(options, "Button", "Move Up", 1));
    ASSERT_TRUE(WaitFor([&] { return ListItem(dialogs, 1) == "Browse"; }));
    EXPECT_EQ(Selected(dialogs), 1) << "the selection moves with the item";
    Press(ChildByText(options, "Button", "Edit", 1));
    HWND input = program.WaitWindow("Edit Dialog");
    ASSERT_TRUE(input) << "Edit asked nothing";
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == input; }));
    Type("Changed");
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return ListItem(dialogs, 1) == "Changed"; }));

    Key(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(options); })) << "Esc did not close the dialog";
    EXPECT_EQ(FileAfterClose(program, "favorites.dir"), kFavorites);
    EXPECT_EQ(ReadText(program.File("dialogs.dir")), kDialogs);
}

TEST(Options, HotKeyEditorRewritesTheFavoriteOnReleaseAndDialogsAreTrimmed) {
    TestDir dir;
    Program program(dir);
    HWND main = StartLoaded(program, -1, "C:\\Temp?0*0\r\n", "Open\r\n");
    ASSERT_TRUE(main);
    HWND options = OpenOptions(program, main);
    ASSERT_TRUE(options);
    HWND favorites = ChildByText(options, "ListBox", "");
    HWND openKey = ChildByText(options, "msctls_hotkey32", "", 2);  // after the two of General

    Chord({VK_CONTROL}, VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(options) == favorites; }));
    Key(VK_HOME);
    Key(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(options) == openKey; })) << "Tab did not reach the Open Hot Key";
    Chord({VK_CONTROL, VK_MENU}, 'T');
    EXPECT_TRUE(WaitFor([&] { return ListItem(favorites, 0) == "C:\\Temp?49236*0"; }))
        << "the entry is \"" << ListItem(favorites, 0) << "\"";
    Screenshot(dir.UnixOf("favorites.png"));

    // Two dialogs: one with blanks around it, one of blanks only.
    Chord({VK_CONTROL}, VK_TAB);
    for (const char* typed : {"  Save As  ", "   "}) {
        Press(ChildByText(options, "Button", "Add"));
        HWND input = program.WaitWindow("Add Dialog");
        ASSERT_TRUE(input);
        ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == input; }));
        Type(typed);
        Key(VK_RETURN);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(input); }));
    }
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(options); }));
    EXPECT_EQ(FileAfterClose(program, "favorites.dir"), "C:\\Temp?49236*0\r\n");
    EXPECT_EQ(ReadText(program.File("dialogs.dir")), "Open\r\nSave As\r\n\r\n");
}

TEST(Options, NewHotKeyWorksAfterOkAndTheOldOneNoLonger) {
    TestDir dir;
    Program program(dir);
    HWND main = StartLoaded(program, -1, {}, {}, "[Window]\r\nHotKey=49233\r\nShowCloseInfo=0\r\n");
    ASSERT_TRUE(main);
    HWND options = OpenOptions(program, main);
    ASSERT_TRUE(options);
    HWND hotKey = ChildByText(options, "msctls_hotkey32", "", 0);
    Key(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(options) == hotKey; }));
    Chord({VK_CONTROL, VK_MENU}, 'W');
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(options); }));
    ASSERT_TRUE(Front(main));

    // A hot key is taken before any later keystroke: once the about box that Alt+B
    // opens after the old key is up, that key did or did not act.
    Chord({VK_CONTROL, VK_MENU}, 'Q');
    Chord({VK_MENU}, 'B');
    HWND about = program.WaitWindow("About...");
    EXPECT_TRUE(about) << "Alt+B after the old hot key did not open the about box; " << KeyboardState();
    EXPECT_TRUE(Visible(main)) << "the old hot key still works";
    if (about) {
        ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == about; }));
        Key(VK_ESCAPE);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(about); }));
    }
    ASSERT_TRUE(Front(main));
    Chord({VK_CONTROL, VK_MENU}, 'W');
    EXPECT_TRUE(WaitFor([&] { return !Visible(main); })) << "the new hot key did not hide the program";
    Chord({VK_CONTROL, VK_MENU}, 'W');
    EXPECT_TRUE(WaitFor([&] { return Visible(main); })) << "the new hot key did not bring it back";
    FileAfterClose(program, "favorites.dir");
    EXPECT_TRUE(Has(ReadText(program.File("tarvolo.ini")), "HotKey=49239\r\n"));
}

TEST(StartUpShortcut, RunAtStartUpCreatesKeepsAndDeletesTheLink) {
    TestDir dir;
    const std::string link = StartupLinkPath();
    ::DeleteFileW(W(link).c_str());
    ASSERT_FALSE(FileExists(link)) << "a link left by an earlier run cannot be removed";
    Program program(dir);
    HWND main = StartLoaded(program, -1);
    ASSERT_TRUE(main);

    HWND options = OpenOptions(program, main);
    ASSERT_TRUE(options);
    HWND box = ChildByText(options, "Button", "Run At Start Up");
    ASSERT_EQ(FocusOf(options), box) << "the dialog starts on Run At Start Up";
    Key(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return FileExists(link); })) << "no " << link;
    LinkFields fields;
    ASSERT_TRUE(ReadLink(link, fields)) << "not a shell link";
    EXPECT_EQ(fields.path, program.File("tarvolo.exe"));
    EXPECT_EQ(fields.arguments, "MIN");
    EXPECT_EQ(fields.folder, program.Dir() + "\\");
    EXPECT_EQ(fields.icon, program.File("tarvolo.exe"));
    EXPECT_EQ(fields.iconIndex, 0);

    // OK again: the option shows checked and the file is left alone.
    // An old time stamp that any rewrite would replace.
    FILETIME written{};
    SYSTEMTIME old{2001, 1, 1, 1, 12, 0, 0, 0};
    ::SystemTimeToFileTime(&old, &written);
    {
        HANDLE h = ::CreateFileW(W(link).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ::SetFileTime(h, &written, &written, &written);
        ::CloseHandle(h);
    }
    options = OpenOptions(program, main);
    ASSERT_TRUE(options);
    box = ChildByText(options, "Button", "Run At Start Up");
    EXPECT_EQ(::SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(options); }));
    FILETIME again = WriteTime(link);
    EXPECT_EQ(::CompareFileTime(&written, &again), 0) << "OK rewrote an existing shortcut";

    // Unchecked: the file goes.
    options = OpenOptions(program, main);
    ASSERT_TRUE(options);
    Key(VK_SPACE);
    Key(VK_RETURN);
    EXPECT_TRUE(WaitFor([&] { return !FileExists(link); })) << "unchecking did not delete the shortcut";
}
