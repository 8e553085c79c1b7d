// Directories the user never wants in the index (node_modules, .git, caches):
// rules that leave a directory out, with everything below it, of every walk
// and every live change. A rule is a name ("node_modules"), a wildcard on a
// name with * and ? ("Temp*"), or a whole path, of one drive ("D:\Data\Cache")
// or of every drive ("\Data\Cache"). Names compare as wholes, in the
// program's case folding: "node_modules" keeps "node_modules_notes".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "index/Search.h"

namespace tarvolo {

// The rules of a ';'-separated text, each trimmed of blanks; empty ones (a
// stray ';') are dropped.
std::vector<std::string> SplitLeaveOutRules(std::string_view text);
std::string JoinLeaveOutRules(const std::vector<std::string>& rules);

// Why a rule cannot be taken, in words for the user; empty when it can. A rule
// that would leave out every directory of a drive ("*", "D:\") is refused
// rather than quietly emptying the index.
std::string LeaveOutRuleError(std::string_view rule);

class LeaveOut {
public:
    // Leaves nothing out.
    LeaveOut() = default;
    // Rules that LeaveOutRuleError refuses are never applied. `folder` must
    // outlive this object and may be called from several threads at once, as
    // the walk's workers do.
    LeaveOut(const std::vector<std::string>& rules, const CaseFolder& folder);

    bool Empty() const { return names_.empty() && patterns_.empty() && paths_.empty(); }
    // The rules as given, without the refused ones.
    const std::vector<std::string>& Rules() const { return rules_; }

    // Whether the entry `name` of the listed directory `dir` ("C:\a\b\", as a
    // lister takes it) is left out. Only the entry itself is looked at: a walk
    // never lists a directory that was left out.
    bool LeavesOut(std::string_view dir, std::string_view name) const;
    // Whether the directory `row` ("\a\b") of the drive at `root` ("C:\"), or
    // one above it, is left out.
    bool LeavesOutRow(std::string_view root, std::string_view row) const;

private:
    struct PathRule {
        std::string drive;     // "C:" folded, empty for every drive
        std::string row;       // "\DATA\CACHE" folded
        std::string lastName;  // "CACHE"
    };
    bool NameMatches(std::string_view folded) const;

    const CaseFolder* folder_ = nullptr;
    std::vector<std::string> rules_;
    std::vector<std::string> names_;     // folded, sorted
    std::vector<std::string> patterns_;  // folded
    std::vector<PathRule> paths_;
};

// Whether `folded` matches `pattern`, both already folded: '*' stands for any
// run of characters, '?' for one character (a whole UTF-8 sequence).
bool WildcardMatches(std::string_view pattern, std::string_view folded);

}  // namespace tarvolo
