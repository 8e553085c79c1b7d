// The keystroke as the user feels it, on the real main window with a million
// rows: a letter typed into the search box, Find Next, and the first keystroke
// after a drive's rows were loaded, each timed from the message until the
// window has nothing left to do (the list and the history box painted). Then
// the same keystrokes again one step at a time, to show where the time goes:
// the search, the scroll, the selection, the paint, the path and the history
// box's text.
//   wine build/win/keystroke_bench.exe [rows]
#include <cstdio>

#ifndef _WIN32

int main() {
    std::printf("keystroke_bench: Windows only\n");
    return 0;
}

#else

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "adapters/WinLocale.h"
#include "bench/BenchRows.h"
#include "bench/BenchSupport.h"
#include "mainwindow/Main.h"
#include "platform/Application.h"
#include "platform/WinText.h"
#include "tests/support/NoFiles.h"

namespace {

using namespace tarvolo;
using bench::Clock;
using bench::GenerateRows;
using bench::Median;
using bench::Ms;
using bench::Settle;
using bench::ThreadCpuMs;
using bench::Worst;

constexpr bench::FigureLine Figure{58, 10, 2};

// The texts typed, letter by letter: the beginnings of names of rows spread
// over the drive, so most first letters jump far and scroll.
std::vector<std::string> TypedNames(const RowStore& rows, size_t count) {
    std::mt19937 rng(7);
    std::vector<std::string> names;
    while (names.size() < count) {
        const std::string_view name = rows.Name(1 + rng() % (rows.size() - 1));
        std::string typed;
        for (char c : name.substr(0, 4)) {
            if (static_cast<unsigned char>(c) >= 0x80 || c == ' ') break;
            typed += c;
        }
        if (typed.size() >= 2) names.push_back(typed);
    }
    return names;
}

class Bench {
public:
    Bench(Model& model, TfrmMain& main) : model_(model), main_(main) {
        edit_ = ::GetDlgItem(main.Handle(), IDC_DIRTOFIND);
        findNext_ = ::GetDlgItem(main.Handle(), IDC_BTNFINDNEXT);
        // The controls sit in group boxes and panels: find them among all descendants.
        if (!edit_) edit_ = Descendant(IDC_DIRTOFIND);
        if (!findNext_) findNext_ = Descendant(IDC_BTNFINDNEXT);
    }
    bool Ready() const { return edit_ && findNext_; }
    void FocusSearch() const { ::SetFocus(edit_); }

    // A drive's rows given to the window as a drive change gives them: the
    // list told their number, the root selected and its path shown, the search
    // box emptied; timed until the window is idle, the search names included.
    double Load(const RowStore& rows) {
        const auto t0 = Clock::now();
        main_.AsLiveIndexView().ShowRows(rows);
        model_.drive.BuildCodes();
        main_.AsLiveIndexView().SelectListRow(0);
        main_.AsLiveIndexView().SelectedRowMoved();
        ::SetWindowTextW(edit_, L"");
        Settle();
        return Ms(t0, Clock::now());
    }

    // One letter typed at the caret (the end of the text).
    double Type(wchar_t c) {
        const auto t0 = Clock::now();
        ::SendMessageW(edit_, WM_CHAR, c, 1);
        Settle();
        return Ms(t0, Clock::now());
    }
    void Clear() {
        ::SetWindowTextW(edit_, L"");
        Settle();
    }
    double FindNext() {
        const auto t0 = Clock::now();
        ::SendMessageW(main_.Handle(), WM_COMMAND, MAKEWPARAM(IDC_BTNFINDNEXT, BN_CLICKED),
                       reinterpret_cast<LPARAM>(findNext_));
        Settle();
        return Ms(t0, Clock::now());
    }
    std::string CurrentPath() const { return main_.CurrentPath(); }
    long Selected() { return main_.Tree().SelectedRow(); }

private:
    HWND Descendant(int id) const {
        struct Find {
            int id;
            HWND found;
        } find{id, nullptr};
        ::EnumChildWindows(
            main_.Handle(),
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* f = reinterpret_cast<Find*>(lp);
                if (::GetDlgCtrlID(hwnd) != f->id) return TRUE;
                f->found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&find));
        return find.found;
    }

