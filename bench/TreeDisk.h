// A disk held as directories by their parents, fast enough to list and change
// a million directories: what the live-update benchmark and the tests at scale
// walk and change.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "index/Rows.h"
#include "index/Scan.h"

namespace tarvolo {

class TreeDisk : public DirectoryLister {
public:
    TreeDisk() { children_["\\"]; }
    explicit TreeDisk(const RowStore& rows) : TreeDisk() {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows.Path(i) != "\\") Make(std::string(rows.Path(i)));
    }

    static std::string Parent(const std::string& row) {
        const size_t slash = row.rfind('\\');
        return slash == 0 ? "\\" : row.substr(0, slash);
    }
    static std::string Name(const std::string& row) { return row.substr(row.rfind('\\') + 1); }

    bool Has(const std::string& row) const {
        if (row == "\\") return true;
        const auto p = children_.find(Parent(row));
        return p != children_.end() && p->second.count(Name(row)) > 0;
    }
    // The parent must be there.
    void Make(const std::string& row, uint32_t attributes = kAttrDirectory) {
        children_[Parent(row)][Name(row)] = attributes;
        if (attributes & kAttrDirectory) children_[row];
    }
    void RemoveTree(const std::string& row) {
        children_[Parent(row)].erase(Name(row));
        children_.erase(row);
        children_.erase(children_.lower_bound(row + "\\"), children_.lower_bound(row + "]"));
    }
    void MoveTree(const std::string& from, const std::string& to) {
        const uint32_t attributes = children_[Parent(from)][Name(from)];
        std::map<std::string, std::map<std::string, uint32_t>> moved;
        if (const auto self = children_.find(from); self != children_.end())
            moved[to] = std::move(self->second);
        const auto first = children_.lower_bound(from + "\\"), last = children_.lower_bound(from + "]");
        for (auto it = first; it != last; ++it)
            moved[to + it->first.substr(from.size())] = std::move(it->second);
        children_.erase(first, last);
        children_.erase(from);
        children_[Parent(from)].erase(Name(from));
        children_[Parent(to)][Name(to)] = attributes;
        for (auto& [row, entries] : moved) children_[row] = std::move(entries);
    }
    // Every directory below `row`, itself included, parents before children.
    std::vector<std::string> Subtree(const std::string& row) const {
        std::vector<std::string> out{row};
        for (size_t i = 0; i < out.size(); ++i) {
            const auto it = children_.find(out[i]);
            if (it == children_.end()) continue;
            for (const auto& [name, attributes] : it->second)
                if (attributes & kAttrDirectory) out.push_back((out[i] == "\\" ? "" : out[i]) + "\\" + name);
        }
        return out;
    }

    bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
        std::string row = dir.substr(2);  // "C:\a\b\" -> "\a\b"
        if (row.size() > 1) row.pop_back();
        const auto it = children_.find(row);
        if (it == children_.end()) return false;
        if (!each(DirEntry{".", kAttrDirectory}) || !each(DirEntry{"..", kAttrDirectory})) return true;
        for (const auto& [name, attributes] : it->second)
            if (!each(DirEntry{name, attributes})) break;
        return true;
    }

private:
    // Directory row -> its entries by name.
    std::map<std::string, std::map<std::string, uint32_t>> children_;
};

}  // namespace tarvolo
