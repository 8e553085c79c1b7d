// A drive with a change journal, held in memory: every directory has a
// reference number, and every change is written to the journal as records in
// the byte layout Windows writes (version 2), in the order and with the reason
// bits Windows gives them. The disk itself is a TreeDisk kept in step, so a
// replay's changes can be resolved and compared with a walk.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/TreeDisk.h"
#include "index/Journal.h"

namespace tarvolo {

class FakeJournal : public ChangeJournal {
public:
    static constexpr uint64_t kRoot = 0x0005000000000005ull;

    FakeJournal() { nodes_[kRoot] = {0, "", kAttrDirectory, true}; }

    // The directories of `rows` (in tree order) as the disk held them before
    // the journal's records begin; `adopted` gives each row's reference number.
    void Adopt(const RowStore& rows) {
        adopted.assign(rows.size(), kRoot);
        for (size_t i = 1; i < rows.size(); ++i) {
            adopted[i] = NewFile();
            Link(adopted[i], {adopted[rows.Parent(i)], std::string(rows.Name(i)), kAttrDirectory, true});
        }
        disk = TreeDisk(rows);
    }
    std::vector<uint64_t> adopted;

    // UTF-16 units of valid UTF-8.
    static std::vector<uint16_t> Utf16(const std::string& utf8) {
        std::vector<uint16_t> out;
        for (size_t i = 0; i < utf8.size();) {
            const auto b = static_cast<unsigned char>(utf8[i]);
            const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
            uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
            for (int k = 1; k <= extra; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            i += 1 + extra;
            if (c >= 0x10000) {
                out.push_back(static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
                out.push_back(static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
            } else {
                out.push_back(static_cast<uint16_t>(c));
            }
        }
        return out;
    }

    // A record as Windows lays it out: the fixed part, the UTF-16 name at its
    // offset, the whole padded to 8 bytes.
    static std::string RecordBytes(const JournalRecord& r, uint16_t version = 2) {
        const std::vector<uint16_t> name = Utf16(r.name);
        const size_t nameBytes = name.size() * 2;
        const size_t length = (60 + nameBytes + 7) / 8 * 8;
        std::string b(length, '\0');
        auto put = [&](size_t at, uint64_t value, int size) {
            for (int i = 0; i < size; ++i) b[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
        };
        put(0, length, 4);
        put(4, version, 2);
        put(8, r.file, 8);
        put(16, r.parent, 8);
        put(24, static_cast<uint64_t>(r.usn), 8);
        put(40, r.reason, 4);
        put(52, r.attributes, 4);
        put(56, nameBytes, 2);
        put(58, 60, 2);
        for (size_t i = 0; i < name.size(); ++i) put(60 + 2 * i, name[i], 2);
        return b;
    }

    // A directory (or, with other attributes, a file) made under `parent`.
    uint64_t Make(uint64_t parent, const std::string& name, uint32_t attributes = kAttrDirectory) {
        const uint64_t file = NewFile();
        Link(file, {parent, name, attributes, true});
        disk.Make(Path(file), attributes);
        Write(file, kJournalFileCreate);
        Write(file, kJournalFileCreate | kJournalClose);
        return file;
    }
    // Deletes `file` and everything below it, the deepest first, as a
    // recursive delete does.
    void Delete(uint64_t file) {
        const std::set<uint64_t> children = children_[file];
        for (const uint64_t child : children) Delete(child);
        disk.RemoveTree(Path(file));
        Write(file, kJournalFileDelete | kJournalClose);
        nodes_[file].alive = false;
        children_[nodes_[file].parent].erase(file);
    }
    void Rename(uint64_t file, uint64_t parent, const std::string& name) {
        const std::string from = Path(file);
        Write(file, kJournalRenameOldName);
        children_[nodes_[file].parent].erase(file);
        children_[parent].insert(file);
        nodes_[file].parent = parent;
        nodes_[file].name = name;
        disk.MoveTree(from, Path(file));
        Write(file, kJournalRenameOldName | kJournalRenameNewName);
        Write(file, kJournalRenameOldName | kJournalRenameNewName | kJournalClose);
    }
    // A record of any kind, as it stands.
    void Append(JournalRecord record) {
        record.usn = next_;
        const std::string bytes = RecordBytes(record);
        usns_.push_back(next_);
        log_ += bytes;
        next_ += static_cast<int64_t>(bytes.size());
    }

    // "\a\b" of a directory as it is now.
    std::string Path(uint64_t file) const {
        std::string path;
        while (file != kRoot) {
            const Node& node = nodes_.at(file);
            path = "\\" + node.name + path;
            file = node.parent;
        }
        return path.empty() ? "\\" : path;
    }
    int64_t Next() const { return next_; }
    size_t Records() const { return usns_.size(); }
    uint64_t Id() const { return id_; }
    // The journal made anew: another id, and its records gone.
    void Reset() {
        id_ += 0x10001;
        first_ = next_;
    }
    // The oldest records dropped for room, up to `usn`.
    void Forget(int64_t usn) { first_ = usn; }

    TreeDisk disk;
    bool readable = true;
    bool names = true;          // false: records come without their names
    std::set<uint64_t> denied;  // directories that cannot be opened by id
    size_t readBytes = 4096;    // what one read returns at most, past its first record

    bool Query(State& state) override {
        if (!readable) return false;
        state = {id_, first_, next_};
        return true;
    }
    bool Read(uint64_t id, int64_t from, std::string& bytes) override {
        if (!readable || id != id_ || from < first_) return false;
        auto it = std::lower_bound(usns_.begin(), usns_.end(), from);
        const size_t start = it == usns_.end() ? log_.size() : Offset(*it);
        size_t end = start;
        while (it != usns_.end() && (end == start || end - start < readBytes)) {
            ++it;
            end = it == usns_.end() ? log_.size() : Offset(*it);
        }
        const int64_t next = it == usns_.end() ? next_ : *it;
        bytes.assign(8, '\0');
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<char>(static_cast<uint64_t>(next) >> (8 * i) & 0xFF);
        bytes.append(log_, start, end - start);
        return true;
    }
    uint64_t Root() override { return kRoot; }
    bool Directory(uint64_t file, uint64_t& parent, std::string& name) override {
        const auto it = nodes_.find(file);
        if (it == nodes_.end() || !it->second.alive || denied.count(file)) return false;
        parent = it->second.parent;
        name = it->second.name;
        return true;
    }

private:
    struct Node {
        uint64_t parent;
        std::string name;
        uint32_t attributes;
        bool alive;
    };
    size_t Offset(int64_t usn) const { return static_cast<size_t>(usn - base_); }
    uint64_t NewFile() { return nextFile_++ | (uint64_t{1} << 48); }
    void Link(uint64_t file, Node node) {
        children_[node.parent].insert(file);
        nodes_[file] = std::move(node);
    }
    void Write(uint64_t file, uint32_t reason) {
        const Node& node = nodes_.at(file);
        Append({file, node.parent, 0, reason, node.attributes, names ? node.name : std::string()});
    }

    std::unordered_map<uint64_t, Node> nodes_;
    std::unordered_map<uint64_t, std::set<uint64_t>> children_;
    uint64_t nextFile_ = 0x100;
    uint64_t id_ = 0x01d9a3c4b5e6f708ull;
    static constexpr int64_t base_ = 0x10000;
    int64_t first_ = base_, next_ = base_;
    std::string log_;
    std::vector<int64_t> usns_;
};

}  // namespace tarvolo
