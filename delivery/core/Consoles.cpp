#include "delivery/core/Consoles.h"

#include <algorithm>

namespace tarvolo {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

const ProcessEntry* Find(const std::vector<ProcessEntry>& processes, uint32_t id) {
    for (const ProcessEntry& p : processes)
        if (p.id == id) return &p;
    return nullptr;
}

bool IsConsoleHostProgram(std::string_view exeName) {
    return SameText(exeName, "OpenConsole.exe") || SameText(exeName, "conhost.exe");
}

// PowerShell ends a single-quoted string at any of these, as at '; each is
// doubled inside one to stand for itself.
bool IsPowerShellQuote(std::string_view s, size_t i, size_t& length) {
    if (s[i] == '\'') {
        length = 1;
        return true;
    }
    // U+2018 to U+201B in UTF-8: E2 80 98 to E2 80 9B.
    if (i + 2 < s.size() && static_cast<unsigned char>(s[i]) == 0xE2 &&
        static_cast<unsigned char>(s[i + 1]) == 0x80 && static_cast<unsigned char>(s[i + 2]) >= 0x98 &&
        static_cast<unsigned char>(s[i + 2]) <= 0x9B) {
        length = 3;
        return true;
    }
    return false;
}

}  // namespace

ConsoleHost ConsoleHostOf(std::string_view className) {
    if (SameText(className, "ConsoleWindowClass")) return ConsoleHost::classic;
    if (SameText(className, "CASCADIA_HOSTING_WINDOW_CLASS")) return ConsoleHost::terminal;
    if (SameText(className, "WineConsoleClass")) return ConsoleHost::wine;
    return ConsoleHost::none;
}

ShellKind ShellOfProgram(std::string_view exeName) {
    if (SameText(exeName, "cmd.exe")) return ShellKind::cmd;
    if (SameText(exeName, "powershell.exe") || SameText(exeName, "pwsh.exe")) return ShellKind::powerShell;
    return ShellKind::none;
}

