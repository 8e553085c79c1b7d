// Standard file dialogs told apart by what they are made of - window classes
// and control ids, which the system never translates - rather than by their
// captions, which it does. Windows and Wine build the same dialogs from
// different parts; the rules below hold for both.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvolo {

using WindowHandle = uintptr_t;

// One window of a dialog's tree as the system reports it.
struct WindowNode {
    WindowHandle handle = 0;
    WindowHandle parent = 0;  // 0 for the dialog itself
    std::string className;    // in full
    int id = 0;               // its control id
};

enum class DialogKind {
    none,
    fileDialog,       // the classic Explorer-style Open and Save dialogs
    itemDialog,       // the common item dialog, Open and Save
    browseForFolder,  // Browse For Folder, with or without an edit box
};

struct RecognisedDialog {
    DialogKind kind = DialogKind::none;
    // The file dialogs' file-name edit; Browse For Folder's edit box, 0 when it has none.
    WindowHandle pathEdit = 0;
};

// `tree` is the top-level window first, then its descendants with every parent
// before its children. A file dialog whose file-name edit cannot be found is
// not recognised: there would be nowhere to put the path.
RecognisedDialog RecogniseDialog(const std::vector<WindowNode>& tree);

// True for the class every standard dialog is of; a window of any other class
// need not be described at all.
bool IsDialogClass(std::string_view className);

// Control ids and classes that make the rules; Windows' own since Vista.
namespace dialog_parts {
constexpr std::string_view kDialogClass = "#32770";
constexpr int kFileNameComboId = 1148;  // the file-name box (ComboBoxEx32, ComboBox and Edit)
constexpr int kFileNameEditId = 1152;   // the file-name edit of older dialogs and of Wine's item dialog
constexpr int kBrowseTreeId = 14145;    // Browse For Folder's tree in its older layout
}  // namespace dialog_parts

}  // namespace tarvolo
