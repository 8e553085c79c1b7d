#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "adapters/OffscreenDrives.h"
#include "platform/WinText.h"

namespace tarvolo {
namespace {

RowStore MakeRows(std::initializer_list<const char*> rows) {
    RowStore out;
    for (const char* row : rows) out.Append(row);
    return out;
}

ResolvedChange Added(const std::string& row) {
    return ResolvedChange{DirectoryChange::Kind::added, row, {}, true, MakeRows({"\\"})};
}

std::vector<std::string> Kinds(const std::vector<ResolvedChange>& changes) {
    std::vector<std::string> out;
    for (const ResolvedChange& c : changes)
        out.push_back(c.kind == DirectoryChange::Kind::overflow ? "walk" : "add " + c.row);
    return out;
}

// Polls `ready` for up to ten seconds.
bool WaitFor(const std::function<bool()>& ready) {
    const ULONGLONG deadline = ::GetTickCount64() + 10000;
    while (!ready()) {
        if (::GetTickCount64() > deadline) return false;
        ::Sleep(1);
    }
    return true;
}

// One drive's index file in memory. The first write is held at a gate until
// the test opens it, so that the drive is released or the program ends while
// that write is under way.
class Disk {
public:
    enum class Outcome { kWritten, kFails, kThrows };
    Outcome firstOutcome = Outcome::kWritten;
    std::atomic<bool> firstStarted{false};
    std::atomic<bool> gateOpen{false};
    std::atomic<int> loads{0};

    OffscreenDrives::Load Load(RowStore& rows) {
        ++loads;
        const std::lock_guard<std::mutex> hold(lock_);
        rows = file_;
        return OffscreenDrives::Load::loaded;
    }
    bool Save(const RowStore& rows) {
        const bool first = saves_++ == 0;
        if (first) {
            firstStarted = true;
            if (!WaitFor([this] { return gateOpen.load(); })) return false;
            if (firstOutcome == Outcome::kThrows) throw std::bad_alloc();
            if (firstOutcome == Outcome::kFails) return false;
        }
        const std::lock_guard<std::mutex> hold(lock_);
        file_ = rows;
        return true;
    }
    RowStore File() {
        const std::lock_guard<std::mutex> hold(lock_);
        return file_;
    }
    void SetFile(RowStore rows) { file_ = std::move(rows); }

private:
    std::mutex lock_;
    RowStore file_;
    std::atomic<int> saves_{0};
};

class OffscreenDrivesTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
        root_ = Narrow(temp) + "tarvolo-offscreen-" + std::to_string(::GetCurrentProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : root_)
            if (c == '/') c = '-';  // the name of a parameterised test
        ASSERT_TRUE(::CreateDirectoryW(Widen(root_).c_str(), nullptr)) << root_;
        root_ += "\\";
    }
    void TearDown() override { ::RemoveDirectoryW(Widen(root_).c_str()); }
    std::string root_;
};

// The rows of a drive leaving the screen are written on the drive's thread;
// whatever ends the drive's watch while that write is under way (the drive
// chosen again, the program closing) waits for it, and a change taken after
// the rows lands on the file they made, never on the older one.
TEST_F(OffscreenDrivesTest, TheRowsWrittenOffTheWindowAreOnDiskBeforeTheDriveIsReadOrTheProgramEnds) {
    enum class End { kChosenAgain, kClose };
    struct Case {
        const char* name;
        Disk::Outcome outcome;
        End end;
        std::vector<std::string> handedBack;  // by Release
        RowStore file;                        // once the drive is let go
    };
    const RowStore old = MakeRows({"\\", "\\a"});
    const RowStore left = MakeRows({"\\", "\\a", "\\b"});
    const std::vector<Case> cases = {
        {"written, then chosen again", Disk::Outcome::kWritten, End::kChosenAgain, {"add \\later"}, left},
        // The rows' changes are known no more: a walk brings the drive up to date, before what came later.
        {"failed, then chosen again", Disk::Outcome::kFails, End::kChosenAgain, {"walk", "add \\later"}, old},
        {"out of memory, then chosen again",
         Disk::Outcome::kThrows,
         End::kChosenAgain,
         {"walk", "add \\later"},
         old},
        {"written, then closed",
         Disk::Outcome::kWritten,
         End::kClose,
         {},
         MakeRows({"\\", "\\a", "\\b", "\\later"})},
        // A walk is not waited for at the close: the old file stays whole.
        {"failed, then closed", Disk::Outcome::kFails, End::kClose, {}, old},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Disk disk;
        disk.firstOutcome = c.outcome;
        disk.SetFile(old);
        {
            OffscreenDrives drives(
                nullptr, WM_APP,
                [&disk](const std::string&, RowStore& rows, std::string&) { return disk.Load(rows); },
                [&disk](const std::string&, const RowStore& rows, const std::string&) {
                    return disk.Save(rows);
                });
            drives.Watch(root_, ScanFilter());
            drives.WriteRows(root_, left, std::string());
            ASSERT_TRUE(WaitFor([&] { return disk.firstStarted.load(); })) << "the rows' write never started";
            EXPECT_TRUE(drives.Write()) << "a write under way is not looked at again, nor its failure seen";
            drives.Hand(root_, {Added("\\later")});
            // A second write now would read the file the first one is about to replace.
            drives.Write();
            EXPECT_EQ(disk.loads.load(), 0) << "a write of the drive began before the one under way ended";

            std::thread opener([&disk] { disk.gateOpen = true; });
            std::vector<ResolvedChange> handedBack;
            if (c.end == End::kChosenAgain)
                handedBack = drives.Release(root_);
            else
                drives.WriteNow();
            const RowStore file = disk.File();  // before the helper is joined
            opener.join();
            EXPECT_EQ(Kinds(handedBack), c.handedBack);
            EXPECT_TRUE(file == c.file) << "the file has " << file.size() << " rows, not " << c.file.size();
        }
    }
}

}  // namespace
}  // namespace tarvolo
