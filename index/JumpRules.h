// The rules by which Quick Jump orders the directories it finds, apart from
// the search that finds them: one directory judged from the folded names of
// its path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvolo {
namespace jump {

// How the directory's own name holds the text, worst first.
enum Kind : uint8_t { kInside = 0, kWordStart = 1, kPrefix = 2, kWhole = 3 };

struct Match {
    uint8_t kind = kInside;
    // Terms before the last that begin no word where they stand.
    uint8_t misses = 0;
};

// A word begins at a name's start and after any ASCII byte that is neither a
// letter nor a digit: "my-app", "Visual Studio", "v1.2".
bool WordStartAt(std::string_view name, size_t pos);

// Whether the path whose folded names are `names` (the root's first, the
// directory's own last) matches the folded `terms`, and how well.
bool Judge(const std::vector<std::string>& terms, const std::vector<std::string_view>& names, Match& match);
// Judge without the misses, which cost the most to count: match.misses is left as it was.
bool JudgeKind(const std::vector<std::string>& terms, const std::vector<std::string_view>& names,
               Match& match);
// The misses of a path that JudgeKind found to match.
uint8_t CountMisses(const std::vector<std::string>& terms, const std::vector<std::string_view>& names);

// A matching directory with what orders it.
struct Ranked {
    uint8_t kind = kInside;  // lifted one step when the directory was used
    uint8_t misses = 0;
    double weight = 0;
    uint32_t depth = 0;
    uint32_t length = 0;
    uint32_t drive = 0;  // the drive's place in the list searched
    uint32_t row = 0;
};

// True when `a` comes before `b`.
bool Better(const Ranked& a, const Ranked& b);

}  // namespace jump
}  // namespace tarvolo
