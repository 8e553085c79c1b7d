#include <gtest/gtest.h>

#include <map>

#include "delivery/core/SendToDialog.h"

namespace tarvolo {
namespace {

TEST(CaptionMatches, IsACaseBlindPrefixTestOnAsciiLetters) {
    struct Case {
        const char* caption;
        const char* entry;
        bool matches;
    } cases[] = {
        {"Open", "open", true},
        {"OPEN FILE", "open", true},
        {"open - x", "open", true},
        {"File Open", "open", false},
        {"Ope", "open", false},  // an entry longer than the caption
        {"", "", true},
        {"Anything", "", true},
        {"\xC3\x89tat", "\xC3\xA9tat", false},  // only a-z are folded
        {"\xC3\x89tat - x", "\xC3\x89TAT", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CaptionMatches(c.caption, c.entry), c.matches) << c.caption << " / " << c.entry;
    }
}

TEST(ClassNameQualifies, LooksForEditInTheFirst18Characters) {
    EXPECT_TRUE(ClassNameQualifies("Edit"));
    EXPECT_TRUE(ClassNameQualifies("RichEdit20W"));
    EXPECT_TRUE(ClassNameQualifies("TEdit"));
    EXPECT_FALSE(ClassNameQualifies("ComboBoxEx32"));
    EXPECT_FALSE(ClassNameQualifies("Button"));
    EXPECT_TRUE(ClassNameQualifies("ABCDEFGHIJKLMNEdit"));    // ends at character 18
    EXPECT_FALSE(ClassNameQualifies("ABCDEFGHIJKLMNOEdit"));  // reaches past it
}

// A window tree that records every operation in order. A window's answers are
// scripted; a `hung` window fails every send.
class FakeWindows : public WindowOps {
public:
    struct Window {
        std::string caption;
        std::string className;
        std::string text;
        std::optional<uint32_t> defId = 0;  // nullopt: DM_GETDEFID times out
        bool hung = false;
        uint32_t error = 1460;  // the error of a failed send: ERROR_TIMEOUT, or 5 for higher rights
        int id = 0;
        bool shown = true;
        bool minimized = false;
        WindowHandle owner = 0;
        WindowHandle lastPopup = 0;  // 0: the window itself
        WindowHandle parent = 0;
        std::vector<WindowHandle> children;
    };

    WindowHandle AddTop(std::string caption, std::optional<uint32_t> defId = 0) {
        const WindowHandle h = New();
        windows_[h].caption = std::move(caption);
        windows_[h].className = "#32770";
        windows_[h].defId = defId;
        top_.push_back(h);
        return h;
    }
    WindowHandle AddChild(WindowHandle parent, std::string className, std::string text = "", int id = 0) {
        const WindowHandle h = New();
        windows_[h].className = std::move(className);
        windows_[h].text = std::move(text);
        windows_[h].id = id;
        windows_[h].parent = parent;
        windows_[parent].children.push_back(h);
        return h;
    }
    Window& operator[](WindowHandle h) { return windows_.at(h); }

    std::vector<std::string> calls;

