// The drive walk over a file system built from the input: names of any bytes
// but a backslash, every attribute combination, directories that vanish
// between being found and being listed, and a cancel at any point; the
// parallel walk against the sequential one.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "index/Scan.h"
#include "index/TreeCodes.h"
#include "tests/fuzz/FuzzSupport.h"

namespace tarvolo::fuzz {
namespace {

struct Entry {
    std::string name;
    uint32_t attributes;
};

class FuzzedDisk : public DirectoryLister {
public:
    std::map<std::string, std::vector<Entry>> dirs;  // "C:\a\b\" -> entries; missing: cannot be listed

    bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
        const auto it = dirs.find(dir);
        if (it == dirs.end()) return false;
        for (const Entry& e : it->second) {
            if (!each(DirEntry{e.name, e.attributes})) break;
        }
        return true;
    }
};

struct FuzzedObserver : ScanObserver {
    int cancelAt = -1;
    int checks = 0;
    void Progress(uint32_t) override {}
    void Pump() override {}
    bool CancelRequested() override { return ++checks == cancelAt || (cancelAt >= 0 && checks > cancelAt); }
};

// Which entries become rows, by the attribute rules as stated: a volume label
// never, hidden or system ones only when included, read-only always.
bool BecomesRow(const Entry& e, const ScanFilter& filter) {
    if (!(e.attributes & kAttrDirectory) || (e.attributes & kAttrVolumeLabel)) return false;
    if (!filter.includeHidden && (e.attributes & kAttrHidden)) return false;
    if (!filter.includeSystem && (e.attributes & kAttrSystem)) return false;
    return !e.name.empty() && e.name != "." && e.name != "..";
}

void ExpectedRows(const FuzzedDisk& disk, const ScanFilter& filter, const std::string& dir,
                  const std::string& row, std::vector<std::string>& out) {
    const auto it = disk.dirs.find(dir);
    if (it == disk.dirs.end()) return;
    for (const Entry& e : it->second) {
        if (!BecomesRow(e, filter)) continue;
        const std::string child = row + "\\" + e.name;
        out.push_back(child);
        if (!(e.attributes & kAttrReparsePoint)) ExpectedRows(disk, filter, dir + e.name + "\\", child, out);
    }
}

std::string Name(FuzzedDataProvider& in) {
    static const char* const kNames[] = {"Windows",
                                         "windows",
                                         "Program Files",
                                         "Program Files (x86)",
                                         "a",
                                         "A",
                                         "b",
                                         "B",
                                         "a b",
                                         "a.b",
                                         ".",
                                         "..",
                                         "",
                                         "Caf\xC3\xA9",
                                         "Caf\xE9",
                                         "\xE6\x97\xA5\xE6\x9C\xAC"};
    if (in.ConsumeBool()) return in.PickValueInArray(kNames);
    std::string name = in.ConsumeRandomLengthString(12);
    // No file system returns a backslash or a NUL in a name.
    std::replace(name.begin(), name.end(), '\\', '_');
    std::replace(name.begin(), name.end(), '\0', '_');
    return name;
}

std::string ShowRows(const RowStore& rows) {
    std::string s;
    for (size_t i = 0; i < rows.size() && i < 40; ++i) s += "\n  " + Show(rows.Path(i));
    return s;
}

std::string_view Parent(std::string_view row) {
    return row.substr(0, row.rfind('\\'));
}

}  // namespace
}  // namespace tarvolo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvolo;
    using namespace tarvolo::fuzz;
    FuzzedDataProvider in(data, size);

    ScanFilter filter;
    filter.includeReadOnly = in.ConsumeBool();
    filter.includeHidden = in.ConsumeBool();
    filter.includeSystem = in.ConsumeBool();
    FuzzedObserver observer;
    if (in.ConsumeBool()) observer.cancelAt = in.ConsumeIntegralInRange(1, 200);

    FuzzedDisk disk;
    disk.dirs["C:\\"] = {};
    std::vector<std::string> listable{"C:\\"};
    const int count = in.ConsumeIntegralInRange(0, 40);
    for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
        const std::string parent = listable[in.ConsumeIntegralInRange<size_t>(0, listable.size() - 1)];
        std::vector<Entry>& entries = disk.dirs[parent];
        Entry e{Name(in), in.ConsumeBool() ? kAttrDirectory | (in.ConsumeIntegral<uint32_t>() & 0x417u)
                                           : in.ConsumeIntegral<uint32_t>()};
        // One entry per name in a directory, as on a disk.
        if (std::any_of(entries.begin(), entries.end(), [&](const Entry& x) { return x.name == e.name; }))
            continue;
        entries.push_back(e);
        const std::string path = parent + e.name + "\\";
        // Some directories vanish before they are listed.
        if ((e.attributes & kAttrDirectory) && !in.ConsumeBool() && !disk.dirs.count(path)) {
            disk.dirs[path] = {{".", kAttrDirectory}, {"..", kAttrDirectory}};
            listable.push_back(path);
        }
    }

    const AsciiCollator collator;
    const RowStore rows = WalkDirectories("C:\\", filter, disk, collator, observer);
    const bool cancelled = observer.cancelAt >= 0 && observer.checks >= observer.cancelAt;

    FUZZ_CHECK(!rows.empty() && rows.Path(0) == "\\", ShowRows(rows));
    std::vector<std::string> expected;
    ExpectedRows(disk, filter, "C:\\", "", expected);
    std::vector<std::string> got;
    for (size_t i = 1; i < rows.size(); ++i) got.emplace_back(rows.Path(i));
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> sortedGot = got;
    std::sort(sortedGot.begin(), sortedGot.end());
    if (cancelled) {
        FUZZ_CHECK(std::includes(expected.begin(), expected.end(), sortedGot.begin(), sortedGot.end()),
                   "cancelled walk made rows the disk does not hold:" + ShowRows(rows));
    } else {
        std::string shown;
        for (const std::string& e : expected) shown += "\n  " + Show(e);
        FUZZ_CHECK(sortedGot == expected, "rows" + ShowRows(rows) + "\nexpected" + shown);
    }

    // Every directory directly followed by its subtree, siblings in collation
    // order (equal keys by bytes).
    std::string keyA, keyB;
    for (size_t i = 1; i < rows.size(); ++i) {
        const int depth = rows.Depth(i);
        FUZZ_CHECK(depth <= rows.Depth(i - 1) + 1, "row " + std::to_string(i) + ShowRows(rows));
        size_t s = i - 1;  // the previous sibling, else the parent
        while (s > 0 && rows.Depth(s) > depth) --s;
        const bool sibling = s > 0 && rows.Depth(s) == depth;
        if (sibling) {
            collator.SortKey(rows.Name(s), keyA);
            collator.SortKey(rows.Name(i), keyB);
            FUZZ_CHECK(Parent(rows.Path(s)) == Parent(rows.Path(i)) &&
                           (keyA < keyB || (keyA == keyB && rows.Name(s) < rows.Name(i))),
                       "row " + std::to_string(i) + " out of order" + ShowRows(rows));
        } else if (depth > 1) {
            FUZZ_CHECK(rows.Path(s) == Parent(rows.Path(i)),
                       "row " + std::to_string(i) + " not under its parent" + ShowRows(rows));
        }
    }

    // The order the walk writes is the one the whole-row sort gives.
    RowStore reversed;
    reversed.Append("\\");
    for (size_t i = rows.size(); i-- > 1;) reversed.Append(rows.Path(i));
    SortRowsComponentwise(reversed, collator);
    FUZZ_CHECK(reversed == rows, "sorted again" + ShowRows(reversed) + "\nwalk" + ShowRows(rows));

    // The parallel walk finds the same rows, byte for byte; after a cancel,
    // some of them.
    {
        const unsigned threads = 1 + (size % 4);
        FuzzedObserver parallelObserver;
        parallelObserver.cancelAt = observer.cancelAt;
        const RowStore parallel =
            WalkDirectoriesParallel("C:\\", filter, disk, collator, parallelObserver, threads);
        FUZZ_CHECK(!parallel.empty() && parallel.Path(0) == "\\", ShowRows(parallel));
        if (parallelObserver.cancelAt < 0) {
            FUZZ_CHECK(parallel == rows, "parallel" + ShowRows(parallel) + "\nwalk" + ShowRows(rows));
        } else {
            std::vector<std::string> some;
            for (size_t i = 1; i < parallel.size(); ++i) some.emplace_back(parallel.Path(i));
            std::sort(some.begin(), some.end());
            FUZZ_CHECK(std::includes(expected.begin(), expected.end(), some.begin(), some.end()),
                       "cancelled parallel walk made rows the disk does not hold:" + ShowRows(parallel));
        }
    }

    // Rows of a walk never jump levels, so their tree codes have only "0" and
    // "1" in the columns.
    TreeCodes codes;
    codes.Build(rows);
    for (size_t i = 1; i < rows.size(); ++i) {
        const std::string code = codes.Code(i);
        FUZZ_CHECK(code.size() == static_cast<size_t>(rows.Depth(i)), Show(code));
        FUZZ_CHECK(code.substr(0, code.size() - 1).find_first_not_of("01") == std::string_view::npos,
                   Show(code));
    }
    return 0;
}
