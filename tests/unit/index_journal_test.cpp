// The catch-up from the change journal, against records in the byte layout
// Windows writes: the changes replayed, resolved and applied as the live ones
// are must give the rows a walk of the disk gives, and whatever keeps the
// journal from telling everything must ask for a walk.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchRows.h"
#include "bench/FakeJournal.h"
#include <random>
#include "index/Journal.h"
#include "index/LiveUpdate.h"
#include "index/Scan.h"
#include "index/Search.h"

namespace tarvolo {
namespace {

using Result = JournalReplay::Result;
using Kind = DirectoryChange::Kind;
constexpr uint64_t Root = FakeJournal::kRoot;

std::vector<std::string> Paths(const RowStore& rows) {
    std::vector<std::string> out;
    for (size_t i = 0; i < rows.size(); ++i) out.push_back(rows.Path(i));
    return out;
}

// "+a" added, "-a" removed, "~a>b" a rename, "<a" an old name alone, ">b" a new name alone.
std::vector<std::string> Describe(const std::vector<DirectoryChange>& changes) {
    std::vector<std::string> out;
    for (size_t i = 0; i < changes.size(); ++i) {
        const DirectoryChange& c = changes[i];
        if (c.kind == Kind::renamedOldName && i + 1 < changes.size() &&
            changes[i + 1].kind == Kind::renamedNewName) {
            out.push_back("~" + c.path + ">" + changes[++i].path);
            continue;
        }
        const char* sign = c.kind == Kind::added            ? "+"
                           : c.kind == Kind::removed        ? "-"
                           : c.kind == Kind::renamedOldName ? "<"
                                                            : ">";
        out.push_back(sign + c.path);
    }
    return out;
}

// \a\a1, \b, \node_modules\pkg, \keep, with the journal's position saved and
// the rows walked at that moment.
struct Drive {
    FakeJournal journal;
    uint64_t a = 0, a1 = 0, b = 0, modules = 0, pkg = 0;
    std::string position;
    RowStore rows;
    AsciiCaseFolder folder;
    ScanFilter filter;

