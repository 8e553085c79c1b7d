// How often Quick Jump puts first the directory a person means. A two-drive
// disk of a working machine (C: with Windows, programs, a profile with thirty
// projects, their node_modules and .git; D: with photos, music, games and
// backups), a history of that person's deliveries, and texts they type, each
// with the directory they mean. The texts and their directories were written
// before the rules were tuned, and a change of the rules must not be tuned to
// one of them: it shows here, on all of them at once.
//
// Beside it, today's rule on the same data: the drive shown is C:, the text's
// last word is looked for at the beginning of a name, and Find Next walks the
// tree's order from the first match (a directory on D: is never found).
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "index/QuickJump.h"
#include "index/Scan.h"
#include "index/Search.h"
#include "model/Visits.h"

namespace {

using namespace tarvolo;

// A drive's directories, every ancestor of a path added with it.
class DriveBuilder {
public:
    void Add(const std::string& path) {
        for (size_t slash = path.find('\\', 1); slash != std::string::npos;
             slash = path.find('\\', slash + 1))
            paths_.insert(path.substr(0, slash));
        paths_.insert(path);
    }
    void AddUnder(const std::string& parent, const std::vector<std::string>& names) {
        for (const std::string& n : names) Add(parent + "\\" + n);
    }
    RowStore Rows() const {
        RowStore rows;
        rows.Append("\\");
        for (const std::string& p : paths_) rows.Append(p);
        SortRowsComponentwise(rows, AsciiCollator());
        return rows;
    }

private:
    std::set<std::string> paths_;
};

const std::vector<std::string> kPackages = {"react",
                                            "react-dom",
                                            "lodash",
                                            "express",
                                            "webpack",
                                            "webpack-cli",
                                            "typescript",
                                            "eslint",
                                            "jest",
                                            "chalk",
                                            "debug",
                                            "ms",
                                            "commander",
                                            "yargs",
                                            "glob",
                                            "minimatch",
                                            "semver",
                                            "uuid",
                                            "axios",
                                            "moment",
                                            "dayjs",
                                            "rxjs",
                                            "tslib",
                                            "core-js",
                                            "regenerator-runtime",
                                            "@babel\\core",
                                            "@babel\\parser",
                                            "@babel\\types",
                                            "@babel\\traverse",
                                            "@babel\\generator",
                                            "@types\\node",
                                            "@types\\react",
                                            "@types\\jest",
                                            "prettier",
                                            "postcss",
                                            "autoprefixer",
                                            "sass",
                                            "vite",
                                            "rollup",
                                            "esbuild",
                                            "terser",
                                            "acorn",
                                            "ajv",
                                            "async",
                                            "bluebird",
                                            "body-parser",
                                            "cookie",
                                            "cors",
                                            "dotenv",
                                            "fs-extra",
                                            "graceful-fs",
                                            "inherits",
                                            "mime",
                                            "mkdirp",
                                            "node-fetch",
                                            "once",
                                            "path-to-regexp",
                                            "qs",
                                            "readable-stream",
                                            "rimraf",
                                            "safe-buffer",
                                            "source-map",
                                            "string-width",
                                            "supports-color",
                                            "through2",
                                            "tmp",
                                            "ws",
                                            "yaml",
                                            "zod",
                                            "redux",
                                            "react-redux",
                                            "react-router",
                                            "react-router-dom",
                                            "styled-components",
                                            "classnames",
                                            "prop-types",
                                            "scheduler",
                                            "loose-envify",
                                            "js-tokens",
                                            "object-assign",
                                            "mongoose",
                                            "mongodb",
                                            "pg",
                                            "sequelize",
                                            "jsonwebtoken",
                                            "bcrypt",
                                            "nodemon",
                                            "concurrently",
                                            "cross-env",
                                            "husky",
                                            "lint-staged",
                                            "vue",
                                            "@vue\\compiler-sfc",
                                            "svelte",
                                            "next",
                                            "nuxt",
                                            "three",
                                            "d3",
                                            "chart.js",
                                            "socket.io",
                                            "electron"};
const std::vector<std::string> kPackageDirs = {"lib",   "dist", "src", "test",  "docs", "bin",
                                               "types", "esm",  "cjs", "build", "es",   "umd"};

void AddNodeModules(DriveBuilder& c, const std::string& project, std::mt19937& rng, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        const std::string pkg =
            project + "\\node_modules\\" + kPackages[(k * 7 + rng() % 5) % kPackages.size()];
        c.Add(pkg);
        for (const std::string& d : kPackageDirs)
            if (rng() % 3 == 0) c.Add(pkg + "\\" + d);
        if (rng() % 6 == 0) c.Add(pkg + "\\node_modules\\" + kPackages[rng() % kPackages.size()] + "\\lib");
    }
}

