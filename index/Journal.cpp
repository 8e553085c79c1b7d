#include "index/Journal.h"

#include <charconv>
#include <cstring>
#include <unordered_map>

namespace tarvolo {

namespace {

// The fixed part of a version 2 record; the name follows at its own offset.
constexpr size_t kRecordHead = 60;
// More directory changes than this cost more to resolve one by one than a walk.
constexpr size_t kMostReplayed = 100000;
// Deeper than any path Windows can open: a loop of parents in damaged records.
constexpr int kDeepest = 4096;

uint16_t Le16(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}
uint32_t Le32(const char* p) {
    return Le16(p) | static_cast<uint32_t>(Le16(p + 2)) << 16;
}
uint64_t Le64(const char* p) {
    return Le32(p) | static_cast<uint64_t>(Le32(p + 4)) << 32;
}

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A half of a pair standing alone becomes U+FFFD, as the directory lister's
// conversion makes it, so that the names compare with the rows' own.
std::string Utf16LeToUtf8(const char* p, size_t units) {
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const uint32_t u = Le16(p + 2 * i);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
            const uint32_t low = Le16(p + 2 * (i + 1));
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
    }
    return out;
}

struct Node {
    uint64_t parent = 0;
    std::string name;
    bool exists = true;
};

// Directories by reference number as the replay has come to them: those the
// records name from their first record on, the others as the disk holds them
// now, which is how they were all along (a rename or deletion would have
// given them records).
class Places {
public:
    Places(ChangeJournal& journal, std::unordered_map<uint64_t, Node>& recorded)
        : journal_(journal), recorded_(recorded), root_(journal.Root()) {}

    // "a\b" below the root, or false when a directory on the way cannot be opened.
    bool Path(uint64_t file, std::string& path) {
        names_.clear();
        for (int depth = 0; file != root_; ++depth) {
            const Node* node = Find(file);
            if (!node || depth > kDeepest) return false;
            names_.push_back(&node->name);
            file = node->parent;
        }
        path.clear();
        for (auto it = names_.rbegin(); it != names_.rend(); ++it) {
            if (!path.empty()) path += '\\';
            path += **it;
        }
        return true;
    }
    uint64_t Root() const { return root_; }

private:
    const Node* Find(uint64_t file) {
        if (const auto it = recorded_.find(file); it != recorded_.end()) return &it->second;
        const auto [it, fresh] = looked_.try_emplace(file);
        if (fresh && !journal_.Directory(file, it->second.parent, it->second.name)) it->second.exists = false;
        return it->second.exists ? &it->second : nullptr;
    }

    ChangeJournal& journal_;
    std::unordered_map<uint64_t, Node>& recorded_;
    std::unordered_map<uint64_t, Node> looked_;
    uint64_t root_;
    std::vector<const std::string*> names_;
};

bool ParseHex(std::string_view text, uint64_t& value) {
    if (text.empty() || text.size() > 16) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseDecimal(std::string_view text, int64_t& value) {
    if (text.empty() || text.size() > 19 || text[0] == '-' || text[0] == '+') return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    return error == std::errc() && end == text.data() + text.size();
}

// The line after `key` ("id=") at `at`, moving `at` past its CR LF.
bool Line(std::string_view text, size_t& at, std::string_view key, std::string_view& value) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string_view::npos || text.compare(at, key.size(), key) != 0) return false;
    value = text.substr(at + key.size(), end - at - key.size());
    at = end + 2;
    return true;
}

constexpr std::string_view kPositionHead = "Tarvolo journal position\r\n";

}  // namespace

bool ParseJournalRecords(std::string_view bytes, std::vector<JournalRecord>& out) {
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < kRecordHead) return false;
        const char* r = bytes.data() + at;
        const uint32_t length = Le32(r);
        if (length < kRecordHead || length > bytes.size() - at || Le16(r + 4) != 2) return false;
        const uint16_t nameLength = Le16(r + 56), nameOffset = Le16(r + 58);
        if (nameLength % 2 != 0 || nameOffset + static_cast<size_t>(nameLength) > length) return false;
        if (nameLength > 0 && nameOffset < kRecordHead) return false;
        JournalRecord record;
        record.file = Le64(r + 8);
        record.parent = Le64(r + 16);
        record.usn = static_cast<int64_t>(Le64(r + 24));
        record.reason = Le32(r + 40);
        record.attributes = Le32(r + 52);
        record.name = Utf16LeToUtf8(r + nameOffset, nameLength / 2);
        out.push_back(std::move(record));
        at += length;
    }
    return true;
}

std::string JournalPositionText(const JournalPosition& position) {
    char id[17];
    const auto idEnd = std::to_chars(id, id + sizeof id, position.id, 16).ptr;
    std::string text(kPositionHead);
    text += "id=" + std::string(id, idEnd) + "\r\n";
    text += "next=" + std::to_string(position.next) + "\r\n";
    text += "filter=" + position.filter + "\r\n";
    return text;
}

