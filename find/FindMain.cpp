// tarvolo-find.exe: asks the running Tarvolo for the directories Quick Jump
// lists for the terms and prints them, best first, one a line. The request
// goes to the main window in WM_COPYDATA with a message-only window of this
// program as wParam; the reply comes back to that window the same way, while
// the request's send is still waiting, so one bounded send is the whole talk.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "model/FindRequest.h"
#include "platform/RunningInstance.h"
#include "platform/WinText.h"

using namespace tarvolo;

namespace {

// The whole talk, request and reply, has this long before the program is called hung.
constexpr UINT kRequestTimeoutMs = 5000;
// Each window of the main window's class is asked this long whether it is Tarvolo's.
constexpr UINT kQueryTimeoutMs = 1000;

constexpr int kPrinted = 0, kNoMatch = 1, kFailed = 2;

struct Talk {
    HWND main = nullptr;
    std::optional<std::string> reply;
};

LRESULT CALLBACK ReplyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COPYDATA) {
        auto* talk = reinterpret_cast<Talk*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        // Only the window asked may answer, and only once.
        if (!talk || reinterpret_cast<HWND>(wp) != talk->main || data->dwData != kFindReplyKind ||
            talk->reply || data->cbData > kFindMaxReplyBytes || (data->cbData > 0 && !data->lpData))
            return FALSE;
        talk->reply = std::string(static_cast<const char*>(data->lpData), data->cbData);
        return TRUE;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

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

std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) return args;
    for (int i = 1; i < count; ++i) args.push_back(Narrow(argv[i]));
    ::LocalFree(argv);
    return args;
}

int Run() {
    const FindCommandLine line = ParseFindCommandLine(Arguments());
    if (line.help) {
        Output(STD_OUTPUT_HANDLE).Write(kFindUsage);
        return kPrinted;
    }
    if (!line.error.empty()) {
        Fail(line.error);
        Output(STD_ERROR_HANDLE).Write(kFindUsage);
        return kFailed;
    }

    Talk talk;
    talk.main = FindAnsweringWindow(kMainWindowClass, ::RegisterWindowMessageW(kShowInstanceMessage),
                                    kInstanceQueryValue, kInstanceAnswerValue, kQueryTimeoutMs);
    if (!talk.main) return Fail("Tarvolo is not running");

    WNDCLASSW cls{};
    cls.lpfnWndProc = ReplyProc;
    cls.hInstance = ::GetModuleHandleW(nullptr);
    cls.lpszClassName = L"TarvoloFindReply";
    if (!::RegisterClassW(&cls)) return Fail("cannot make a window for the answer");
    HWND window = ::CreateWindowExW(0, cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    cls.hInstance, nullptr);
    if (!window) return Fail("cannot make a window for the answer");
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&talk));

    std::string request = EncodeFindRequest(FindRequest{line.count, line.text});
    COPYDATASTRUCT data{kFindRequestKind, static_cast<DWORD>(request.size()), request.data()};
    DWORD_PTR answered = 0;
    const bool sent = ::SendMessageTimeoutW(talk.main, WM_COPYDATA, reinterpret_cast<WPARAM>(window),
                                            reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                            kRequestTimeoutMs, &answered) != 0;
    ::DestroyWindow(window);
    if (!sent || !answered || !talk.reply) return Fail("Tarvolo did not answer");
    const std::optional<std::vector<std::string>> paths = DecodeFindReply(*talk.reply);
    if (!paths) return Fail("Tarvolo's answer was not understood");
    if (paths->empty()) return kNoMatch;
    std::string text;
    for (const std::string& path : *paths) text += path + "\r\n";
    if (!Output(STD_OUTPUT_HANDLE).Write(text)) return Fail("cannot write the answer");
    return kPrinted;
}

}  // namespace

int wmain() {
    try {
        return Run();
    } catch (...) {
        return Fail("stopped by an unexpected failure");
    }
}
