// tarvolo-find.exe: asks the running Tarvolo for the directories Quick Jump
// lists for the terms and prints them, best first, one a line. The request
// and its reply are one message each way over the program's named pipe; the
// program uses nothing beyond kernel32 and the C runtime, so it starts as fast
// as a console program can.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "model/FindRequest.h"
#include "platform/NamedPipe.h"
#include "platform/WinText.h"

using namespace tarvolo;

namespace {

constexpr int kPrinted = 0, kNoMatch = 1, kFailed = 2;

// A console gets the text in its own encoding through WriteConsoleW; a file or
// pipe gets UTF-8, so that `for /f` and PowerShell take the path as it is.
class Output {
public:
    explicit Output(DWORD which) : handle_(::GetStdHandle(which)) {
        DWORD mode = 0;
        console_ = handle_ && handle_ != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle_, &mode);
    }
    bool Write(const std::string& utf8) const {
        if (!handle_ || handle_ == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        if (console_) {
            const std::wstring wide = Widen(utf8);
            return ::WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written,
                                   nullptr) != FALSE;
        }
        return ::WriteFile(handle_, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) !=
                   FALSE &&
               written == utf8.size();
    }

private:
    HANDLE handle_;
    bool console_ = false;
};

int Fail(const std::string& text) {
    Output(STD_ERROR_HANDLE).Write("tarvolo-find: " + text + "\r\n");
    return kFailed;
}

int Run(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
    const FindCommandLine line = ParseFindCommandLine(args);
    if (line.help) {
        Output(STD_OUTPUT_HANDLE).Write(kFindUsage);
        return kPrinted;
    }
    if (!line.error.empty()) {
        Fail(line.error);
        Output(STD_ERROR_HANDLE).Write(kFindUsage);
        return kFailed;
    }

    const PipeReply reply =
        CallPipe(SessionPipeName(kFindPipeName), EncodeFindRequest(FindRequest{line.count, line.text}),
                 kFindMaxReplyBytes, kFindTimeoutMs);
    if (reply.status == PipeCall::noServer) return Fail("Tarvolo is not running");
    if (reply.status != PipeCall::answered) return Fail("Tarvolo did not answer");
    const std::optional<std::vector<std::string>> paths = DecodeFindReply(reply.bytes);
    if (!paths) return Fail("Tarvolo's answer was not understood");
    if (paths->empty()) return kNoMatch;
    std::string text;
    for (const std::string& path : *paths) text += path + "\r\n";
    if (!Output(STD_OUTPUT_HANDLE).Write(text)) return Fail("cannot write the answer");
    return kPrinted;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return Run(argc, argv);
    } catch (...) {
        return Fail("stopped by an unexpected failure");
    }
}