void AddGit(DriveBuilder& c, const std::string& project, std::mt19937& rng) {
    const std::string git = project + "\\.git";
    c.AddUnder(git, {"hooks", "info", "logs\\refs\\heads", "refs\\heads", "refs\\tags",
                     "refs\\remotes\\origin", "objects\\info", "objects\\pack"});
    static const char kHex[] = "0123456789abcdef";
    for (int k = 0; k < 256; ++k)
        if (rng() % 2 == 0) c.Add(git + "\\objects\\" + kHex[k / 16] + kHex[k % 16]);
}

struct Disk {
    RowStore c, d;
};

Disk BuildDisk() {
    std::mt19937 rng(2026);
    DriveBuilder c, d;
    // Windows.
    c.AddUnder("\\Windows", {"System32\\drivers\\etc",
                             "System32\\config\\systemprofile",
                             "System32\\spool\\drivers",
                             "System32\\wbem\\Repository",
                             "System32\\WindowsPowerShell\\v1.0\\Modules",
                             "System32\\Tasks",
                             "System32\\LogFiles",
                             "System32\\en-US",
                             "System32\\catroot",
                             "System32\\DriverStore\\FileRepository",
                             "SysWOW64\\drivers",
                             "SysWOW64\\en-US",
                             "SysWOW64\\wbem",
                             "Fonts",
                             "Temp",
                             "Logs\\CBS",
                             "Installer",
                             "assembly\\GAC_MSIL",
                             "Microsoft.NET\\Framework64\\v4.0.30319\\Config",
                             "Microsoft.NET\\Framework\\v4.0.30319",
                             "servicing\\Packages",
                             "SystemApps",
                             "Boot\\EFI",
                             "Help",
                             "IME",
                             "INF",
                             "Media",
                             "Panther",
                             "Prefetch",
                             "Resources\\Themes\\aero",
                             "Web\\Wallpaper\\Windows",
                             "Web\\Screen",
                             "Cursors",
                             "debug",
                             "diagnostics\\system",
                             "PolicyDefinitions\\en-US",
                             "Speech",
                             "WinSxS\\Temp",
                             "WinSxS\\Backup",
                             "WinSxS\\Manifests",
                             "SoftwareDistribution\\Download"});
    static const char* const kSxs[] = {"microsoft-windows-", "wow64_microsoft-windows-",
                                       "amd64_microsoft-windows-", "x86_microsoft-windows-", "msil_system."};
    static const char* const kParts[] = {"shell32", "ui-core",  "font-truetype", "networking", "directx",
                                         "media",   "security", "driver",        "servicing",  "system",
                                         "setup",   "data",     "foundation",    "explorer",   "search",
                                         "print",   "audio",    "video",         "ime",        "tcpip",
                                         "storage", "usb",      "bluetooth",     "display",    "power"};
    for (int k = 0; k < 6000; ++k) {
        char version[64];
        std::snprintf(version, sizeof version, "_31bf3856ad364e35_10.0.19041.%d_none_%08x",
                      1 + static_cast<int>(rng() % 3000), static_cast<unsigned>(rng()));
        c.Add(std::string("\\Windows\\WinSxS\\") + kSxs[rng() % 5] + kParts[rng() % 25] + "-" +
              kParts[rng() % 25] + version);
    }
    for (int k = 0; k < 400; ++k)
        c.Add(std::string("\\Windows\\System32\\DriverStore\\FileRepository\\") + kParts[rng() % 25] +
              std::string(".inf_amd64_") + std::to_string(rng() % 100000));
    // Programs.
    c.AddUnder("\\Program Files", {"Git\\bin",
                                   "Git\\cmd",
                                   "Git\\mingw64\\bin",
                                   "Git\\usr\\bin",
                                   "nodejs\\node_modules\\npm\\lib",
                                   "Python312\\Lib\\site-packages\\pip",
                                   "Python312\\Lib\\site-packages\\numpy",
                                   "Python312\\Lib\\site-packages\\requests",
                                   "Python312\\Scripts",
                                   "Python312\\DLLs",
                                   "Mozilla Firefox\\browser\\features",
                                   "Mozilla Firefox\\fonts",
                                   "Microsoft Office\\root\\Office16",
                                   "Microsoft Office\\root\\Templates",
                                   "Common Files\\microsoft shared",
                                   "Common Files\\System",
                                   "Windows Defender\\Platform",
                                   "WindowsApps",
                                   "Microsoft VS Code\\bin",
                                   "Microsoft VS Code\\resources\\app",
                                   "7-Zip\\Lang",
                                   "VideoLAN\\VLC\\plugins",
                                   "Docker\\Docker\\resources",
                                   "dotnet\\sdk\\8.0.100",
                                   "Java\\jdk-21\\bin",
                                   "Java\\jdk-21\\lib",
                                   "LibreOffice\\program",
                                   "Internet Explorer",
                                   "Windows NT\\Accessories",
                                   "WindowsPowerShell\\Modules"});
    c.AddUnder(
        "\\Program Files (x86)",
        {"Steam\\steamapps\\common", "Steam\\config", "Microsoft\\Edge\\Application", "Common Files\\Adobe",
         "Windows Kits\\10\\Include", "Microsoft Visual Studio\\2022\\BuildTools\\VC",
         "Google\\Chrome\\Application", "Dropbox\\Client", "Internet Explorer", "Windows Defender"});
    c.AddUnder("\\ProgramData",
               {"Microsoft\\Windows\\Start Menu\\Programs", "Microsoft\\Windows Defender", "Package Cache",
                "chocolatey\\lib", "Docker", "NVIDIA Corporation", "Steam"});
    c.AddUnder("\\Users", {"Public\\Documents", "Public\\Downloads", "Public\\Pictures",
                           "Default\\AppData\\Local", "Default\\Documents"});
    // The profile.
    const std::string me = "\\Users\\me";
    c.AddUnder(me, {"Desktop",
                    "Documents\\Invoices\\2023",
                    "Documents\\Invoices\\2024",
                    "Documents\\Taxes\\2022",
                    "Documents\\Taxes\\2023",
                    "Documents\\University\\Thesis\\figures",
                    "Documents\\University\\Lectures",
                    "Documents\\My Games\\Skyrim Special Edition\\Saves",
                    "Documents\\Letters",
                    "Documents\\WindowsPowerShell",
                    "Documents\\Visual Studio 2022\\Projects",
                    "Downloads\\installers",
                    "Downloads\\papers",
                    "Pictures\\Screenshots",
                    "Pictures\\Wallpapers",
                    "Pictures\\Camera Roll",
                    "Music",
                    "Videos\\Captures",
                    "Videos\\OBS",
                    "Favorites",
                    "Contacts",
                    "Saved Games",
                    "Searches",
                    "Links",
                    "OneDrive\\Documents",
                    "OneDrive\\Pictures",
                    ".ssh",
                    ".vscode\\extensions",
                    ".config\\git",
                    ".cache\\pip",
                    ".npm\\_cacache",
                    "scripts"});
    c.AddUnder(me + "\\AppData", {"Local\\Temp",
                                  "Local\\Microsoft\\Windows\\INetCache",
                                  "Local\\Microsoft\\Edge\\User Data",
                                  "Local\\Google\\Chrome\\User Data\\Default",
                                  "Local\\Programs\\Python",
                                  "Local\\Packages",
                                  "Local\\npm-cache",
                                  "Local\\CrashDumps",
                                  "Local\\Discord\\app-1.0.9",
                                  "Local\\JetBrains",
                                  "LocalLow\\Sun\\Java",
                                  "Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
                                  "Roaming\\Microsoft\\Windows\\Recent",
                                  "Roaming\\Code\\User\\snippets",
                                  "Roaming\\npm\\node_modules",
                                  "Roaming\\Mozilla\\Firefox\\Profiles",
                                  "Roaming\\.minecraft\\mods",
                                  "Roaming\\.minecraft\\saves",
                                  "Roaming\\.minecraft\\resourcepacks",
                                  "Roaming\\Spotify",
                                  "Roaming\\discord",
                                  "Roaming\\Zoom"});
    for (int k = 0; k < 300; ++k)
        c.Add(me + "\\AppData\\Local\\Packages\\Microsoft." + std::string(kParts[rng() % 25]) + "_" +
              std::to_string(rng() % 1000000) + "\\LocalState");
    const std::vector<std::string> projects = {
        "tarvolo",        "webshop",        "webshop-api",     "blog",          "dotfiles",
        "game-engine",    "homepage",       "chat-bot",        "data-pipeline", "ml-experiments",
        "invoice-tool",   "photo-sorter",   "recipe-app",      "todo-app",      "weather-widget",
        "budget-tracker", "cli-tools",      "snake-game",      "portfolio",     "notes",
        "kata",           "advent-of-code", "rust-playground", "go-server",     "android-app",
        "design-system",  "docs-site",      "infra",           "scraper",       "home-automation"};
    const std::vector<std::string> projectDirs = {
        "src",    "docs",  "tests", "build", "dist", "scripts", "assets", ".vscode", ".github\\workflows",
        "public", "config"};
    const std::vector<std::string> srcDirs = {"components", "utils",  "api", "models", "views", "services",
                                              "hooks",      "styles", "lib", "core",   "tests"};
    for (size_t p = 0; p < projects.size(); ++p) {
        const std::string root = me + "\\projects\\" + projects[p];
        c.Add(root);
        for (const std::string& dir : projectDirs)
            if (rng() % 4 != 0 || dir == "src") c.Add(root + "\\" + dir);
        for (const std::string& dir : srcDirs)
            if (rng() % 2 == 0) c.Add(root + "\\src\\" + dir);
        AddGit(c, root, rng);
        if (p % 3 != 2) AddNodeModules(c, root, rng, 40 + rng() % 60);
    }
    c.AddUnder(me + "\\projects\\tarvolo", {"src\\index", "src\\model", "src\\mainwindow", "tests\\unit",
                                            "tests\\e2e", "bench", "tools", "cmake"});
    c.AddUnder(me + "\\projects\\blog",
               {"content\\posts", "content\\drafts", "themes\\hugo-theme", "static\\images"});
    c.AddUnder(me + "\\projects\\game-engine", {"src\\renderer", "src\\physics", "src\\audio", "shaders"});
    c.AddUnder(me + "\\projects\\webshop",
               {"src\\components\\cart", "src\\components\\checkout", "src\\pages"});

    // D: photos, music, games, backups.
    static const char* const kMonths[] = {"01", "02", "03", "04", "05", "06",
                                          "07", "08", "09", "10", "11", "12"};
    for (int year = 2012; year <= 2024; ++year)
        for (const char* m : kMonths)
            d.Add("\\Photos\\" + std::to_string(year) + "\\" + std::to_string(year) + "-" + m);
    d.AddUnder("\\Photos", {"2022\\Vacation Italy", "2023\\Wedding Anna", "2019\\Christmas",
                            "Scans\\Old Family", "Edited\\Lightroom Exports", "Wallpapers"});
    static const char* const kArtists[] = {
        "The Beatles",    "Pink Floyd",   "Radiohead",    "Miles Davis",
        "Daft Punk",      "Bach",         "Queen",        "Nirvana",
        "Massive Attack", "Bjork",        "Led Zeppelin", "The Rolling Stones",
        "Portishead",     "Air",          "Moby",         "Muse",
        "Coldplay",       "Beck",         "Pixies",       "Blur",
        "Oasis",          "Adele",        "Eminem",       "Metallica",
        "Tool",           "Bonobo",       "Aphex Twin",   "Boards of Canada",
        "Nick Drake",     "Leonard Cohen"};
    for (const char* a : kArtists)
        for (int k = 1; k <= 4; ++k) d.Add(std::string("\\Music\\") + a + "\\Album " + std::to_string(k));
    d.AddUnder("\\Music\\The Beatles", {"Abbey Road", "Revolver", "Let It Be"});
    d.AddUnder("\\Music", {"Podcasts", "Playlists", "Soundtracks\\Interstellar"});
    static const char* const kGames[] = {"Skyrim Special Edition", "Witcher 3",      "Factorio",
                                         "Stardew Valley",         "Portal 2",       "Civilization VI",
                                         "Cyberpunk 2077",         "Hades",          "Minecraft Launcher",
                                         "Counter-Strike 2",       "Baldurs Gate 3", "Terraria"};
    for (const char* g : kGames)
        d.AddUnder(std::string("\\Games\\SteamLibrary\\steamapps\\common\\") + g,
                   {"bin", "Data", "mods", "saves", "Config"});
    d.AddUnder("\\Games", {"GOG Galaxy\\Games", "Emulators\\roms", "Skyrim Mods\\SKSE"});
    for (const char* when : {"2023-06", "2024-01", "2024-09"}) {
        const std::string base = std::string("\\Backups\\") + when + "\\Users\\me";
        d.AddUnder(base, {"Documents\\Invoices", "Documents\\Taxes", "Desktop", "Pictures\\Screenshots"});
        for (size_t p = 0; p < projects.size(); p += 3) {
            d.Add(base + "\\projects\\" + projects[p] + "\\src");
            d.Add(base + "\\projects\\" + projects[p] + "\\docs");
        }
        d.Add(base + "\\projects\\tarvolo\\src\\index");
    }
    d.AddUnder("", {"Videos\\Movies", "Videos\\Series", "Videos\\Home Videos",
                    "Archive\\old-laptop\\Documents", "Archive\\old-laptop\\projects\\tarvolo",
                    "Software\\Drivers", "Software\\ISOs", "Ebooks", "Temp"});
    return Disk{c.Rows(), d.Rows()};
}

