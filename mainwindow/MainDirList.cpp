// The directory list (painted by TreeList): the rows it shows, and what
// selecting a row does.
#include "mainwindow/Main.h"

#include "platform/WinText.h"

namespace tarvolo {

void TfrmMain::BuildTreeCodes() {
    model_.drive.BuildCodes();
}

void TfrmMain::SetRows(RowStore rows) {
    model_.RowsAboutToChange();
    model_.drive.Replace(std::move(rows));
    // The names are folded for the search once the tree is on screen (or at the
    // first search, whichever comes first), so a large drive shows sooner.
    ::PostMessageW(hwnd_, kBuildSearchIndexMessage, 0, 0);
    treeList->SetRowCount(model_.drive.rows.size());
    if (liveIndex_) liveIndex_->DrivesChanged();
}

void TfrmMain::DirListBoxClick() {
    const long row = SelectedRow();
    // No selected row (an empty index): the current path stays what it was.
    if (row < 0) return;
    const std::string path = SelectedDrive() + std::string(model_.drive.rows.Path(static_cast<size_t>(row)));
    historyBox->ShowChosenPath(path, treeList->Handle());
}

void TfrmMain::DirListBoxDblClick() {
    DirListBoxClick();
    CommandClick(Command::open);
}

}  // namespace tarvolo