    void EnumTopLevel(const Visit& visit) override {
        for (WindowHandle h : top_) {
            if (!visit(h)) return;
        }
    }
    void EnumDescendants(WindowHandle window, const Visit& visit) override {
        calls.push_back("EnumDescendants " + Name(window));
        Walk(window, visit);
    }
    std::string GetCaption(WindowHandle w) override {
        calls.push_back("GetCaption " + Name(w));
        return windows_.at(w).caption;
    }
    std::string GetWindowClassName(WindowHandle w) override {
        calls.push_back("GetWindowClassName " + Name(w));
        return windows_.at(w).className.substr(0, 18);
    }
    std::optional<uint32_t> SendGetDefId(WindowHandle w) override {
        calls.push_back("DM_GETDEFID " + Name(w));
        if (!windows_.at(w).defId) lastError_ = windows_.at(w).error;
        return windows_.at(w).defId;
    }
    std::optional<std::string> GetText(WindowHandle w) override {
        calls.push_back("WM_GETTEXT " + Name(w));
        if (Fails(w)) return std::nullopt;
        return windows_.at(w).text.substr(0, 254);
    }
    bool SetText(WindowHandle w, std::string_view text) override {
        calls.push_back("WM_SETTEXT " + Name(w) + " " + std::string(text));
        if (Fails(w)) return false;
        windows_.at(w).text = std::string(text);
        return true;
    }
    bool SendCommand(WindowHandle dialog, uint32_t wParam, WindowHandle lParam) override {
        calls.push_back("WM_COMMAND " + Name(dialog) + " " + std::to_string(wParam) + " " + Name(lParam));
        if (Fails(dialog)) return false;
        clicksSawText.push_back(lastEditText_());
        return true;
    }
    WindowHandle GetDlgItem(WindowHandle dialog, int id) override {
        calls.push_back("GetDlgItem " + Name(dialog) + " " + std::to_string(id));
        for (WindowHandle c : windows_.at(dialog).children) {
            if (windows_.at(c).id == id) return c;
        }
        return 0;
    }
    void MinimizeApplication() override { calls.push_back("MinimizeApplication"); }
    uint32_t LastSendError() const override { return lastError_; }
    // Reading a window's tree, visibility and owner asks nothing of the window:
    // not recorded.
    std::vector<WindowNode> DescribeTree(WindowHandle window) override {
        std::vector<WindowNode> nodes{{window, 0, windows_.at(window).className, windows_.at(window).id}};
        Walk(window, [&](WindowHandle c) {
            nodes.push_back({c, windows_.at(c).parent, windows_.at(c).className, windows_.at(c).id});
            return true;
        });
        return nodes;
    }
    bool IsShown(WindowHandle w) override { return windows_.count(w) != 0 && windows_.at(w).shown; }
    bool IsWindowMinimized(WindowHandle w) override {
        return windows_.count(w) != 0 && windows_.at(w).minimized;
    }
    WindowHandle OwnerOf(WindowHandle w) override { return windows_.at(w).owner; }
    WindowHandle LastActivePopup(WindowHandle w) override {
        return windows_.at(w).lastPopup ? windows_.at(w).lastPopup : w;
    }
    bool SelectBrowseFolder(WindowHandle dialog, std::string_view path) override {
        calls.push_back("BFFM_SETSELECTIONW " + Name(dialog) + " " + std::string(path));
        if (selectError == 0 && !Fails(dialog)) return true;
        if (selectError != 0) lastError_ = selectError;
        return false;
    }
    uint32_t selectError = 0;  // the error of a selection that could not be placed

    // What the edit held when each click arrived (the dialog acts on that).
    std::vector<std::string> clicksSawText;
    std::function<std::string()> lastEditText_ = [] { return std::string(); };

private:
    bool Fails(WindowHandle w) {
        if (!windows_.at(w).hung) return false;
        lastError_ = windows_.at(w).error;
        return true;
    }
    WindowHandle New() {
        const WindowHandle h = next_++;
        windows_[h];
        return h;
    }
    std::string Name(WindowHandle h) const { return h ? "#" + std::to_string(h) : "null"; }
    bool Walk(WindowHandle parent, const Visit& visit) {
        for (WindowHandle c : windows_.at(parent).children) {
            if (!visit(c) || !Walk(c, visit)) return false;
        }
        return true;
    }

