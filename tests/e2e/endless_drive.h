// A drive no scan can finish, for the tests that must act while a scan runs:
// the walk ends only when the program stops it, whenever the test acts, and a
// walk that was stopped has always left rows out.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "tests/e2e/Harness.h"

namespace e2e {

// The endless tree (endlessfs: two folders, d0 and d1, in every folder, 62
// levels deep) mounted on `folder` for the test's time; unmounted before the
// test's folder is removed, which must not walk into it (and by the helper
// itself after 170 s, should the test be killed).
class EndlessTree {
public:
    explicit EndlessTree(const std::string& folder) : folder_(folder) {
        // Built beside the program under test.
        const char* exe = std::getenv("TARVOLO_EXE");
        const std::string built = exe ? exe : "";
        if (built.empty() || built[0] != '/' || built.rfind('/') == std::string::npos) {
            problem_ = "TARVOLO_EXE is not a Unix path: " + built;
            return;
        }
        const std::string helper = built.substr(0, built.rfind('/')) + "/endlessfs";
        const std::string log = folder + ".log";
        if (RunUnix("mkdir -p " + ShellQuote(folder)) != 0)
            problem_ = "cannot make " + folder;
        else if (RunUnix("setsid " + ShellQuote(helper) + " " + ShellQuote(folder) + " 170 </dev/null >" +
                         ShellQuote(log) + " 2>&1 &") != 0)
            problem_ = "cannot start " + helper;
        else if (!WaitFor([&] { return RunUnix("test -d " + ShellQuote(folder + "/d1/d1")) == 0; }, 10s))
            problem_ = "not mounted after 10 s: " + RunUnixOutput("cat " + ShellQuote(log));
    }
    ~EndlessTree() { RunUnix("umount -l " + ShellQuote(folder_)); }
    EndlessTree(const EndlessTree&) = delete;
    EndlessTree& operator=(const EndlessTree&) = delete;
    // Empty once the tree is there.
    const std::string& Problem() const { return problem_; }

private:
    std::string folder_;
    std::string problem_;
};

// The endless tree as drive `letter`. The tree is the drive itself: Wine
// reports a mount point inside a drive as a reparse point, which the walk does
// not enter. Its root is read-only, so the program keeps the drive's index in
// the user's folder, here a folder of the test's own (LOCALAPPDATA, given to
// the program at its start).
class EndlessDrive {
public:
    EndlessDrive(const TestDir& dir, char letter)
        : dir_(dir), letter_(static_cast<char>(toupper(letter))), tree_(dir.UnixOf("endless")) {
        if (!tree_.Problem().empty()) return;
        drive_ = std::make_unique<Drive>(letter_, dir.UnixOf("endless"));
        MakeDirs(dir.Win("appdata\\Tarvolo"));
    }
    EndlessDrive(const EndlessDrive&) = delete;
    EndlessDrive& operator=(const EndlessDrive&) = delete;

    // Empty once the drive is there.
    std::string Problem() const {
        return tree_.Problem().empty() ? std::string()
                                       : tree_.Problem() + " (the endless tree needs /dev/fuse and root)";
    }
    std::string Root() const { return std::string(1, letter_) + ":\\"; }
    // The file the program writes the drive's index to, and loads it from.
    std::string UserIndex() const {
        return dir_.Win("appdata\\Tarvolo\\" + std::string(1, letter_) + ".dir");
    }
    // Starts `program` with the user's folder of this drive.
    bool Start(Program& program) const {
        ::SetEnvironmentVariableW(L"LOCALAPPDATA", W(dir_.Win("appdata")).c_str());
        const bool started = program.Start();
        ::SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
        return started;
    }

private:
    const TestDir& dir_;
    char letter_;
    EndlessTree tree_;
    std::unique_ptr<Drive> drive_;  // gone before the tree is unmounted
};

// The number the scan window counts ("Directories Indexed: N"), or -1 when it
// shows none.
inline long IndexedCount(HWND scan) {
    const std::string prefix = "Directories Indexed: ";
    for (HWND c = scan ? ::GetWindow(scan, GW_CHILD) : nullptr; c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        const std::string text = Text(c);
        if (text.compare(0, prefix.size(), prefix) == 0) return std::atol(text.c_str() + prefix.size());
    }
    return -1;
}

// Waits until the scan window has counted at least `least` directories, so
// that what the walk found is more than the drive's root; `seen` is the last
// count read.
inline ::testing::AssertionResult WaitIndexedAtLeast(HWND scan, long least, long& seen,
                                                     std::chrono::milliseconds timeout = 30s) {
    if (WaitFor([&] { return (seen = IndexedCount(scan)) >= least; }, timeout))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the scan's count stays at " << seen << " (-1: no count shown), not " << least << " or more";
}

// The rows of an index file's text (CR LF ended).
inline size_t RowCount(const std::string& index) {
    size_t rows = 0;
    for (size_t at = 0; (at = index.find("\r\n", at)) != std::string::npos; at += 2) ++rows;
    return rows;
}

// A row 24 levels down, the second folder at every level: millions of listings
// come before it in any order of walk, far more than a test waits for, so it is
// out of reach of a walk that was stopped.
inline std::string OutOfReachRow() {
    std::string row;
    for (int level = 0; level < 24; ++level) row += "\\d1";
    return row + "\r\n";
}

}  // namespace e2e
