#include "index/Scan.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <vector>

namespace tarvolo {

namespace {

using Clock = std::chrono::steady_clock;

// Short enough that Cancel, the count and the animation look live, long
// enough that message processing does not slow the walk down.
constexpr auto kPumpInterval = std::chrono::milliseconds(15);
// Inside a directory the clock is read only every so many entries.
constexpr uint32_t kEntriesPerClockCheck = 64;

bool IsDotEntry(std::string_view name) {
    return name == "." || name == "..";
}

// Concatenated byte strings with an end offset each: names, keys.
struct Strings {
    std::string bytes;
    std::vector<size_t> ends;

    std::string_view operator[](size_t i) const {
        const size_t begin = i ? ends[i - 1] : 0;
        return std::string_view(bytes.data() + begin, ends[i] - begin);
    }
    void Add(std::string_view s) {
        bytes.append(s.data(), s.size());
        ends.push_back(bytes.size());
    }
};

int CompareComponent(std::string_view keyA, std::string_view nameA, std::string_view keyB,
                     std::string_view nameB) {
    if (const int c = keyA.compare(keyB)) return c;
    return nameA.compare(nameB);
}

class Pacer {
public:
    explicit Pacer(ScanObserver& observer) : observer_(observer) {}

    void Tick(uint32_t dirCount) {
        const Clock::time_point now = Clock::now();
        if (now < next_) return;
        Report(dirCount);
        next_ = Clock::now() + kPumpInterval;
    }
    void Report(uint32_t dirCount) {
        observer_.Progress(dirCount);
        observer_.Pump();
    }

private:
    ScanObserver& observer_;
    Clock::time_point next_ = Clock::now() + kPumpInterval;
};

}  // namespace

void AsciiCollator::SortKey(std::string_view utf8Name, std::string& out) const {
    out.assign(utf8Name.data(), utf8Name.size());
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    }
}

uint32_t ScanAttributeMask(const ScanFilter& filter) {
    return kAttrDirectory | (filter.includeReadOnly ? kAttrReadOnly : 0) |
           (filter.includeHidden ? kAttrHidden : 0) | (filter.includeSystem ? kAttrSystem : 0);
}

bool PassesAttributeMask(uint32_t attributes, uint32_t mask) {
    const uint32_t excluded = ~mask & (kAttrHidden | kAttrSystem | kAttrVolumeLabel | kAttrDirectory);
    return (attributes & excluded) == 0;
}

