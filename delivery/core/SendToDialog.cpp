#include "delivery/core/SendToDialog.h"

#include <algorithm>

namespace tarvolo {

namespace {

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string_view s) {
    std::string upper(s);
    for (char& c : upper) c = UpperAscii(c);
    return upper;
}

constexpr size_t kClassNameChars = 18;

}  // namespace

bool CaptionMatches(std::string_view caption, std::string_view entry) {
    return UpperAscii(caption.substr(0, entry.size())) == UpperAscii(entry);
}

bool ClassNameQualifies(std::string_view className) {
    return UpperAscii(className.substr(0, kClassNameChars)).find("EDIT") != std::string::npos;
}

std::string RefusedSendText(const SendOutcome& outcome) {
    std::string text = "The path could not be sent to the dialog \"" + outcome.caption + "\": ";
    if (outcome.error == kErrorAccessDenied)
        return text + "the dialog belongs to a program running with higher rights.";
    return text + "the dialog does not answer.";
}

SendOutcome DialogSender::SendPathToDialog(WindowOps& ops, const std::vector<std::string>& dialogsList) {
    // A second send while one runs (a message handled during a wait) would
    // interleave its steps with the first; it is dropped.
    if (ops_ != nullptr) return {};
    ops_ = &ops;
    dialogs_ = &dialogsList;
    unresponsive_.clear();
    matched_ = filledAny_ = false;
    refusal_ = SendOutcome{};
    skip_ = 0;

    // The dialog the user came from answers for itself: a refusal there is told,
    // not passed on to some other dialog the user never meant.
    bool settled = false;
    if (const WindowHandle cameFrom = CameFromDialog(ops, dialogsList)) {
        skip_ = cameFrom;
        settled = Offer(cameFrom) == Offered::taken || refusal_.kind == SendOutcome::Kind::refused;
    }
    if (!settled) {
        // Top-down z-order: the dialog nearest the user comes first.
        ops.EnumTopLevel(
            [this](WindowHandle window) { return window == skip_ || FindDialogWindowProc(window); });
    }

    SendOutcome outcome;
    if (matched_) {
        // A dialog that refused the path is left as it was: hiding now would tell
        // the user it had taken the path.
        if (refusal_.kind == SendOutcome::Kind::refused && !filledAny_) {
            outcome = refusal_;
        } else {
            // Still inside the send: messages handled while the program hides
            // must not start another one.
            ops.MinimizeApplication();
            outcome = SendOutcome{SendOutcome::Kind::delivered, {}, 0};
        }
    }
    ops_ = nullptr;
    dialogs_ = nullptr;
    return outcome;
}

WindowHandle DialogSender::CameFromDialog(WindowOps& ops, const std::vector<std::string>& dialogsList) const {
    if (CameFrom == 0 || !ops.IsShown(CameFrom) || ops.IsWindowMinimized(CameFrom)) return 0;
    // A program's main window in front of its own open dialog: the dialog is
    // the popup it last had active, or failing that one it owns.
    const WindowHandle popup = ops.LastActivePopup(CameFrom);
    if (popup != 0 && popup != CameFrom && ops.IsShown(popup) && IsTarget(ops, popup, dialogsList))
        return popup;
    if (IsTarget(ops, CameFrom, dialogsList)) return CameFrom;
    WindowHandle owned = 0;
    ops.EnumTopLevel([&](WindowHandle window) {
        if (ops.OwnerOf(window) != CameFrom || !ops.IsShown(window) || !IsTarget(ops, window, dialogsList))
            return true;
        owned = window;
        return false;
    });
    return owned;
}

bool DialogSender::IsTarget(WindowOps& ops, WindowHandle window,
                            const std::vector<std::string>& dialogsList) {
    if (IsDialogClass(ops.GetWindowClassName(window)) &&
        RecogniseDialog(ops.DescribeTree(window)).kind != DialogKind::none) {
        return true;
    }
    const std::string caption = ops.GetCaption(window);
    return std::any_of(dialogsList.begin(), dialogsList.end(),
                       [&](const std::string& entry) { return CaptionMatches(caption, entry); });
}

DialogSender::Offered DialogSender::Offer(WindowHandle window) {
    const bool matchedBefore = matched_;
    matched_ = false;
    const bool more = FindDialogWindowProc(window);
    const bool matchedHere = matched_;
    matched_ = matched_ || matchedBefore;
    if (!matchedHere) return Offered::notATarget;
    return more ? Offered::notTaken : Offered::taken;
}

