// The commands that deliver a path - Open, Copy, Send To Dialog - and the
// favorites' own two, over narrow services so that they run against the real
// shell and clipboard or against recording substitutes.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "delivery/core/Consoles.h"
#include "delivery/core/SendToDialog.h"
#include "model/Model.h"

namespace tarvolo {

enum class Command { open = 1, copy = 2, sendToDialog = 3 };

// The file system and the file browser.
class Shell {
public:
    virtual ~Shell() = default;
    // False for an empty path.
    virtual bool IsDirectory(const std::string& path) = 0;
    // The folder in the file browser, by the folder's default verb; false (the
    // user told why) when the shell could not open it.
    virtual bool OpenFolder(const std::string& path) = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // False when the clipboard could not be opened or filled.
    virtual bool CopyText(const std::string& text) = 0;
};

// What the commands tell the user and the window.
class CommandView {
public:
    virtual ~CommandView() = default;
    virtual void Inform(const std::string& text) = 0;
    virtual void ShowError(const std::string& text) = 0;
    // The model's history changed: the history box must follow.
    virtual void HistoryChanged() = 0;
};

extern const char kMissingDirectory[];
extern const char kMissingFavorite[];
extern const char kCannotOpenClipboard[];

class Commands {
public:
    Commands(Model& model, Shell& shell, Clipboard& clipboard, WindowOps& windows, CommandView& view);

    // Delivers `path` (the current path); a delivered path goes to the front of
    // the history. A path that names no directory is delivered nowhere.
    bool Run(Command command, const std::string& path);
    // The favorites' own: no history, and their own message for a missing path.
    void OpenFavorite(const std::string& path);
    void SendFavoriteToDialog(const std::string& path);
    // Sends `path` to the target: the window you came from (a console's shell
    // changes to it, an Explorer window shows it, a dialog switches to it),
    // else the file dialog highest in the z-order or a window whose caption
    // begins with an entry of the dialogs list; a console is never chosen by
    // its place alone. A target that refused it is told to the user. Every
    // command that delivers to a dialog comes here.
    SendOutcome SendToDialog(const std::string& path);

    // The dialog you came from. The window side calls Remember... with the
    // window that was in front (0 when it was the program's own) whenever the
    // hot key or the icon brings the program up; sends go there first. It is
    // forgotten when the program goes back to the notification area, and when
    // the window is closed, hidden or minimized: the user no longer works there.
    void RememberWindowCameFrom(WindowHandle window) { sender_.CameFrom = window; }
    void ForgetWindowCameFrom() { sender_.CameFrom = 0; }
    // The window remembered, as it was remembered (it may since have closed).
    WindowHandle WindowCameFrom() const { return sender_.CameFrom; }
    // The window you came from while it is still where you work; 0 (and it is
    // forgotten) once it is closed, hidden or minimized.
    WindowHandle CurrentWindowCameFrom();
    // The dialog in it that the next send would go to first; 0 when none.
    WindowHandle DialogCameFrom() { return sender_.CameFromDialog(windows_, model_.dialogs); }

    // Keeps the window and button the last send found, for the next send.
    DialogSender& Sender() { return sender_; }

    // The Explorer window the user came from, tried before the dialogs on every
    // send to a dialog; true when it took the path, which then goes nowhere
    // else. It is only called for a window of the file browser's class, so a
    // send from a file dialog never waits on the shell.
    using WindowTarget = std::function<bool(WindowHandle cameFrom, const std::string& path)>;
    void SetWindowTarget(WindowTarget target) { windowTarget_ = std::move(target); }
    // A console you came from takes the path as a command to its shell; null
    // leaves consoles alone.
    void SetConsoles(ConsoleOps* consoles) { consoles_ = consoles; }

private:
    Model& model_;
    Shell& shell_;
    Clipboard& clipboard_;
    WindowOps& windows_;
    CommandView& view_;
    DialogSender sender_;
    WindowTarget windowTarget_;
    ConsoleOps* consoles_ = nullptr;
};

}  // namespace tarvolo
