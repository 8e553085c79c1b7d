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
    EXPECT_EQ(fake.calls,
              (Calls{"GetCaption #1", "DM_GETDEFID #1", "EnumDescendants #1", "GetWindowClassName #2",
                     "WM_GETTEXT #2", "WM_SETTEXT #2 C:\\Temp", "MinimizeApplication"}));
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
    Send({"open", "a caption longer than every window's"});
    EXPECT_EQ(fake.calls, (Calls{"GetCaption #1", "GetCaption #2"}));

    fake.calls.clear();
    Send({});
    EXPECT_EQ(fake.calls, (Calls{"GetCaption #1", "GetCaption #2"}));
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
        {"higher rights", 5, false, false, SendOutcome::Refused,
         "The path could not be sent to the dialog \"Open - admin\": the dialog belongs to a program running "
         "with "
         "higher rights."},
        {"no answer", 1460, false, false, SendOutcome::Refused,
         "The path could not be sent to the dialog \"Open - admin\": the dialog does not answer."},
        {"a window without edit takes nothing", 5, true, false, SendOutcome::Refused, nullptr},
        {"another dialog took it", 5, false, true, SendOutcome::Delivered, nullptr},
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
        EXPECT_EQ(hidden, c.kind == SendOutcome::Delivered);
        if (c.text) {
            EXPECT_EQ(RefusedSendText(outcome), c.text);
        }
        if (c.kind == SendOutcome::Refused) {
            EXPECT_EQ(outcome.caption, "Open - admin");
        }
        if (edit) {
            EXPECT_EQ(windows[edit].text, "C:\\Temp");
        }
    }
}

TEST_F(SendToDialogTest, WithoutAMatchingWindowNothingIsToldAndNothingHides) {
    fake.AddTop("Settings", HasDefId(1));
    EXPECT_EQ(sender.SendPathToDialog(fake, {"open"}).kind, SendOutcome::NoMatch);
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "MinimizeApplication"), 0);
}

}  // namespace
}  // namespace tarvolo
