// Handing a path to a file dialog of another program. The standard file
// dialogs are recognised by what they are made of, whatever their language;
// other programs' own dialogs by the beginning of their captions. The file
// dialog's name edit takes the path and its default button is pressed, so the
// dialog switches to that folder; Browse For Folder selects it in its tree.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/core/FileDialogs.h"

namespace tarvolo {

// The window operations the send needs. Every send to another program's
// window is bounded in time by the implementation; a send that failed or timed
// out reports that (nullopt / false) and is never taken for an answer.
struct WindowOps {
    using Visit = std::function<bool(WindowHandle)>;  // false stops the walk

    virtual ~WindowOps() = default;
    virtual void EnumTopLevel(const Visit& visit) = 0;
    // Children, grandchildren and so on, parents before their children.
    virtual void EnumDescendants(WindowHandle window, const Visit& visit) = 0;
    // At most 255 characters.
    virtual std::string GetCaption(WindowHandle window) = 0;
    // At most the first 18 characters. (Not GetClassName: <windows.h> makes a
    // macro of that name.)
    virtual std::string GetWindowClassName(WindowHandle window) = 0;
    // DM_GETDEFID's answer.
    virtual std::optional<uint32_t> SendGetDefId(WindowHandle dialog) = 0;
    // WM_GETTEXT with a limit of 255, so at most 254 characters.
    virtual std::optional<std::string> GetText(WindowHandle window) = 0;
    // WM_SETTEXT; true when the window took the message.
    virtual bool SetText(WindowHandle window, std::string_view text) = 0;
    // WM_COMMAND; true when the window took the message.
    virtual bool SendCommand(WindowHandle dialog, uint32_t wParam, WindowHandle lParamWindow) = 0;
    virtual WindowHandle GetDlgItem(WindowHandle dialog, int id) = 0;
    // The system's error code of the last send that failed (5: the window belongs
    // to a program with higher rights; 0 or 1460: no answer in time).
    virtual uint32_t LastSendError() const = 0;
    // Hides the program in the notification area.
    virtual void MinimizeApplication() = 0;

    // The window first, then its descendants, parents before their children,
    // with their full class names and control ids.
    virtual std::vector<WindowNode> DescribeTree(WindowHandle window) = 0;
    // False for a window that is hidden or no longer exists.
    virtual bool IsShown(WindowHandle window) = 0;
    // (Not IsMinimized: <windows.h> makes a macro of that name.)
    virtual bool IsWindowMinimized(WindowHandle window) = 0;
    // The window's owner (0 for none), and the popup it owns that was last
    // active (the window itself when there is none).
    virtual WindowHandle OwnerOf(WindowHandle window) = 0;
    virtual WindowHandle LastActivePopup(WindowHandle owner) = 0;
    // Browse For Folder's own message for selecting a folder, the path placed in
    // the dialog's process; false (LastSendError) when it could not be sent.
    virtual bool SelectBrowseFolder(WindowHandle dialog, std::string_view path) = 0;
};

constexpr uint32_t kErrorAccessDenied = 5;  // ERROR_ACCESS_DENIED
constexpr uint32_t kErrorTimeout = 1460;    // ERROR_TIMEOUT
constexpr uint16_t kIdOk = 1;               // IDOK: every file dialog's Open or Save button
constexpr uint16_t kDcHasDefId = 0x534B;    // DC_HASDEFID
constexpr uint16_t kBnClicked = 0;          // BN_CLICKED

// True when the caption begins with `entry`, ignoring the case of ASCII
// letters only; an empty entry matches every caption.
bool CaptionMatches(std::string_view caption, std::string_view entry);

// True when the first 18 characters of the class name contain "EDIT" in any
// ASCII case (Edit, RichEdit20W, TEdit).
bool ClassNameQualifies(std::string_view className);

// How a send ended. `refused`: a matching window refused or did not answer a
// send and no window took the path; the program then stays in front.
struct SendOutcome {
    enum class Kind { noMatch, delivered, refused } kind = Kind::noMatch;
    std::string caption;  // the refusing window's caption
    uint32_t error = 0;   // its LastSendError
};

// What the user is told of a refused send, in the program's words.
std::string RefusedSendText(const SendOutcome& outcome);

// The send state and the send itself. It keeps DialogWindow and
// DialogDefaultButton after a send, as the last match left them.
class DialogSender {
public:
    std::string DialogPath;
    WindowHandle DialogWindow = 0;
    uint16_t DialogDefaultButton = 0;
    // The dialog you came from: the window that was in front when the hot key
    // or the icon last brought the program up (0 for none). It may be a file
    // dialog, or a window that owns one.
    WindowHandle CameFrom = 0;

    // Delivers DialogPath. First to the dialog you came from, while it is still
    // there and is a recognised dialog (or owns one) or matches an entry of
    // dialogsList; a refusal there ends the send. Otherwise down the z-order:
    // a shown recognised dialog takes the path by its kind, any other window
    // whose caption begins with an entry is offered it once per matching entry,
    // and the walk stops after the first window that took it. The program is
    // hidden at the end when a window took the path or matched without an edit,
    // but not when the send was refused (see SendOutcome).
    SendOutcome SendPathToDialog(WindowOps& ops, const std::vector<std::string>& dialogsList);

    // The dialog in the window you came from that would be offered the path:
    // the window itself, the popup it last had active, or a window it owns; 0
    // when there is none or it is gone.
    WindowHandle CameFromDialog(WindowOps& ops, const std::vector<std::string>& dialogsList) const;

private:
    enum class Offered { notATarget, taken, notTaken };
    Offered Offer(WindowHandle window);
    bool DeliverByKind(WindowHandle window, const std::string& caption, const RecognisedDialog& dialog);
    bool FindDialogWindowProc(WindowHandle window);
    bool FillDialogEditProc(WindowHandle child);
    void FillEdit(WindowHandle edit);
    static bool IsTarget(WindowOps& ops, WindowHandle window, const std::vector<std::string>& dialogsList);
    bool IsUnresponsive(WindowHandle window) const;
    void MarkUnresponsive(WindowHandle window);
    void NoteRefusal(WindowHandle window);

    WindowOps* ops_ = nullptr;
    const std::vector<std::string>* dialogs_ = nullptr;
    bool editFilled_ = false;
    bool matched_ = false, filledAny_ = false;
    SendOutcome refusal_;    // the first refusal of this walk, when there was one
    std::string caption_;    // DialogWindow's
    WindowHandle skip_ = 0;  // the dialog you came from, already offered the path
    // Windows that failed a send during this walk: a hung window is not asked
    // again, so it costs one time-out rather than one per entry and edit.
    std::vector<WindowHandle> unresponsive_;
};

}  // namespace tarvolo