    Drive() {
        filter.leaveOut =
            std::make_shared<const LeaveOut>(std::vector<std::string>{"node_modules", "cache*"}, folder);
        a = journal.Make(FakeJournal::kRoot, "a");
        a1 = journal.Make(a, "a1");
        b = journal.Make(FakeJournal::kRoot, "b");
        modules = journal.Make(FakeJournal::kRoot, "node_modules");
        pkg = journal.Make(modules, "pkg");
        journal.Make(FakeJournal::kRoot, "keep");
        Save();
    }
    RowStore Walk() {
        struct Quiet : ScanObserver {
            void Progress(uint32_t) override {}
            void Pump() override {}
            bool CancelRequested() override { return false; }
        } quiet;
        return WalkDirectories("C:\\", filter, journal.disk, AsciiCollator(), quiet);
    }
    void Save() {
        rows = Walk();
        position = JournalPositionText({journal.Id(), journal.Next(), FilterSignature(filter)});
    }
    // The replay applied to the rows as a batch of the live index.
    RowStore CatchUp(const JournalReplay& replay) {
        const std::vector<ResolvedChange> resolved =
            ResolveChanges(replay.changes, "C:\\", filter, journal.disk, AsciiCollator());
        BatchOutcome outcome = ApplyBatch(rows, resolved, AsciiCollator());
        return outcome.changed ? std::move(outcome.rows) : rows;
    }
};

TEST(Journal, TheDirectoryRecordsSinceThePositionBringTheRowsToTheDisk) {
    struct Case {
        const char* what;
        std::function<void(Drive&)> closed;  // what happened while the program was closed
        std::vector<std::string> changes;
        bool likeAWalk = true;  // false: the rows keep what the program may not see
    };
    const Case cases[] = {
        {"a folder made, and one in it",
         [](Drive& d) { d.journal.Make(d.journal.Make(Root, "new"), "inner"); },
         {"+new", "+new\\inner"}},
        {"a subtree deleted, the deepest first", [](Drive& d) { d.journal.Delete(d.a); }, {"-a\\a1", "-a"}},
        {"renamed in place", [](Drive& d) { d.journal.Rename(d.a, Root, "renamed"); }, {"~a>renamed"}},
        {"moved to another parent",
         [](Drive& d) { d.journal.Rename(d.a1, d.b, "moved"); },
         {"~a\\a1>b\\moved"}},
        {"renamed to a left-out name leaves with its subtree",
         [](Drive& d) { d.journal.Rename(d.a, Root, "Cache1"); },
         {"<a"}},
        {"moved out of a left-out folder comes in",
         [](Drive& d) { d.journal.Rename(d.pkg, d.b, "pkg"); },
         {">b\\pkg"}},
        {"made in a left-out folder changes nothing", [](Drive& d) { d.journal.Make(d.pkg, "deep"); }, {}},
        {"files are passed over",
         [](Drive& d) {
             d.journal.Delete(d.journal.Make(d.a, "notes.txt", 0x20));
             d.journal.Make(Root, "log.txt", 0x20);
         },
         {}},
        {"made and deleted while closed",
         [](Drive& d) { d.journal.Delete(d.journal.Make(Root, "tmp")); },
         {"+tmp", "-tmp"}},
        {"renamed twice, the second time to another parent",
         [](Drive& d) {
             d.journal.Rename(d.a, Root, "a2");
             d.journal.Rename(d.a, d.b, "a3");
         },
         {"~a>a2", "~a2>b\\a3"}},
        {"a folder made, then its parent renamed",
         [](Drive& d) {
             d.journal.Make(d.a, "c");
             d.journal.Rename(d.a, Root, "z");
         },
         {"+a\\c", "~a>z"}},
        {"a folder made and moved before its parent was deleted",
         [](Drive& d) {
             const uint64_t c = d.journal.Make(d.a1, "c");
             d.journal.Rename(c, d.b, "c");
             d.journal.Delete(d.a);
         },
         {"+a\\a1\\c", "~a\\a1\\c>b\\c", "-a\\a1", "-a"}},
        {"a folder made below one this process may not open is passed over",
         [](Drive& d) {
             d.journal.denied.insert(d.b);
             d.journal.Make(d.b, "hidden from us");
         },
         {},
         false},
        {"nothing changed", [](Drive&) {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Drive d;
        c.closed(d);
        const JournalReplay replay = ReplayJournal(d.journal, d.position, "C:\\", d.filter);
        ASSERT_EQ(replay.result, Result::replayed);
        EXPECT_EQ(Describe(replay.changes), c.changes);
        if (c.likeAWalk) {
            EXPECT_EQ(Paths(d.CatchUp(replay)), Paths(d.Walk()));
        }
        // The next start replays from where this one ended.
        const std::optional<JournalPosition> next = ParseJournalPosition(replay.position);
        ASSERT_TRUE(next.has_value());
        EXPECT_EQ(next->next, d.journal.Next());
        EXPECT_EQ(next->id, d.journal.Id());
    }
}

TEST(Journal, APositionOlderThanTheRowsReplaysTooMuchAndStillGivesTheDisk) {
    // A crash after the index was written and before its position was leaves the older position.
    Drive d;
    const std::string older = d.position;
    d.journal.Make(d.journal.Make(Root, "x"), "y");
    d.journal.Rename(d.a, d.b, "a");
    d.journal.Delete(d.pkg);
    d.journal.Delete(d.journal.Make(Root, "gone"));
    d.Save();
    d.position = older;
    const JournalReplay replay = ReplayJournal(d.journal, d.position, "C:\\", d.filter);
    ASSERT_EQ(replay.result, Result::replayed);
    EXPECT_EQ(Paths(d.CatchUp(replay)), Paths(d.Walk()));
}

TEST(Journal, RandomChangesWhileClosedCatchUpToWhatAWalkGives) {
    // Names not ASCII, deep trees, subtrees removed, renamed in place and moved to the root, files among
    // them.
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        Drive d;
        d.filter = ScanFilter();
        d.journal = FakeJournal();
        d.journal.disk = TreeDisk(bench::GenerateRows(400, seed));
        d.journal.Adopt(d.Walk());
        d.Save();
        std::mt19937 rng(seed);
        uint64_t parent = 0;
        std::string name;
        for (int step = 0; d.journal.Records() < 400; ++step) {
            const uint64_t file = d.journal.adopted[1 + rng() % (d.journal.adopted.size() - 1)];
            if (!d.journal.Directory(file, parent, name)) continue;
            const std::string tag = std::to_string(step);
            switch (rng() % 5) {
                case 0:
                    d.journal.Make(file, "made é" + tag);
                    break;
                case 1:
                    d.journal.Delete(file);
                    break;
                case 2:
                    d.journal.Rename(file, step % 2 ? Root : parent, "renamed " + tag);
                    break;
                default:
                    d.journal.Make(file, "file " + tag, 0x20);
                    break;
            }
        }
        const JournalReplay replay = ReplayJournal(d.journal, d.position, "C:\\", d.filter);
        ASSERT_EQ(replay.result, Result::replayed);
        EXPECT_EQ(Paths(d.CatchUp(replay)), Paths(d.Walk()));
    }
}

TEST(Journal, WhatKeepsTheJournalFromTellingEverythingAsksForAWalk) {
    struct Case {
        const char* what;
        std::function<void(Drive&)> make;
        Result result;
    };
    const Case cases[] = {
        {"no position saved", [](Drive& d) { d.position.clear(); }, Result::noPosition},
        {"a damaged position file: cut short", [](Drive& d) { d.position.resize(d.position.size() - 3); },
         Result::noPosition},
        {"a damaged position file: not a number",
         [](Drive& d) { d.position.replace(d.position.find("next=") + 5, 1, "x"); }, Result::noPosition},
        {"a damaged position file: a line too many", [](Drive& d) { d.position += "more\r\n"; },
         Result::noPosition},
        {"a damaged position file: random bytes",
         [](Drive& d) { d.position = std::string("\x01\xff\r\n", 4); }, Result::noPosition},
        {"rows made under other rules",
         [](Drive& d) { d.filter.leaveOut = std::make_shared<const LeaveOut>(); }, Result::otherFilter},
        {"rows made with hidden folders left out", [](Drive& d) { d.filter.includeHidden = false; },
         Result::otherFilter},
        {"the journal made anew", [](Drive& d) { d.journal.Reset(); }, Result::reset},
        {"a position past the journal's end",
         [](Drive& d) {
             d.position =
                 JournalPositionText({d.journal.Id(), d.journal.Next() + 8, FilterSignature(d.filter)});
         },
         Result::reset},
        {"the position older than the journal's oldest record",
         [](Drive& d) {
             d.journal.Make(Root, "x");
             d.journal.Forget(d.journal.Next());
         },
         Result::wrapped},
        {"records without names",
         [](Drive& d) {
             d.journal.names = false;
             d.journal.Make(Root, "x");
         },
         Result::unreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Drive d;
        c.make(d);
        const JournalReplay replay = ReplayJournal(d.journal, d.position, "C:\\", d.filter);
        EXPECT_EQ(replay.result, c.result);
        EXPECT_TRUE(replay.changes.empty());
        // The walk that follows begins after the journal's end was read: the next start replays from there.
        const std::optional<JournalPosition> next = ParseJournalPosition(replay.position);
        ASSERT_TRUE(next.has_value());
        EXPECT_EQ(next->next, d.journal.Next());
        EXPECT_EQ(next->filter, FilterSignature(d.filter));
    }
    // A drive without a journal (or one this process may not read) leaves nothing to save.
    Drive d;
    d.journal.readable = false;
    const JournalReplay replay = ReplayJournal(d.journal, d.position, "C:\\", d.filter);
    EXPECT_EQ(replay.result, Result::unreadable);
    EXPECT_TRUE(replay.position.empty());
}

TEST(Journal, RecordsAreReadAsWindowsLaysThemOutAndABrokenOneIsNoneToActOn) {
    const JournalRecord record{0x0001000000000123, FakeJournal::kRoot, 0x4000,
                               kJournalFileCreate, kAttrDirectory,     "Ab"};
    const std::string good = FakeJournal::RecordBytes(record);
    auto with = [&](size_t at, uint16_t value) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(value & 0xFF);
        bytes[at + 1] = static_cast<char>(value >> 8);
        return bytes;
    };
    struct Case {
        const char* what;
        std::string bytes;
        bool ok;
        size_t records;
    };
    const Case cases[] = {
        {"two records", good + good, true, 2},
        {"nothing", "", true, 0},
        {"cut inside the fixed part", good.substr(0, 40), false, 0},
        {"a length past the buffer", with(0, 72), false, 0},
        {"a length shorter than the fixed part", with(0, 16), false, 0},
        {"version 3 (128-bit references)", FakeJournal::RecordBytes(record, 3), false, 0},
        {"a name past the record", with(58, 70), false, 0},
        {"an odd name length", with(56, 3), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<JournalRecord> out;
        EXPECT_EQ(ParseJournalRecords(c.bytes, out), c.ok);
        if (c.ok) {
            EXPECT_EQ(out.size(), c.records);
        }
    }
    std::vector<JournalRecord> out;
    ASSERT_TRUE(ParseJournalRecords(good, out));
    EXPECT_EQ(out[0].file, record.file);
    EXPECT_EQ(out[0].parent, record.parent);
    EXPECT_EQ(out[0].usn, record.usn);
    EXPECT_EQ(out[0].reason, record.reason);
    EXPECT_EQ(out[0].name, "Ab");
    // A name outside the basic plane comes as a pair of halves; a half alone becomes U+FFFD.
    std::string pair = with(60, 0xD83D), lone = with(60, 0xDC00);
    pair[62] = static_cast<char>(0x00), pair[63] = static_cast<char>(0xDE);
    out.clear();
    ASSERT_TRUE(ParseJournalRecords(pair + lone, out));
    EXPECT_EQ(out[0].name, "\xF0\x9F\x98\x80");
    EXPECT_EQ(out[1].name,
              "\xEF\xBF\xBD"
              "b");
}

}  // namespace
}  // namespace tarvolo
