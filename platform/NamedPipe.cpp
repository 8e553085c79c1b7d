#include "platform/NamedPipe.h"

#include <algorithm>

#include "platform/Handles.h"

namespace tarvolo {

namespace {

constexpr DWORD kPipeBufferBytes = 64 * 1024;

// Waits for an overlapped read or write just started on `handle` (`started`
// is what ReadFile or WriteFile returned). False when it failed, the time ran
// out or `stop` was set: the operation is cancelled and over then. A message
// read only in part is done, with `error` ERROR_MORE_DATA.
bool Complete(HANDLE handle, OVERLAPPED& io, BOOL started, HANDLE stop, DWORD timeoutMs, DWORD& bytes,
              DWORD& error) {
    bytes = 0;
    error = started ? ERROR_SUCCESS : ::GetLastError();
    if (!started && error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) return false;
    if (!started && error == ERROR_IO_PENDING) {
        HANDLE events[2] = {io.hEvent, stop};
        if (::WaitForMultipleObjects(stop ? 2 : 1, events, FALSE, timeoutMs) != WAIT_OBJECT_0) {
            ::CancelIo(handle);
            ::GetOverlappedResult(handle, &io, &bytes, TRUE);
            error = ERROR_TIMEOUT;
            return false;
        }
    }
    if (::GetOverlappedResult(handle, &io, &bytes, FALSE)) {
        error = ERROR_SUCCESS;
        return true;
    }
    error = ::GetLastError();
    return error == ERROR_MORE_DATA;
}

// A manual-reset event for one overlapped call.
UniqueHandle NewEvent() {
    return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

// The process at the other end of a client's pipe runs in this session.
bool ServerInThisSession(HANDLE pipe) {
    ULONG server = 0;
    DWORD serverSession = 0, mine = 0;
    return ::GetNamedPipeServerProcessId(pipe, &server) && ::ProcessIdToSessionId(server, &serverSession) &&
           ::ProcessIdToSessionId(::GetCurrentProcessId(), &mine) && serverSession == mine;
}

}  // namespace

std::wstring SessionPipeName(const std::wstring& base) {
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    return L"\\\\.\\pipe\\" + base + L"." + std::to_wstring(session);
}

bool PipeServer::Start(const std::wstring& name, size_t maxRequest, DWORD ioTimeoutMs, Handler handler) {
    if (thread_.joinable()) return false;
    // One instance, made first by this process: a pipe of the same name made
    // before by anyone else is not taken over.
    pipe_ = ::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
        kPipeBufferBytes, kPipeBufferBytes, 0, nullptr);
    if (pipe_ == INVALID_HANDLE_VALUE) return false;
    stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!stop_) {
        ::CloseHandle(pipe_);
        pipe_ = INVALID_HANDLE_VALUE;
        return false;
    }
    maxRequest_ = maxRequest;
    ioTimeoutMs_ = ioTimeoutMs;
    handler_ = std::move(handler);
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void PipeServer::Stop() {
    if (thread_.joinable()) {
        ::SetEvent(stop_);
        thread_.join();
    }
    if (stop_) ::CloseHandle(stop_);
    stop_ = nullptr;
    if (pipe_ != INVALID_HANDLE_VALUE) ::CloseHandle(pipe_);
    pipe_ = INVALID_HANDLE_VALUE;
}

void PipeServer::Serve() {
    const UniqueHandle done = NewEvent();
    if (!done) return;
    OVERLAPPED io{};
    io.hEvent = done.get();
    while (::WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0) {
        ::ResetEvent(io.hEvent);
        const BOOL started = ::ConnectNamedPipe(pipe_, &io);
        const DWORD error = started ? ERROR_SUCCESS : ::GetLastError();
        bool connected = error == ERROR_PIPE_CONNECTED;
        if (started || error == ERROR_IO_PENDING) {
            HANDLE events[2] = {stop_, io.hEvent};
            DWORD ignored = 0;
            if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
                ::CancelIo(pipe_);
                ::GetOverlappedResult(pipe_, &io, &ignored, TRUE);
                break;
            }
            connected = ::GetOverlappedResult(pipe_, &io, &ignored, FALSE) != FALSE;
        }
        if (connected)
            Answer(io);
        else if (::WaitForSingleObject(stop_, 100) == WAIT_OBJECT_0)  // a failing pipe is not spun on
            break;
        ::DisconnectNamedPipe(pipe_);
    }
}