    Model& model_;
    TfrmMain& main_;
    HWND edit_ = nullptr;
    HWND findNext_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    if (count < 2) return 1;
    Application::Get().Initialize(::GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    NoFiles files;
    const WinAnsiDecoder ansi;
    Model model("C:\\nowhere", files, ansi);
    auto main = std::make_unique<TfrmMain>(model);
    main->Tree().LoadConnectors();
    ::ShowWindow(main->Handle(), SW_SHOWNORMAL);
    ::UpdateWindow(main->Handle());
    Settle();
    Bench bench(model, *main);
    if (!bench.Ready()) {
        std::printf("keystroke_bench: the search box or Find Next is missing\n");
        return 1;
    }
    bench.FocusSearch();

    const RowStore generated = GenerateRows(count);
    Figure("rows", static_cast<double>(generated.size()), "rows");
    const std::vector<std::string> names = TypedNames(generated, 60);

    // The first keystroke after each of several loads.
    std::vector<double> loads, firsts;
    for (int run = 0; run < 7; ++run) {
        loads.push_back(bench.Load(generated));
        const std::string& name = names[static_cast<size_t>(run)];
        firsts.push_back(bench.Type(static_cast<wchar_t>(name[0])));
        if (bench.CurrentPath().size() < 2) {
            std::printf("keystroke_bench: the first keystroke selected no directory\n");
            return 1;
        }
        bench.Clear();
    }

    // Typing names letter by letter, and a letter that matches nothing (taken
    // back: the text searched again), after each name.
    std::vector<double> keys, takenBack;
    const double cpu0 = ThreadCpuMs();
    for (const std::string& name : names) {
        for (char c : name) keys.push_back(bench.Type(static_cast<wchar_t>(c)));
        takenBack.push_back(bench.Type(L'~'));
        bench.Clear();
    }

    // Find Next with a text that matches often (the next match mostly on the
    // page shown) and with ones that match seldom (the list scrolls).
    const double keysCpu = (ThreadCpuMs() - cpu0) / static_cast<double>(keys.size() + 2 * takenBack.size());
    std::vector<double> nexts;
    const double cpu1 = ThreadCpuMs();
    for (const char* text : {"c", "Pro", "cac", "Tem"}) {
        bench.Clear();
        for (const char* p = text; *p; ++p) bench.Type(static_cast<wchar_t>(*p));
        for (int i = 0; i < 30; ++i) nexts.push_back(bench.FindNext());
    }
    const double nextsCpu = (ThreadCpuMs() - cpu1) / static_cast<double>(nexts.size());
    bench.Clear();

    Figure("load until idle, search names built (median of 7)", Median(loads), "ms");
    Figure("first keystroke after a load (median of 7)", Median(firsts), "ms");
    Figure("first keystroke after a load (worst of 7)", Worst(firsts), "ms");
    char what[96];
    std::snprintf(what, sizeof what, "keystroke (median of %zu)", keys.size());
    Figure(what, Median(keys), "ms");
    Figure("keystroke (worst)", Worst(keys), "ms");
    std::snprintf(what, sizeof what, "keystroke taken back (median of %zu)", takenBack.size());
    Figure(what, Median(takenBack), "ms");
    Figure("keystroke, UI thread's processor time (mean, Esc included)", keysCpu, "ms");
    std::snprintf(what, sizeof what, "Find Next (median of %zu)", nexts.size());
    Figure(what, Median(nexts), "ms");
    Figure("Find Next (worst)", Worst(nexts), "ms");
    Figure("Find Next, UI thread's processor time (mean)", nextsCpu, "ms");

    // The same typing again, one step at a time on the same controls.
    const WinCaseFolder folder;
    TreeList& tree = main->Tree();
    HistoryBox& history = main->History();
    HWND list = tree.Handle();
    struct Steps {
        std::vector<double> search, select, paint, path, text, hints, rest, whole;
        double cpu[7] = {};  // each step's processor time, summed over every keystroke
    };
    // One keystroke's steps: the search for `typed`, then what the window does with its row.
    const auto step = [&](const std::string& typed, Steps& s) {
        double c[8];
        c[0] = ThreadCpuMs();
        const auto t0 = Clock::now();
        const long found = model.drive.Find(0, typed, folder);
        const auto t1 = Clock::now();
        c[1] = ThreadCpuMs();
        if (found < 0) return;
        tree.SelectRow(found);
        const auto t2 = Clock::now();
        c[2] = ThreadCpuMs();
        ::UpdateWindow(list);
        const auto t3 = Clock::now();
        c[3] = ThreadCpuMs();
        const std::string shown = "C:" + model.drive.rows.Path(static_cast<size_t>(found));
        const auto t4 = Clock::now();
        c[4] = ThreadCpuMs();
        history.SetCurrentPath(shown);
        const auto t5 = Clock::now();
        c[5] = ThreadCpuMs();
        main->SetHint(history.Handle(), shown);
        main->SetHint(list, shown);
        const auto t6 = Clock::now();
        c[6] = ThreadCpuMs();
        Settle();
        const auto t7 = Clock::now();
        c[7] = ThreadCpuMs();
        for (int k = 0; k < 7; ++k) s.cpu[k] += c[k + 1] - c[k];
        s.search.push_back(Ms(t0, t1));
        s.select.push_back(Ms(t1, t2));
        s.paint.push_back(Ms(t2, t3));
        s.path.push_back(Ms(t3, t4));
        s.text.push_back(Ms(t4, t5));
        s.hints.push_back(Ms(t5, t6));
        s.rest.push_back(Ms(t6, t7));
        s.whole.push_back(Ms(t0, t7));
    };
    const auto print = [](const char* which, const Steps& s) {
        const double steps = static_cast<double>(std::max<size_t>(1, s.whole.size()));
        const auto Split = [&](const char* name, const std::vector<double>& times, double cpuSum) {
            char line[120];
            std::snprintf(line, sizeof line, "%s: %s (median; processor time, mean)", which, name);
            std::printf("%-58s %10.2f ms %8.2f ms\n", line, Median(times), cpuSum / steps);
        };
        Split("search", s.search, s.cpu[0]);
        Split("selection, with the scroll", s.select, s.cpu[1]);
        Split("list paint", s.paint, s.cpu[2]);
        Split("path building", s.path, s.cpu[3]);
        Split("history box text", s.text, s.cpu[4]);
        Split("hints of the history box and the list", s.hints, s.cpu[5]);
        Split("the rest until idle, history box painted", s.rest, s.cpu[6]);
        double cpuAll = 0;
        for (double v : s.cpu) cpuAll += v;
        Split("the steps together", s.whole, cpuAll);
    };
    Steps typing;
    tree.SelectRow(0);
    Settle();
    for (const std::string& name : names)
        for (size_t len = 1; len <= name.size(); ++len) step(name.substr(0, len), typing);
    print("split", typing);
    // The first keystroke after a load, the same steps.
    Steps first;
    for (int run = 0; run < 7; ++run) {
        bench.Load(generated);
        step(names[static_cast<size_t>(run)].substr(0, 1), first);
    }
    print("split after a load", first);

    main.reset();
    return 0;
}

#endif
