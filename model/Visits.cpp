#include "model/Visits.h"

#include <algorithm>
#include <limits>

#include "store/History.h"

namespace tarvolo {

namespace {

// A decimal number of at most `maxDigits` digits, nothing else.
bool ParseNumber(std::string_view text, size_t maxDigits, uint64_t& value) {
    if (text.empty() || text.size() > maxDigits) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

// Recent visits count more: the steps of zoxide's aging.
double AgeFactor(int64_t seconds) {
    if (seconds < 3600) return 4;
    if (seconds < 86400) return 2;
    if (seconds < int64_t{7} * 86400) return 0.5;
    return 0.25;
}

double Weight(const Visit& v, int64_t now) {
    return v.times * AgeFactor(now - v.last);
}

}  // namespace

Visits Visits::Parse(const std::vector<std::string>& lines) {
    Visits visits;
    for (const std::string& line : lines) {
        const size_t tab1 = line.find('\t');
        if (tab1 == std::string::npos) continue;
        const size_t tab2 = line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) continue;
        uint64_t times = 0, last = 0;
        // Seconds up to the year 33658 in 12 digits: more is no time but damage.
        if (!ParseNumber(std::string_view(line).substr(0, tab1), 10, times) || times == 0 ||
            times > std::numeric_limits<uint32_t>::max())
            continue;
        if (!ParseNumber(std::string_view(line).substr(tab1 + 1, tab2 - tab1 - 1), 12, last)) continue;
        const std::string path = line.substr(tab2 + 1);
        if (path.empty() || path.find('\t') != std::string::npos) continue;
        // The same directory twice (a file edited by hand): its visits add up.
        const auto same = visits.Find(path);
        if (same != visits.entries_.end()) {
            same->times = static_cast<uint32_t>(
                std::min<uint64_t>(uint64_t{same->times} + times, std::numeric_limits<uint32_t>::max()));
            same->last = std::max(same->last, static_cast<int64_t>(last));
            continue;
        }
        visits.entries_.push_back(Visit{path, static_cast<uint32_t>(times), static_cast<int64_t>(last)});
    }
    int64_t latest = 0;
    for (const Visit& v : visits.entries_) latest = std::max(latest, v.last);
    visits.Trim(latest, nullptr);
    return visits;
}

std::vector<std::string> Visits::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(entries_.size());
    for (const Visit& v : entries_)
        lines.push_back(std::to_string(v.times) + "\t" + std::to_string(v.last) + "\t" + v.path);
    return lines;
}

std::vector<Visit>::iterator Visits::Find(std::string_view path) {
    return std::find_if(entries_.begin(), entries_.end(),
                        [&](const Visit& v) { return EqualsIgnoreCase(v.path, path); });
}

void Visits::Record(const std::string& path, int64_t now) {
    if (path.empty()) return;
    auto visit = Find(path);
    if (visit == entries_.end()) {
        entries_.push_back(Visit{path, 0, now});
        visit = entries_.end() - 1;
    }
    // The spelling delivered last is the one kept.
    visit->path = path;
    if (visit->times < std::numeric_limits<uint32_t>::max()) ++visit->times;
    visit->last = std::max(visit->last, now);
    const Visit* recorded = &*visit;
    // Past a total of kMaxTotal every count shrinks, as zoxide ages its
    // ranks: what was used long ago gives way to what is used now.
    uint64_t total = 0;
    for (const Visit& v : entries_) total += v.times;
    if (total > kMaxTotal) {
        const double scale = 0.9 * kMaxTotal / static_cast<double>(total);
        for (Visit& v : entries_) v.times = static_cast<uint32_t>(v.times * scale);
        // What was just delivered always stays.
        visit->times = std::max<uint32_t>(visit->times, 1);
        entries_.erase(
            std::remove_if(entries_.begin(), entries_.end(), [](const Visit& v) { return v.times == 0; }),
            entries_.end());
        recorded = &*Find(path);
    }
    Trim(now, recorded);
}

void Visits::SeedFromHistory(const std::vector<std::string>& history, int64_t now) {
    for (const std::string& path : history)
        if (!path.empty() && Find(path) == entries_.end()) entries_.push_back(Visit{path, 1, now});
    Trim(now, nullptr);
}

std::vector<JumpUse> Visits::Uses(int64_t now) const {
    std::vector<JumpUse> uses;
    uses.reserve(entries_.size());
    for (const Visit& v : entries_) uses.push_back(JumpUse{v.path, Weight(v, now)});
    return uses;
}

void Visits::Trim(int64_t now, const Visit* keep) {
    // The most used first, and of those the latest: the file reads best first,
    // and what goes past the bound is what is used least.
    std::string kept = keep ? keep->path : std::string();
    std::stable_sort(entries_.begin(), entries_.end(), [&](const Visit& a, const Visit& b) {
        const double wa = Weight(a, now), wb = Weight(b, now);
        if (wa != wb) return wa > wb;
        return a.last > b.last;
    });
    if (entries_.size() <= kMaxEntries) return;
    if (keep) {
        const auto at = Find(kept);
        if (at - entries_.begin() >= static_cast<std::ptrdiff_t>(kMaxEntries))
            std::rotate(entries_.begin() + kMaxEntries - 1, at, at + 1);
    }
    entries_.resize(kMaxEntries);
}

}  // namespace tarvolo