    WindowHandle next_ = 1;
    uint32_t lastError_ = 0;
    std::map<WindowHandle, Window> windows_;
    std::vector<WindowHandle> top_;
};

constexpr uint32_t HasDefId(uint16_t id) {
    return (uint32_t{kDcHasDefId} << 16) | id;
}

using Calls = std::vector<std::string>;

class SendToDialogTest : public ::testing::Test {
protected:
    void Send(std::vector<std::string> dialogs) {
        sender.DialogPath = "C:\\Temp";
        sender.SendPathToDialog(fake, dialogs);
    }
    FakeWindows fake;
    DialogSender sender;
};

TEST_F(SendToDialogTest, DefaultButtonIsClickedWithThePathThenOldTextReturns) {
    const WindowHandle dlg = fake.AddTop("Open", HasDefId(1));  // #1
    fake.AddChild(dlg, "Static");                               // #2
    const WindowHandle edit = fake.AddChild(dlg, "Edit", "*.txt", 1148);
    fake.AddChild(dlg, "Button", "&Open", 1);  // #4
    fake.AddChild(dlg, "Edit", "second");      // #5
    fake.AddTop("Open later");                 // #6, never reached
    fake.lastEditText_ = [&] { return fake[edit].text; };

    Send({"open"});

    EXPECT_EQ(fake.calls, (Calls{
                              "GetCaption #1",
                              "GetWindowClassName #1",  // no standard dialog: its parts are missing
                              "DM_GETDEFID #1",
                              "EnumDescendants #1",
                              "GetWindowClassName #2",
                              "GetWindowClassName #3",
                              "WM_GETTEXT #3",
                              "WM_SETTEXT #3 C:\\Temp",
                              "GetDlgItem #1 1",
                              "WM_COMMAND #1 1 #4",
                              "WM_SETTEXT #3 *.txt",
                              "MinimizeApplication",
                          }));
    EXPECT_EQ(fake.clicksSawText, Calls{"C:\\Temp"});
    EXPECT_EQ(fake[edit].text, "*.txt");
    EXPECT_EQ(sender.DialogWindow, dlg);
    EXPECT_EQ(sender.DialogDefaultButton, 1);
}

TEST_F(SendToDialogTest, WithoutDefaultButtonThePathStays) {
    // A window that is no dialog answers DM_GETDEFID with anything but DC_HASDEFID.
    const WindowHandle w = fake.AddTop("Open", 0x00000001);
    const WindowHandle edit = fake.AddChild(w, "RichEdit20W", "old");

    Send({"open"});

    EXPECT_EQ(fake[edit].text, "C:\\Temp");
    EXPECT_EQ(sender.DialogDefaultButton, 0);
    EXPECT_EQ(fake.calls, (Calls{"GetCaption #1", "GetWindowClassName #1", "DM_GETDEFID #1",
                                 "EnumDescendants #1", "GetWindowClassName #2", "WM_GETTEXT #2",
                                 "WM_SETTEXT #2 C:\\Temp", "MinimizeApplication"}));
}

TEST_F(SendToDialogTest, WindowWithoutEditMinimizesAndTheWalkGoesOn) {
    const WindowHandle plain = fake.AddTop("Open - notes");  // #1
    fake.AddChild(plain, "ComboBoxEx32");                    // #2: no edit inside
    const WindowHandle other = fake.AddTop("Settings");      // #3
    const WindowHandle dlg = fake.AddTop("OPEN FILE", HasDefId(1));
    const WindowHandle combo = fake.AddChild(dlg, "ComboBoxEx32");
    const WindowHandle edit = fake.AddChild(combo, "Edit", "a.txt");  // a grandchild qualifies
    fake.AddChild(dlg, "Button", "", 1);

    Send({"open"});

    EXPECT_EQ(fake[edit].text, "a.txt");
    EXPECT_EQ(fake[other].text, "");
    // The program hides once, when the walk is done.
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "MinimizeApplication"), 1);
    EXPECT_EQ(fake.calls.back(), "MinimizeApplication");
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "WM_SETTEXT #6 C:\\Temp"), 1);
    EXPECT_EQ(sender.DialogWindow, dlg);
}

