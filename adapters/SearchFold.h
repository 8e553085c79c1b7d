// The shown drive's names folded for the search, and Quick Jump's name starts
// built from them, on a thread of their own: a million of them would hold the
// window's thread for a third of a second under Wine, and the drives read in
// the background share the processors meanwhile. The thread only reads the
// rows; whoever changes them first lets go of them (RowsReader), which waits
// for the fold to end.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <thread>

#include "index/Rows.h"
#include "index/Search.h"
#include "model/JumpSearch.h"

namespace tarvolo {

class SearchFold : public RowsReader {
public:
    // `message` is posted to `notify` when a fold ends.
    SearchFold(HWND notify, UINT message) : notify_(notify), message_(message) {}
    ~SearchFold() override { Join(); }
    SearchFold(const SearchFold&) = delete;
    SearchFold& operator=(const SearchFold&) = delete;

    // Folds `rows`, known by `generation` (DriveRows::generation), which stay as
    // they are until LetGo or Take. False when no thread could be started.
    bool Start(const RowStore& rows, uint64_t generation);
    // A fold was started and not yet taken.
    bool Pending() const { return started_; }
    // The generation of the rows the pending fold reads.
    uint64_t Generation() const { return generation_; }
    // Waits for the fold under way and hands over its names with the
    // generation of the rows they were folded from; nothing when none was
    // started or it ran out of memory.
    std::optional<SearchIndex> Take(uint64_t& generation);
    void LetGo() override { Join(); }

private:
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

    HWND notify_;
    UINT message_;
    std::thread thread_;
    std::optional<SearchIndex> folded_;  // the thread's, until it is joined
    uint64_t generation_ = 0;
    bool started_ = false;
};

}  // namespace tarvolo
