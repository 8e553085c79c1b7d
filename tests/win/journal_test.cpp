// The change journal through the system, where there is none to read: Wine
// keeps no journal, and a drive letter may name nothing. Every call must fail
// cleanly there, so that the check at start walks the drive instead.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "adapters/WinJournal.h"

namespace tarvolo {
namespace {

TEST(WinChangeJournal, WithoutAJournalEveryCallFailsAndTheCheckWalks) {
    wchar_t windows[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 2u);
    const std::string system = std::string(1, static_cast<char>(windows[0])) + ":\\";
    for (const std::string& root : {system, std::string("Q:\\")}) {
        SCOPED_TRACE(root);
        WinChangeJournal journal(root);
        ChangeJournal::State state;
        EXPECT_FALSE(journal.Query(state)) << "Wine keeps no change journal";
        std::string bytes;
        EXPECT_FALSE(journal.Read(state.id, 0, bytes));
        uint64_t parent = 0;
        std::string name;
        EXPECT_FALSE(journal.Directory(0x0001000000000123ull, parent, name));

        const std::atomic<bool> cancel{false};
        std::vector<ResolvedChange> changes;
        std::string position = "stale";
        EXPECT_FALSE(ReplayDriveJournal(root, ScanFilter(), "", cancel, changes, position));
        EXPECT_TRUE(changes.empty());
        EXPECT_TRUE(position.empty()) << "no journal, no position to save beside the index";
    }
}

}  // namespace
}  // namespace tarvolo
