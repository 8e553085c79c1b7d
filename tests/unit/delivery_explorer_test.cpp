// Explorer's open folders: which of the shell's reports give a folder, their
// order, the menu's entries, the row a chosen folder selects, and Ctrl+G and
// the icon menu's entries against a fake of the shell's window list fed with
// what Windows reports.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "delivery/core/ExplorerWindows.h"
#include "model/FavoritesMenu.h"
#include "tests/support/Decoders.h"
#include "tests/support/NoFiles.h"
#include "tests/support/NoWindowOps.h"

namespace tarvolo {
namespace {

using Lines = std::vector<std::string>;

// What IShellWindows reports on Windows for windows showing these folders
// (SHGetPathFromIDList's answer, then the parsing name).
ShellWindowReport Report(WindowHandle window, std::string path, std::string parsing, int z,
                         bool shown = true) {
    return {window, std::move(path), std::move(parsing), z, shown};
}
const char kThisPc[] = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
const char kControlPanel[] = "::{26EE0668-A00A-44D7-9371-BEB064C98683}\\0";
const char kLibrary[] = "::{031E4825-7B94-4DC3-B131-E946B44C8DD5}\\Documents.library-ms";

TEST(ExplorerFolders, FileSystemPathsOnly) {
    const struct {
        const char* path;
        bool folder;
    } cases[] = {
        {"C:\\", true},          {"\\\\server\\share", true}, {"C:relative", false}, {"\\\\server\\", false},
        {"\\\\?\\C:\\x", false}, {"\\\\.\\pipe\\x", false},   {"1:\\x", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsFileSystemFolder(c.path), c.folder) << c.path;
}

TEST(ExplorerFolders, MostRecentlyUsedFirstVirtualOnesByTheirRealFolderOrLeftOut) {
    const struct {
        const char* what;
        std::vector<ShellWindowReport> reports;
        Lines folders;
    } cases[] = {
        {"the shell lists nothing (Wine)", {}, {}},
        {"the front window first, whatever the shell's order",
         {Report(0x10, "C:\\Back", "C:\\Back", 7), Report(0x20, "C:\\Front", "C:\\Front", 2),
          Report(0x30, "D:\\Middle", "D:\\Middle", 4)},
         {"C:\\Front", "D:\\Middle", "C:\\Back"}},
        {"the tab on show before the other tabs of its window",
         {Report(0x10, "C:\\Tab1", "C:\\Tab1", 3, false), Report(0x10, "C:\\Tab2", "C:\\Tab2", 3, true),
          Report(0x10, "C:\\Tab3", "C:\\Tab3", 3, false), Report(0x20, "C:\\Other", "C:\\Other", 5)},
         {"C:\\Tab2", "C:\\Tab1", "C:\\Tab3", "C:\\Other"}},
        {"virtual folders without a folder are left out",
         {Report(0x10, "", kThisPc, 1), Report(0x20, "", kControlPanel, 2), Report(0x30, "", kLibrary, 3),
          Report(0x40, "C:\\Real", "C:\\Real", 4)},
         {"C:\\Real"}},
        {"a virtual folder with a real one: by the real one",
         {Report(0x10, "C:\\Users\\ana\\Desktop", "C:\\Users\\ana\\Desktop", 1),
          Report(0x20, "", "C:\\Users\\ana\\Downloads", 2)},
         {"C:\\Users\\ana\\Desktop", "C:\\Users\\ana\\Downloads"}},
        {"a web page in a browser window of the same list",
         {Report(0x10, "", "https://example.org/", 0), Report(0x20, "E:\\", "E:\\", 1)},
         {"E:\\"}},
        {"one folder open twice is listed once, where it comes first",
         {Report(0x10, "C:\\Work", "C:\\Work", 5), Report(0x20, "c:\\WORK\\", "c:\\WORK\\", 1),
          Report(0x30, "C:\\Work\\Sub", "C:\\Work\\Sub", 3)},
         {"c:\\WORK", "C:\\Work\\Sub"}},
        {"windows of unknown place last, each with its tabs, in the shell's order",
         {Report(0x10, "C:\\A1", "C:\\A1", -1, false), Report(0x20, "C:\\B", "C:\\B", -1),
          Report(0x10, "C:\\A2", "C:\\A2", -1, true), Report(0x30, "C:\\Known", "C:\\Known", 9)},
         {"C:\\Known", "C:\\A2", "C:\\A1", "C:\\B"}},
        {"a share",
         {Report(0x10, "\\\\nas\\photos\\2024", "\\\\nas\\photos\\2024", 0)},
         {"\\\\nas\\photos\\2024"}},
    };
    for (const auto& c : cases) EXPECT_EQ(ExplorerFolders(c.reports), c.folders) << c.what;
}

TEST(ExplorerFolders, TheMenusEntries) {
    const struct {
        Lines folders;
        std::vector<std::string> captions;
        Lines paths;
        std::vector<bool> enabled;
    } cases[] = {
        {{}, {"(none)"}, {""}, {false}},
        {{"C:\\Work", "D:\\"}, {"C:\\Work", "D:\\"}, {"C:\\Work", "D:\\"}, {true, true}},
        {{"C:\\Tom & Jerry"}, {"C:\\Tom && Jerry"}, {"C:\\Tom & Jerry"}, {true}},
    };
    for (const auto& c : cases) {
        const std::vector<ExplorerMenuEntry> entries = ExplorerMenuEntries(c.folders);
        ASSERT_EQ(entries.size(), c.captions.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].caption, c.captions[i]);
            EXPECT_EQ(entries[i].path, c.paths[i]);
            EXPECT_EQ(entries[i].enabled, c.enabled[i]);
        }
    }
}

TEST(ExplorerFolders, AChosenFolderSelectsItsRowOnTheDriveShown) {
    RowStore rows;
    for (const char* r : {"\\", "\\Program Files", "\\Users", "\\Users\\ana", "\\Users\\ana\\Tom & Jerry"})
        rows.Append(r);
    const struct {
        const char* drive;
        const char* path;
        long row;
    } cases[] = {
        {"C:", "C:\\Users\\ana", 3},
        {"C:", "c:\\USERS\\ANA", 3},  // letter case does not count
        {"C:", "C:\\", 0},
        {"C:", "C:\\Users\\", 2},
        {"C:", "C:\\Users\\ana\\Tom & Jerry", 4},
        {"C:", "D:\\Users\\ana", -1},  // another drive
        {"C:", "C:\\Users\\bob", -1},  // not indexed
        {"C:", "\\\\server\\share", -1},
        {"", "C:\\Users", -1},  // no drive shown
        {"C:", "C:", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RowOfPath(rows, c.drive, c.path), c.row) << c.drive << " " << c.path;
}

// A shell that reports what it was fed, and commands that log what they do.
struct FakeShellWindows : ShellWindows {
    std::vector<ShellWindowReport> reports;
    Lines* log = nullptr;
    bool navigates = true;
    int lists = 0;  // how often the shell was asked for its windows
    std::vector<ShellWindowReport> List() override {
        ++lists;
        return reports;
    }
    bool Navigate(WindowHandle window, const std::string& folder) override {
        log->push_back("navigate " + std::to_string(window) + " " + folder);
        return navigates;
    }
};

struct Recorder : Shell, Clipboard, fakes::NoWindowOps, CommandView {
    Lines log;
    std::set<std::string> directories;
    bool IsDirectory(const std::string& path) override { return directories.count(path) != 0; }
    bool OpenFolder(const std::string& path) override {
        log.push_back("open " + path);
        return true;
    }
    bool CopyText(const std::string&) override { return true; }
    void EnumTopLevel(const Visit&) override { log.push_back("look for dialogs"); }
    // The windows there are, by class; a minimized one is still there.
    std::map<WindowHandle, std::string> classes;
    std::set<WindowHandle> minimized;
    std::string GetWindowClassName(WindowHandle w) override {
        return classes.count(w) ? classes.at(w).substr(0, 18) : "";
    }
    bool IsShown(WindowHandle w) override { return classes.count(w) != 0; }
    bool IsWindowMinimized(WindowHandle w) override { return minimized.count(w) != 0; }
    void MinimizeApplication() override { log.push_back("minimize"); }
    void Inform(const std::string& text) override { log.push_back("inform " + text); }
    void ShowError(const std::string& text) override { log.push_back("error " + text); }
    void HistoryChanged() override { log.push_back("history shown"); }
};

class ExplorerCommands : public ::testing::Test {
protected:
    ExplorerCommands() {
        shell.log = &recorder.log;
        recorder.directories = {"C:\\Front", "D:\\Back"};
        model.dialogs = {"Open"};
        model.history = {"D:\\Back"};
    }
    Recorder recorder;
    FakeShellWindows shell;
    NoFiles files;
    fakes::PassThroughDecoder ansi;
    Model model{"C:\\App", files, ansi};
    Commands commands{model, recorder, recorder, recorder, recorder};
    ExplorerFolderCommands explorer{shell, commands, recorder};
};

TEST_F(ExplorerCommands, CtrlGSendsTheFrontFolderAndRecordsIt) {
    shell.reports = {Report(0x10, "D:\\Back", "D:\\Back", 3), Report(0x20, "", kThisPc, 0),
                     Report(0x30, "C:\\Front", "C:\\Front", 1)};
    EXPECT_TRUE(explorer.SendFrontFolderToDialog());
    EXPECT_EQ(recorder.log, (Lines{"look for dialogs", "history shown"}));
    EXPECT_EQ(commands.Sender().DialogPath, "C:\\Front");
    EXPECT_EQ(model.history, (Lines{"C:\\Front", "D:\\Back"}));
}

TEST_F(ExplorerCommands, NothingToSendIsSaidAndNothingIsRecorded) {
    const struct {
        const char* what;
        std::vector<ShellWindowReport> reports;
        Lines log;
    } cases[] = {
        {"no Explorer window (Wine)", {}, {std::string("inform ") + kNoExplorerWindow}},
        {"only virtual folders",
         {Report(0x10, "", kThisPc, 0)},
         {std::string("inform ") + kNoExplorerWindow}},
        {"the front folder is gone",
         {Report(0x10, "E:\\Unplugged", "E:\\Unplugged", 0)},
         {std::string("inform ") + kMissingDirectory}},
    };
    for (const auto& c : cases) {
        recorder.log.clear();
        shell.reports = c.reports;
        EXPECT_FALSE(explorer.SendFrontFolderToDialog()) << c.what;
        EXPECT_EQ(recorder.log, c.log) << c.what;
        EXPECT_EQ(model.history, Lines{"D:\\Back"}) << c.what;
    }
}

// Dialog, when the user came from a window: an Explorer window the shell lists
// is moved to the path in place; anything else goes the way of Send To Dialog.
// The shell is asked only about a window of the file browser's class that is
// still where the user works: a send from a file dialog never waits on it.
TEST_F(ExplorerCommands, DialogMovesTheExplorerWindowYouCameFromInPlace) {
    shell.reports = {Report(0x10, "D:\\Back", "D:\\Back", 1), Report(0x20, "", kThisPc, 0),
                     Report(0x10, "C:\\Tab", "C:\\Tab", 1, false)};
    recorder.classes = {{0x10, "CabinetWClass"}, {0x20, "ExplorerWClass"}, {0x40, "CabinetWClass"},
                        {0x50, "CabinetWClass"}, {0x99, "#32770"},         {0x98, "Notepad"}};
    recorder.minimized = {0x50};
    shell.reports.push_back(Report(0x50, "C:\\Min", "C:\\Min", 2));
    const struct {
        const char* what;
        WindowHandle cameFrom;
        bool navigates;
        int lists;
        bool remembered;  // still the window you came from after the send
        Lines log;        // a window still there is looked through for its dialogs first, then the z-order
    } cases[] = {
        {"an Explorer window", 0x10, true, 1, true, {"navigate 16 C:\\Front", "minimize", "history shown"}},
        {"one on a virtual folder",
         0x20,
         true,
         1,
         true,
         {"navigate 32 C:\\Front", "minimize", "history shown"}},
        {"an Explorer window that refuses",
         0x10,
         false,
         1,
         true,
         {"navigate 16 C:\\Front", "look for dialogs", "look for dialogs", "history shown"}},
        {"one of the class the shell does not list (another user's)",
         0x40,
         true,
         1,
         true,
         {"look for dialogs", "look for dialogs", "history shown"}},
        {"a file dialog", 0x99, true, 0, true, {"look for dialogs", "look for dialogs", "history shown"}},
        {"another program's window",
         0x98,
         true,
         0,
         true,
         {"look for dialogs", "look for dialogs", "history shown"}},
        {"an Explorer window since minimized", 0x50, true, 0, false, {"look for dialogs", "history shown"}},
        {"an Explorer window since closed", 0x77, true, 0, false, {"look for dialogs", "history shown"}},
        {"none known", 0, true, 0, false, {"look for dialogs", "history shown"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        recorder.log.clear();
        shell.navigates = c.navigates;
        shell.lists = 0;
        // Wired as the window wires it.
        commands.SetWindowTarget([&](WindowHandle cameFrom, const std::string& path) {
            return explorer.NavigateExplorerWindow(cameFrom, path);
        });
        commands.RememberWindowCameFrom(c.cameFrom);
        EXPECT_TRUE(commands.Run(Command::sendToDialog, "C:\\Front"));
        EXPECT_EQ(recorder.log, c.log);
        EXPECT_EQ(shell.lists, c.lists);
        EXPECT_EQ(commands.WindowCameFrom(), c.remembered ? c.cameFrom : 0);
        EXPECT_EQ(model.history.front(), "C:\\Front");
    }
    // Open keeps opening a new window.
    recorder.log.clear();
    EXPECT_TRUE(commands.Run(Command::open, "C:\\Front"));
    EXPECT_EQ(recorder.log, (Lines{"open C:\\Front", "history shown"}));
}

}  // namespace
}  // namespace tarvolo
