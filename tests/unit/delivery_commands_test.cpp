// The delivery commands against recording substitutes of the shell, the
// clipboard and the windows: what each command does, what it tells the user,
// and when the history changes.
#include <gtest/gtest.h>

#include <set>

#include "delivery/core/Commands.h"
#include "tests/support/NoFiles.h"
#include "tests/support/Decoders.h"
#include "tests/support/NoWindowOps.h"

namespace tarvolo {
namespace {

using Lines = std::vector<std::string>;

struct Log {
    Lines events;
};

class FakeShell : public Shell {
public:
    explicit FakeShell(Log& log) : log_(log) {}
    bool IsDirectory(const std::string& path) override { return directories.count(path) != 0; }
    bool OpenFolder(const std::string& path) override {
        log_.events.push_back("open " + path);
        return opens;
    }
    std::set<std::string> directories;
    bool opens = true;

private:
    Log& log_;
};

class FakeClipboard : public Clipboard {
public:
    explicit FakeClipboard(Log& log) : log_(log) {}
    bool CopyText(const std::string& text) override {
        log_.events.push_back("copy " + text);
        return works;
    }
    bool works = true;

private:
    Log& log_;
};

// No window of another program, unless `refusingDialog` is set: then one dialog
// captioned "Open" whose edit belongs to a program with higher rights.
class NoWindows : public fakes::NoWindowOps {
public:
    explicit NoWindows(Log& log) : log_(log) {}
    void EnumTopLevel(const Visit& visit) override {
        log_.events.push_back("look for dialogs");
        if (refusingDialog) visit(1);
    }
    void EnumDescendants(WindowHandle, const Visit& visit) override {
        if (refusingDialog) visit(2);
    }
    std::string GetCaption(WindowHandle) override { return "Open"; }
    std::string GetWindowClassName(WindowHandle w) override { return w == 2 ? "Edit" : "#32770"; }
    uint32_t LastSendError() const override { return kErrorAccessDenied; }
    void MinimizeApplication() override { log_.events.push_back("minimize"); }
    std::vector<WindowNode> DescribeTree(WindowHandle w) override { return {{w, 0, "#32770", 0}}; }
    bool IsShown(WindowHandle) override { return true; }
    bool refusingDialog = false;

private:
    Log& log_;
};

class FakeView : public CommandView {
public:
    explicit FakeView(Log& log) : log_(log) {}
    void Inform(const std::string& text) override { log_.events.push_back("inform " + text); }
    void ShowError(const std::string& text) override { log_.events.push_back("error " + text); }
    void HistoryChanged() override { log_.events.push_back("history shown"); }

private:
    Log& log_;
};

class DeliveryCommands : public ::testing::Test {
protected:
    DeliveryCommands() {
        shell.directories = {"C:\\Work", "D:\\Data"};
        model.history = {"D:\\Data", "c:\\work"};
        model.dialogs = {"Open"};
    }

