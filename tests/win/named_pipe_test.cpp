// The session's named pipe: whole requests and replies of any size up to
// their bounds, and every way a call can end without an answer.
#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "platform/NamedPipe.h"

namespace tarvolo {
namespace {

std::wstring TestPipeName(const wchar_t* what) {
    return SessionPipeName(std::wstring(L"Tarvolo.test.") + what + L"." +
                           std::to_wstring(::GetCurrentProcessId()));
}

TEST(NamedPipe, RepliesComeWholeAndEveryFailureIsTold) {
    // The server answers "re:" and the request, or a reply `size` bytes long when asked "big N".
    PipeServer server;
    const std::wstring name = TestPipeName(L"calls");
    ASSERT_TRUE(server.Start(name, 64, 2000, [](const std::string& request) -> std::optional<std::string> {
        if (request == "decline") return std::nullopt;
        if (request.rfind("big ", 0) == 0) return std::string(std::stoul(request.substr(4)), 'x');
        return "re:" + request;
    }));
    struct Case {
        const char* what;
        std::string request;
        size_t maxReply;
        PipeCall status;
        std::string reply;
    } cases[] = {
        {"an answer", "hello", 100, PipeCall::answered, "re:hello"},
        {"a request of the most allowed", std::string(64, 'q'), 100, PipeCall::answered,
         "re:" + std::string(64, 'q')},
        {"a request too long is refused unread", std::string(65, 'q'), 100, PipeCall::noAnswer, ""},
        {"the server declines", "decline", 100, PipeCall::noAnswer, ""},
        {"a reply many pipe buffers long", "big 1000000", 1000000, PipeCall::answered,
         std::string(1000000, 'x')},
        {"a reply one byte over the bound", "big 101", 100, PipeCall::noAnswer, ""},
    };
    for (const Case& c : cases) {
        const PipeReply reply = CallPipe(name, c.request, c.maxReply, 5000);
        EXPECT_EQ(reply.status, c.status) << c.what;
        EXPECT_EQ(reply.bytes, c.reply) << c.what;
    }
    // The server answers on after every kind of failure.
    EXPECT_EQ(CallPipe(name, "again", 100, 5000).bytes, "re:again");

    EXPECT_EQ(CallPipe(TestPipeName(L"nobody"), "hello", 100, 5000).status, PipeCall::noServer);
    // The name is held: a second server (another copy of the program) is refused it.
    PipeServer second;
    EXPECT_FALSE(
        second.Start(name, 64, 2000, [](const std::string&) { return std::optional<std::string>("x"); }));
    server.Stop();
    EXPECT_EQ(CallPipe(name, "hello", 100, 5000).status, PipeCall::noServer) << "the pipe outlived Stop";
}

TEST(NamedPipe, AClientWaitsForTheOneBeforeItAndAHungServerIsNoAnswer) {
    PipeServer server;
    const std::wstring name = TestPipeName(L"busy");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> entered{0};
    ASSERT_TRUE(server.Start(name, 64, 2000, [&](const std::string& request) -> std::optional<std::string> {
        ++entered;
        if (request == "hold") released.wait();
        return "re:" + request;
    }));
    auto first = std::async(std::launch::async, [&] { return CallPipe(name, "hold", 100, 10000); });
    // The first client is being answered before the second one calls.
    for (int i = 0; i < 1000 && entered.load() == 0; ++i) ::Sleep(5);
    ASSERT_EQ(entered.load(), 1) << "the first request never reached the server";
    // The server holds on past this client's time: no answer, and it says so.
    EXPECT_EQ(CallPipe(name, "late", 100, 300).status, PipeCall::noAnswer);
    auto second = std::async(std::launch::async, [&] { return CallPipe(name, "next", 100, 10000); });
    release.set_value();
    EXPECT_EQ(first.get().bytes, "re:hold");
    EXPECT_EQ(second.get().bytes, "re:next") << "the waiting client was not answered after the first";
}

}  // namespace
}  // namespace tarvolo