void PipeServer::Answer(OVERLAPPED& io) {
    std::string request(maxRequest_ + 1, '\0');
    DWORD bytes = 0, error = 0;
    ::ResetEvent(io.hEvent);
    if (!Complete(pipe_, io,
                  ::ReadFile(pipe_, request.data(), static_cast<DWORD>(request.size()), nullptr, &io), stop_,
                  ioTimeoutMs_, bytes, error) ||
        error == ERROR_MORE_DATA || bytes > maxRequest_)
        return;
    request.resize(bytes);
    const std::optional<std::string> reply = handler_(request);
    if (!reply) return;
    ::ResetEvent(io.hEvent);
    if (!Complete(pipe_, io,
                  ::WriteFile(pipe_, reply->data(), static_cast<DWORD>(reply->size()), nullptr, &io), stop_,
                  ioTimeoutMs_, bytes, error) ||
        bytes != reply->size())
        return;
    // Disconnecting throws away what the client has not read yet: its close,
    // which ends this read, says it has all.
    char rest = 0;
    ::ResetEvent(io.hEvent);
    Complete(pipe_, io, ::ReadFile(pipe_, &rest, 1, nullptr, &io), stop_, ioTimeoutMs_, bytes, error);
}

PipeReply CallPipe(const std::wstring& name, const std::string& request, size_t maxReply, DWORD timeoutMs) {
    PipeReply reply;
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    const auto left = [deadline]() -> DWORD {
        const ULONGLONG now = ::GetTickCount64();
        return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    };
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (;;) {
        // Identification only: a server may learn who asks, never act as them.
        pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) break;
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            reply.status = PipeCall::noServer;
            return reply;
        }
        // Busy: another client is being answered.
        const DWORD wait = left();
        if (error != ERROR_PIPE_BUSY || wait == 0) return reply;
        if (!::WaitNamedPipeW(name.c_str(), wait) && ::GetLastError() == ERROR_FILE_NOT_FOUND) {
            reply.status = PipeCall::noServer;
            return reply;
        }
    }
    if (!ServerInThisSession(pipe)) {
        ::CloseHandle(pipe);
        reply.status = PipeCall::noServer;
        return reply;
    }
    const UniqueHandle done = NewEvent();
    OVERLAPPED io{};
    io.hEvent = done.get();
    DWORD mode = PIPE_READMODE_MESSAGE, bytes = 0, error = 0;
    bool whole = done && ::SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr) &&
                 Complete(pipe, io,
                          ::WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), nullptr, &io),
                          nullptr, left(), bytes, error) &&
                 bytes == request.size();
    std::string& got = reply.bytes;
    while (whole) {
        const size_t at = got.size();
        got.resize(at + std::min<size_t>(kPipeBufferBytes, maxReply + 1 - at));
        ::ResetEvent(io.hEvent);
        whole = Complete(pipe, io,
                         ::ReadFile(pipe, got.data() + at, static_cast<DWORD>(got.size() - at), nullptr, &io),
                         nullptr, left(), bytes, error);
        got.resize(at + bytes);
        if (got.size() > maxReply) whole = false;
        if (whole && error == ERROR_SUCCESS) break;
    }
    ::CloseHandle(pipe);
    if (!whole) {
        got.clear();
        return reply;
    }
    reply.status = PipeCall::answered;
    return reply;
}

}  // namespace tarvolo