std::optional<std::string> ChangeDirectoryCommand(ShellKind shell, std::string_view path) {
    if (path.empty()) return std::nullopt;
    // A line break would end the command early and run the rest.
    if (path.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
    switch (shell) {
        case ShellKind::cmd:
            // In quotes & ^ ( ) and spaces are plain text; a path cannot hold ".
            if (std::count(path.begin(), path.end(), '%') >= 2 || path.find('"') != std::string_view::npos)
                return std::nullopt;
            return "cd /d \"" + std::string(path) + "\"";
        case ShellKind::powerShell: {
            // A literal path: no wildcards; in single quotes nothing is expanded.
            std::string quoted;
            for (size_t i = 0; i < path.size();) {
                size_t length = 1;
                if (IsPowerShellQuote(path, i, length)) {
                    quoted.append(path.substr(i, length));
                    quoted.append(path.substr(i, length));
                } else {
                    quoted.push_back(path[i]);
                }
                i += length;
            }
            return "Set-Location -LiteralPath '" + quoted + "'";
        }
        case ShellKind::none:
            break;
    }
    return std::nullopt;
}

std::vector<uint32_t> ConsoleCandidates(uint32_t windowProcess, const std::vector<ProcessEntry>& processes) {
    std::vector<uint32_t> candidates;
    auto add = [&](uint32_t id) {
        if (id != 0 && std::find(candidates.begin(), candidates.end(), id) == candidates.end())
            candidates.push_back(id);
    };
    add(windowProcess);
    // Up two: the host's shell, and what started it. A chain that comes back to
    // itself (ids reused) ends there.
    const ProcessEntry* up = Find(processes, windowProcess);
    for (int level = 0; up && level < 2; ++level) {
        add(up->parent);
        up = Find(processes, up->parent);
    }
    // Down, breadth first, the nearest first; every process at most once.
    std::vector<uint32_t> below{windowProcess};
    for (size_t next = 0; next < below.size(); ++next) {
        for (const ProcessEntry& p : processes) {
            if (p.parent != below[next] || p.id == windowProcess) continue;
            if (std::find(below.begin(), below.end(), p.id) != below.end()) continue;
            below.push_back(p.id);
            add(p.id);
        }
    }
    return candidates;
}

size_t TerminalTabs(uint32_t windowProcess, const std::vector<ProcessEntry>& processes) {
    return static_cast<size_t>(std::count_if(processes.begin(), processes.end(), [&](const ProcessEntry& p) {
        return p.parent == windowProcess && p.id != windowProcess && IsConsoleHostProgram(p.exeName);
    }));
}

ShellKind ShellAtPrompt(const std::vector<uint32_t>& attached, uint32_t self,
                        const std::vector<ProcessEntry>& processes) {
    std::vector<const ProcessEntry*> clients;
    for (uint32_t id : attached) {
        if (id == self) continue;
        const ProcessEntry* p = Find(processes, id);
        if (!p) return ShellKind::none;  // one we cannot name may be the program at work
        clients.push_back(p);
    }
    const ProcessEntry* leaf = nullptr;
    for (const ProcessEntry* p : clients) {
        const bool startedAnother = std::any_of(clients.begin(), clients.end(), [&](const ProcessEntry* q) {
            return q != p && q->parent == p->id;
        });
        if (startedAnother) continue;
        if (leaf) return ShellKind::none;  // two programs at work at once: no prompt waits
        leaf = p;
    }
    return leaf ? ShellOfProgram(leaf->exeName) : ShellKind::none;
}

ConsoleResult SendPathToConsole(ConsoleOps& ops, WindowHandle window, std::string_view path) {
    const ConsoleHost host = ConsoleHostOf(ops.FullClassName(window));
    if (host == ConsoleHost::none) return ConsoleResult::notAConsole;
    const uint32_t windowProcess = ops.WindowProcessId(window);
    if (windowProcess == 0) return ConsoleResult::unreachable;
    const std::vector<ProcessEntry> processes = ops.Processes();
    if (host == ConsoleHost::terminal && TerminalTabs(windowProcess, processes) > 1)
        return ConsoleResult::severalTabs;
    const uint32_t self = ops.SelfId();
    for (const uint32_t candidate : ConsoleCandidates(windowProcess, processes)) {
        if (candidate == self) continue;
        const std::optional<std::vector<uint32_t>> attached = ops.Attach(candidate);
        if (!attached) continue;
        ConsoleResult result = ConsoleResult::notAtPrompt;
        const ShellKind shell = ShellAtPrompt(*attached, self, processes);
        if (shell != ShellKind::none) {
            const std::optional<std::string> command = ChangeDirectoryCommand(shell, path);
            if (!command)
                result = ConsoleResult::pathRefused;
            else
                result = ops.TypeCommand(*command) ? ConsoleResult::typed : ConsoleResult::unreachable;
        }
        ops.Detach();
        return result;
    }
    return ConsoleResult::unreachable;
}

std::string ConsoleResultText(ConsoleResult result, std::string_view path) {
    switch (result) {
        case ConsoleResult::notAtPrompt:
            return "The console you came from is not at a cmd or PowerShell prompt: Tarvolo types nothing "
                   "into a "
                   "program at work.";
        case ConsoleResult::unreachable:
            return "The console you came from could not be reached.";
        case ConsoleResult::pathRefused:
            return "cmd would read the % signs in \"" + std::string(path) +
                   "\" as variables: change to it by hand, or copy the path with Alt+C.";
        case ConsoleResult::severalTabs:
            return "The terminal you came from has several tabs, and Tarvolo cannot tell which one is on "
                   "show: "
                   "copy the path with Alt+C instead.";
        case ConsoleResult::notAConsole:
        case ConsoleResult::typed:
            break;
    }
    return {};
}

}  // namespace tarvolo
