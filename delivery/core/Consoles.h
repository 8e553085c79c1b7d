// A console as the target of Dialog: the shell at its prompt is told to change
// to the directory, as if the user had typed the command. Consoles are told
// apart by their window classes, the shell by the console's processes, never
// by a caption; and nothing is typed into a console whose shell is not at a
// prompt this program knows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/core/FileDialogs.h"

namespace tarvolo {

enum class ConsoleHost {
    none,
    classic,   // the system's own console window (ConsoleWindowClass)
    terminal,  // Windows Terminal (CASCADIA_HOSTING_WINDOW_CLASS): its shells run in its tabs
    wine,      // Wine's console window (WineConsoleClass)
};

// From the window's full class name.
ConsoleHost ConsoleHostOf(std::string_view className);

enum class ShellKind { none, cmd, powerShell };

// cmd.exe; powershell.exe or pwsh.exe (in any letter case): from a program's file name.
ShellKind ShellOfProgram(std::string_view exeName);

// The command that moves the shell to `path`, without the Enter; nullopt when
// the shell could not be given the path safely. cmd expands %NAME% even
// inside quotes and has no escape for it on its command line, so a path with
// two or more % is refused rather than typed.
std::optional<std::string> ChangeDirectoryCommand(ShellKind shell, std::string_view path);

// One process as the system's list of processes shows it.
struct ProcessEntry {
    uint32_t id = 0;
    uint32_t parent = 0;
    std::string exeName;  // the file name alone
};

// The processes worth attaching to, to reach the console of a window that
// belongs to process `windowProcess`, the likeliest first: the process itself
// (the classic console window names its first client), the ones above it (Wine's
// console host runs under its shell), then the ones below it (Windows
// Terminal's hosts of its tabs and their shells).
std::vector<uint32_t> ConsoleCandidates(uint32_t windowProcess, const std::vector<ProcessEntry>& processes);

// The tabs of a terminal window of process `windowProcess`: each has a console
// host of its own (OpenConsole.exe, or conhost.exe) started by the terminal.
size_t TerminalTabs(uint32_t windowProcess, const std::vector<ProcessEntry>& processes);

// The shell at the prompt of a console with these processes attached (apart
// from this program itself): the one attached process no other attached
// process was started by, when that is a known shell. A shell that runs a
// program (a build, an editor, another shell) is not at its prompt.
ShellKind ShellAtPrompt(const std::vector<uint32_t>& attached, uint32_t self,
                        const std::vector<ProcessEntry>& processes);

// What the console operations need of the system.
class ConsoleOps {
public:
    virtual ~ConsoleOps() = default;
    virtual std::string FullClassName(WindowHandle window) = 0;
    // 0 when the window is gone.
    virtual uint32_t WindowProcessId(WindowHandle window) = 0;
    virtual std::vector<ProcessEntry> Processes() = 0;
    virtual uint32_t SelfId() = 0;
    // Attaches this program to the console of process `id` and lists the
    // processes attached to it; nullopt when it could not be attached. Every
    // successful Attach is followed by one Detach.
    virtual std::optional<std::vector<uint32_t>> Attach(uint32_t id) = 0;
    // Into the attached console's input: what empties the line being typed,
    // then `command` and Enter. False when the console did not take it.
    virtual bool TypeCommand(std::string_view command) = 0;
    virtual void Detach() = 0;
};

enum class ConsoleResult {
    notAConsole,  // not a console window: the path goes elsewhere
    typed,
    notAtPrompt,  // also: a shell this program does not know
    unreachable,  // no process of the console could be attached to
    pathRefused,  // the shell could not be given this path safely
    severalTabs,  // a terminal with several tabs: which one is on show cannot be told
};

// Sends the command for `path` to the shell of `window` when it is a console
// whose shell waits at its prompt.
ConsoleResult SendPathToConsole(ConsoleOps& ops, WindowHandle window, std::string_view path);

// What the user is told when a console did not take the path, in the program's words.
std::string ConsoleResultText(ConsoleResult result, std::string_view path);

}  // namespace tarvolo
