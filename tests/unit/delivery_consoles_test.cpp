// Consoles as Dialog's target: recognised by class, their shell found from
// their processes as Windows, Windows Terminal and Wine report them, the
// command each shell gets, and when a console is the target at all.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "delivery/core/Commands.h"
#include "delivery/core/Consoles.h"
#include "tests/support/Decoders.h"
#include "tests/support/NoFiles.h"
#include "tests/support/NoWindowOps.h"

namespace tarvolo {
namespace {

using Lines = std::vector<std::string>;

TEST(ConsoleHostOf, TheConsolesClassesInAnyCaseAndNothingElse) {
    const struct {
        const char* className;
        ConsoleHost host;
    } cases[] = {
        {"ConsoleWindowClass", ConsoleHost::classic},
        {"consolewindowclass", ConsoleHost::classic},
        {"CASCADIA_HOSTING_WINDOW_CLASS", ConsoleHost::terminal},
        {"CASCADIA_HOSTING_W", ConsoleHost::none},  // cut short: the full name is asked
        {"WineConsoleClass", ConsoleHost::wine},
        {"#32770", ConsoleHost::none},
        {"CabinetWClass", ConsoleHost::none},
        {"mintty", ConsoleHost::none},
        {"", ConsoleHost::none},
    };
    for (const auto& c : cases) EXPECT_EQ(ConsoleHostOf(c.className), c.host) << c.className;
}

TEST(ChangeDirectoryCommand, EachShellGetsThePathAsPlainText) {
    const struct {
        ShellKind shell;
        const char* path;
        const char* command;  // null: refused
    } cases[] = {
        {ShellKind::cmd, "D:\\Work", "cd /d \"D:\\Work\""},
        {ShellKind::cmd, "D:\\Program Files (x86)", "cd /d \"D:\\Program Files (x86)\""},
        {ShellKind::cmd, "D:\\Tom's & Jerry's ^caret", "cd /d \"D:\\Tom's & Jerry's ^caret\""},
        {ShellKind::cmd, "D:\\100% done", "cd /d \"D:\\100% done\""},
        {ShellKind::cmd, "D:\\%PATH%", nullptr},  // cmd would expand it, quoted or not
        {ShellKind::cmd, "D:\\a%b\\c%d", nullptr},
        {ShellKind::cmd, "D:\\\xE6\x97\xA5\xE6\x9C\xAC\\\xC3\x89t\xC3\xA9",
         "cd /d \"D:\\\xE6\x97\xA5\xE6\x9C\xAC\\\xC3\x89t\xC3\xA9\""},
        {ShellKind::cmd, "\\\\server\\share\\x", "cd /d \"\\\\server\\share\\x\""},
        {ShellKind::powerShell, "D:\\Work", "Set-Location -LiteralPath 'D:\\Work'"},
        {ShellKind::powerShell, "D:\\Tom's", "Set-Location -LiteralPath 'D:\\Tom''s'"},
        {ShellKind::powerShell, "D:\\''", "Set-Location -LiteralPath 'D:\\'''''"},
        // PowerShell ends a single-quoted string at the typographic quotes too.
        {ShellKind::powerShell, "D:\\Tom\xE2\x80\x99s",
         "Set-Location -LiteralPath 'D:\\Tom\xE2\x80\x99\xE2\x80\x99s'"},
        {ShellKind::powerShell, "D:\\$env:x `y [z] 100% & ^",
         "Set-Location -LiteralPath 'D:\\$env:x `y [z] 100% & ^'"},
        {ShellKind::powerShell, "D:\\%PATH%", "Set-Location -LiteralPath 'D:\\%PATH%'"},
        {ShellKind::powerShell, "D:\\\xE6\x97\xA5\xE6\x9C\xAC",
         "Set-Location -LiteralPath 'D:\\\xE6\x97\xA5\xE6\x9C\xAC'"},
        {ShellKind::cmd, "D:\\a\r\ndel x", nullptr},
        {ShellKind::powerShell, "D:\\a\nrm x", nullptr},
        {ShellKind::cmd, "", nullptr},
        {ShellKind::none, "D:\\Work", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> command = ChangeDirectoryCommand(c.shell, c.path);
        if (c.command)
            EXPECT_EQ(command.value_or("(refused)"), c.command) << c.path;
        else
            EXPECT_FALSE(command) << c.path << " gave " << *command;
    }
}

// A console as the system reports it: its window's class and process, the
// processes there are, and who is attached to which console.
class FakeConsoles : public ConsoleOps {
public:
    std::map<WindowHandle, std::pair<std::string, uint32_t>> windows;  // class, process
    std::vector<ProcessEntry> processes;
    std::map<uint32_t, std::vector<uint32_t>> consoles;  // a client's id: every client of its console
    bool takesInput = true;
    Lines log;
    static constexpr uint32_t kSelf = 77;

    std::string FullClassName(WindowHandle w) override { return windows.count(w) ? windows.at(w).first : ""; }
    uint32_t WindowProcessId(WindowHandle w) override { return windows.count(w) ? windows.at(w).second : 0; }
    std::vector<ProcessEntry> Processes() override { return processes; }
    uint32_t SelfId() override { return kSelf; }
    std::optional<std::vector<uint32_t>> Attach(uint32_t id) override {
        log.push_back("attach " + std::to_string(id));
        if (!consoles.count(id)) return std::nullopt;
        std::vector<uint32_t> attached = consoles.at(id);
        attached.insert(attached.begin(), kSelf);
        return attached;
    }
    bool TypeCommand(std::string_view command) override {
        log.push_back("type " + std::string(command));
        return takesInput;
    }
    void Detach() override { log.push_back("detach"); }
};

// The trees measured under Wine and documented for Windows.
struct Scene {
    const char* name;
    std::string className;
    uint32_t windowProcess;
    std::vector<ProcessEntry> processes;
    std::map<uint32_t, std::vector<uint32_t>> consoles;
};

const Scene kWineCmd{"Wine: wineconsole cmd (measured)",
                     "WineConsoleClass",
                     304,
                     {{288, 280, "wineconsole.exe"}, {296, 288, "cmd.exe"}, {304, 296, "conhost.exe"}},
                     {{296, {296}}}};
const Scene kClassicCmd{"Windows: cmd in its own console",
                        "ConsoleWindowClass",
                        1000,
                        {{500, 4, "explorer.exe"}, {1000, 500, "cmd.exe"}, {1001, 1000, "conhost.exe"}},
                        {{1000, {1000}}}};
const Scene kClassicPing{"Windows: cmd running ping",
                         "ConsoleWindowClass",
                         1000,
                         {{1000, 500, "cmd.exe"}, {1001, 1000, "conhost.exe"}, {1100, 1000, "PING.EXE"}},
                         {{1000, {1100, 1000}}}};
const Scene kPowerShellInCmd{
    "Windows: PowerShell started from cmd, at its prompt",
    "ConsoleWindowClass",
    1000,
    {{1000, 500, "cmd.exe"}, {1001, 1000, "conhost.exe"}, {1200, 1000, "powershell.exe"}},
    {{1000, {1200, 1000}}}};
const Scene kPwshTerminal{
    "Windows Terminal: one tab of pwsh",
    "CASCADIA_HOSTING_WINDOW_CLASS",
    3000,
    {{3000, 500, "WindowsTerminal.exe"}, {3001, 3000, "OpenConsole.exe"}, {3002, 3001, "pwsh.exe"}},
    {{3002, {3002}}}};
const Scene kTwoTabs{"Windows Terminal: two tabs",
                     "CASCADIA_HOSTING_WINDOW_CLASS",
                     3000,
                     {{3000, 500, "WindowsTerminal.exe"},
                      {3001, 3000, "OpenConsole.exe"},
                      {3002, 3001, "pwsh.exe"},
                      {3003, 3000, "OpenConsole.exe"},
                      {3004, 3003, "cmd.exe"}},
                     {{3002, {3002}}, {3004, {3004}}}};
const Scene kPython{"Windows: python's prompt in cmd",
                    "ConsoleWindowClass",
                    1000,
                    {{1000, 500, "cmd.exe"}, {1300, 1000, "python.exe"}},
                    {{1000, {1000, 1300}}}};
const Scene kBash{"Windows: a shell this program does not know",
                  "ConsoleWindowClass",
                  1400,
                  {{1400, 500, "bash.exe"}},
                  {{1400, {1400}}}};
const Scene kGone{
    "Windows: the console's processes ended", "ConsoleWindowClass", 1000, {{1000, 500, "cmd.exe"}}, {}};
const Scene kDialog{"a file dialog", "#32770", 900, {{900, 500, "notepad.exe"}}, {{900, {900}}}};

void Stage(FakeConsoles& fake, const Scene& scene, WindowHandle window) {
    fake.windows[window] = {scene.className, scene.windowProcess};
    fake.processes = scene.processes;
    fake.consoles = scene.consoles;
}

TEST(SendPathToConsole, TypesOnlyIntoAShellAtItsPrompt) {
    const struct {
        const Scene& scene;
        const char* path;
        ConsoleResult result;
        Lines log;
    } cases[] = {
        {kWineCmd,
         "D:\\A B",
         ConsoleResult::typed,
         {"attach 304", "attach 296", "type cd /d \"D:\\A B\"", "detach"}},
        {kClassicCmd, "D:\\A", ConsoleResult::typed, {"attach 1000", "type cd /d \"D:\\A\"", "detach"}},
        {kClassicPing, "D:\\A", ConsoleResult::notAtPrompt, {"attach 1000", "detach"}},
        {kPowerShellInCmd,
         "D:\\Tom's",
         ConsoleResult::typed,
         {"attach 1000", "type Set-Location -LiteralPath 'D:\\Tom''s'", "detach"}},
        {kPwshTerminal,
         "D:\\A",
         ConsoleResult::typed,
         {"attach 3000", "attach 500", "attach 3001", "attach 3002", "type Set-Location -LiteralPath 'D:\\A'",
          "detach"}},
        {kTwoTabs, "D:\\A", ConsoleResult::severalTabs, {}},
        {kPython, "D:\\A", ConsoleResult::notAtPrompt, {"attach 1000", "detach"}},
        {kBash, "D:\\A", ConsoleResult::notAtPrompt, {"attach 1400", "detach"}},
        {kGone, "D:\\A", ConsoleResult::unreachable, {"attach 1000", "attach 500"}},
        {kClassicCmd, "D:\\%A%", ConsoleResult::pathRefused, {"attach 1000", "detach"}},
        {kDialog, "D:\\A", ConsoleResult::notAConsole, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scene.name);
        FakeConsoles fake;
        Stage(fake, c.scene, 0x50);
        EXPECT_EQ(SendPathToConsole(fake, 0x50, c.path), c.result);
        EXPECT_EQ(fake.log, c.log);
    }
}

TEST(ConsoleCandidates, EveryProcessOnceEvenWhenTheTreeLoops) {
    const std::vector<ProcessEntry> loop{{1, 2, "a.exe"}, {2, 1, "b.exe"}, {3, 1, "c.exe"}};
    EXPECT_EQ(ConsoleCandidates(1, loop), (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(ConsoleCandidates(9, {}), (std::vector<uint32_t>{9}));
}

// The target's choice: the window you came from wins; a console is never
// chosen by its place alone, and one that cannot take the path says so.
struct Recorder : Shell, Clipboard, fakes::NoWindowOps, CommandView {
    Lines log;
    std::map<WindowHandle, std::string> classes;
    bool IsDirectory(const std::string&) override { return true; }
    bool OpenFolder(const std::string&) override { return true; }
    bool CopyText(const std::string&) override { return true; }
    void EnumTopLevel(const Visit&) override { log.push_back("look for dialogs"); }
    std::string GetWindowClassName(WindowHandle w) override { return classes.count(w) ? classes[w] : ""; }
    bool IsShown(WindowHandle w) override { return classes.count(w) != 0; }
    void MinimizeApplication() override { log.push_back("minimize"); }
    void Inform(const std::string& text) override { log.push_back("inform " + text); }
    void ShowError(const std::string& text) override { log.push_back("error " + text); }
    void HistoryChanged() override {}
};

TEST(ConsoleTarget, TheConsoleYouCameFromAndNoOther) {
    const struct {
        const char* what;
        WindowHandle cameFrom;
        const Scene& scene;
        Lines log;
        Lines consoleLog;
    } cases[] = {
        {"came from a cmd console",
         0x50,
         kWineCmd,
         {"minimize"},
         {"attach 304", "attach 296", "type cd /d \"D:\\A\"", "detach"}},
        {"came from a console at work",
         0x50,
         kClassicPing,
         {"error " + ConsoleResultText(ConsoleResult::notAtPrompt, "D:\\A")},
         {"attach 1000", "detach"}},
        // The console is there, but the user came from the dialog.
        {"came from a dialog", 0x60, kWineCmd, {"look for dialogs", "look for dialogs"}, {}},
        {"came from nowhere", 0, kWineCmd, {"look for dialogs"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder recorder;
        recorder.classes = {{0x50, "WineConsoleClass"}, {0x60, "#32770"}};
        FakeConsoles consoles;
        Stage(consoles, c.scene, 0x50);
        consoles.windows[0x60] = {"#32770", 900};
        NoFiles files;
        fakes::PassThroughDecoder ansi;
        Model model{"C:\\App", files, ansi};
        Commands commands{model, recorder, recorder, recorder, recorder};
        commands.SetConsoles(&consoles);
        commands.RememberWindowCameFrom(c.cameFrom);
        commands.SendToDialog("D:\\A");
        EXPECT_EQ(recorder.log, c.log);
        EXPECT_EQ(consoles.log, c.consoleLog);
    }
}

}  // namespace
}  // namespace tarvolo