RowStore WalkDirectories(const std::string& rootPath, const ScanFilter& filter, DirectoryLister& lister,
                         const Collator& collator, ScanObserver& observer) {
    // The tree as found: node 0 is the root, nodes are appended in walk order,
    // so the children of one directory are consecutive and the nodes vector
    // doubles as the breadth-first queue.
    struct Node {
        uint32_t parent;
        uint32_t depth;
        size_t firstChild;
        size_t childCount;
        bool enter;
    };
    std::vector<Node> nodes{{0, 0, 0, 0, true}};
    Strings names;
    names.Add("");

    Pacer pacer(observer);
    pacer.Report(0);
    uint32_t dirCount = 0;
    bool cancelled = false;
    std::string dir;
    std::vector<uint32_t> chain;

    for (size_t head = 0; head < nodes.size() && !cancelled; ++head) {
        if (!nodes[head].enter) continue;
        // Full path of the head: the root, then the names up the parent chain.
        chain.clear();
        for (uint32_t n = static_cast<uint32_t>(head); n != 0; n = nodes[n].parent) chain.push_back(n);
        dir = rootPath;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            dir.append(names[*it]);
            dir.push_back('\\');
        }

        const uint32_t mask = ScanAttributeMask(filter);
        const size_t firstChild = nodes.size();
        uint32_t sinceClock = 0;
        lister.List(dir, [&](const DirEntry& entry) {
            if (PassesAttributeMask(entry.attributes, mask) && (entry.attributes & kAttrDirectory) &&
                !entry.name.empty() && !IsDotEntry(entry.name)) {
                ++dirCount;
                const bool enter = (entry.attributes & kAttrReparsePoint) == 0;
                nodes.push_back({static_cast<uint32_t>(head), nodes[head].depth + 1, 0, 0, enter});
                names.Add(entry.name);
            }
            if (++sinceClock == kEntriesPerClockCheck) {
                sinceClock = 0;
                pacer.Tick(dirCount);
            }
            if (observer.CancelRequested()) {
                cancelled = true;
                return false;
            }
            return true;
        });
        nodes[head].firstChild = firstChild;
        nodes[head].childCount = nodes.size() - firstChild;
        pacer.Tick(dirCount);
        if (observer.CancelRequested()) cancelled = true;
    }
    observer.Progress(dirCount);

    // One key per directory, then each directory's children are sorted among
    // themselves and the tree is written out depth first.
    Strings keys;
    std::string key;
    keys.bytes.reserve(names.bytes.size() * 2);
    keys.ends.reserve(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        collator.SortKey(names[i], key);
        keys.Add(key);
    }
    std::vector<uint32_t> order(nodes.size());
    std::iota(order.begin(), order.end(), 0u);
    for (const Node& node : nodes) {
        if (node.childCount < 2) continue;
        auto first = order.begin() + static_cast<std::ptrdiff_t>(node.firstChild);
        std::sort(first, first + static_cast<std::ptrdiff_t>(node.childCount), [&](uint32_t a, uint32_t b) {
            return CompareComponent(keys[a], names[a], keys[b], names[b]) < 0;
        });
    }

    RowStore rows;
    rows.Reserve(nodes.size(), names.bytes.size() + nodes.size() * 16);
    rows.Append("\\");
    std::string path;
    std::vector<size_t> pathLen;  // length of the path at each depth
    std::vector<uint32_t> stack;
    auto pushChildren = [&](uint32_t n) {
        const Node& node = nodes[n];
        for (size_t k = node.childCount; k-- > 0;) stack.push_back(order[node.firstChild + k]);
    };
    pushChildren(0);
    while (!stack.empty()) {
        const uint32_t n = stack.back();
        stack.pop_back();
        const uint32_t depth = nodes[n].depth;
        pathLen.resize(depth);
        path.resize(depth > 1 ? pathLen[depth - 2] : 0);
        path.push_back('\\');
        path.append(names[n]);
        pathLen[depth - 1] = path.size();
        rows.Append(path);
        pushChildren(n);
    }
    return rows;
}

void SortRowsComponentwise(RowStore& rows, const Collator& collator) {
    const size_t n = rows.size();
    // Components of every row with their keys, and per row its first component.
    Strings keys;
    std::vector<std::string_view> parts;
    std::vector<size_t> firstPart(n + 1);
    std::string key;
    for (size_t i = 0; i < n; ++i) {
        firstPart[i] = parts.size();
        std::string_view row = rows.Row(i);
        if (!row.empty() && row.front() == '\\') row.remove_prefix(1);
        if (row.empty()) continue;
        for (;;) {
            const size_t slash = row.find('\\');
            const std::string_view part = row.substr(0, slash);
            parts.push_back(part);
            collator.SortKey(part, key);
            keys.Add(key);
            if (slash == std::string_view::npos) break;
            row.remove_prefix(slash + 1);
        }
    }
    firstPart[n] = parts.size();

    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const size_t countA = firstPart[a + 1] - firstPart[a];
        const size_t countB = firstPart[b + 1] - firstPart[b];
        for (size_t k = 0; k < countA && k < countB; ++k) {
            const size_t pa = firstPart[a] + k;
            const size_t pb = firstPart[b] + k;
            if (const int c = CompareComponent(keys[pa], parts[pa], keys[pb], parts[pb])) return c < 0;
        }
        if (countA != countB) return countA < countB;
        return rows.Row(a) < rows.Row(b);
    });

    RowStore sorted;
    sorted.Reserve(n, rows.TextBytes());
    for (const size_t i : order) sorted.Append(rows.Row(i));
    rows = std::move(sorted);
}

}  // namespace tarvolo