std::optional<JournalPosition> ParseJournalPosition(std::string_view text) {
    if (text.compare(0, kPositionHead.size(), kPositionHead) != 0) return std::nullopt;
    size_t at = kPositionHead.size();
    std::string_view id, next, filter;
    JournalPosition position;
    if (!Line(text, at, "id=", id) || !ParseHex(id, position.id) || !Line(text, at, "next=", next) ||
        !ParseDecimal(next, position.next) || !Line(text, at, "filter=", filter) || at != text.size())
        return std::nullopt;
    position.filter = std::string(filter);
    return position;
}

std::string FilterSignature(const ScanFilter& filter) {
    // Read-only never keeps a directory out, so it does not count.
    std::string signature = filter.includeHidden ? "H" : "-";
    signature += filter.includeSystem ? "S" : "-";
    signature += ' ';
    if (filter.leaveOut) signature += JoinLeaveOutRules(filter.leaveOut->Rules());
    return signature;
}

JournalReplay ReplayJournal(ChangeJournal& journal, std::string_view saved, const std::string& rootPath,
                            const ScanFilter& filter, const std::atomic<bool>* cancel) {
    using Result = JournalReplay::Result;
    JournalReplay out;
    ChangeJournal::State state;
    if (!journal.Query(state)) return out;
    const std::string signature = FilterSignature(filter);
    // Should the replay not do, a walk begun after this sees everything before it.
    out.position = JournalPositionText({state.id, state.next, signature});
    const std::optional<JournalPosition> position = ParseJournalPosition(saved);
    if (!position) {
        out.result = Result::noPosition;
        return out;
    }
    if (position->filter != signature) {
        out.result = Result::otherFilter;
        return out;
    }
    // A position past the journal's end belongs to an earlier journal of the same id.
    if (position->id != state.id || position->next > state.next) {
        out.result = Result::reset;
        return out;
    }
    if (position->next < state.first) {
        out.result = Result::wrapped;
        return out;
    }

    std::vector<JournalRecord> records, read;
    int64_t from = position->next;
    std::string bytes;
    while (from < state.next) {
        if (cancel && cancel->load()) {
            out.result = Result::cancelled;
            return out;
        }
        read.clear();
        if (!journal.Read(state.id, from, bytes) || bytes.size() < 8 ||
            !ParseJournalRecords(std::string_view(bytes).substr(8), read)) {
            out.result = Result::unreadable;
            return out;
        }
        const auto next = static_cast<int64_t>(Le64(bytes.data()));
        for (JournalRecord& record : read) {
            if (!(record.attributes & kAttrDirectory)) continue;
            // The unprivileged read may leave names out: such records place nothing.
            if (record.name.empty()) {
                out.result = Result::unreadable;
                return out;
            }
            records.push_back(std::move(record));
        }
        if (records.size() > kMostReplayed) {
            out.result = Result::tooMany;
            return out;
        }
        if (read.empty() || next <= from) break;
        from = next;
    }

    std::unordered_map<uint64_t, Node> nodes;
    for (const JournalRecord& record : records)
        nodes.try_emplace(record.file,
                          Node{record.parent, record.name, !(record.reason & kJournalFileCreate)});
    Places places(journal, nodes);
    std::string rootDrive = rootPath;
    while (!rootDrive.empty() && rootDrive.back() == '\\') rootDrive.pop_back();
    const auto keep = [&](const std::string& path) {
        return !filter.leaveOut || !filter.leaveOut->LeavesOutRow(rootDrive + "\\", "\\" + path);
    };
    using Kind = DirectoryChange::Kind;
    std::string oldPath, path;
    size_t steps = 0;
    for (const JournalRecord& record : records) {
        if (cancel && (++steps & 1023) == 0 && cancel->load()) {
            out.result = Result::cancelled;
            out.changes.clear();
            return out;
        }
        if (record.file == places.Root()) continue;
        Node& node = nodes[record.file];
        if (node.exists && (record.parent != node.parent || record.name != node.name)) {
            // The new name: the old one came in a record before, or in the position's past.
            const bool oldKnown = places.Path(record.file, oldPath) && keep(oldPath);
            node.parent = record.parent;
            node.name = record.name;
            const bool newKnown = places.Path(record.file, path) && keep(path);
            if (oldKnown) out.changes.push_back({Kind::renamedOldName, oldPath});
            if (newKnown) out.changes.push_back({Kind::renamedNewName, path});
        } else if (!node.exists && (record.reason & kJournalFileCreate)) {
            node.parent = record.parent;
            node.name = record.name;
            node.exists = true;
            if (places.Path(record.file, path) && keep(path)) out.changes.push_back({Kind::added, path});
        }
        if (node.exists && (record.reason & kJournalFileDelete)) {
            if (places.Path(record.file, path) && keep(path)) out.changes.push_back({Kind::removed, path});
            node.exists = false;
        }
    }
    out.result = Result::replayed;
    out.position = JournalPositionText({state.id, from, signature});
    return out;
}

}  // namespace tarvolo
