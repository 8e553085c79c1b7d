// Times tarvolo-find against the running program: the request and its reply
// alone (from this process, as tarvolo-find sends them), and whole runs of
// tarvolo-find.exe asking, against runs that only start and print their usage
// and runs of an empty console program built the same way (what any console
// program's start costs; the rest is tarvolo-find's own). Starts tarvolo.exe
// from beside itself when none runs, and waits until it answers.
//   find_bench [TERM] [RUNS]      default "system", 30
#include <cstdio>

#ifndef _WIN32

int main() {
    std::printf("find_bench: Windows only\n");
    return 0;
}

#else

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "model/FindRequest.h"
#include "platform/NamedPipe.h"
#include "platform/WinText.h"

namespace {

using namespace tarvolo;
using bench::Clock;
using bench::Median;
using bench::Ms;

constexpr bench::FigureLine Figure{60, 10, 3};

// One request and its reply; the paths, or nothing when it failed.
std::optional<std::vector<std::string> > Ask(const std::string& term, PipeCall* status = nullptr) {
    const PipeReply reply = CallPipe(SessionPipeName(kFindPipeName), EncodeFindRequest(FindRequest{20, term}),
                                     kFindMaxReplyBytes, kFindTimeoutMs);
    if (status) *status = reply.status;
    if (reply.status != PipeCall::answered) return std::nullopt;
    return DecodeFindReply(reply.bytes);
}

// A run of a program to its end, its output thrown away; its status in `status`.
double TimedRun(const std::wstring& commandLine, DWORD& status) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = nul;
    si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    const auto start = Clock::now();
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &si, &pi)) {
        ::CloseHandle(nul);
        status = 0xFFFFFFFF;
        return 0;
    }
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    const auto end = Clock::now();
    ::GetExitCodeProcess(pi.hProcess, &status);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(nul);
    return Ms(start, end);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string term = argc > 1 ? argv[1] : "system";
    const int runs = argc > 2 ? std::max(3, std::atoi(argv[2])) : 30;

    PROCESS_INFORMATION started{};
    PipeCall status = PipeCall::noAnswer;
    std::optional<std::vector<std::string> > paths = Ask(term, &status);
    if (status == PipeCall::noServer) {
        std::wstring line = L"\"" + bench::BesideThisProgram(L"tarvolo.exe") + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &started)) {
            std::printf("find_bench: cannot start %s\n", Narrow(line).c_str());
            return 1;
        }
        for (int i = 0; i < 1200 && !paths; ++i) {
            ::Sleep(100);
            paths = Ask(term);
        }
    }
    if (!paths) {
        std::printf("find_bench: the program did not answer\n");
        if (started.hProcess) ::TerminateProcess(started.hProcess, 1);
        return 1;
    }
    std::printf("term \"%s\": %zu directories\n", term.c_str(), paths->size());
    std::vector<double> trips;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        Ask(term);
        trips.push_back(Ms(start, Clock::now()));
    }
    Figure("request and reply, median", Median(trips), "ms");
    Figure("request and reply, 95th percentile", bench::Percentile(trips, 0.95), "ms");

    const std::wstring find = L"\"" + bench::BesideThisProgram(L"tarvolo-find.exe") + L"\"";
    const std::wstring empty = L"\"" + bench::BesideThisProgram(L"empty_console.exe") + L"\"";
    std::vector<double> none, bare, asking;
    DWORD exitStatus = 0;
    // Interleaved, so that the machine's load falls on all three alike.
    for (int i = 0; i < runs; ++i) {
        none.push_back(TimedRun(empty, exitStatus));
        bare.push_back(TimedRun(find + L" --help", exitStatus));
        asking.push_back(TimedRun(find + L" " + Widen(term), exitStatus));
    }
    Figure("empty console program (start, end), median", Median(none), "ms");
    Figure("tarvolo-find --help (start, print, end), median", Median(bare), "ms");
    Figure("tarvolo-find TERM (start, ask, print, end), median", Median(asking), "ms");
    Figure("what the answer adds to tarvolo-find --help, median", Median(asking) - Median(bare), "ms");
    Figure("what tarvolo-find TERM adds to an empty program, median", Median(asking) - Median(none), "ms");
    std::printf("last exit status %lu\n", static_cast<unsigned long>(exitStatus));

    if (started.hProcess) {
        ::TerminateProcess(started.hProcess, 0);
        ::CloseHandle(started.hProcess);
        ::CloseHandle(started.hThread);
    }
    return 0;
}

#endif