TEST_F(SendToDialogTest, TwoMatchingEntriesDeliverTwice) {
    const WindowHandle dlg = fake.AddTop("Open File", HasDefId(1));
    const WindowHandle edit = fake.AddChild(dlg, "Edit", "x");
    fake.AddChild(dlg, "Button", "", 1);
    fake.AddTop("Open other", HasDefId(1));  // not reached: the first window was filled

    Send({"Open", "save", "open f"});

    const auto count = [&](const std::string& call) {
        return std::count(fake.calls.begin(), fake.calls.end(), call);
    };
    EXPECT_EQ(count("DM_GETDEFID #1"), 2);
    EXPECT_EQ(count("WM_SETTEXT #2 C:\\Temp"), 2);
    EXPECT_EQ(count("WM_COMMAND #1 1 #3"), 2);
    EXPECT_EQ(count("MinimizeApplication"), 1);
    EXPECT_EQ(count("GetCaption #4"), 0);
    EXPECT_EQ(fake[edit].text, "x");
}

TEST_F(SendToDialogTest, EntriesThatMatchNothing) {
    fake.AddTop("File Open", HasDefId(1));
    fake.AddTop("Op");
    const Calls lookOnly{"GetCaption #1", "GetWindowClassName #1", "GetCaption #2", "GetWindowClassName #2"};
    Send({"open", "a caption longer than every window's"});
    EXPECT_EQ(fake.calls, lookOnly);

    fake.calls.clear();
    Send({});
    EXPECT_EQ(fake.calls, lookOnly);
    EXPECT_EQ(sender.DialogWindow, 0u);
}

TEST_F(SendToDialogTest, EmptyEntryFillsTheFirstWindowWithAnEdit) {
    fake.AddTop("Desktop");  // #1: no edit
    const WindowHandle notes = fake.AddTop("Notes");
    const WindowHandle edit = fake.AddChild(notes, "Edit", "text");
    fake.AddTop("Open", HasDefId(1));  // #4: never reached
    Send({""});
    EXPECT_EQ(fake[edit].text, "C:\\Temp");
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "GetCaption #4"), 0);
}

TEST_F(SendToDialogTest, StateKeepsTheLastMatch) {
    const WindowHandle first = fake.AddTop("Open A", HasDefId(7));
    const WindowHandle second =
        fake.AddTop("Open B", 0);  // no edit: the walk reaches it and it resets the button
    Send({"open"});
    EXPECT_NE(first, second);
    EXPECT_EQ(sender.DialogWindow, second);
    EXPECT_EQ(sender.DialogDefaultButton, 0);
}

TEST_F(SendToDialogTest, TimedOutDefIdIsNoAnswerAndTheHungWindowIsNotAskedAgain) {
    const WindowHandle hung = fake.AddTop("Open", std::nullopt);  // #1
    const WindowHandle hungEdit = fake.AddChild(hung, "Edit", "mine");
    const WindowHandle dlg = fake.AddTop("Open", HasDefId(1));  // #3
    const WindowHandle edit = fake.AddChild(dlg, "Edit", "a");
    fake.AddChild(dlg, "Button", "", 1);

    Send({"open", "OPEN"});

    const auto count = [&](const std::string& call) {
        return std::count(fake.calls.begin(), fake.calls.end(), call);
    };
    EXPECT_EQ(count("DM_GETDEFID #1"), 1);
    EXPECT_EQ(count("EnumDescendants #1"), 0);
    EXPECT_EQ(fake[hungEdit].text, "mine");
    EXPECT_EQ(count("WM_COMMAND #3 1 #5"), 2);
    EXPECT_EQ(fake[edit].text, "a");
    EXPECT_EQ(count("MinimizeApplication"), 1);
}