struct Typed {
    const char* text;
    const char* meant;
};

// What the person types, and the directory they mean.
const Typed kTexts[] = {
    {"tarv", "C:\\Users\\me\\projects\\tarvolo"},
    {"tarvolo src", "C:\\Users\\me\\projects\\tarvolo\\src"},
    {"tarv tests", "C:\\Users\\me\\projects\\tarvolo\\tests"},
    {"down", "C:\\Users\\me\\Downloads"},
    {"doc", "C:\\Users\\me\\Documents"},
    {"desk", "C:\\Users\\me\\Desktop"},
    {"proj", "C:\\Users\\me\\projects"},
    {"webshop", "C:\\Users\\me\\projects\\webshop"},
    {"webshop comp", "C:\\Users\\me\\projects\\webshop\\src\\components"},
    {"checkout", "C:\\Users\\me\\projects\\webshop\\src\\components\\checkout"},
    {"api", "C:\\Users\\me\\projects\\webshop-api"},
    {"blog", "C:\\Users\\me\\projects\\blog"},
    {"posts", "C:\\Users\\me\\projects\\blog\\content\\posts"},
    {"dotf", "C:\\Users\\me\\projects\\dotfiles"},
    {"engine", "C:\\Users\\me\\projects\\game-engine"},
    {"shaders", "C:\\Users\\me\\projects\\game-engine\\shaders"},
    {"invoices", "C:\\Users\\me\\Documents\\Invoices"},
    {"taxes 2023", "C:\\Users\\me\\Documents\\Taxes\\2023"},
    {"thesis", "C:\\Users\\me\\Documents\\University\\Thesis"},
    {"lectures", "C:\\Users\\me\\Documents\\University\\Lectures"},
    {"screensh", "C:\\Users\\me\\Pictures\\Screenshots"},
    {"wallp", "C:\\Users\\me\\Pictures\\Wallpapers"},
    {"appdata", "C:\\Users\\me\\AppData"},
    {"roaming", "C:\\Users\\me\\AppData\\Roaming"},
    {"local temp", "C:\\Users\\me\\AppData\\Local\\Temp"},
    {"startup", "C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
    {"minecraft mods", "C:\\Users\\me\\AppData\\Roaming\\.minecraft\\mods"},
    {"ssh", "C:\\Users\\me\\.ssh"},
    {"scripts", "C:\\Users\\me\\scripts"},
    {"system32", "C:\\Windows\\System32"},
    {"etc", "C:\\Windows\\System32\\drivers\\etc"},
    {"fonts", "C:\\Windows\\Fonts"},
    {"program files", "C:\\Program Files"},
    {"x86", "C:\\Program Files (x86)"},
    {"git", "C:\\Program Files\\Git"},
    {"site-packages", "C:\\Program Files\\Python312\\Lib\\site-packages"},
    {"firefox", "C:\\Program Files\\Mozilla Firefox"},
    {"steamapps common", "D:\\Games\\SteamLibrary\\steamapps\\common"},
    {"skyrim saves", "C:\\Users\\me\\Documents\\My Games\\Skyrim Special Edition\\Saves"},
    {"factorio", "D:\\Games\\SteamLibrary\\steamapps\\common\\Factorio"},
    {"photos", "D:\\Photos"},
    {"photos 2023", "D:\\Photos\\2023"},
    {"italy", "D:\\Photos\\2022\\Vacation Italy"},
    {"wedding", "D:\\Photos\\2023\\Wedding Anna"},
    {"music", "D:\\Music"},
    {"beatles", "D:\\Music\\The Beatles"},
    {"abbey", "D:\\Music\\The Beatles\\Abbey Road"},
    {"radiohead", "D:\\Music\\Radiohead"},
    {"backups", "D:\\Backups"},
    {"backup tarvolo", "D:\\Backups\\2024-09\\Users\\me\\projects\\tarvolo"},
    {"movies", "D:\\Videos\\Movies"},
    {"react", "C:\\Users\\me\\projects\\webshop\\node_modules\\react"},
};

// The person's deliveries: times, days ago, path.
struct Delivered {
    uint32_t times;
    int days;
    const char* path;
};
const Delivered kHistory[] = {
    {40, 0, "C:\\Users\\me\\projects\\tarvolo"},
    {25, 0, "C:\\Users\\me\\projects\\tarvolo\\src"},
    {6, 2, "C:\\Users\\me\\projects\\tarvolo\\tests"},
    {30, 0, "C:\\Users\\me\\Downloads"},
    {12, 1, "C:\\Users\\me\\Documents"},
    {9, 3, "C:\\Users\\me\\projects\\webshop"},
    {7, 3, "C:\\Users\\me\\projects\\webshop\\src\\components"},
    {3, 20, "C:\\Users\\me\\projects\\blog\\content\\posts"},
    {2, 40, "C:\\Users\\me\\projects\\game-engine"},
    {5, 10, "C:\\Users\\me\\Documents\\Invoices"},
    {2, 90, "C:\\Users\\me\\Documents\\Taxes\\2023"},
    {4, 5, "C:\\Users\\me\\Pictures\\Screenshots"},
    {1, 60, "C:\\Windows\\System32\\drivers\\etc"},
    {3, 8, "C:\\Users\\me\\AppData\\Roaming\\.minecraft\\mods"},
    {2, 15, "C:\\Users\\me\\Documents\\My Games\\Skyrim Special Edition\\Saves"},
    {6, 4, "D:\\Photos\\2023"},
    {2, 30, "D:\\Photos\\2022\\Vacation Italy"},
    {8, 2, "D:\\Music"},
    {2, 12, "D:\\Music\\The Beatles\\Abbey Road"},
    {1, 100, "D:\\Backups\\2024-09\\Users\\me\\projects\\tarvolo"},
    {3, 6, "C:\\Users\\me\\projects\\webshop-api\\src"},
    {2, 9, "C:\\Users\\me\\AppData\\Local\\Temp"},
    {4, 7, "C:\\Program Files\\Git\\bin"},
    {1, 25, "D:\\Games\\SteamLibrary\\steamapps\\common\\Factorio\\mods"},
};

// The place of `meant` in `list`, from 1; 0 when absent.
size_t PlaceOf(const std::vector<std::string>& list, const std::string& meant) {
    for (size_t k = 0; k < list.size(); ++k)
        if (list[k] == meant) return k + 1;
    return 0;
}

}  // namespace

