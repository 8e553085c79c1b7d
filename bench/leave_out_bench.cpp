// What leaving out node_modules and .git saves on a developer's disk: rows,
// the rows' memory, the directories the walk opens (what a real scan pays
// for, one listing each) and the walk's own time, against the same walk with
// no rules; and what checking the rules costs a walk they leave nothing out of.
// TARVOLO_PROJECTS (default 100) sets the number of projects.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/TreeDisk.h"
#include "index/LeaveOut.h"
#include "index/Scan.h"

namespace {

using namespace tarvolo;
using bench::Clock;

constexpr bench::FigureLine Figure{52, 12, 2};

struct CountingLister : DirectoryLister {
    explicit CountingLister(TreeDisk& d) : disk(d) {}
    bool List(const std::string& dir, const std::function<bool(const DirEntry&)>& each) override {
        ++listed;
        return disk.List(dir, each);
    }
    TreeDisk& disk;
    size_t listed = 0;
};

// Projects as a developer's disk holds them: sources, a package folder of
// hundreds of packages with their own folders and nested packages, and a
// repository with its 256 object folders; beside them a user's own folders.
TreeDisk DeveloperDisk(int projects) {
    TreeDisk disk;
    const char* packageDirs[] = {"lib", "dist", "src", "test", "docs", "types", "esm", "cjs"};
    const char* sourceDirs[] = {"src", "test", "docs", "scripts", "assets", "config"};
    disk.Make("\\Users");
    disk.Make("\\Users\\me");
    disk.Make("\\Users\\me\\Documents");
    for (int d = 0; d < 2000; ++d) disk.Make("\\Users\\me\\Documents\\folder" + std::to_string(d));
    disk.Make("\\src");
    char hex[3];
    for (int p = 0; p < projects; ++p) {
        const std::string project = "\\src\\project" + std::to_string(p);
        disk.Make(project);
        for (const char* s : sourceDirs) {
            disk.Make(project + "\\" + s);
            for (int k = 0; k < 6; ++k) disk.Make(project + "\\" + s + "\\part" + std::to_string(k));
        }
        const std::string modules = project + "\\node_modules";
        disk.Make(modules);
        for (int m = 0; m < 300; ++m) {
            const std::string package = modules + "\\package" + std::to_string(m);
            disk.Make(package);
            for (const char* d : packageDirs) disk.Make(package + "\\" + d);
            if (m % 10 == 0) {
                disk.Make(package + "\\node_modules");
                for (int n = 0; n < 5; ++n) {
                    disk.Make(package + "\\node_modules\\dep" + std::to_string(n));
                    disk.Make(package + "\\node_modules\\dep" + std::to_string(n) + "\\lib");
                }
            }
        }
        const std::string git = project + "\\.git";
        disk.Make(git);
        for (const char* g : {"hooks", "info", "logs", "refs", "objects"}) disk.Make(git + "\\" + g);
        for (int o = 0; o < 256; ++o) {
            std::snprintf(hex, sizeof hex, "%02x", o);
            disk.Make(git + "\\objects\\" + hex);
        }
        disk.Make(git + "\\refs\\heads");
        disk.Make(git + "\\refs\\tags");
    }
    return disk;
}

struct Walked {
    size_t rows;
    size_t memory;
    size_t listed;
    double ms;
};

Walked Walk(TreeDisk& disk, const ScanFilter& filter) {
    CountingLister lister(disk);
    const Clock::time_point start = Clock::now();
    const RowStore rows = bench::QuietWalk(lister, filter);
    const double ms = bench::Ms(start, Clock::now());
    return {rows.size(), rows.MemoryBytes(), lister.listed, ms};
}

}  // namespace

int main() {
    const char* env = std::getenv("TARVOLO_PROJECTS");
    const int projects = env && std::atoi(env) > 0 ? std::atoi(env) : 100;
    TreeDisk disk = DeveloperDisk(projects);
    const AsciiCaseFolder folder;

    ScanFilter none;
    ScanFilter unmatched;
    unmatched.leaveOut =
        std::make_shared<const LeaveOut>(std::vector<std::string>{"no_such_name", "Temp*"}, folder);
    ScanFilter rules;
    rules.leaveOut =
        std::make_shared<const LeaveOut>(std::vector<std::string>{"node_modules", ".git"}, folder);

    // Three rounds in turn, the fastest of each kept: the machine is shared, and
    // the first walk also warms the allocator and the caches.
    Walked all{}, checked{}, left{};
    for (int round = 0; round < 3; ++round) {
        const Walked a = Walk(disk, none), c = Walk(disk, unmatched), l = Walk(disk, rules);
        if (round == 0 || a.ms < all.ms) all = a;
        if (round == 0 || c.ms < checked.ms) checked = c;
        if (round == 0 || l.ms < left.ms) left = l;
    }

    std::printf("developer disk: %d projects\n", projects);
    Figure("rows, no rules", static_cast<double>(all.rows), "rows");
    Figure("rows, node_modules;.git left out", static_cast<double>(left.rows), "rows");
    Figure("rows saved", 100.0 * static_cast<double>(all.rows - left.rows) / static_cast<double>(all.rows),
           "%");
    Figure("rows' memory, no rules", static_cast<double>(all.memory) / (1024.0 * 1024.0), "MB");
    Figure("rows' memory, node_modules;.git left out", static_cast<double>(left.memory) / (1024.0 * 1024.0),
           "MB");
    Figure("directories listed, no rules", static_cast<double>(all.listed), "listings");
    Figure("directories listed, node_modules;.git left out", static_cast<double>(left.listed), "listings");
    Figure("walk time, no rules", all.ms, "ms");
    Figure("walk time, node_modules;.git left out", left.ms, "ms");
    Figure("walk time, two rules that match nothing", checked.ms, "ms");
    return left.rows < all.rows && checked.rows == all.rows ? 0 : 1;
}