    Log log;
    FakeShell shell{log};
    FakeClipboard clipboard{log};
    NoWindows windows{log};
    FakeView view{log};
    NoFiles files;
    fakes::PassThroughDecoder ansi;
    Model model{"C:\\App", files, ansi};
    Commands commands{model, shell, clipboard, windows, view};
};

TEST_F(DeliveryCommands, EachCommandDeliversAnExistingPathAndMovesItToTheTopOfTheHistory) {
    struct Case {
        Command command;
        Lines events;
    } cases[] = {
        {Command::open, {"open C:\\Work", "history shown"}},
        {Command::copy, {"copy C:\\Work", "history shown"}},
        {Command::sendToDialog, {"look for dialogs", "history shown"}},
    };
    for (const Case& c : cases) {
        log.events.clear();
        model.history = {"D:\\Data", "c:\\work"};
        EXPECT_TRUE(commands.Run(c.command, "C:\\Work"));
        EXPECT_EQ(log.events, c.events) << static_cast<int>(c.command);
        EXPECT_EQ(model.history, (Lines{"C:\\Work", "D:\\Data"}))
            << "the path replaces its entry in any case";
    }
    EXPECT_EQ(commands.Sender().DialogPath, "C:\\Work");
}

TEST_F(DeliveryCommands, APathThatIsNoDirectoryIsDeliveredNowhere) {
    for (const char* path : {"C:\\Gone", ""}) {
        for (Command command : {Command::open, Command::copy, Command::sendToDialog}) {
            log.events.clear();
            EXPECT_FALSE(commands.Run(command, path));
            EXPECT_EQ(log.events, Lines{std::string("inform ") + kMissingDirectory}) << path;
        }
    }
    EXPECT_EQ(model.history, (Lines{"D:\\Data", "c:\\work"}));
}

TEST_F(DeliveryCommands, AFailedCopyOrOpenLeavesTheHistory) {
    clipboard.works = false;
    EXPECT_FALSE(commands.Run(Command::copy, "C:\\Work"));
    EXPECT_EQ(log.events, (Lines{"copy C:\\Work", std::string("error ") + kCannotOpenClipboard}));
    log.events.clear();
    // The shell tells the user itself why it could not open the folder.
    shell.opens = false;
    EXPECT_FALSE(commands.Run(Command::open, "C:\\Work"));
    EXPECT_EQ(log.events, Lines{"open C:\\Work"});
    EXPECT_EQ(model.history, (Lines{"D:\\Data", "c:\\work"}));
}

TEST_F(DeliveryCommands, ARefusedSendIsToldAndStillCountsAsDelivered) {
    windows.refusingDialog = true;
    EXPECT_TRUE(commands.Run(Command::sendToDialog, "C:\\Work"));
    ASSERT_GE(log.events.size(), 2u);
    EXPECT_EQ(log.events[log.events.size() - 2].rfind("error ", 0), 0u) << log.events[log.events.size() - 2];
    EXPECT_EQ(log.events.back(), "history shown");
    EXPECT_EQ(model.history.front(), "C:\\Work");
}

TEST_F(DeliveryCommands, EveryDeliveryCountsAsAVisitAtTheModelsTime) {
    int64_t now = 1'800'000'000;
    model.SetClock([&] { return now; });
    commands.Run(Command::open, "C:\\Work");
    now += 60;
    commands.Run(Command::copy, "C:\\Work");
    commands.Run(Command::open, "C:\\Gone");
    shell.opens = false;
    commands.Run(Command::open, "D:\\Data");
    commands.OpenFavorite("D:\\Data");
    shell.opens = true;
    commands.OpenFavorite("D:\\Data");
    ASSERT_EQ(model.visits.entries().size(), 2u);
    const Visit& work = model.visits.entries()[0];
    EXPECT_EQ(work.path, "C:\\Work");
    EXPECT_EQ(work.times, 2u);
    EXPECT_EQ(work.last, now);
    EXPECT_EQ(model.visits.entries()[1].path, "D:\\Data")
        << "a favorite opened is a visit, one not opened none";
    EXPECT_EQ(model.visits.entries()[1].times, 1u);
}

TEST_F(DeliveryCommands, FavoritesHaveTheirOwnMessageAndNoHistory) {
    commands.OpenFavorite("C:\\Work");
    commands.SendFavoriteToDialog("D:\\Data");
    commands.OpenFavorite("C:\\Gone");
    commands.SendFavoriteToDialog("");
    EXPECT_EQ(log.events,
              (Lines{"open C:\\Work", "look for dialogs", std::string("inform ") + kMissingFavorite,
                     std::string("inform ") + kMissingFavorite}));
    EXPECT_EQ(model.history, (Lines{"D:\\Data", "c:\\work"}));
}

TEST_F(DeliveryCommands, AddToFavoritesAppendsTheTextEveryTime) {
    model.AddToFavorites("C:\\Temp");
    model.AddToFavorites("C:\\Temp");
    model.AddToFavorites("");
    EXPECT_EQ(FavoriteEntries(model.favorites), (Lines{"C:\\Temp?0*0", "C:\\Temp?0*0", "?0*0"}));
    EXPECT_FALSE(FindFavoriteShortcut(model.favorites, 0x4000 | 'T')) << "an added favorite has no keys";
}

}  // namespace
}  // namespace tarvolo
