// The drive scan: a breadth-first walk that lists every directory below a
// root, over narrow interfaces so that it runs against a fake file system in
// tests and against FindFirstFileExW in the program.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "index/LeaveOut.h"
#include "index/Rows.h"

namespace tarvolo {

// Attribute bits as the file system reports them.
inline constexpr uint32_t kAttrReadOnly = 0x1;
inline constexpr uint32_t kAttrHidden = 0x2;
inline constexpr uint32_t kAttrSystem = 0x4;
inline constexpr uint32_t kAttrVolumeLabel = 0x8;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrReparsePoint = 0x400;

struct DirEntry {
    std::string_view name;  // valid only during the callback
    uint32_t attributes;
};

struct DirectoryLister {
    virtual ~DirectoryLister() = default;
    // Calls `each` for every entry of `dirWithTrailingBackslash` ("C:\Windows\"),
    // "." and ".." included, until `each` returns false. Returns false when the
    // listing cannot be started (access denied, gone); an empty directory is
    // listed, with no entry. The parallel walk
    // calls it from several threads at once, each call with its own `each`.
    virtual bool List(const std::string& dirWithTrailingBackslash,
                      const std::function<bool(const DirEntry&)>& each) = 0;
};

// A byte-comparable key that orders names case-insensitively in the user's
// locale. SortKey is called from several threads at once by the parallel walk.
struct Collator {
    virtual ~Collator() = default;
    virtual void SortKey(std::string_view utf8Name, std::string& out) const = 0;
};

// Upper-cased ASCII as key: a locale-free stand-in for tests and benchmarks.
struct AsciiCollator : Collator {
    void SortKey(std::string_view utf8Name, std::string& out) const override;
};

struct ScanObserver {
    virtual ~ScanObserver() = default;
    virtual void Progress(uint32_t dirCount) = 0;  // directories found so far, root not counted
    virtual void Pump() = 0;                       // let pending window messages run
    virtual bool CancelRequested() = 0;
    // Once, as the walk ends: `complete` is false when a cancel cut it short
    // (a directory left unlisted or listed only in part). A cancel that comes
    // after the last directory was listed leaves the walk complete.
    virtual void Ended(bool complete) { (void)complete; }
    // Once, before Ended, when the rows are no index of the drive: its root
    // could not be listed (a locked or pulled drive), or could no longer be
    // listed once a listing below it had failed (the drive went during the
    // walk). The rows are then the root alone, and must replace nothing.
    virtual void RootUnlisted() {}
    // Before Ended, for every directory below the root whose listing failed
    // (access denied, gone meanwhile): its row ("\a\b"). It is a row without
    // children; what was known below it is for the caller to keep
    // (KeepKnownBelow).
    virtual void Unlisted(std::string_view row) { (void)row; }
};

// For a walk in the background: nothing to show and no window to pump, only
// the cancel request is asked for; what could not be listed is kept.
struct CancelOnlyObserver : ScanObserver {
    explicit CancelOnlyObserver(const std::atomic<bool>& cancel) : cancel_(cancel) {}
    void Progress(uint32_t) override {}
    void Pump() override {}
    bool CancelRequested() override { return cancel_.load(); }
    void RootUnlisted() override { rootUnlisted = true; }
    void Unlisted(std::string_view row) override { unlisted.emplace_back(row); }
    const std::atomic<bool>& cancel_;
    bool rootUnlisted = false;
    std::vector<std::string> unlisted;
};

struct ScanFilter {
    bool includeReadOnly = true;
    bool includeHidden = true;
    bool includeSystem = true;
    // Shared, never changed: the filter is copied to every walk and watch.
    std::shared_ptr<const LeaveOut> leaveOut{};

    bool LeavesOut(std::string_view dir, std::string_view name) const {
        return leaveOut && leaveOut->LeavesOut(dir, name);
    }
};

// The attribute mask of a listing: directory plus the included kinds.
uint32_t ScanAttributeMask(const ScanFilter& filter);
// An entry is passed over when it carries one of hidden, system, volume label
// or directory that the mask lacks; read-only never excludes anything.
bool PassesAttributeMask(uint32_t attributes, uint32_t mask);

// Walks `rootPath` ("C:\") breadth first and returns "\" plus one row per
// directory found, in component-wise sorted order (see SortRowsComponentwise).
// `filter` is read again at every directory, so it may refer to settings that
// change while messages are pumped. A directory the filter leaves out is no
// row and is not entered. A reparse point is a row but is not
// entered (links loop); a directory below the root that cannot be listed is a
// row without children (ScanObserver::Unlisted), a root that cannot be listed
// a failed walk (ScanObserver::RootUnlisted). On cancel the rows found so far
// are returned, sorted the same way.
RowStore WalkDirectories(const std::string& rootPath, const ScanFilter& filter, DirectoryLister& lister,
                         const Collator& collator, ScanObserver& observer);

// The same walk on `threads` worker threads (1 when 0), with the same rows.
// The calling thread owns the observer: it only reports the count, pumps and
// asks for cancel, every 15 ms, and a cancel stops the workers within one
// entry each. The workers read the attribute mask of `filter` as the calling
// thread last read it after a pump, and share `lister` and `collator`. On
// cancel the rows found so far are returned, sorted the same way. An
// exception on a worker stops the walk and is thrown again here.
RowStore WalkDirectoriesParallel(const std::string& rootPath, const ScanFilter& filter,
                                 DirectoryLister& lister, const Collator& collator, ScanObserver& observer,
                                 unsigned threads);

// Worker threads for a scan: one per core, at most 8 (the disk, not the
// processor, limits a wider walk).
unsigned ScanThreadCount();

// A folder that could not be listed this time keeps what was known of it: the
// rows of `known` below each of `unlisted` (rows a walk of the same drive could
// not list, "\a\b") are added to `walked`, which has none below them. A
// directory denied to the program has no rows below it in `known` either, so
// only a listing that failed for a while (a folder busy or briefly denied)
// brings anything back. `known` must be in tree order (EnsureTreeOrder);
// `walked` is sorted again when rows were added. Returns how many.
size_t KeepKnownBelow(RowStore& walked, const RowStore& known, const std::vector<std::string>& unlisted,
                      const Collator& collator);

// Orders rows component by component, each component by its collation key
// and, for equal keys, by its bytes; whole rows break any remaining tie. Every
// directory is then directly followed by its own subtree and the root comes
// first, so "\Program Files (x86)" follows everything below "\Program Files".
void SortRowsComponentwise(RowStore& rows, const Collator& collator);

}  // namespace tarvolo
