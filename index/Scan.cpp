#include "index/Scan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <utility>
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

// The tree as found: node 0 is the root, nodes are appended in walk order, the
// children of one directory consecutively, so the nodes vector doubles as the
// breadth-first queue.
struct Node {
    uint32_t parent;
    uint32_t depth;
    size_t firstChild;
    size_t childCount;
    bool enter;
};

struct Tree {
    std::vector<Node> nodes{{0, 0, 0, 0, true}};
    Strings names;
    Strings keys;  // filled by the parallel walk as it goes, by the sequential one at the end

    Tree() { names.Add(""); }

    // "C:\a\b\" for node b: the root, then the names up the parent chain.
    void PathOf(const std::string& rootPath, size_t node, std::vector<uint32_t>& chain,
                std::string& dir) const {
        chain.clear();
        for (uint32_t n = static_cast<uint32_t>(node); n != 0; n = nodes[n].parent) chain.push_back(n);
        dir = rootPath;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            dir.append(names[*it]);
            dir.push_back('\\');
        }
    }
};

bool BecomesRow(const DirEntry& entry, uint32_t mask) {
    return PassesAttributeMask(entry.attributes, mask) && (entry.attributes & kAttrDirectory) &&
           !entry.name.empty() && !IsDotEntry(entry.name);
}

// Each directory's children sorted among themselves, the tree written out
// depth first: "\" and then one row per directory.
RowStore EmitRows(const Tree& tree) {
    const std::vector<Node>& nodes = tree.nodes;
    const Strings& names = tree.names;
    const Strings& keys = tree.keys;
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
    rows.Reserve(nodes.size(), names.bytes.size() + nodes.size());
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

namespace {

// True when no directory from `head` on still waits to be listed.
bool NothingLeftToList(const std::vector<Node>& nodes, size_t head) {
    for (size_t i = head; i < nodes.size(); ++i)
        if (nodes[i].enter) return false;
    return true;
}

RowStore RootAlone() {
    RowStore rows;
    rows.Append("\\");
    return rows;
}

// After the walk, with the nodes whose listing failed: false when the walk
// found nothing of the drive. A failed root is a drive that is locked or gone,
// not an empty one; and when folders below it failed, the root is listed once
// more, since a drive pulled during the walk fails every listing from then on
// and would look like a drive whose folders are all empty. Otherwise each
// failed folder is told to the observer as its row.
bool ReportUnlisted(const Tree& tree, const std::string& rootPath, std::vector<uint32_t> failed,
                    DirectoryLister& lister, ScanObserver& observer) {
    if (failed.empty()) return true;
    std::sort(failed.begin(), failed.end());
    if (failed.front() == 0 || !lister.List(rootPath, [](const DirEntry&) { return false; })) {
        observer.RootUnlisted();
        return false;
    }
    std::vector<uint32_t> chain;
    std::string row;
    for (const uint32_t node : failed) {
        chain.clear();
        for (uint32_t n = node; n != 0; n = tree.nodes[n].parent) chain.push_back(n);
        row.clear();
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            row.push_back('\\');
            row.append(tree.names[*it]);
        }
        observer.Unlisted(row);
    }
    return true;
}

}  // namespace

RowStore WalkDirectories(const std::string& rootPath, const ScanFilter& filter, DirectoryLister& lister,
                         const Collator& collator, ScanObserver& observer) {
    Tree tree;
    std::vector<Node>& nodes = tree.nodes;

    Pacer pacer(observer);
    pacer.Report(0);
    uint32_t dirCount = 0;
    bool cancelled = false;
    bool listingCut = false;
    std::vector<uint32_t> failed;
    std::string dir;
    std::vector<uint32_t> chain;

    size_t head = 0;
    for (; head < nodes.size() && !cancelled; ++head) {
        if (!nodes[head].enter) continue;
        tree.PathOf(rootPath, head, chain, dir);
        const uint32_t mask = ScanAttributeMask(filter);
        const size_t firstChild = nodes.size();
        uint32_t sinceClock = 0;
        const bool listed = lister.List(dir, [&](const DirEntry& entry) {
            if (BecomesRow(entry, mask) && !filter.LeavesOut(dir, entry.name)) {
                ++dirCount;
                const bool enter = (entry.attributes & kAttrReparsePoint) == 0;
                nodes.push_back({static_cast<uint32_t>(head), nodes[head].depth + 1, 0, 0, enter});
                tree.names.Add(entry.name);
            }
            if (++sinceClock == kEntriesPerClockCheck) {
                sinceClock = 0;
                pacer.Tick(dirCount);
            }
            if (observer.CancelRequested()) {
                cancelled = listingCut = true;
                return false;
            }
            return true;
        });
        if (!listed) failed.push_back(static_cast<uint32_t>(head));
        nodes[head].firstChild = firstChild;
        nodes[head].childCount = nodes.size() - firstChild;
        pacer.Tick(dirCount);
        if (observer.CancelRequested()) cancelled = true;
    }
    if (!ReportUnlisted(tree, rootPath, failed, lister, observer)) {
        observer.Progress(0);
        observer.Ended(!listingCut && NothingLeftToList(nodes, head));
        return RootAlone();
    }
    observer.Progress(dirCount);
    observer.Ended(!listingCut && NothingLeftToList(nodes, head));

    std::string key;
    tree.keys.bytes.reserve(tree.names.bytes.size() * 2);
    tree.keys.ends.reserve(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        collator.SortKey(tree.names[i], key);
        tree.keys.Add(key);
    }
    return EmitRows(tree);
}

