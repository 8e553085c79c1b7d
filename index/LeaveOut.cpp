#include "index/LeaveOut.h"

#include <algorithm>

#include "index/Text.h"

namespace tarvolo {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HasWildcard(std::string_view s) {
    return s.find_first_of("*?") != std::string_view::npos;
}

// A rule of only wildcards with a '*' matches every name when it asks for at
// most one character: names are never empty.
bool MatchesEveryName(std::string_view pattern) {
    if (pattern.find_first_not_of("*?") != std::string_view::npos) return false;
    if (pattern.find('*') == std::string_view::npos) return false;
    return std::count(pattern.begin(), pattern.end(), '?') <= 1;
}

// A rule as it is taken apart: a name, or a path with its drive ("" for every drive).
struct ParsedRule {
    bool isPath = false;
    std::string drive;  // "D:"
    std::string row;    // "\Data\Cache"
    std::string error;
};

std::string Quoted(std::string_view rule) {
    return "\"" + std::string(rule) + "\"";
}

ParsedRule Parse(std::string_view rule) {
    ParsedRule p;
    std::string text(Trim(rule));
    std::replace(text.begin(), text.end(), '/', '\\');
    const bool drivePath = text.size() >= 2 && IsDriveLetter(text[0]) && text[1] == ':';
    if (text.find('\\') == std::string::npos && !drivePath) {
        if (text.find_first_of("<>:\"|") != std::string::npos)
            p.error = "A folder's name cannot hold < > : \" or |: " + Quoted(rule) + ".";
        else if (MatchesEveryName(text))
            p.error = Quoted(rule) +
                      " would leave out every folder of every drive. Leave folders out by name "
                      "(node_modules), by a wildcard on the name (Temp*) or by path (D:\\Data\\Cache).";
        p.row = text;
        return p;
    }
    p.isPath = true;
    if (drivePath) {
        p.drive = text.substr(0, 2);
        text.erase(0, 2);
    }
    if (text.empty() || text[0] != '\\') {
        p.error = Quoted(rule) +
                  " is neither a folder's name nor a whole path: a path begins with \\ or a drive "
                  "letter, as D:\\Data\\Cache or \\Data\\Cache.";
        return p;
    }
    while (text.size() > 1 && text.back() == '\\') text.pop_back();
    if (text == "\\") {
        p.error = Quoted(rule) + " is a whole drive: leave out folders on it instead.";
    } else if (text.find("\\\\") != std::string::npos) {
        p.error = Quoted(rule) + " holds an empty folder name.";
    } else if (HasWildcard(text)) {
        p.error = "Wildcards (* and ?) stand only in a folder's name, not in a path: " + Quoted(rule) + ".";
    } else if (text.find_first_of("<>:\"|") != std::string::npos) {
        p.error = "A folder's name cannot hold < > : \" or |: " + Quoted(rule) + ".";
    }
    p.row = text;
    return p;
}

// Past the UTF-8 sequence that starts at `i`.
size_t NextChar(std::string_view s, size_t i) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    return i;
}

std::string_view LastName(std::string_view row) {
    return row.substr(row.rfind('\\') + 1);
}

}  // namespace

std::vector<std::string> SplitLeaveOutRules(std::string_view text) {
    std::vector<std::string> rules;
    for (;;) {
        const size_t semicolon = text.find(';');
        const std::string_view rule = Trim(text.substr(0, semicolon));
        if (!rule.empty()) rules.emplace_back(rule);
        if (semicolon == std::string_view::npos) return rules;
        text.remove_prefix(semicolon + 1);
    }
}

std::string JoinLeaveOutRules(const std::vector<std::string>& rules) {
    std::string text;
    for (const std::string& rule : rules) {
        if (!text.empty()) text.push_back(';');
        text += rule;
    }
    return text;
}

std::string LeaveOutRuleError(std::string_view rule) {
    if (Trim(rule).empty()) return "An empty rule leaves nothing out.";
    if (rule.find(';') != std::string_view::npos)
        return "One rule at a time: " + Quoted(rule) + " holds a ';', which separates rules.";
    return Parse(rule).error;
}

bool WildcardMatches(std::string_view pattern, std::string_view folded) {
    // The usual greedy match with one point to go back to: the last '*' seen.
    size_t p = 0, s = 0;
    size_t starP = std::string_view::npos, starS = 0;
    while (s < folded.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starS = s;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            s = NextChar(folded, s);
        } else if (p < pattern.size() && pattern[p] == folded[s]) {
            ++p;
            ++s;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            s = starS = NextChar(folded, starS);
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

LeaveOut::LeaveOut(const std::vector<std::string>& rules, const CaseFolder& folder) : folder_(&folder) {
    for (const std::string& rule : rules) {
        if (!LeaveOutRuleError(rule).empty()) continue;
        const ParsedRule p = Parse(rule);
        rules_.push_back(std::string(Trim(rule)));
        if (p.isPath) {
            PathRule path{FoldText(p.drive, folder), FoldText(p.row, folder), {}};
            path.lastName = std::string(LastName(path.row));
            paths_.push_back(std::move(path));
        } else if (HasWildcard(p.row)) {
            patterns_.push_back(FoldText(p.row, folder));
        } else {
            names_.push_back(FoldText(p.row, folder));
        }
    }
    std::sort(names_.begin(), names_.end());
}

bool LeaveOut::NameMatches(std::string_view folded) const {
    if (std::binary_search(names_.begin(), names_.end(), folded)) return true;
    for (const std::string& pattern : patterns_)
        if (WildcardMatches(pattern, folded)) return true;
    return false;
}

bool LeaveOut::LeavesOut(std::string_view dir, std::string_view name) const {
    if (Empty()) return false;
    // Asked for every entry of every walk: an ASCII name is folded here, into a buffer kept per thread.
    thread_local std::string folded;
    if (IsAscii(name)) {
        folded.assign(name.data(), name.size());
        for (char& c : folded)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    } else {
        folded = folder_->Upper(name);
    }
    if (NameMatches(folded)) return true;
    const size_t slash = dir.find('\\');
    if (slash == std::string_view::npos) return false;
    // "\a\b\" below the drive's "C:": a path rule names the directory's place on its drive.
    const std::string_view below = dir.substr(slash);
    for (const PathRule& path : paths_) {
        if (path.lastName != folded) continue;
        if (!path.drive.empty() && FoldText(dir.substr(0, slash), *folder_) != path.drive) continue;
        if (FoldText(below, *folder_) + folded == path.row) return true;
    }
    return false;
}

bool LeaveOut::LeavesOutRow(std::string_view root, std::string_view row) const {
    if (Empty()) return false;
    std::string dir(root);
    while (!dir.empty() && dir.back() == '\\') dir.pop_back();
    dir.push_back('\\');
    if (!row.empty() && row.front() == '\\') row.remove_prefix(1);
    while (!row.empty()) {
        const size_t slash = row.find('\\');
        const std::string_view name = row.substr(0, slash);
        if (!name.empty() && LeavesOut(dir, name)) return true;
        if (slash == std::string_view::npos) break;
        dir.append(name.data(), name.size());
        dir.push_back('\\');
        row.remove_prefix(slash + 1);
    }
    return false;
}

}  // namespace tarvolo
