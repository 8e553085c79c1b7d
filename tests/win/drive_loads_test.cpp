#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "adapters/DriveLoads.h"
#include "adapters/WinLocale.h"

namespace tarvolo {
namespace {

bool WaitFor(const std::function<bool()>& ready) {
    const ULONGLONG deadline = ::GetTickCount64() + 10000;
    while (!ready()) {
        if (::GetTickCount64() > deadline) return false;
        ::Sleep(1);
    }
    return true;
}

// Index files in memory; a drive's read can be held at a gate.
struct Files {
    std::mutex lock;
    std::map<std::string, std::vector<std::string>> rows;  // none: no index
    std::map<std::string, int> reads;
    std::atomic<bool> gateOpen{true};

    bool Read(const std::string& root, RowStore& out) {
        if (!WaitFor([this] { return gateOpen.load(); })) return false;
        const std::lock_guard<std::mutex> hold(lock);
        ++reads[root];
        const auto it = rows.find(root);
        if (it == rows.end()) return false;
        for (const std::string& row : it->second) out.Append(row);
        return true;
    }
};

std::vector<DriveLoads::Loaded> TakeAll(DriveLoads& loads, size_t count) {
    std::vector<DriveLoads::Loaded> all;
    WaitFor([&] {
        for (DriveLoads::Loaded& l : loads.Take()) all.push_back(std::move(l));
        return all.size() >= count && loads.Pending().empty();
    });
    return all;
}

// What the model is given for each drive read in the background: its rows with
// their folded names, only the newest read of a drive, nothing for a drive
// forgotten, and a failure for a drive without an index.
TEST(DriveLoads, EachDriveComesOnceWithItsNamesFoldedAndTheNewestReadWins) {
    Files files;
    files.rows["D:\\"] = {"\\", "\\Alpha", "\\Beta"};
    files.rows["E:\\"] = {"\\", "\\Gamma"};
    DriveLoads loads(nullptr, 0,
                     [&](const std::string& root, RowStore& rows) { return files.Read(root, rows); });

    files.gateOpen = false;
    loads.Load("D:\\");
    loads.Load("E:\\");
    loads.Load("F:\\");  // no index
    loads.Load("G:\\");
    EXPECT_EQ(loads.Pending(), (std::vector<std::string>{"D:\\", "E:\\", "F:\\", "G:\\"}));
    loads.Forget("G:\\");
    // The file changed while it was read: the read begun after it is the one kept.
    {
        const std::lock_guard<std::mutex> hold(files.lock);
        files.rows["D:\\"].push_back("\\Delta");
    }
    loads.Load("D:\\");
    files.gateOpen = true;

    std::vector<DriveLoads::Loaded> all = TakeAll(loads, 3);
    ASSERT_EQ(all.size(), 3u);
    std::map<std::string, DriveLoads::Loaded*> byRoot;
    for (DriveLoads::Loaded& l : all) {
        EXPECT_FALSE(byRoot.count(l.root)) << l.root << " came twice";
        byRoot[l.root] = &l;
    }
    ASSERT_TRUE(byRoot.count("D:\\") && byRoot.count("E:\\") && byRoot.count("F:\\"));
    // Forgotten, it is no longer waited for above: its read may still be under way.
    EXPECT_TRUE(WaitFor([&] {
        const std::lock_guard<std::mutex> hold(files.lock);
        return files.reads["G:\\"] == 1;
    })) << "a forgotten read still runs to its end";

    const DriveLoads::Loaded& d = *byRoot["D:\\"];
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.rows.size(), 4u);
    EXPECT_EQ(d.rows.Path(3), "\\Delta");
    const WinCaseFolder folder;
    ASSERT_EQ(d.search.size(), d.rows.size());
    EXPECT_EQ(d.search.FindFrom(0, "del", folder), 3);
    EXPECT_TRUE(byRoot["E:\\"]->ok);
    EXPECT_EQ(byRoot["E:\\"]->search.FindFrom(0, "GAM", folder), 1);
    EXPECT_FALSE(byRoot["F:\\"]->ok);
    EXPECT_TRUE(byRoot["F:\\"]->rows.empty());
}

// A write of the drive's file under way is waited for: the read gets the rows it writes.
TEST(DriveLoads, AReadWaitsForTheWriteOfItsFile) {
    Files files;
    files.rows["D:\\"] = {"\\"};
    DriveLoads loads(nullptr, 0,
                     [&](const std::string& root, RowStore& rows) { return files.Read(root, rows); });
    std::promise<void> written;
    loads.Load("D:\\", written.get_future().share());
    ::Sleep(50);
    EXPECT_TRUE(loads.Take().empty()) << "the read did not wait for the write";
    {
        const std::lock_guard<std::mutex> hold(files.lock);
        EXPECT_EQ(files.reads["D:\\"], 0);
        files.rows["D:\\"].push_back("\\Written");
    }
    written.set_value();
    std::vector<DriveLoads::Loaded> all = TakeAll(loads, 1);
    ASSERT_EQ(all.size(), 1u);
    ASSERT_TRUE(all[0].ok);
    EXPECT_EQ(all[0].rows.size(), 2u);
}

}  // namespace
}  // namespace tarvolo