int main() {
    const AsciiCaseFolder folder;
    const Disk disk = BuildDisk();
    SearchIndex searchC, searchD;
    searchC.Build(disk.c, folder);
    searchD.Build(disk.d, folder);
    const std::vector<JumpDrive> drives = {{'C', &disk.c, &searchC}, {'D', &disk.d, &searchD}};
    std::printf("quickjump_quality_bench: %zu directories on C:, %zu on D:, %zu texts\n", disk.c.size(),
                disk.d.size(), std::size(kTexts));

    const int64_t now = 1'800'000'000;
    std::vector<std::string> lines;
    for (const Delivered& h : kHistory)
        lines.push_back(std::to_string(h.times) + "\t" + std::to_string(now - h.days * 86400) + "\t" +
                        h.path);
    const std::vector<JumpUse> uses = Visits::Parse(lines).Uses(now);

    size_t jumpFirst = 0, jumpThree = 0, todayFirst = 0, todayThree = 0;
    for (const Typed& t : kTexts) {
        const JumpText text = JumpText::Parse(t.text, folder);
        std::vector<std::string> ranked;
        for (const JumpHit& hit : RankDirectories(text, drives, uses, 3))
            ranked.push_back(JumpPath(hit.drive, hit.drive == 'C' ? disk.c : disk.d, hit.row));
        const size_t jump = PlaceOf(ranked, t.meant);

        // Today: the last word at a name's beginning, on C:, the first match and Find Next twice.
        std::vector<std::string> today;
        long row = -1;
        for (int k = 0; k < 3; ++k) {
            row = searchC.FindFolded(row, text.terms.back(), MatchRule::beginning);
            if (row < 0 || (k > 0 && JumpPath('C', disk.c, static_cast<size_t>(row)) == today.front())) break;
            today.push_back(JumpPath('C', disk.c, static_cast<size_t>(row)));
        }
        const size_t old = PlaceOf(today, t.meant);

        jumpFirst += jump == 1;
        jumpThree += jump >= 1;
        todayFirst += old == 1;
        todayThree += old >= 1;
        std::printf("  %-18s quick jump %s, today %s   %s\n", t.text,
                    jump ? std::to_string(jump).c_str() : "-", old ? std::to_string(old).c_str() : "-",
                    jump == 1 ? "" : (ranked.empty() ? "(none)" : ranked[0].c_str()));
    }
    const double n = static_cast<double>(std::size(kTexts));
    std::printf("%-44s %11.0f %%\n", "Quick Jump, the meant directory first", 100.0 * jumpFirst / n);
    std::printf("%-44s %11.0f %%\n", "Quick Jump, in the first three", 100.0 * jumpThree / n);
    std::printf("%-44s %11.0f %%\n", "today's rule (C: shown), first", 100.0 * todayFirst / n);
    std::printf("%-44s %11.0f %%\n", "today's rule (C: shown), in the first three", 100.0 * todayThree / n);
    return 0;
}