TEST_F(SendToDialogTest, FailedTextSendsNeverClick) {
    // The window answers DM_GETDEFID, then stops answering.
    const WindowHandle dlg = fake.AddTop("Save As", HasDefId(1));
    const WindowHandle edit = fake.AddChild(dlg, "Edit", "report.doc");
    fake.AddChild(dlg, "Button", "", 1);
    fake[edit].hung = true;
    const WindowHandle next = fake.AddTop("Save As", HasDefId(1));
    const WindowHandle nextEdit = fake.AddChild(next, "Edit", "b");

    Send({"save as", "save"});

    for (const std::string& call : fake.calls)
        EXPECT_EQ(call.rfind("WM_COMMAND #1", 0), std::string::npos) << call;
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "WM_GETTEXT #2"), 1);  // not asked again
    EXPECT_EQ(fake[edit].text, "report.doc");
    EXPECT_EQ(fake[nextEdit].text, "b");  // the walk went on to the next dialog
    EXPECT_EQ(sender.DialogWindow, next);
}

TEST_F(SendToDialogTest, TimedOutClickLeavesThePathInTheEdit) {
    const WindowHandle dlg = fake.AddTop("Open", HasDefId(1));
    const WindowHandle edit = fake.AddChild(dlg, "Edit", "old.txt");
    fake.AddChild(dlg, "Button", "", 1);
    fake[dlg].hung = true;  // WM_COMMAND fails; the edit itself still answers

    Send({"open"});

    EXPECT_EQ(fake.calls.back(), "MinimizeApplication");
    EXPECT_EQ(fake.calls[fake.calls.size() - 2], "WM_COMMAND #1 1 #3");
    EXPECT_EQ(fake[edit].text, "C:\\Temp");  // a late click then switches folders, not opens old.txt
}

// A dialog of a program with higher rights (or one that does not answer)
// refuses every send: the program says so and stays in front, unless another
// window took the path.
TEST_F(SendToDialogTest, ARefusedSendIsToldAndTheProgramStays) {
    struct Case {
        const char* name;
        uint32_t error;
        bool alsoAWindowWithoutEdit;
        bool alsoATakingDialog;
        SendOutcome::Kind kind;
        const char* text;
    } cases[] = {
        {"higher rights", 5, false, false, SendOutcome::Kind::refused,
         "The path could not be sent to the dialog \"Open - admin\": the dialog belongs to a program running "
         "with "
         "higher rights."},
        {"no answer", 1460, false, false, SendOutcome::Kind::refused,
         "The path could not be sent to the dialog \"Open - admin\": the dialog does not answer."},
        {"a window without edit takes nothing", 5, true, false, SendOutcome::Kind::refused, nullptr},
        {"another dialog took it", 5, false, true, SendOutcome::Kind::delivered, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows windows;
        const WindowHandle admin = windows.AddTop("Open - admin", std::nullopt);
        windows[admin].hung = true;
        windows[admin].error = c.error;
        windows.AddChild(admin, "Edit", "secret.txt");
        if (c.alsoAWindowWithoutEdit) windows.AddTop("Open notes", 0);
        WindowHandle edit = 0;
        if (c.alsoATakingDialog) edit = windows.AddChild(windows.AddTop("Open", 0), "Edit", "");
        DialogSender send;
        send.DialogPath = "C:\\Temp";
        const SendOutcome outcome = send.SendPathToDialog(windows, {"open"});
        EXPECT_EQ(outcome.kind, c.kind);
        const bool hidden = std::count(windows.calls.begin(), windows.calls.end(), "MinimizeApplication") > 0;
        EXPECT_EQ(hidden, c.kind == SendOutcome::Kind::delivered);
        if (c.text) {
            EXPECT_EQ(RefusedSendText(outcome), c.text);
        }
        if (c.kind == SendOutcome::Kind::refused) {
            EXPECT_EQ(outcome.caption, "Open - admin");
        }
        if (edit) {
            EXPECT_EQ(windows[edit].text, "C:\\Temp");
        }
    }
}

TEST_F(SendToDialogTest, WithoutAMatchingWindowNothingIsToldAndNothingHides) {
    fake.AddTop("Settings", HasDefId(1));
    EXPECT_EQ(sender.SendPathToDialog(fake, {"open"}).kind, SendOutcome::Kind::noMatch);
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "MinimizeApplication"), 0);
}

