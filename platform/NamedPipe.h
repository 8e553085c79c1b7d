// A request and its reply over a named pipe of this session, as whole
// messages: a server thread that answers one client at a time, and the
// client's one bounded call. The client needs nothing but kernel32, so a
// console program that asks starts as fast as one that does nothing.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace tarvolo {

// `base` made this session's: a program of another session has a pipe of its own.
std::wstring SessionPipeName(const std::wstring& base);

class PipeServer {
public:
    // Runs on the server's thread; nothing means the request is not answered.
    using Handler = std::function<std::optional<std::string>(const std::string& request)>;

    PipeServer() = default;
    ~PipeServer() { Stop(); }
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // False when the pipe cannot be made, or another process holds its name.
    // A request longer than `maxRequest` is refused unread; each read and
    // write of a client gets `ioTimeoutMs`, so no client holds up the next.
    bool Start(const std::wstring& name, size_t maxRequest, DWORD ioTimeoutMs, Handler handler);
    // Waits for a request being answered to end.
    void Stop();

private:
    void Serve();
    // One client from its connection to its close.
    void Answer(OVERLAPPED& io);

    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    HANDLE stop_ = nullptr;
    size_t maxRequest_ = 0;
    DWORD ioTimeoutMs_ = 0;
    Handler handler_;
    std::thread thread_;
};

enum class PipeCall {
    answered,
    noServer,  // no pipe of that name in this session
    noAnswer,  // there, but no whole reply in time
};

struct PipeReply {
    PipeCall status = PipeCall::noAnswer;
    std::string bytes;
};

// Sends `request` and reads the reply, all within `timeoutMs`; a reply longer
// than `maxReply` is no answer.
PipeReply CallPipe(const std::wstring& name, const std::string& request, size_t maxReply, DWORD timeoutMs);

}  // namespace tarvolo
