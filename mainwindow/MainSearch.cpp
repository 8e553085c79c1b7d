// The search box: typing selects the first directory whose name begins with
// the text (or holds it anywhere, when the user chose so), a keystroke that matches nothing is taken back,
// and Find Next steps on to later matches.
#include "mainwindow/Main.h"

#include "adapters/WinLocale.h"
#include "model/KeyRules.h"
#include "platform/WinText.h"

namespace tarvolo {

void TfrmMain::FoldSearchNames() {
    if (model_.drive.searchStale || model_.drive.search.size() != model_.drive.rows.size()) {
        // A fold of these very rows is under way: its end brings the names.
        if (searchFold_->Pending() && searchFold_->Generation() == model_.drive.generation) return;
        if (model_.drive.searchStale && !model_.drive.rows.empty() &&
            searchFold_->Start(model_.drive.rows, model_.drive.generation))
            return;
        EnsureSearchIndex();
    }
    if (model_.drive.search.NameStartsPending()) ::PostMessageW(hwnd_, kBuildNameStartsMessage, 0, 0);
}

void TfrmMain::TakeSearchFold() {
    if (!searchFold_->Pending()) return;
    uint64_t generation = 0;
    std::optional<SearchIndex> folded = searchFold_->Take(generation);
    // Rows replaced since, or given their names by a batch of live changes, keep what they have.
    if (!folded || generation != model_.drive.generation || !model_.drive.searchStale ||
        folded->size() != model_.drive.rows.size())
        return;
    model_.RowsAboutToChange();  // Quick Jump's readers let go of the names first
    model_.drive.search = std::move(*folded);
    model_.drive.searchStale = false;
}

void TfrmMain::EnsureSearchIndex() {
    static const WinCaseFolder folder;
    TakeSearchFold();  // a fold under way is waited for: it is further on than a fold begun here
    if (model_.drive.searchStale || model_.drive.search.size() != model_.drive.rows.size())
        model_.RowsAboutToChange();
    model_.drive.EnsureSearch(folder, false);
}

void TfrmMain::BuildNameStarts() {
    if (!model_.drive.search.NameStartsPending() || model_.drive.searchStale) return;
    model_.RowsAboutToChange();  // Quick Jump's readers let go of the names first
    model_.drive.search.BuildNameStarts(model_.drive.rows);
}

bool TfrmMain::FindDirectory(long start) {
    static const WinCaseFolder folder;
    EnsureSearchIndex();  // names folded here, with Quick Jump's readers let go first
    const long found = model_.drive.Find(start, searchBox->Text(), folder, model_.settings.SearchRule());
    if (found >= 0) SelectRow(found);
    DirListBoxClick();
    return found >= 0;
}

void TfrmMain::FindTypedMeanwhile() {
    if (!typedWhileRead_) return;
    typedWhileRead_ = false;
    static const WinCaseFolder folder;
    EnsureSearchIndex();
    const MatchRule rule = model_.settings.SearchRule();
    const std::string typed = searchBox->Text();
    const std::string accepted = keys::AcceptTyped(
        typed, [&](std::string_view text) { return model_.drive.Find(0, text, folder, rule) >= 0; });
    LastFindText = accepted;
    if (accepted == typed) {
        FindDirectory(0);
        return;
    }
    searchBox->SetText(accepted);  // its change selects the first match, or the root for no text
    searchBox->CaretToEnd();
}

void TfrmMain::DirToFindChange() {
    // Typed before the rows came: the text waits for them, and is then tried as a whole.
    if (RowsComing()) return;
    if (typedWhileRead_) {
        FindTypedMeanwhile();
        return;
    }
    const int caret = searchBox->Caret();
    const bool found = FindDirectory(0);
    const std::string text = searchBox->Text();
    if (found || text.empty()) {
        LastFindText = text;
    } else if (text != LastFindText) {
        // Taken back. Setting the text runs this rule once more, nested, which
        // selects the first match of the accepted text; when that text no longer
        // matches either (rows rescanned since), the nested run finds the box
        // already holding it and stops there.
        searchBox->SetText(LastFindText);
        searchBox->SetCaret(caret);
    }
    if (searchBox->Empty() && !model_.drive.rows.empty()) {
        // An empty search box means the drive's root.
        SelectRow(0);
        DirListBoxClick();
    }
}

void TfrmMain::btnFindNextClick() {
    if (RowsComing()) return;  // nothing to step through yet
    const long selected = SelectedRow();
    if (selected + 1 == static_cast<long>(model_.drive.rows.size()))
        FindDirectory(0);
    else
        FindDirectory(selected);
}

}  // namespace tarvolo
