#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "delivery/core/ForeignText.h"
#include "delivery/core/SendToDialog.h"

namespace tarvolo {
namespace {

// A process scripted by its answers, recording what was done to it.
class FakeProcess : public ForeignProcess {
public:
    std::deque<uint32_t> ids;  // WindowProcessId's answers in turn; the last one repeats
    uint32_t openError = 0;    // non-zero: Open fails with it
    uint32_t allocError = 0;
    uint32_t writeError = 0;
    bool sendTaken = true;
    uint32_t sendError = 0;
    std::vector<std::string> done;

    uint32_t WindowProcessId(WindowHandle) override {
        const uint32_t id = ids.front();
        if (ids.size() > 1) ids.pop_front();
        return id;
    }
    bool Open(uint32_t id) override {
        done.push_back("open " + std::to_string(id));
        error_ = openError;
        return openError == 0;
    }
    uintptr_t Allocate(size_t bytes) override {
        done.push_back("allocate " + std::to_string(bytes));
        error_ = allocError;
        return allocError == 0 ? 0x1000 : 0;
    }
    bool Write(uintptr_t, std::string_view bytes) override {
        done.push_back("write " + std::string(bytes));
        error_ = writeError;
        return writeError == 0;
    }
    void Free(uintptr_t) override { done.push_back("free"); }
    void Close() override { done.push_back("close"); }
    bool Send(WindowHandle, uintptr_t) override {
        done.push_back("send");
        error_ = sendTaken ? 0 : sendError;
        return sendTaken;
    }
    uint32_t LastError() const override { return error_; }

private:
    uint32_t error_ = 0;
};

TEST(SendForeignText, WritesOnlyIntoTheWindowsOwnProcessAndFreesWhatNoOneWillRead) {
    struct Case {
        const char* name;
        std::deque<uint32_t> ids;
        uint32_t openError, allocError, writeError;
        bool sendTaken;
        uint32_t sendError;
        bool sent;
        uint32_t error;
        std::vector<std::string> done;
    };
    const std::vector<std::string> whole{"open 7", "allocate 4", "write path", "send", "free", "close"};
    const Case cases[] = {
        {"taken", {7}, 0, 0, 0, true, 0, true, 0, whole},
        {"the window gone before anything", {0}, 0, 0, 0, true, 0, false, kErrorInvalidWindow, {}},
        {"a program with higher rights",
         {7},
         kErrorAccessDenied,
         0,
         0,
         true,
         0,
         false,
         kErrorAccessDenied,
         {"open 7"}},
        // The program ended between the read and the open, and its id went to
        // another process: nothing may be written there.
        {"the id names another process once opened",
         {7, 9},
         0,
         0,
         0,
         true,
         0,
         false,
         kErrorInvalidWindow,
         {"open 7", "close"}},
        {"the window gone once its process was opened",
         {7, 0},
         0,
         0,
         0,
         true,
         0,
         false,
         kErrorInvalidWindow,
         {"open 7", "close"}},
        {"no memory to be had", {7}, 0, 8, 0, true, 0, false, 8, {"open 7", "allocate 4", "close"}},
        {"the write refused",
         {7},
         0,
         0,
         299,
         true,
         0,
         false,
         299,
         {"open 7", "allocate 4", "write path", "free", "close"}},
        // A late reader may still come: the text stays.
        {"no answer in time from a living window",
         {7},
         0,
         0,
         0,
         false,
         kErrorTimeout,
         false,
         kErrorTimeout,
         {"open 7", "allocate 4", "write path", "send", "close"}},
        {"no answer from a window already counted hung",
         {7},
         0,
         0,
         0,
         false,
         0,
         false,
         0,
         {"open 7", "allocate 4", "write path", "send", "close"}},
        // No one is left to read it.
        {"the window went away during the send",
         {7, 7, 0},
         0,
         0,
         0,
         false,
         kErrorInvalidWindow,
         false,
         kErrorInvalidWindow,
         whole},
        {"no answer in time, and the window gone since",
         {7, 7, 0},
         0,
         0,
         0,
         false,
         kErrorTimeout,
         false,
         kErrorTimeout,
         whole},
        {"a send refused outright",
         {7},
         0,
         0,
         0,
         false,
         kErrorAccessDenied,
         false,
         kErrorAccessDenied,
         whole},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeProcess process;
        process.ids = c.ids;
        process.openError = c.openError;
        process.allocError = c.allocError;
        process.writeError = c.writeError;
        process.sendTaken = c.sendTaken;
        process.sendError = c.sendError;
        uint32_t error = 12345;
        EXPECT_EQ(SendForeignText(process, 42, "path", error), c.sent);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(process.done, c.done);
    }
}

}  // namespace
}  // namespace tarvolo
