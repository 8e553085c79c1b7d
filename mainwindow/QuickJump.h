// The Quick Jump window: a text box and a ranked list of directories over every
// drive loaded. Each keystroke starts a search off the UI thread; the list
// shows the latest text's answer. Enter delivers to the window the user came
// from (else opens the directory), Alt+O opens, Alt+C copies, Alt+T shows the
// directory in the main window's tree; Esc or a click elsewhere closes it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "index/QuickJump.h"
#include "model/JumpSearch.h"
#include "model/Model.h"
#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/Handles.h"

namespace tarvolo {

// What Quick Jump does with the directory chosen.
enum class JumpAction { deliver = 1, open = 2, copy = 3, showInTree = 4 };

// What the window needs of the program: the rows to search and the deliveries.
class QuickJumpHost {
public:
    virtual ~QuickJumpHost() = default;
    // The drives searchable now (their names folded), on the UI thread; the
    // pointers stay good until the model's RowsAboutToChange.
    virtual std::vector<JumpDrive> JumpDrives() = 0;
    // The drives whose rows are not in yet ("D:"), for the list to say so.
    virtual std::vector<std::string> LoadingDrives() = 0;
    // How much each directory delivered before counts now.
    virtual std::vector<JumpUse> JumpUses() = 0;
    virtual void RunJumpAction(JumpAction action, const std::string& path) = 0;
};

// The window's class name, for the tests that look for it.
const wchar_t* QuickJumpClassName();

class TfrmQuickJump : public Form {
public:
    TfrmQuickJump(Model& model, QuickJumpHost& host);
    ~TfrmQuickJump() override;

    // Shows the window in front with an empty text, ready for typing.
    void ShowJump();
    void HideJump();
    bool Shown() const { return ::IsWindowVisible(hwnd_) != FALSE; }
    // A drive finished loading or its rows changed: the list on show answers again.
    void DrivesChanged();

    // The list's rows, best first, as shown.
    std::vector<std::string> Paths() const { return paths_; }

    // Text of the status line when the text matches nothing.
    static constexpr const char* kNoMatch = "No directory matches";

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnDrawItem(DRAWITEMSTRUCT& item) override;
    bool OnMeasureItem(MEASUREITEMSTRUCT& item) override;
    void OnDpiChanged() override;
    bool PreviewKey(MSG& msg) override;
    bool CloseQuery() override;

private:
    void TextChanged();
    void StartSearch();
    void ShowAnswer();
    void UpdateStatus();
    void Act(JumpAction action);
    void MoveSelection(int step);
    void ApplyScale();
    int RowHeight() const;

    Model& model_;
    QuickJumpHost& host_;
    Edit txtJump;
    ListBox lstJump;
    Label lblStatus;
    UniqueFont nameFont_;
    std::vector<std::string> paths_;
    bool searched_ = false;  // the list answers the text in the box
    std::unique_ptr<JumpSearcher> searcher_;
};

}  // namespace tarvolo
