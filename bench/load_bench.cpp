// Times what a drive change does with a million-row index file, on the real
// path: the file read from disk, parsed in its own buffer, tree codes, search
// index, the count given to an owner-drawn LBS_NODATA list box and the root
// selected and painted. Then the memory held against the file's size, and the
// worst keystroke and Find Next the search box can meet.
#include <cstdio>

#ifndef _WIN32

int main() {
    std::printf("load_bench: Windows only\n");
    return 0;
}

#else

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "adapters/DriveLoads.h"
#include "adapters/SearchFold.h"
#include "adapters/ShownDriveRead.h"
#include "adapters/WinFileSystem.h"
#include "adapters/WinLocale.h"
#include "bench/BenchRows.h"
#include "bench/BenchSupport.h"
#include "index/IndexFile.h"
#include "index/LiveUpdate.h"
#include "index/Rows.h"
#include "index/Scan.h"
#include "index/Search.h"
#include "index/TreeCodes.h"
#include "model/Model.h"
#include "platform/AtomicFile.h"
#include "platform/WinText.h"

namespace {

using namespace tarvolo;
using bench::Clock;
using bench::GenerateRows;
using bench::Ms;

constexpr bench::FigureLine Figure{46, 12, 2};

// What the list needs to paint: the rows, and nothing per row of its own.
const RowStore* gRows = nullptr;
// The shown drive's names are folded on a thread of their own, which posts this at its end.
constexpr UINT kFoldedMessage = WM_APP + 2;
bool gFolded = false;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kFoldedMessage) {
        gFolded = true;
        return 0;
    }
    if (msg == WM_MEASUREITEM) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = 16;
        return TRUE;
    }
    if (msg == WM_DRAWITEM) {
        const auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (gRows && item.itemID < gRows->size()) {
            const std::wstring name = Widen(gRows->Name(item.itemID));
            ::ExtTextOutW(item.hDC, item.rcItem.left + 24, item.rcItem.top, ETO_OPAQUE, &item.rcItem,
                          name.c_str(), static_cast<UINT>(name.size()), nullptr);
        }
        return TRUE;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// The processor time of every thread of this process so far.
double ProcessorMs() {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto ms = [](const FILETIME& t) {
        return static_cast<double>(uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

// The shown drive's and every other drive's read, as the program does it.
RowStore ReadIndex(const std::string& path, const AnsiDecoder& decoder) {
    WinFileSystem files;
    IndexRead read = ReadDriveIndexFile(files, decoder, path, "");
    return read.result == FileSystem::Read::loaded ? std::move(read.rows) : RowStore();
}

}  // namespace

int main(int argc, char** argv) {
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::string path = Narrow(temp) + "load_bench.dir";

    const RowStore generated = GenerateRows(count);
    const std::string text = IndexFileText(generated);
    if (!ReplaceFileAtomically(path, text, nullptr)) {
        std::printf("load_bench: cannot write %s\n", path.c_str());
        return 1;
    }
    const double fileBytes = static_cast<double>(text.size());
    Figure("rows", static_cast<double>(generated.size()), "rows");
    Figure("index file size", fileBytes / 1e6, "MB");

    bench::RegisterPlainClass(L"LoadBenchHost", HostProc);
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    HWND host = ::CreateWindowExW(0, L"LoadBenchHost", L"load_bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  537, 417, nullptr, nullptr, instance, nullptr);
    HWND list = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NODATA |
                                      LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                                  8, 48, 505, 225, host, nullptr, instance, nullptr);

    const WinAnsiDecoder decoder;
    const WinCaseFolder folder;
    RowStore rows;
    TreeCodes codes;
    SearchIndex search;
    double best[7] = {1e300, 1e300, 1e300, 1e300, 1e300, 1e300, 1e300};
    double first = 0;
    double pieces = 1e300;
    for (int run = 0; run < 3; ++run) {
        // Released first, as a drive change replaces the rows of the drive before.
        gRows = nullptr;
        ::SendMessageW(list, LB_SETCOUNT, 0, 0);
        rows = RowStore();
        codes.Clear();
        search.Clear();
        ::ShowWindow(list, SW_HIDE);
        const auto t0 = Clock::now();
        std::string bytes;
        bool existed = false;
        if (!ReadWholeFile(path, bytes, &existed, kMaxIndexFileBytes)) return 1;
        const auto t1 = Clock::now();
        rows = ParseIndexFileBuffer(std::move(bytes), decoder);
        const auto t1b = Clock::now();
        // What the program does: the file parsed piece by piece as it is read.
        rows = ReadIndex(path, decoder);
        const auto t2 = Clock::now();
        pieces = std::min(pieces, Ms(t1b, t2));
        codes.Build(rows);
        const auto t3 = Clock::now();
        gRows = &rows;
        ::SendMessageW(list, LB_SETCOUNT, rows.size(), 0);
        ::SendMessageW(list, LB_SETCURSEL, 0, 0);
        ::ShowWindow(list, SW_SHOW);
        ::UpdateWindow(list);
        const auto t4 = Clock::now();
        // The program folds the names for the search once the tree is shown, and
        // builds Quick Jump's name starts from them in a later step.
        search.Build(rows, folder, false);
        const auto t5 = Clock::now();
        search.BuildNameStarts(rows);
        const auto t6 = Clock::now();
        const double steps[7] = {Ms(t0, t1), Ms(t1, t1b), Ms(t4, t5), Ms(t2, t3),
                                 Ms(t3, t4), Ms(t1b, t4), Ms(t5, t6)};
        for (int i = 0; i < 7; ++i) best[i] = std::min(best[i], steps[i]);
        if (run == 0) first = steps[5];
    }
    if (rows != generated || codes.size() != rows.size() ||
        ::SendMessageW(list, LB_GETCOUNT, 0, 0) != static_cast<LRESULT>(rows.size())) {
        std::printf("load_bench: the loaded rows differ from the generated ones\n");
        return 1;
    }
    // The floor for the read: the whole file in one buffer of its exact size.
    double bare = 1e300;
    for (int run = 0; run < 3; ++run) {
        const auto b0 = Clock::now();
        HANDLE f = ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        std::string whole(text.size(), '\0');
        DWORD got = 0;
        size_t at = 0;
        while (at < whole.size() &&
               ::ReadFile(f, whole.data() + at,
                          static_cast<DWORD>(std::min<size_t>(whole.size() - at, 1u << 24)), &got, nullptr) &&
               got)
            at += got;
        ::CloseHandle(f);
        bare = std::min(bare, Ms(b0, Clock::now()));
    }
    // What a drive read in the background does besides the read and the fold: its order checked, and
    // (DriveLoads) its room trimmed, which copies its rows once more.
    double order = 1e300, trim = 1e300;
    for (int run = 0; run < 3; ++run) {
        RowStore copy = ReadIndex(path, decoder);
        const auto o0 = Clock::now();
        EnsureTreeOrder(copy, WinCollator());
        const auto o1 = Clock::now();
        copy.ShrinkToFit();
        const auto o2 = Clock::now();
        order = std::min(order, Ms(o0, o1));
        trim = std::min(trim, Ms(o1, o2));
    }
    Figure("bare ReadFile into an exact buffer (best of 3)", bare, "ms");
    Figure("EnsureTreeOrder of rows in order (best of 3)", order, "ms");
    Figure("RowStore::ShrinkToFit after a read (best of 3)", trim, "ms");
    Figure("ReadWholeFile (best of 3)", best[0], "ms");
    Figure("ParseIndexFileBuffer (best of 3)", best[1], "ms");
    Figure("the same read and parsed in pieces (best of 3)", pieces, "ms");
    Figure("SearchIndex::Build, names only, after the root is shown (best of 3)", best[2], "ms");
    Figure("SearchIndex::BuildNameStarts, the step after (best of 3)", best[6], "ms");
    Figure("TreeCodes::Build (best of 3)", best[3], "ms");
    Figure("LB_SETCOUNT, root selected, painted (best of 3)", best[4], "ms");
    Figure("load until the root is shown (first run)", first, "ms");
    Figure("load until the root is shown (best of 3)", best[5], "ms");

    bench::MemoryFigures(Figure, rows, codes, search, fileBytes);

    // A keystroke that matches nothing: the search from the top finds nothing,
    // the text is taken back and searched again, and the list selects the match.
    // '~' is never generated; "Program" begins many names.
    // The search alone is timed beside the whole, which includes the list's
    // scrolling and painting to a match in another place.
    std::vector<double> keys, searches;
    for (int i = 0; i < 21; ++i) {
        const char* accepted = i % 2 ? "Program" : "ca";
        const std::string typed = std::string(accepted) + "~";
        const auto k0 = Clock::now();
        long found = search.FindFrom(0, typed, folder);
        if (found < 0) found = search.FindFrom(0, accepted, folder);
        searches.push_back(Ms(k0, Clock::now()));
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
        ::UpdateWindow(list);
        keys.push_back(Ms(k0, Clock::now()));
    }
    std::sort(keys.begin(), keys.end());
    std::sort(searches.begin(), searches.end());
    Figure("keystroke taken back (median of 21)", keys[keys.size() / 2], "ms");
    Figure("keystroke taken back (worst of 21)", keys.back(), "ms");
    Figure("keystroke taken back, search alone (median of 21)", searches[searches.size() / 2], "ms");

    // Find Next from the middle when no other row matches: every row is tested once.
    const std::string unique = "~only";
    std::vector<double> nexts;
    for (int i = 0; i < 21; ++i) {
        const auto n0 = Clock::now();
        const long found = search.FindFrom(static_cast<long>(rows.size() / 2), unique, folder);
        if (found >= 0) ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
        ::UpdateWindow(list);
        nexts.push_back(Ms(n0, Clock::now()));
    }
    std::sort(nexts.begin(), nexts.end());
    Figure("Find Next, no other match (median of 21)", nexts[nexts.size() / 2], "ms");
    Figure("Find Next, no other match (worst of 21)", nexts.back(), "ms");

    // Both again with the text looked for anywhere in a name.
    keys.clear();
    searches.clear();
    nexts.clear();
    for (int i = 0; i < 21; ++i) {
        const char* accepted = i % 2 ? "gram" : "ca";
        const std::string typed = std::string(accepted) + "~";
        const auto k0 = Clock::now();
        long found = search.FindFrom(0, typed, folder, MatchRule::anywhere);
        if (found < 0) found = search.FindFrom(0, accepted, folder, MatchRule::anywhere);
        searches.push_back(Ms(k0, Clock::now()));
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
        ::UpdateWindow(list);
        const auto k1 = Clock::now();
        found = search.FindFrom(static_cast<long>(rows.size() / 2), unique, folder, MatchRule::anywhere);
        if (found >= 0) ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
        ::UpdateWindow(list);
        keys.push_back(Ms(k0, k1));
        nexts.push_back(Ms(k1, Clock::now()));
    }
    std::sort(keys.begin(), keys.end());
    std::sort(searches.begin(), searches.end());
    std::sort(nexts.begin(), nexts.end());
    Figure("anywhere: keystroke taken back (median of 21)", keys[keys.size() / 2], "ms");
    Figure("anywhere: keystroke taken back (worst of 21)", keys.back(), "ms");
    Figure("anywhere: keystroke taken back, search alone (median of 21)", searches[searches.size() / 2],
           "ms");
    Figure("anywhere: Find Next, no other match (median of 21)", nexts[nexts.size() / 2], "ms");
    Figure("anywhere: Find Next, no other match (worst of 21)", nexts.back(), "ms");

    // Three drives of this size at start, as the program does it: the shown one
    // read on a thread of its own (ShownDriveRead) while the window's thread
    // answers, and put on screen, then the two others read in the
    // background (DriveLoads) while the shown drive's names are folded on a
    // thread of their own (SearchFold) and the window's thread answers messages. Every drive is searchable
    // once the last background read is taken; the longest step is the window's thread's longest time between
    // two looks at its messages once the root is shown.
    const std::string others[2] = {Narrow(temp) + "load_bench-2.dir", Narrow(temp) + "load_bench-3.dir"};
    for (const std::string& other : others) {
        if (!ReplaceFileAtomically(other, text, nullptr)) {
            std::printf("load_bench: cannot write %s\n", other.c_str());
            return 1;
        }
    }
    const UINT kLoaded = WM_APP + 1;
    const UINT kShownRead = WM_APP + 3;
    gRows = nullptr;
    ::SendMessageW(list, LB_SETCOUNT, 0, 0);
    rows = RowStore();
    codes.Clear();
    search.Clear();
    {
        const auto s0 = Clock::now();
        const double cpu0 = ProcessorMs();
        DriveLoads loads(host, kLoaded, [&decoder](const std::string& file, RowStore& out) {
            out = ReadIndex(file, decoder);
            EnsureTreeOrder(out, WinCollator());
            return !out.empty();
        });
        double longestStep = 0;
        auto step = Clock::now();
        auto pump = [&] {
            bench::Settle();
            const auto now = Clock::now();
            longestStep = std::max(longestStep, Ms(step, now));
            step = now;
        };
        ShownDriveRead shownRead(host, kShownRead);
        shownRead.Start("B:", DriveIndexPaths{path, ""});
        std::optional<ShownDriveRead::Outcome> outcome;
        while (!(outcome = shownRead.Take())) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            pump();
        }
        if (outcome->read.result != FileSystem::Read::loaded) return 1;
        rows = std::move(outcome->read.rows);
        codes = std::move(outcome->codes);
        gRows = &rows;
        ::SendMessageW(list, LB_SETCOUNT, rows.size(), 0);
        ::SendMessageW(list, LB_SETCURSEL, 0, 0);
        ::UpdateWindow(list);
        const double shown = Ms(s0, Clock::now());
        for (const std::string& other : others) loads.Load(other);
        const double shownStep = std::max(longestStep, Ms(step, Clock::now()));
        longestStep = 0;
        step = Clock::now();
        gFolded = false;
        SearchFold fold(host, kFoldedMessage);
        if (!fold.Start(rows, 1)) return 1;
        pump();
        size_t taken = 0;
        std::vector<DriveLoads::Loaded> held;
        while (taken < 2 || !gFolded) {
            for (DriveLoads::Loaded& l : loads.Take()) {
                if (!l.ok || l.search.size() != l.rows.size()) {
                    std::printf("load_bench: a drive read in the background failed\n");
                    return 1;
                }
                held.push_back(std::move(l));
                ++taken;
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            pump();
        }
        const double searchable = Ms(s0, Clock::now());
        const double processor = ProcessorMs() - cpu0;
        uint64_t generation = 0;
        std::optional<SearchIndex> folded = fold.Take(generation);
        if (!folded || folded->size() != rows.size()) {
            std::printf("load_bench: the shown drive's names were not folded\n");
            return 1;
        }
        search = std::move(*folded);
        Figure("three drives: the shown root on screen", shown, "ms");
        Figure("three drives: every drive searchable", searchable, "ms");
        Figure("three drives: longest step of the window's thread", longestStep, "ms");
        Figure("three drives: longest step while the shown drive is read and shown", shownStep, "ms");
        // What every thread of the program took: on two cores the searchable
        // drives can come no sooner than half of it, whoever else runs.
        Figure("three drives: processor time, all threads", processor, "ms");
        size_t heldBytes = rows.MemoryBytes() + codes.MemoryBytes() + search.MemoryBytes();
        for (const DriveLoads::Loaded& l : held) heldBytes += l.rows.MemoryBytes() + l.search.MemoryBytes();
        Figure("three drives: memory / their files", static_cast<double>(heldBytes) / (3 * fileBytes), "x");

        // A change to another drive of this size once all are loaded: the rows shown go to the held
        // drives, the chosen drive's file is read on its thread while the window's thread answers, and
        // its rows are put on screen.
        step = Clock::now();
        longestStep = 0;
        const auto c0 = Clock::now();
        DriveRows left;
        left.rows = std::move(rows);
        left.codes = std::move(codes);
        left.search = std::move(search);
        gRows = nullptr;
        ::SendMessageW(list, LB_SETCOUNT, 0, 0);
        ShownDriveRead changeRead(host, kShownRead);
        changeRead.Start("C:", DriveIndexPaths{others[0], ""});
        pump();
        std::optional<ShownDriveRead::Outcome> changed;
        while (!(changed = changeRead.Take())) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            pump();
        }
        if (changed->read.result != FileSystem::Read::loaded) return 1;
        rows = std::move(changed->read.rows);
        codes = std::move(changed->codes);
        gRows = &rows;
        ::SendMessageW(list, LB_SETCOUNT, rows.size(), 0);
        ::SendMessageW(list, LB_SETCURSEL, 0, 0);
        ::UpdateWindow(list);
        const double changeShown = Ms(c0, Clock::now());
        longestStep = std::max(longestStep, Ms(step, Clock::now()));
        Figure("drive change: the chosen root on screen", changeShown, "ms");
        Figure("drive change: longest step of the window's thread", longestStep, "ms");
    }
    for (const std::string& other : others) ::DeleteFileW(Widen(other).c_str());

    ::DestroyWindow(host);
    ::DeleteFileW(Widen(path).c_str());
    return 0;
}

#endif
