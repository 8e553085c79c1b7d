#include "delivery/core/Commands.h"

#include "delivery/core/ExplorerWindows.h"

namespace tarvolo {

const char kMissingDirectory[] = "Directory does not exists.\r\nPlease rescan your drive";
const char kMissingFavorite[] = "Directory does not exists.\r\nPlease update your  favorites list.";
const char kCannotOpenClipboard[] = "Cannot open clipboard";

Commands::Commands(Model& model, Shell& shell, Clipboard& clipboard, WindowOps& windows, CommandView& view)
    : model_(model), shell_(shell), clipboard_(clipboard), windows_(windows), view_(view) {}

bool Commands::Run(Command command, const std::string& path) {
    if (!shell_.IsDirectory(path)) {
        view_.Inform(kMissingDirectory);
        return false;
    }
    switch (command) {
        case Command::open:
            // A folder the shell could not open was not used: it stays out of the history.
            if (!shell_.OpenFolder(path)) return false;
            break;
        case Command::copy:
            // The user must not paste an old text believing it is this path.
            if (!clipboard_.CopyText(path)) {
                view_.ShowError(kCannotOpenClipboard);
                return false;
            }
            break;
        case Command::sendToDialog:
            SendToDialog(path);
            break;
        default:
            return false;
    }
    model_.RecordDelivery(path);
    view_.HistoryChanged();
    return true;
}

void Commands::OpenFavorite(const std::string& path) {
    if (!shell_.IsDirectory(path)) {
        view_.Inform(kMissingFavorite);
        return;
    }
    // A favorite stays out of the history, but going there is a use all the same.
    if (shell_.OpenFolder(path)) model_.RecordVisit(path);
}

void Commands::SendFavoriteToDialog(const std::string& path) {
    if (!shell_.IsDirectory(path)) {
        view_.Inform(kMissingFavorite);
        return;
    }
    if (SendToDialog(path).kind == SendOutcome::Kind::delivered) model_.RecordVisit(path);
}

WindowHandle Commands::CurrentWindowCameFrom() {
    const WindowHandle window = sender_.CameFrom;
    if (window != 0 && (!windows_.IsShown(window) || windows_.IsWindowMinimized(window)))
        ForgetWindowCameFrom();
    return sender_.CameFrom;
}

SendOutcome Commands::SendToDialog(const std::string& path) {
    sender_.DialogPath = path;
    const WindowHandle cameFrom = CurrentWindowCameFrom();
    // A console you came from answers for itself: typing into one you did not
    // come from, or sending elsewhere when it cannot take the path, would both
    // surprise you.
    if (cameFrom != 0 && consoles_) {
        const ConsoleResult result = SendPathToConsole(*consoles_, cameFrom, path);
        if (result == ConsoleResult::typed) {
            windows_.MinimizeApplication();
            SendOutcome delivered;
            delivered.kind = SendOutcome::Kind::delivered;
            return delivered;
        }
        if (result != ConsoleResult::notAConsole) {
            view_.ShowError(ConsoleResultText(result, path));
            SendOutcome refused;
            refused.kind = SendOutcome::Kind::refused;
            return refused;
        }
    }
    if (cameFrom != 0 && windowTarget_ && IsExplorerWindowClass(windows_.GetWindowClassName(cameFrom)) &&
        windowTarget_(cameFrom, path)) {
        // As after a dialog took it: the program steps aside.
        windows_.MinimizeApplication();
        SendOutcome delivered;
        delivered.kind = SendOutcome::Kind::delivered;
        return delivered;
    }
    SendOutcome outcome = sender_.SendPathToDialog(windows_, model_.dialogs);
    // The program stays where it is, so the user can deliver the path another way.
    if (outcome.kind == SendOutcome::Kind::refused) view_.ShowError(RefusedSendText(outcome));
    return outcome;
}

}  // namespace tarvolo
