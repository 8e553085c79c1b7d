#include "model/FindRequest.h"

#include <cctype>

namespace tarvolo {

const char kFindUsage[] =
    "Usage: tarvolo-find [-n COUNT] TERM...\n"
    "Prints up to COUNT (20 unless told) directories that Quick Jump lists for the terms, best first.\n"
    "Exit status: 0 when something was printed, 1 when nothing matches, 2 when Tarvolo is not running.\n";

namespace {

constexpr std::string_view kRequestTag = "TVFIND1\n";
constexpr std::string_view kReplyTag = "TVFOUND1\n";

// A count as the command line writes it: decimal digits only, 1 up to the most allowed.
std::optional<size_t> ParseCount(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    size_t value = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + static_cast<size_t>(c - '0');
    }
    if (value == 0 || value > kFindMaxCount) return std::nullopt;
    return value;
}

// Control characters cannot stand in a directory's name; a term holding one is a mistake.
bool HasControl(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20) return true;
    return false;
}

}  // namespace

FindCommandLine ParseFindCommandLine(const std::vector<std::string>& args) {
    FindCommandLine line;
    bool optionsEnded = false;
    std::vector<std::string_view> terms;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (arg == "-h" || arg == "--help" || arg == "/?")) {
            line.help = true;
            return line;
        }
        if (!optionsEnded && arg.size() >= 2 && arg.substr(0, 2) == "-n") {
            // "-n 5" or "-n5".
            std::string_view value = arg.substr(2);
            if (value.empty()) {
                if (i + 1 == args.size()) {
                    line.error = "-n needs a count";
                    return line;
                }
                value = args[++i];
            }
            const std::optional<size_t> count = ParseCount(value);
            if (!count) {
                line.error = "the count after -n must be a whole number from 1 to " +
                             std::to_string(kFindMaxCount) + ", not \"" + std::string(value) + "\"";
                return line;
            }
            line.count = *count;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            line.error = "unknown option " + std::string(arg);
            return line;
        }
        terms.push_back(arg);
    }
    for (const std::string_view term : terms) {
        if (HasControl(term)) {
            line.error = "a term holds a control character";
            return line;
        }
        // Blanks around or between the words of one quoted term split it as typing does.
        if (!line.text.empty()) line.text += ' ';
        line.text += term;
    }
    const bool blank = line.text.find_first_not_of(' ') == std::string::npos;
    if (blank)
        line.error = "no term to look for";
    else if (line.text.size() > kFindMaxRequestBytes - 64)
        line.error = "the terms are too long";
    return line;
}

std::string EncodeFindRequest(const FindRequest& request) {
    std::string bytes(kRequestTag);
    bytes += std::to_string(request.count);
    bytes += '\n';
    bytes += request.text;
    return bytes;
}

std::optional<FindRequest> DecodeFindRequest(std::string_view bytes) {
    if (bytes.size() > kFindMaxRequestBytes || bytes.substr(0, kRequestTag.size()) != kRequestTag)
        return std::nullopt;
    bytes.remove_prefix(kRequestTag.size());
    const size_t end = bytes.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    const std::optional<size_t> count = ParseCount(bytes.substr(0, end));
    if (!count) return std::nullopt;
    FindRequest request;
    request.count = *count;
    request.text = std::string(bytes.substr(end + 1));
    if (HasControl(request.text)) return std::nullopt;
    return request;
}

std::string EncodeFindReply(const std::vector<std::string>& paths) {
    std::string bytes(kReplyTag);
    for (const std::string& path : paths) {
        // Paths are whole lines; one that could break the reply (or overfill it) ends it there.
        if (HasControl(path) || bytes.size() + path.size() + 1 > kFindMaxReplyBytes) break;
        bytes += path;
        bytes += '\n';
    }
    return bytes;
}

std::optional<std::vector<std::string>> DecodeFindReply(std::string_view bytes) {
    if (bytes.size() > kFindMaxReplyBytes || bytes.substr(0, kReplyTag.size()) != kReplyTag)
        return std::nullopt;
    bytes.remove_prefix(kReplyTag.size());
    std::vector<std::string> paths;
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        if (end == std::string_view::npos || end == 0) return std::nullopt;  // cut short, or an empty line
        paths.emplace_back(bytes.substr(0, end));
        bytes.remove_prefix(end + 1);
    }
    return paths;
}

}  // namespace tarvolo
