#include "platform/BackgroundScan.h"

#include <system_error>

#include "platform/WinDirectoryLister.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

// Nothing to show and no window to pump: only the cancel request is asked for.
struct CancelOnly : ScanObserver {
    explicit CancelOnly(const std::atomic<bool>& cancel) : cancel_(cancel) {}
    void Progress(uint32_t) override {}
    void Pump() override {}
    bool CancelRequested() override { return cancel_.load(); }
    const std::atomic<bool>& cancel_;
};

}  // namespace

void BackgroundScan::Start(const std::string& root, const ScanFilter& filter) {
    Cancel();
    root_ = root;
    cancel_ = false;
    done_ = false;
    ok_ = false;
    try {
        thread_ = std::thread([this, root, filter] {
            try {
                WinDirectoryLister lister;
                const WinCollator collator;
                CancelOnly observer(cancel_);
                rows_ = WalkDirectoriesParallel(root, filter, lister, collator, observer, ScanThreadCount());
                ok_ = !cancel_.load();
            } catch (const std::exception&) {
                ok_ = false;
            }
            done_ = true;
            ::PostMessageW(notify_, message_, 0, 0);
        });
    } catch (const std::system_error&) {
        done_ = true;
    }
}

void BackgroundScan::Cancel() {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
    rows_ = RowStore();
    ok_ = false;
}

bool BackgroundScan::Take(RowStore& rows) {
    if (!done_.load() || !thread_.joinable()) return false;
    thread_.join();
    const bool ok = ok_;
    if (ok) rows = std::move(rows_);
    rows_ = RowStore();
    ok_ = false;
    return ok;
}

}  // namespace tarvolo
