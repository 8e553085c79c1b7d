// The folders open in the shell's file browser, as the shell's own list of its
// windows reports them: which of them can be delivered, and in which order the
// user last used them. The list itself sits behind a narrow interface, so the
// rules run against what Windows reports without a shell.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/core/Commands.h"
#include "delivery/core/SendToDialog.h"

namespace tarvolo {

// One window, or one tab of a window, in the shell's list.
struct ShellWindowReport {
    WindowHandle window = 0;     // the top-level window; the tabs of one window share it
    std::string fileSystemPath;  // the folder's path in the file system; empty when it has none
    std::string parsingName;     // the shell's name for the folder ("::{...}" for a virtual one)
    int zOrder = -1;             // the window's place among the top-level windows, 0 in front; -1 unknown
    bool tabShown = true;        // the tab on show in its window
};

class ShellWindows {
public:
    virtual ~ShellWindows() = default;
    // Every window and tab the shell lists now, in the shell's order; empty when
    // it lists none or cannot be asked.
    virtual std::vector<ShellWindowReport> List() = 0;
    // Shows `folder` in `window`'s current tab in place; false when the window is
    // gone or refused.
    virtual bool Navigate(WindowHandle window, const std::string& folder) = 0;
};

// A path of the file system: "C:\..." or "\\server\share...".
bool IsFileSystemFolder(std::string_view path);

// The folder a report stands for: its file-system path, or its parsing name when
// that is one; empty for a virtual folder with no folder behind it (This PC, the
// Control Panel, a library).
std::string DeliverableFolder(const ShellWindowReport& report);

// The folders of the reports, the most recently used first: the window nearest
// the front first, in a window the tab on show before the others, otherwise in
// the shell's order. Virtual folders without a real one are left out; a folder
// open in several windows or tabs is listed once, where it comes first.
std::vector<std::string> ExplorerFolders(const std::vector<ShellWindowReport>& reports);

// True when `cameFrom` is one of the windows the shell lists as its own: then
// Dialog moves that window to the path in place rather than looking for a
// file dialog. Windows of the same class that the shell does not list (another
// user's, one with higher rights) are not taken for one.
bool IsExplorerTarget(WindowHandle cameFrom, const std::vector<ShellWindowReport>& reports);

// True for the class of the file browser's windows: `CabinetWClass` on
// Windows, `ExplorerWClass` on older systems and under Wine. Only such a
// window is worth asking the shell about.
bool IsExplorerWindowClass(std::string_view className);

extern const char kNoExplorerWindow[];

// The commands on Explorer's folders: listing them for the menus, and sending
// one of them to the dialog as Send To Dialog sends the current path.
class ExplorerFolderCommands {
public:
    ExplorerFolderCommands(ShellWindows& shell, Commands& commands, CommandView& view)
        : shell_(shell), commands_(commands), view_(view) {}

    std::vector<std::string> Folders() { return ExplorerFolders(shell_.List()); }
    // Ctrl+G: the folder of the Explorer window in front; the user is told when
    // no Explorer window shows a folder.
    bool SendFrontFolderToDialog();
    // A folder chosen from the icon's menu. Delivered like the current path, so it
    // goes to the front of the history.
    bool SendFolderToDialog(const std::string& folder) {
        return commands_.Run(Command::sendToDialog, folder);
    }
    // Dialog's target when the user came from an Explorer window: that window shows
    // `path` in place. False when `cameFrom` is no Explorer window or refused,
    // so that the path goes the way of Send To Dialog instead.
    bool NavigateExplorerWindow(WindowHandle cameFrom, const std::string& path);

private:
    ShellWindows& shell_;
    Commands& commands_;
    CommandView& view_;
};

}  // namespace tarvolo
