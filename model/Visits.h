// The directories delivered, with how often and when: what Quick Jump's order
// learns from. Kept in visits.dir beside the program, one line a directory:
// times delivered, TAB, the last delivery in whole seconds since 1970 UTC, TAB,
// the path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index/QuickJump.h"

namespace tarvolo {

struct Visit {
    std::string path;  // "E:\Users\me\projects"
    uint32_t times = 0;
    int64_t last = 0;  // seconds since 1970 UTC
};

class Visits {
public:
    // Lines past this many go, the least used first.
    static constexpr size_t kMaxEntries = 1000;
    // Past this many visits in all, every count shrinks to 90 % of it.
    static constexpr uint64_t kMaxTotal = 10000;

    // The lines of visits.dir; a damaged line is skipped.
    static Visits Parse(const std::vector<std::string>& lines);
    std::vector<std::string> Lines() const;

    // A delivery of `path` at `now` (seconds since 1970 UTC).
    void Record(const std::string& path, int64_t now);
    // Where there is no visits.dir yet: each history entry one visit.
    void SeedFromHistory(const std::vector<std::string>& history, int64_t now);
    // Each directory's weight at `now`, its visits aged by the time since the last.
    std::vector<JumpUse> Uses(int64_t now) const;

    const std::vector<Visit>& entries() const { return entries_; }

private:
    // Paths compare as the history compares them, regardless of case.
    std::vector<Visit>::iterator Find(std::string_view path);
    // Orders the entries by use at `now`, the most used first, and drops what
    // goes past kMaxEntries; `keep` (may be null) is never dropped.
    void Trim(int64_t now, const Visit* keep);

    std::vector<Visit> entries_;
};

}  // namespace tarvolo