bool DialogSender::FindDialogWindowProc(WindowHandle window) {
    const std::string caption = ops_->GetCaption(window);
    // A recognised dialog takes the path once, in the control its kind keeps
    // for it, whichever entries its caption may also match. A hidden one is no
    // dialog the user is looking at. Every standard dialog is of the dialog
    // class: the descendants of other windows (a browser has hundreds) are not
    // read at all.
    if (ops_->IsShown(window) && IsDialogClass(ops_->GetWindowClassName(window))) {
        const RecognisedDialog dialog = RecogniseDialog(ops_->DescribeTree(window));
        if (dialog.kind != DialogKind::none) {
            const bool filled = DeliverByKind(window, caption, dialog);
            filledAny_ = filledAny_ || filled;
            return !filled;
        }
    }
    bool filled = false;
    for (const std::string& entry : *dialogs_) {
        if (!CaptionMatches(caption, entry)) continue;
        matched_ = true;
        caption_ = caption;
        DialogWindow = window;
        DialogDefaultButton = 0;
        if (!IsUnresponsive(window)) {
            const std::optional<uint32_t> answer = ops_->SendGetDefId(window);
            if (answer) {
                if ((*answer >> 16) == kDcHasDefId)
                    DialogDefaultButton = static_cast<uint16_t>(*answer & 0xFFFFu);
                editFilled_ = false;
                ops_->EnumDescendants(window,
                                      [this](WindowHandle child) { return FillDialogEditProc(child); });
                filled = filled || editFilled_;
            } else {
                MarkUnresponsive(window);
            }
        }
    }
    filledAny_ = filledAny_ || filled;
    return !filled;
}

bool DialogSender::DeliverByKind(WindowHandle window, const std::string& caption,
                                 const RecognisedDialog& dialog) {
    matched_ = true;
    caption_ = caption;
    DialogWindow = window;
    DialogDefaultButton = 0;
    editFilled_ = false;
    if (IsUnresponsive(window)) return false;

    if (dialog.kind == DialogKind::browseForFolder) {
        // Selected in the tree the dialog stays open for the user's OK, and its
        // answer is the folder the tree shows.
        if (ops_->SelectBrowseFolder(window, DialogPath)) return true;
        const uint32_t error = ops_->LastSendError();
        // Not placed in the dialog's process (but the dialog answers): its edit
        // box, where it has one, takes the path as if typed.
        if (dialog.pathEdit != 0 && error != 0 && error != kErrorTimeout && error != kErrorAccessDenied &&
            ops_->SetText(dialog.pathEdit, DialogPath)) {
            return true;
        }
        MarkUnresponsive(window);
        return false;
    }

    const std::optional<uint32_t> answer = ops_->SendGetDefId(window);
    if (!answer) {
        MarkUnresponsive(window);
        return false;
    }
    // A file dialog's Open or Save button is IDOK whether or not it says so.
    DialogDefaultButton = (*answer >> 16) == kDcHasDefId ? static_cast<uint16_t>(*answer & 0xFFFFu) : kIdOk;
    FillEdit(dialog.pathEdit);
    return editFilled_;
}

bool DialogSender::FillDialogEditProc(WindowHandle child) {
    if (!ClassNameQualifies(ops_->GetWindowClassName(child))) return true;
    // Whatever happens, only this first edit is ever offered the path.
    FillEdit(child);
    return false;
}

void DialogSender::FillEdit(WindowHandle edit) {
    // A failed send marks the whole dialog: its edits run on the same thread.
    const std::optional<std::string> oldText = ops_->GetText(edit);
    if (!oldText) {
        // Without the old text it could not be put back: leave the edit alone.
        MarkUnresponsive(DialogWindow);
        return;
    }
    if (!ops_->SetText(edit, DialogPath)) {
        // The edit may still hold the user's own file name: a click now would act
        // on that file instead of switching folders.
        MarkUnresponsive(DialogWindow);
        return;
    }
    editFilled_ = true;
    if (DialogDefaultButton == 0) return;  // the path waits for the user

    const WindowHandle button = ops_->GetDlgItem(DialogWindow, DialogDefaultButton);
    const uint32_t wParam = DialogDefaultButton | (static_cast<uint32_t>(kBnClicked) << 16);
    if (!ops_->SendCommand(DialogWindow, wParam, button)) {
        // The click may still be handled after the wait ended; it must then find
        // the path in the edit, not the old name.
        MarkUnresponsive(DialogWindow);
        return;
    }
    if (!ops_->SetText(edit, *oldText)) MarkUnresponsive(DialogWindow);
}

bool DialogSender::IsUnresponsive(WindowHandle window) const {
    return std::find(unresponsive_.begin(), unresponsive_.end(), window) != unresponsive_.end();
}

void DialogSender::MarkUnresponsive(WindowHandle window) {
    unresponsive_.push_back(window);
    NoteRefusal(window);
}

void DialogSender::NoteRefusal(WindowHandle window) {
    if (refusal_.kind == SendOutcome::Kind::refused) return;
    (void)window;  // always DialogWindow, whose caption is at hand
    refusal_ = SendOutcome{SendOutcome::Kind::refused, caption_, ops_->LastSendError()};
}

}  // namespace tarvolo
