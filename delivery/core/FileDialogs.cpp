#include "delivery/core/FileDialogs.h"

#include <algorithm>
#include <unordered_map>

namespace tarvolo {

namespace {

using namespace dialog_parts;

// Window classes are compared as the system compares them: without regard to case.
bool SameClass(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) {
                   return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

class Tree {
public:
    explicit Tree(const std::vector<WindowNode>& nodes) : nodes_(nodes) {
        for (size_t i = 0; i < nodes.size(); ++i) index_.emplace(nodes[i].handle, i);
    }

    bool Has(std::string_view className) const {
        return std::any_of(nodes_.begin() + 1, nodes_.end(),
                           [&](const WindowNode& n) { return SameClass(n.className, className); });
    }

    const WindowNode* Parent(const WindowNode& node) const {
        auto it = index_.find(node.parent);
        return it == index_.end() ? nullptr : &nodes_[it->second];
    }

    // True when the node or one of its ancestors below the dialog passes `test`.
    // The tree is read while its windows live on, and a window moved during the
    // read can leave a parent chain that comes back to itself: no chain is
    // followed for more steps than the tree has nodes.
    template <typename Test>
    bool WithinOrIs(const WindowNode& node, Test test) const {
        size_t steps = 0;
        for (const WindowNode* n = &node; n && n != &nodes_.front() && steps < nodes_.size();
             n = Parent(*n), ++steps) {
            if (test(*n)) return true;
        }
        return false;
    }

    // The first edit, in the tree's order, that passes `test`.
    template <typename Test>
    WindowHandle FirstEdit(Test test) const {
        for (size_t i = 1; i < nodes_.size(); ++i) {
            if (SameClass(nodes_[i].className, "Edit") && test(nodes_[i])) return nodes_[i].handle;
        }
        return 0;
    }

    bool IsDialogChild(const WindowNode& node) const { return node.parent == nodes_.front().handle; }

    const std::vector<WindowNode>& Nodes() const { return nodes_; }

private:
    const std::vector<WindowNode>& nodes_;
    std::unordered_map<WindowHandle, size_t> index_;
};

WindowHandle FileNameEdit(const Tree& tree) {
    // Classic dialogs on both systems and the item dialog's Open on Windows: the
    // edit inside the file-name box.
    WindowHandle edit = tree.FirstEdit([&](const WindowNode& node) {
        return tree.WithinOrIs(node, [](const WindowNode& n) { return n.id == kFileNameComboId; });
    });
    // The item dialog's Save on Windows keeps it in a floating part of its view.
    if (!edit) {
        edit = tree.FirstEdit([&](const WindowNode& node) {
            return tree.WithinOrIs(
                node, [](const WindowNode& n) { return SameClass(n.className, "FloatNotifySink"); });
        });
    }
    // Wine's item dialog and the older classic layout.
    if (!edit) edit = tree.FirstEdit([](const WindowNode& node) { return node.id == kFileNameEditId; });
    return edit;
}

bool IsBrowseTree(const Tree& tree, const WindowNode& node) {
    if (!SameClass(node.className, "SysTreeView32")) return false;
    const WindowNode* parent = tree.Parent(node);
    if (!parent) return false;
    // Windows wraps the tree in a control of its own; Wine's older layout places
    // it straight in the dialog, under its own id. A tree alone says nothing:
    // plenty of programs' dialogs hold one.
    if (SameClass(parent->className, "SHBrowseForFolder ShellNameSpace Control")) return true;
    return tree.IsDialogChild(node) && node.id == kBrowseTreeId;
}

}  // namespace

bool IsDialogClass(std::string_view className) {
    return SameClass(className, kDialogClass);
}

RecognisedDialog RecogniseDialog(const std::vector<WindowNode>& nodes) {
    if (nodes.empty() || !IsDialogClass(nodes.front().className)) return {};
    const Tree tree(nodes);

    const bool item = tree.Has("DUIViewWndClassName") || tree.Has("ExplorerBrowserControl") ||
                      tree.Has("idlg_container_pane");
    if (item || tree.Has("SHELLDLL_DefView")) {
        const WindowHandle edit = FileNameEdit(tree);
        if (!edit) return {};
        return {item ? DialogKind::itemDialog : DialogKind::fileDialog, edit};
    }

    const bool browse = std::any_of(nodes.begin() + 1, nodes.end(),
                                    [&](const WindowNode& n) { return IsBrowseTree(tree, n); });
    if (browse) return {DialogKind::browseForFolder, tree.FirstEdit([](const WindowNode&) { return true; })};
    return {};
}

}  // namespace tarvolo