// A standard file dialog as Wine builds its classic Open, with a program's own
// edit ahead of the file name. Returns the dialog; `nameEdit` its file name.
WindowHandle AddClassicDialog(FakeWindows& fake, const std::string& caption, WindowHandle& nameEdit,
                              std::optional<uint32_t> defId = 0) {
    const WindowHandle dlg = fake.AddTop(caption, defId);
    const WindowHandle custom = fake.AddChild(dlg, "#32770");
    fake.AddChild(custom, "Edit", "preview", 1200);
    fake.AddChild(dlg, "SHELLDLL_DefView", "", 1121);
    const WindowHandle box = fake.AddChild(dlg, "ComboBoxEx32", "", 1148);
    nameEdit = fake.AddChild(fake.AddChild(box, "ComboBox", "", 1148), "Edit", "notes.txt", 1148);
    fake.AddChild(dlg, "Button", "&Open", 1);
    return dlg;
}

size_t Count(const FakeWindows& fake, const std::string& call) {
    return static_cast<size_t>(std::count(fake.calls.begin(), fake.calls.end(), call));
}

// With no caption configured, in whatever language its caption is, the file
// dialog's own name box takes the path once, its Open button is pressed even
// when it names no default, and the user's file name returns.
TEST_F(SendToDialogTest, RecognisedFileDialogTakesThePathInItsNameBox) {
    struct Case {
        const char* name;
        std::vector<std::string> dialogs;
        std::optional<uint32_t> defId;
    } cases[] = {
        {"empty list, no default reported", {}, 0},
        {"a default button it names", {}, HasDefId(1)},
        {"two entries match its caption: still once",
         {"\xC3\x96"
          "ff",
          "\xC3\x96"
          "ffnen"},
         HasDefId(1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows windows;
        windows.AddTop("Somebody's notes");  // no dialog, above it in the z-order
        WindowHandle nameEdit = 0;
        const WindowHandle dlg = AddClassicDialog(windows,
                                                  "\xC3\x96"
                                                  "ffnen",
                                                  nameEdit, c.defId);
        const WindowHandle preview = nameEdit - 4;
        windows.lastEditText_ = [&] { return windows[nameEdit].text; };
        DialogSender send;
        send.DialogPath = "C:\\Temp";
        EXPECT_EQ(send.SendPathToDialog(windows, c.dialogs).kind, SendOutcome::Kind::delivered);
        EXPECT_EQ(windows.clicksSawText, Calls{"C:\\Temp"});
        EXPECT_EQ(windows[nameEdit].text, "notes.txt");
        EXPECT_EQ(windows[preview].text, "preview");
        const WindowHandle openButton = nameEdit + 1;
        EXPECT_EQ(Count(windows, "WM_COMMAND #" + std::to_string(dlg) + " 1 #" + std::to_string(openButton)),
                  1u);
        EXPECT_EQ(Count(windows, "MinimizeApplication"), 1u);
        EXPECT_EQ(send.DialogWindow, dlg);
    }
}

// Down the z-order the first shown recognised dialog takes the path; a hidden
// one is passed over, and a custom dialog selected by its caption keeps its
// place in the order.
TEST_F(SendToDialogTest, TheDialogHighestInTheZOrderTakesIt) {
    WindowHandle hiddenEdit = 0, topEdit = 0, lowerEdit = 0;
    const WindowHandle hidden = AddClassicDialog(fake, "Open", hiddenEdit);
    fake[hidden].shown = false;
    AddClassicDialog(fake, "Save As", topEdit);
    AddClassicDialog(fake, "Open", lowerEdit);
    Send({});
    EXPECT_EQ(Count(fake, "WM_SETTEXT #" + std::to_string(topEdit) + " C:\\Temp"), 1u);
    EXPECT_EQ(Count(fake, "WM_SETTEXT #" + std::to_string(hiddenEdit) + " C:\\Temp"), 0u);
    EXPECT_EQ(Count(fake, "WM_SETTEXT #" + std::to_string(lowerEdit) + " C:\\Temp"), 0u);

    FakeWindows windows;
    const WindowHandle custom = windows.AddTop("Import Files", HasDefId(1));
    const WindowHandle customEdit = windows.AddChild(custom, "TEdit", "x");
    WindowHandle nameEdit = 0;
    AddClassicDialog(windows, "Open", nameEdit);
    DialogSender send;
    send.DialogPath = "C:\\Temp";
    send.SendPathToDialog(windows, {"import"});
    EXPECT_EQ(Count(windows, "WM_SETTEXT #" + std::to_string(customEdit) + " C:\\Temp"), 1u);
    EXPECT_EQ(Count(windows, "WM_SETTEXT #" + std::to_string(nameEdit) + " C:\\Temp"), 0u);
}

// The dialog you came from goes first, wherever it stands in the z-order: the
// window itself, the dialog its owner last had active, or one it owns. When it
// is gone the z-order decides; when it refuses, the user is told and no other
// dialog gets the path.
TEST_F(SendToDialogTest, TheDialogYouCameFromGoesFirst) {
    enum class From {
        dialog,
        ownerWithActivePopup,
        ownerOfADialog,
        closedDialog,
        minimizedOwner,
        refusingDialog,
        nothing
    };
    struct Case {
        const char* name;
        From from;
        bool lowerTakes;  // else the top one
        SendOutcome::Kind kind;
    } cases[] = {
        {"the dialog itself", From::dialog, true, SendOutcome::Kind::delivered},
        {"its owner, through the popup last active", From::ownerWithActivePopup, true,
         SendOutcome::Kind::delivered},
        {"its owner, through the windows it owns", From::ownerOfADialog, true, SendOutcome::Kind::delivered},
        {"a dialog since closed", From::closedDialog, false, SendOutcome::Kind::delivered},
        {"an owner since minimized", From::minimizedOwner, false, SendOutcome::Kind::delivered},
        {"a window that holds no dialog", From::nothing, false, SendOutcome::Kind::delivered},
        {"a dialog that refuses", From::refusingDialog, false, SendOutcome::Kind::refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows windows;
        WindowHandle topEdit = 0, lowerEdit = 0;
        AddClassicDialog(windows, "Save As", topEdit);
        const WindowHandle app = windows.AddTop("Editor");
        windows.AddChild(app, "Edit", "document text");
        const WindowHandle lower = AddClassicDialog(windows, "Open", lowerEdit);
        windows[lower].owner = app;
        DialogSender send;
        send.DialogPath = "C:\\Temp";
        switch (c.from) {
            case From::dialog:
                send.CameFrom = lower;
                break;
            case From::ownerWithActivePopup:
                windows[app].lastPopup = lower;
                send.CameFrom = app;
                break;
            case From::ownerOfADialog:
                send.CameFrom = app;
                break;
            case From::closedDialog:
                send.CameFrom = lower;
                windows[lower].shown = false;
                break;
            case From::minimizedOwner:
                windows[app].lastPopup = lower;
                windows[app].minimized = true;
                send.CameFrom = app;
                break;
            case From::refusingDialog:
                send.CameFrom = lower;
                windows[lower].defId = std::nullopt;
                windows[lower].error = kErrorAccessDenied;
                break;
            case From::nothing:
                send.CameFrom = windows.AddTop("Calculator");
                break;
        }
        const SendOutcome outcome = send.SendPathToDialog(windows, {});
        EXPECT_EQ(outcome.kind, c.kind);
        const WindowHandle expected = c.kind == SendOutcome::Kind::refused ? 0
                                      : c.lowerTakes                       ? lowerEdit
                                                                           : topEdit;
        for (WindowHandle edit : {topEdit, lowerEdit}) {
            EXPECT_EQ(Count(windows, "WM_SETTEXT #" + std::to_string(edit) + " C:\\Temp"),
                      edit == expected ? 1u : 0u)
                << "edit #" << edit;
        }
        EXPECT_EQ(Count(windows, "WM_SETTEXT #" + std::to_string(app + 1) + " C:\\Temp"), 0u);
        EXPECT_EQ(Count(windows, "MinimizeApplication"), c.kind == SendOutcome::Kind::delivered ? 1u : 0u);
    }
}

// A custom dialog the user came from, selected by its caption, also goes first.
TEST_F(SendToDialogTest, ACaptionMatchedDialogYouCameFromGoesFirst) {
    WindowHandle nameEdit = 0;
    AddClassicDialog(fake, "Open", nameEdit);
    const WindowHandle custom = fake.AddTop("Import Files", HasDefId(1));
    const WindowHandle customEdit = fake.AddChild(custom, "Edit", "x");
    sender.CameFrom = custom;
    Send({"import"});
    EXPECT_EQ(Count(fake, "WM_SETTEXT #" + std::to_string(customEdit) + " C:\\Temp"), 1u);
    EXPECT_EQ(Count(fake, "WM_SETTEXT #" + std::to_string(nameEdit) + " C:\\Temp"), 0u);
    EXPECT_EQ(Count(fake, "MinimizeApplication"), 1u);
}

// Browse For Folder selects the path through its own message and stays open
// for the user's OK; its edit box takes the path only when the message could
// not be placed in its process while the dialog still answers.
TEST_F(SendToDialogTest, BrowseForFolderSelectsThePathAndStaysOpen) {
    struct Case {
        const char* name;
        bool withEdit;
        uint32_t selectError;  // 0: selected
        bool hung;
        SendOutcome::Kind kind;
        const char* editText;  // after the send
    } cases[] = {
        {"tree only", false, 0, false, SendOutcome::Kind::delivered, nullptr},
        {"with an edit box: the tree selects, the edit is left", true, 0, false, SendOutcome::Kind::delivered,
         ""},
        {"text not placed: the edit box takes it", true, 8, false, SendOutcome::Kind::delivered, "C:\\Temp"},
        {"text not placed and no edit box", false, 8, false, SendOutcome::Kind::refused, nullptr},
        {"higher rights: the edit is not tried", true, kErrorAccessDenied, false, SendOutcome::Kind::refused,
         ""},
        {"no answer in time: nothing more is sent", true, 0, true, SendOutcome::Kind::refused, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows windows;
        const WindowHandle dlg = windows.AddTop("Ordner suchen");
        windows.AddChild(dlg, "Static", "", 14146);
        WindowHandle edit = 0;
        if (c.withEdit) edit = windows.AddChild(dlg, "Edit", "", 14149);
        windows.AddChild(windows.AddChild(dlg, "SHBrowseForFolder ShellNameSpace Control", "", 14145),
                         "SysTreeView32", "", 100);
        windows.AddChild(dlg, "Button", "OK", 1);
        windows.selectError = c.selectError;
        windows[dlg].hung = c.hung;
        DialogSender send;
        send.DialogPath = "C:\\Temp";
        const SendOutcome outcome = send.SendPathToDialog(windows, {});
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_EQ(Count(windows, "BFFM_SETSELECTIONW #1 C:\\Temp"), 1u);
        if (edit) {
            EXPECT_EQ(windows[edit].text, c.editText);
        }
        for (const std::string& call : windows.calls) {
            EXPECT_EQ(call.rfind("WM_COMMAND", 0), std::string::npos) << "the dialog was closed: " << call;
        }
        EXPECT_EQ(Count(windows, "MinimizeApplication"), c.kind == SendOutcome::Kind::delivered ? 1u : 0u);
        if (c.kind == SendOutcome::Kind::refused) {
            EXPECT_EQ(outcome.caption, "Ordner suchen");
        }
    }
}

}  // namespace
}  // namespace tarvolo
