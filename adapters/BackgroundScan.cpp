#include "adapters/BackgroundScan.h"

#include "adapters/WinDirectoryLister.h"
#include "adapters/WinLocale.h"
#include "platform/BackgroundJob.h"
#include "platform/WinText.h"

namespace tarvolo {

void BackgroundScan::Start(const std::string& root, const ScanFilter& filter, std::function<RowStore()> known,
                           bool catchUp, Replay replay) {
    Cancel();
    root_ = root;
    cancel_ = false;
    done_ = false;
    ok_ = false;
    const bool started = StartBackgroundJob(
        thread_, done_, JobReport{notify_, message_},
        [this, root, filter, known = std::move(known), catchUp, replay = std::move(replay)] {
            if (catchUp) BackgroundMode(true);
            if (replay && replay(cancel_, replayed_)) {
                ok_ = !cancel_.load();
                return;
            }
            replayed_.clear();
            WinDirectoryLister plainLister;
            BackgroundDirectoryLister backgroundLister;
            WinDirectoryLister& lister = catchUp ? backgroundLister : plainLister;
            const WinCollator collator;
            CancelOnlyObserver observer(cancel_);
            rows_ = WalkDirectoriesParallel(root, filter, lister, collator, observer, ScanThreadCount());
            // A drive that could not be listed replaces nothing.
            const bool walked = !cancel_.load() && !observer.rootUnlisted;
            if (walked && !observer.unlisted.empty() && known)
                KeepKnownBelow(rows_, known(), observer.unlisted, collator);
            if (walked && !catchUp) codes_.Build(rows_);
            ok_ = walked && !cancel_.load();
        },
        [this] { ok_ = false; });
    if (!started) done_ = true;
}

void BackgroundScan::Cancel() {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
    rows_ = RowStore();
    codes_ = TreeCodes();
    replayed_.clear();
    ok_ = false;
}

bool BackgroundScan::Take(RowStore& rows, TreeCodes& codes) {
    if (!done_.load() || !thread_.joinable()) return false;
    thread_.join();
    const bool ok = ok_;
    if (ok) {
        rows = std::move(rows_);
        codes = std::move(codes_);
    }
    rows_ = RowStore();
    codes_ = TreeCodes();
    if (!ok) replayed_.clear();
    ok_ = false;
    return ok;
}

}  // namespace tarvolo
