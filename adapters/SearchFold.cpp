#include "adapters/SearchFold.h"

#include <system_error>

#include "adapters/WinLocale.h"

namespace tarvolo {

bool SearchFold::Start(const RowStore& rows, uint64_t generation) {
    Join();
    folded_.reset();
    started_ = false;
    try {
        thread_ = std::thread([this, &rows] {
            try {
                const WinCaseFolder folder;
                SearchIndex search;
                search.Build(rows, folder);
                folded_ = std::move(search);
            } catch (const std::exception&) {
                // Out of memory: the window folds the names itself at the first search.
                folded_.reset();
            }
            ::PostMessageW(notify_, message_, 0, 0);
        });
    } catch (const std::system_error&) {
        return false;
    }
    generation_ = generation;
    started_ = true;
    return true;
}

std::optional<SearchIndex> SearchFold::Take(uint64_t& generation) {
    Join();
    started_ = false;
    generation = generation_;
    std::optional<SearchIndex> out = std::move(folded_);
    folded_.reset();
    return out;
}

}  // namespace tarvolo
