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
    ops.EnumTopLevel([this](WindowHandle window) { return FindDialogWindowProc(window); });
    SendOutcome outcome;
    if (matched_) {
        // A dialog that refused the path is left as it was: hiding now would tell
        // the user it had taken the path.
        if (refusal_.kind == SendOutcome::Refused && !filledAny_) {
            outcome = refusal_;
        } else {
            // Still inside the send: messages handled while the program hides
            // must not start another one.
            ops.MinimizeApplication();
            outcome = SendOutcome{SendOutcome::Delivered, {}, 0};
        }
    }
    ops_ = nullptr;
    dialogs_ = nullptr;
    return outcome;
}

bool DialogSender::FindDialogWindowProc(WindowHandle window) {
    const std::string caption = ops_->GetCaption(window);
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

bool DialogSender::FillDialogEditProc(WindowHandle child) {
    if (!ClassNameQualifies(ops_->GetWindowClassName(child))) return true;

    // Whatever happens below, only this first edit is ever offered the path. A
    // failed send marks the whole dialog: its edits run on the same thread.
    const std::optional<std::string> oldText = ops_->GetText(child);
    if (!oldText) {
        // Without the old text it could not be put back: leave the edit alone.
        MarkUnresponsive(DialogWindow);
        return false;
    }
    if (!ops_->SetText(child, DialogPath)) {
        // The edit may still hold the user's own file name: a click now would act
        // on that file instead of switching folders.
        MarkUnresponsive(DialogWindow);
        return false;
    }
    editFilled_ = true;
    if (DialogDefaultButton == 0) return false;  // the path waits for the user

    const WindowHandle button = ops_->GetDlgItem(DialogWindow, DialogDefaultButton);
    const uint32_t wParam = DialogDefaultButton | (static_cast<uint32_t>(kBnClicked) << 16);
    if (!ops_->SendCommand(DialogWindow, wParam, button)) {
        // The click may still be handled after the wait ended; it must then find
        // the path in the edit, not the old name.
        MarkUnresponsive(DialogWindow);
        return false;
    }
    if (!ops_->SetText(child, *oldText)) MarkUnresponsive(DialogWindow);
    return false;
}

bool DialogSender::IsUnresponsive(WindowHandle window) const {
    return std::find(unresponsive_.begin(), unresponsive_.end(), window) != unresponsive_.end();
}

void DialogSender::MarkUnresponsive(WindowHandle window) {
    unresponsive_.push_back(window);
    NoteRefusal(window);
}

void DialogSender::NoteRefusal(WindowHandle window) {
    if (refusal_.kind == SendOutcome::Refused) return;
    (void)window;  // always DialogWindow, whose caption is at hand
    refusal_ = SendOutcome{SendOutcome::Refused, caption_, ops_->LastSendError()};
}

}  // namespace tarvolo
