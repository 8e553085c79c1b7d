// The rule by which the history of delivered paths grows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvolo {

// Removes the first entry equal to `path` without regard to case and puts
// `path`, in its own case, first. No entry is ever dropped for age.
void UpdateHistory(std::vector<std::string>& history, std::string_view path);

// The comparison UpdateHistory uses, after the history box's exact-string
// search: ASCII letters and the common Latin, Greek and Cyrillic capitals are
// folded; bytes that are not valid UTF-8 compare as they are.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace tarvolo