namespace {

// The state the workers share. Workers take the next directory to list from
// the nodes vector (the queue), list it without the lock, then append its
// children, with their keys, as one block under the lock.
class ParallelWalk {
public:
    ParallelWalk(const std::string& rootPath, DirectoryLister& lister, const Collator& collator,
                 uint32_t mask, std::shared_ptr<const LeaveOut> leaveOut)
        : rootPath_(rootPath),
          lister_(lister),
          collator_(collator),
          leaveOut_(std::move(leaveOut)),
          mask_(mask) {
        std::string key;
        collator_.SortKey("", key);
        tree_.keys.Add(key);
    }

    void Work() {
        try {
            WorkLoop();
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!error_) error_ = std::current_exception();
            stop_.store(true);
            work_.notify_all();
            done_.notify_all();
        }
    }

    // Waits at most `wait` for the walk to end; true when it has.
    bool WaitDone(std::chrono::milliseconds wait) {
        std::unique_lock<std::mutex> lock(mutex_);
        return done_.wait_for(lock, wait, [&] { return Finished(); });
    }
    void Stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_.store(true);
        work_.notify_all();
        done_.notify_all();
    }
    void SetMask(uint32_t mask) { mask_.store(mask, std::memory_order_relaxed); }
    // After the workers ended: every directory was listed to its end.
    bool Complete() {
        std::lock_guard<std::mutex> lock(mutex_);
        return !cut_ && busy_ == 0 && NothingLeftToList(tree_.nodes, head_);
    }
    uint32_t Count() const { return count_.load(std::memory_order_relaxed); }
    std::exception_ptr Error() const { return error_; }
    Tree& Result() { return tree_; }
    // After the workers ended: the nodes whose listing failed.
    const std::vector<uint32_t>& Failed() const { return failed_; }

private:
    // Children of one directory, gathered without the lock.
    struct Batch {
        Strings names;
        Strings keys;
        std::vector<bool> enter;
        void Clear() {
            names.bytes.clear();
            names.ends.clear();
            keys.bytes.clear();
            keys.ends.clear();
            enter.clear();
        }
    };

    bool Finished() const { return stop_.load() || (head_ == tree_.nodes.size() && busy_ == 0); }

    void WorkLoop() {
        std::string dir, key;
        std::vector<uint32_t> chain;
        Batch batch;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            work_.wait(lock, [&] { return Finished() || head_ < tree_.nodes.size(); });
            if (stop_.load()) return;
            while (head_ < tree_.nodes.size() && !tree_.nodes[head_].enter) ++head_;
            if (head_ == tree_.nodes.size()) {
                if (busy_ == 0) {
                    work_.notify_all();
                    done_.notify_all();
                    return;
                }
                continue;
            }
            const size_t node = head_++;
            ++busy_;
            tree_.PathOf(rootPath_, node, chain, dir);
            lock.unlock();

            batch.Clear();
            bool cutHere = false;
            const uint32_t mask = mask_.load(std::memory_order_relaxed);
            uint32_t uncounted = 0;
            const bool listed = lister_.List(dir, [&](const DirEntry& entry) {
                if (BecomesRow(entry, mask) && !(leaveOut_ && leaveOut_->LeavesOut(dir, entry.name))) {
                    batch.names.Add(entry.name);
                    collator_.SortKey(entry.name, key);
                    batch.keys.Add(key);
                    batch.enter.push_back((entry.attributes & kAttrReparsePoint) == 0);
                    if (++uncounted == kEntriesPerClockCheck) {
                        count_.fetch_add(uncounted, std::memory_order_relaxed);
                        uncounted = 0;
                    }
                }
                if (!stop_.load(std::memory_order_relaxed)) return true;
                cutHere = true;
                return false;
            });
            count_.fetch_add(uncounted, std::memory_order_relaxed);

            lock.lock();
            cut_ = cut_ || cutHere;
            if (!listed) failed_.push_back(static_cast<uint32_t>(node));
            std::vector<Node>& nodes = tree_.nodes;
            const size_t firstChild = nodes.size();
            const uint32_t depth = nodes[node].depth + 1;
            for (size_t i = 0; i < batch.enter.size(); ++i) {
                nodes.push_back({static_cast<uint32_t>(node), depth, 0, 0, batch.enter[i]});
                tree_.names.Add(batch.names[i]);
                tree_.keys.Add(batch.keys[i]);
            }
            nodes[node].firstChild = firstChild;
            nodes[node].childCount = batch.enter.size();
            --busy_;
            // Waiters are woken only when there is something for them: new
            // directories for the workers, the end for the calling thread.
            if (Finished()) {
                work_.notify_all();
                done_.notify_all();
            } else if (!batch.enter.empty()) {
                work_.notify_all();
            }
        }
    }

    const std::string& rootPath_;
    DirectoryLister& lister_;
    const Collator& collator_;
    const std::shared_ptr<const LeaveOut> leaveOut_;  // read by every worker, changed by none
    std::atomic<uint32_t> mask_;
    std::atomic<uint32_t> count_{0};
    std::atomic<bool> stop_{false};

    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    Tree tree_;                     // under mutex_
    size_t head_ = 0;               // next node to list, under mutex_
    unsigned busy_ = 0;             // workers listing a directory, under mutex_
    bool cut_ = false;              // a listing was stopped before its end, under mutex_
    std::vector<uint32_t> failed_;  // nodes whose listing failed, under mutex_
    std::exception_ptr error_;
};

}  // namespace

