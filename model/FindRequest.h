// tarvolo-find.exe asks the running program for the directories that Quick
// Jump would list for a text: its command line, and the request and reply as
// they travel through the program's named pipe. Both ends are bounded: a request or reply that
// is too long or malformed is refused, never half read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvolo {

// How a second start tells the running program's main window from others of
// its class: sent kInstanceQueryValue by this registered message, it answers
// kInstanceAnswerValue.
constexpr wchar_t kMainWindowClass[] = L"TfrmMain";
constexpr wchar_t kShowInstanceMessage[] = L"Tarvolo.ShowInstance";
constexpr uintptr_t kInstanceQueryValue = 0;
constexpr intptr_t kInstanceAnswerValue = 0x54766C6F;

// The running program answers on a named pipe of this name, made its session's
// own. A console program asks it with no window of its own: a window, and the
// window system loaded for it, would cost more than the whole search.
constexpr wchar_t kFindPipeName[] = L"Tarvolo.find";
// The whole talk has this long before the program is called hung; the program
// gives its window less, so that a hung window is told as no answer in time.
constexpr uint32_t kFindTimeoutMs = 5000;
constexpr uint32_t kFindWindowTimeoutMs = 4000;

constexpr size_t kFindDefaultCount = 20;
constexpr size_t kFindMaxCount = 1000;
constexpr size_t kFindMaxRequestBytes = size_t{32} * 1024;
constexpr size_t kFindMaxReplyBytes = size_t{4} * 1024 * 1024;

// `tarvolo-find.exe [-n COUNT] TERM...`: the arguments after the program's name.
struct FindCommandLine {
    size_t count = kFindDefaultCount;
    std::string text;   // the terms joined by one space, as typed in Quick Jump
    std::string error;  // not empty: the line is wrong, and this says why
    bool help = false;  // -h, /?, --help
};
FindCommandLine ParseFindCommandLine(const std::vector<std::string>& args);

// The usage text, for -h and after an error.
extern const char kFindUsage[];

struct FindRequest {
    size_t count = kFindDefaultCount;
    std::string text;
};
std::string EncodeFindRequest(const FindRequest& request);
std::optional<FindRequest> DecodeFindRequest(std::string_view bytes);

// The reply: the paths, best first; none when nothing matches.
std::string EncodeFindReply(const std::vector<std::string>& paths);
std::optional<std::vector<std::string>> DecodeFindReply(std::string_view bytes);

}  // namespace tarvolo
