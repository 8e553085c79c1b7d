#include <gtest/gtest.h>

#include "delivery/core/FileDialogs.h"

namespace tarvolo {
namespace {

// A window tree written as an outline: each line's depth below the dialog, its
// class and control id. Handles are the lines' numbers from 1.
struct Line {
    int depth;
    const char* className;
    int id;
};

std::vector<WindowNode> Outline(std::initializer_list<Line> lines) {
    std::vector<WindowNode> nodes;
    std::vector<WindowHandle> parents;  // by depth
    for (const Line& line : lines) {
        const WindowHandle handle = nodes.size() + 1;
        parents.resize(static_cast<size_t>(line.depth));
        nodes.push_back({handle, parents.empty() ? 0 : parents.back(), line.className, line.id});
        parents.push_back(handle);
    }
    return nodes;
}

struct Case {
    const char* name;
    std::vector<WindowNode> tree;
    DialogKind kind;
    WindowHandle pathEdit;  // line number, 0 for none
};

// The dialogs' structures as Windows and Wine build them; where the two
// differ, both are here. Decoy edits come before the file name where the real
// dialogs have them (the address bar, the search box, a program's own template).
TEST(RecogniseDialog, WindowsAndWineDialogsAndLookAlikes) {
    const Case cases[] = {
        {"Wine classic Open (measured)",
         Outline({{0, "#32770", 0},
                  {1, "Static", 1091},
                  {1, "ComboBox", 1137},
                  {1, "SHELLDLL_DefView", 1121},
                  {2, "SysListView32", 1},
                  {3, "SysHeader32", 0},
                  {1, "ToolbarWindow32", 1184},
                  {1, "Static", 1090},
                  {1, "ComboBoxEx32", 1148},
                  {2, "ComboBox", 1148},
                  {3, "Edit", 1148},  // 11
                  {1, "ComboBox", 1136},
                  {1, "Button", 1},
                  {1, "#32770", 0}}),
         DialogKind::fileDialog, 11},
        {"Windows classic Save with a program's own template holding an edit",
         Outline({{0, "#32770", 0},
                  {1, "#32770", 0},
                  {2, "Edit", 1200},  // the program's own box comes first
                  {1, "ComboBox", 1137},
                  {1, "SHELLDLL_DefView", 1121},
                  {2, "DirectUIHWND", 0},
                  {1, "ComboBoxEx32", 1148},
                  {2, "ComboBox", 1148},
                  {3, "Edit", 1001},  // 9: known by the box it sits in, whatever its own id
                  {1, "Button", 1}}),
         DialogKind::fileDialog, 9},
        {"classic dialog of the older layout: a plain file-name edit",
         Outline({{0, "#32770", 0}, {1, "Edit", 1000}, {1, "SHELLDLL_DefView", 1121}, {1, "Edit", 1152}}),
         DialogKind::fileDialog, 4},
        {"Windows item Open: the address bar's edit comes first",
         Outline({{0, "#32770", 0},
                  {1, "WorkerW", 0},
                  {2, "ReBarWindow32", 0},
                  {3, "Address Band Root", 0},
                  {4, "ComboBoxEx32", 41477},
                  {5, "ComboBox", 41477},
                  {6, "Edit", 41477},
                  {1, "DUIViewWndClassName", 0},
                  {2, "DirectUIHWND", 0},
                  {3, "CtrlNotifySink", 0},
                  {4, "ComboBoxEx32", 1148},
                  {5, "ComboBox", 1148},
                  {6, "Edit", 1148},  // 13
                  {1, "Button", 1}}),
         DialogKind::itemDialog, 13},
        {"Windows item Save: the name sits in the view's floating part",
         Outline({{0, "#32770", 0},
                  {1, "DUIViewWndClassName", 0},
                  {2, "DirectUIHWND", 0},
                  {3, "CtrlNotifySink", 0},
                  {4, "SearchEditBoxWrapperClass", 0},
                  {5, "Edit", 0},
                  {3, "FloatNotifySink", 0},
                  {4, "ComboBox", 1001},
                  {5, "Edit", 1001},  // 9
                  {3, "FloatNotifySink", 0},
                  {4, "ComboBox", 1002},
                  {1, "Button", 1}}),
         DialogKind::itemDialog, 9},
        {"Wine item dialog (measured)",
         Outline({{0, "#32770", 0},
                  {1, "idlg_container_pane", 0},
                  {1, "Static", 1090},
                  {1, "Edit", 1152},  // 4
                  {1, "ComboBox", 1136},
                  {1, "Button", 1},
                  {1, "ExplorerBrowserControl", 0},
                  {2, "SHELLDLL_DefView", 0},
                  {3, "SysListView32", 1},
                  {2, "NamespaceTreeControl", 0},
                  {3, "SysTreeView32", 0},
                  {1, "ToolbarWindow32", 200}}),
         DialogKind::itemDialog, 4},
        {"Windows Browse For Folder",
         Outline({{0, "#32770", 0},
                  {1, "Static", 14146},
                  {1, "SHBrowseForFolder ShellNameSpace Control", 14145},
                  {2, "SysTreeView32", 100},
                  {1, "Button", 1},
                  {1, "Button", 2}}),
         DialogKind::browseForFolder, 0},
        {"Windows Browse For Folder with an edit box",
         Outline({{0, "#32770", 0},
                  {1, "Static", 14146},
                  {1, "Static", 14148},
                  {1, "Edit", 14149},  // 4
                  {1, "SHBrowseForFolder ShellNameSpace Control", 14145},
                  {2, "SysTreeView32", 100},
                  {1, "Button", 1}}),
         DialogKind::browseForFolder, 4},
        {"Wine Browse For Folder (measured)",
         Outline({{0, "#32770", 0},
                  {1, "Button", 1},
                  {1, "Button", 2},
                  {1, "Static", 14146},
                  {1, "Static", 14147},
                  {1, "SysTreeView32", 14145}}),
         DialogKind::browseForFolder, 0},
        {"Wine Browse For Folder with an edit box (measured)",
         Outline({{0, "#32770", 0},
                  {1, "Static", 14146},
                  {1, "Static", 14148},
                  {1, "SysTreeView32", 14145},
                  {1, "Edit", 14149},  // 5
                  {1, "Button", 14150},
                  {1, "Button", 1}}),
         DialogKind::browseForFolder, 5},
        {"class names compare without case",
         Outline({{0, "#32770", 0}, {1, "shelldll_defview", 0}, {1, "EDIT", 1152}}), DialogKind::fileDialog,
         3},

        // Look-alikes that must not take a path meant for a file dialog.
        {"a program's settings dialog with a tree and an edit",
         Outline({{0, "#32770", 0}, {1, "SysTreeView32", 1000}, {1, "Edit", 1001}, {1, "Button", 1}}),
         DialogKind::none, 0},
        {"a tree under Browse For Folder's id but not in the dialog itself",
         Outline({{0, "#32770", 0}, {1, "Static", 0}, {2, "SysTreeView32", 14145}}), DialogKind::none, 0},
        {"a file view without any file-name edit",
         Outline({{0, "#32770", 0}, {1, "SHELLDLL_DefView", 1121}, {1, "Edit", 1000}}), DialogKind::none, 0},
        {"the file browser's own window: not a dialog",
         Outline({{0, "CabinetWClass", 0},
                  {1, "ComboBoxEx32", 1148},
                  {2, "Edit", 1148},
                  {1, "SHELLDLL_DefView", 0}}),
         DialogKind::none, 0},
        {"an editor's main window", Outline({{0, "Notepad", 0}, {1, "Edit", 15}}), DialogKind::none, 0},
        {"nothing at all", {}, DialogKind::none, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RecognisedDialog found = RecogniseDialog(c.tree);
        EXPECT_EQ(found.kind, c.kind);
        EXPECT_EQ(found.pathEdit, c.pathEdit);
    }
}

// A tree read while its windows move can hold parent chains that come back to
// themselves; recognition must end, and what is sound in the tree still counts.
TEST(RecogniseDialog, EndsOnParentChainsThatComeBackToThemselves) {
    const Case cases[] = {
        {"an edit and its parent under each other",
         {{1, 0, "#32770", 0}, {2, 1, "SHELLDLL_DefView", 1121}, {3, 4, "Edit", 0}, {4, 3, "ComboBox", 0}},
         DialogKind::none,
         0},
        {"an edit its own parent",
         {{1, 0, "#32770", 0}, {2, 1, "SHELLDLL_DefView", 1121}, {3, 3, "Edit", 0}},
         DialogKind::none,
         0},
        {"a longer ring beside a sound file-name box",
         {{1, 0, "#32770", 0},
          {2, 1, "SHELLDLL_DefView", 1121},
          {3, 5, "Edit", 0},
          {4, 3, "Static", 0},
          {5, 4, "Static", 0},
          {6, 1, "ComboBoxEx32", 1148},
          {7, 6, "Edit", 0}},
         DialogKind::fileDialog,
         7},
        {"a ring through the dialog's own handle",
         {{1, 2, "#32770", 0}, {2, 1, "SHELLDLL_DefView", 1121}, {3, 2, "Edit", 1152}},
         DialogKind::fileDialog,
         3},
        {"Browse For Folder's tree under a parent in a ring",
         {{1, 0, "#32770", 0}, {2, 3, "SysTreeView32", 0}, {3, 2, "Static", 0}},
         DialogKind::none,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RecognisedDialog found = RecogniseDialog(c.tree);
        EXPECT_EQ(found.kind, c.kind);
        EXPECT_EQ(found.pathEdit, c.pathEdit);
    }
}

}  // namespace
}  // namespace tarvolo