RowStore WalkDirectoriesParallel(const std::string& rootPath, const ScanFilter& filter,
                                 DirectoryLister& lister, const Collator& collator, ScanObserver& observer,
                                 unsigned threads) {
    observer.Progress(0);
    observer.Pump();
    ParallelWalk walk(rootPath, lister, collator, ScanAttributeMask(filter), filter.leaveOut);
    std::vector<std::thread> workers;
    try {
        for (unsigned i = 0; i < std::max(threads, 1u); ++i) workers.emplace_back([&walk] { walk.Work(); });
    } catch (const std::system_error&) {
        // Fewer threads than asked for only make the walk slower.
        if (workers.empty()) walk.Work();
    }
    // However this ends, no worker outlives the walk it points into.
    struct Join {
        ParallelWalk& walk;
        std::vector<std::thread>& workers;
        ~Join() {
            walk.Stop();
            for (std::thread& t : workers) t.join();
        }
    };
    {
        Join join{walk, workers};
        while (!walk.WaitDone(kPumpInterval)) {
            observer.Progress(walk.Count());
            observer.Pump();
            walk.SetMask(ScanAttributeMask(filter));
            if (observer.CancelRequested()) walk.Stop();
        }
    }
    if (walk.Error()) std::rethrow_exception(walk.Error());
    if (!ReportUnlisted(walk.Result(), rootPath, walk.Failed(), lister, observer)) {
        observer.Progress(0);
        observer.Ended(walk.Complete());
        return RootAlone();
    }
    observer.Progress(walk.Count());
    observer.Ended(walk.Complete());
    return EmitRows(walk.Result());
}

unsigned ScanThreadCount() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

size_t KeepKnownBelow(RowStore& walked, const RowStore& known, const std::vector<std::string>& unlisted,
                      const Collator& collator) {
    if (unlisted.empty() || known.empty()) return 0;
    const std::unordered_set<std::string_view> folders(unlisted.begin(), unlisted.end());
    // In tree order a directory's subtree is the run of deeper rows after it.
    std::vector<std::pair<size_t, size_t>> runs;
    size_t skipTo = 0;
    known.ForEachPath(0, known.size(), [&](size_t i, std::string_view path) {
        if (i < skipTo || !folders.count(path)) return true;
        size_t end = i + 1;
        while (end < known.size() && known.Level(end) > known.Level(i)) ++end;
        if (end > i + 1) runs.emplace_back(i + 1, end);
        skipTo = end;
        return true;
    });
    size_t added = 0;
    for (const auto& [begin, end] : runs) {
        known.ForEachPath(begin, end, [&](size_t, std::string_view path) {
            walked.Append(path);
            return true;
        });
        added += end - begin;
    }
    if (added) SortRowsComponentwise(walked, collator);
    return added;
}

void SortRowsComponentwise(RowStore& rows, const Collator& collator) {
    const size_t n = rows.size();
    // The paths, spelled out once into one buffer: the parts below point into it.
    std::string text;
    std::vector<size_t> pathEnd(n);
    rows.ForEachPath(0, n, [&](size_t i, std::string_view path) {
        text.append(path.data(), path.size());
        pathEnd[i] = text.size();
        return true;
    });
    auto pathOf = [&](size_t i) {
        const size_t begin = i ? pathEnd[i - 1] : 0;
        return std::string_view(text).substr(begin, pathEnd[i] - begin);
    };
    // Components of every row with their keys, and per row its first component.
    Strings keys;
    std::vector<std::string_view> parts;
    std::vector<size_t> firstPart(n + 1);
    std::string key;
    for (size_t i = 0; i < n; ++i) {
        firstPart[i] = parts.size();
        std::string_view row = pathOf(i);
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
        return pathOf(a) < pathOf(b);
    });

    RowStore sorted;
    sorted.Reserve(n, rows.TextBytes());
    for (const size_t i : order) sorted.Append(pathOf(i));
    sorted.ShrinkToFit();
    rows = std::move(sorted);
}

}  // namespace tarvolo
