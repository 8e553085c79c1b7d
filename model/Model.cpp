#include "model/Model.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <utility>

#include "index/IndexFile.h"
#include "store/Favorites.h"
#include "store/History.h"
#include "store/StringList.h"

namespace tarvolo {

Settings SettingsFromStored(const StoredSettings& s) {
    Settings v;
    v.top = s.top;
    v.left = s.left;
    v.height = s.height;
    v.width = s.width;
    v.drive = s.drive;
    v.hotKey = s.hotKey;
    v.quickJumpHotKey = s.quickJumpHotKey;
    v.showCloseInfo = s.showCloseInfo;
    v.includeReadOnly = s.readOnly;
    v.includeHidden = s.hidden;
    v.includeSystem = s.system;
    v.matchAnywhere = s.matchAnywhere;
    v.leaveOut = SplitLeaveOutRules(s.leaveOut);
    v.checkAtStart = s.checkAtStart;
    return v;
}

StoredSettings StoredFromSettings(const Settings& v) {
    StoredSettings s;
    s.top = v.top;
    s.left = v.left;
    s.height = v.height;
    s.width = v.width;
    s.drive = v.drive;
    s.hotKey = v.hotKey;
    s.quickJumpHotKey = v.quickJumpHotKey;
    s.showCloseInfo = v.showCloseInfo;
    s.readOnly = v.includeReadOnly;
    s.hidden = v.includeHidden;
    s.system = v.includeSystem;
    s.matchAnywhere = v.matchAnywhere;
    s.leaveOut = JoinLeaveOutRules(v.leaveOut);
    s.checkAtStart = v.checkAtStart;
    return s;
}

Favorite Favorite::Parse(std::string entry) {
    Favorite f;
    f.path = FavoritePath(entry);
    f.openKey = FavoriteOpenHotKey(entry);
    f.dialogKey = FavoriteDialogHotKey(entry);
    f.entry = std::move(entry);
    return f;
}

Favorite Favorite::Make(const std::string& path, uint16_t openKey, uint16_t dialogKey) {
    return Parse(ComposeFavoriteEntry(path, openKey, dialogKey));
}

std::vector<Favorite> ParseFavorites(const std::vector<std::string>& entries) {
    std::vector<Favorite> favorites;
    favorites.reserve(entries.size());
    for (const std::string& entry : entries) favorites.push_back(Favorite::Parse(entry));
    return favorites;
}

std::vector<std::string> FavoriteEntries(const std::vector<Favorite>& favorites) {
    std::vector<std::string> entries;
    entries.reserve(favorites.size());
    for (const Favorite& f : favorites) entries.push_back(f.entry);
    return entries;
}

std::optional<FavoriteAction> FindFavoriteShortcut(const std::vector<Favorite>& favorites,
                                                   unsigned combination) {
    combination &= 0xFFu | kShortcutShift | kShortcutCtrl | kShortcutAlt;
    if ((combination & 0xFFu) == 0) return std::nullopt;
    for (const Favorite& f : favorites)
        if (f.openKey != 0 && f.openKey == combination)
            return FavoriteAction{FavoriteAction::Kind::open, f.path};
    for (const Favorite& f : favorites)
        if (f.dialogKey != 0 && f.dialogKey == combination)
            return FavoriteAction{FavoriteAction::Kind::sendToDialog, f.path};
    return std::nullopt;
}

// ---------------------------------------------------------------------------

void DriveRows::Replace(RowStore newRows) {
    static std::atomic<uint64_t> generations{0};
    generation = ++generations;
    rows = std::move(newRows);
    codes.Clear();
    search.Clear();
    searchStale = true;
}

void DriveRows::EnsureSearch(const CaseFolder& folder, bool withStarts) {
    if (search.size() == rows.size() && !searchStale) {
        if (withStarts && search.NameStartsPending()) search.BuildNameStarts(rows);
        return;
    }
    search.Build(rows, folder, withStarts);
    searchStale = false;
}

long DriveRows::Find(long start, std::string_view text, const CaseFolder& folder, MatchRule rule) {
    EnsureSearch(folder, false);  // the main window's search reads the names only
    return search.FindFrom(start, text, folder, rule);
}

// ---------------------------------------------------------------------------

std::vector<JumpDrive> Model::SearchableDrives(const std::string& shownDrive, const CaseFolder& folder) {
    std::vector<JumpDrive> drives;
    const char shown = shownDrive.empty() ? '\0' : shownDrive[0];
    if (shown && !drive.rows.empty()) {
        // Its name starts come in a step of their own (the window's); the names
        // are scanned until then.
        drive.EnsureSearch(folder, false);
        drives.push_back(JumpDrive{shown, &drive.rows, &drive.search});
    }
    for (auto& [letter, rows] : held) {
        if (letter == shown || rows.rows.empty()) continue;
        rows.EnsureSearch(folder);
        drives.push_back(JumpDrive{letter, &rows.rows, &rows.search});
    }
    return drives;
}

Model::Model(std::string programDir, FileSystem& files, const AnsiDecoder& ansi, std::string userFolder,
             const CaseFolder* folder)
    : programDir_(std::move(programDir)),
      userFolder_(std::move(userFolder)),
      files_(files),
      ansi_(ansi),
      folder_(folder ? folder : &kAsciiFolder) {}

const AsciiCaseFolder Model::kAsciiFolder;

void Model::BuildLeaveOutRules() {
    settings.leaveOutRules = std::make_shared<const LeaveOut>(settings.leaveOut, *folder_);
}

DriveIndexPaths IndexPathsOf(const std::string& drive, const std::string& userFolder) {
    DriveIndexPaths paths;
    paths.path = drive.substr(0, 2) + "\\" + kIndexFileName;
    if (!userFolder.empty() && !drive.empty())
        paths.localPath = userFolder + "\\Tarvolo\\" + drive.substr(0, 1) + ".dir";
    return paths;
}

std::vector<std::string> Model::LoadLists() {
    std::vector<std::string> unreadable;
    auto load = [&](const char* name, std::vector<std::string>& into, bool& failed) {
        into.clear();
        failed = false;
        std::string bytes;
        const FileSystem::Read read = files_.ReadWhole(ListPath(name), bytes, kListFileLimit);
        switch (read) {
            case FileSystem::Read::loaded:
                into = ParseStringList(bytes, ansi_);
                break;
            case FileSystem::Read::missing:
                break;
            case FileSystem::Read::unreadable:
                failed = true;
                unreadable.push_back(ListPath(name));
                break;
        }
        return read;
    };
    std::vector<std::string> favoriteEntries;
    load("favorites.dir", favoriteEntries, favoritesUnreadable_);
    favorites = ParseFavorites(favoriteEntries);
    load("dialogs.dir", dialogs, dialogsUnreadable_);
    load("history.dir", history, historyUnreadable_);
    std::vector<std::string> visitLines;
    // Only a first start seeds: a visits.dir that exists, even unreadable, holds the visits.
    const bool first = load("visits.dir", visitLines, visitsUnreadable_) == FileSystem::Read::missing;
    visits = Visits::Parse(visitLines);
    if (first) visits.SeedFromHistory(history, Now());
    return unreadable;
}

std::string Model::SaveLists(bool stopAtFirstFailure) {
    const std::vector<std::string> favoriteEntries = FavoriteEntries(favorites);
    const std::vector<std::string> visitLines = visits.Lines();
    struct ListFile {
        const char* name;
        const std::vector<std::string>& list;
        bool unreadable;
    } lists[] = {{"history.dir", history, historyUnreadable_},
                 {"favorites.dir", favoriteEntries, favoritesUnreadable_},
                 {"dialogs.dir", dialogs, dialogsUnreadable_},
                 {"visits.dir", visitLines, visitsUnreadable_}};
    std::string firstFailed;
    for (const ListFile& f : lists) {
        // What could not be read at start is kept as it is on disk.
        if (f.unreadable) continue;
        if (files_.ReplaceWhole(ListPath(f.name), StringListText(f.list))) continue;
        if (firstFailed.empty()) firstFailed = ListPath(f.name);
        if (stopAtFirstFailure) break;
    }
    return firstFailed;
}

void Model::LoadSettings() {
    std::string text;
    // A file that cannot be read gives the defaults, as a missing one does.
    const FileSystem::Read read = files_.ReadWhole(SettingsPath(), text, kListFileLimit);
    settingsUnreadable_ = read == FileSystem::Read::unreadable;
    if (read != FileSystem::Read::loaded) text.clear();
    const IniFile ini = IniFile::Parse(text);
    settings = SettingsFromStored(ReadStoredSettings(ini));
    BuildLeaveOutRules();
    settings.widthStored = ini.Get("Window", "Width").has_value();
    settings.heightStored = ini.Get("Window", "Height").has_value();
    settingsLoaded_ = true;
}

bool Model::SaveSettings() {
    if (!settingsLoaded_ || settingsUnreadable_) return true;
    std::string text;
    switch (files_.ReadWhole(SettingsPath(), text, kListFileLimit)) {
        case FileSystem::Read::loaded:
            break;
        case FileSystem::Read::missing:
            text.clear();
            break;
        case FileSystem::Read::unreadable:
            return false;
    }
    IniFile ini = IniFile::Parse(text);
    WriteStoredSettings(ini, StoredFromSettings(settings));
    return files_.ReplaceWhole(SettingsPath(), ini.Text());
}

// A journal position is a few lines; anything larger is no file of ours.
constexpr uint64_t kPositionFileLimit = 64 << 10;

IndexRead ReadDriveIndexFile(FileSystem& files, const AnsiDecoder& ansi, const std::string& path,
                             const std::string& localPath) {
    IndexRead read;
    auto readFile = [&](const std::string& file) {
        read.path = file;
        // Parsed piece by piece as it is read: a million rows' file is never held whole.
        IndexFileReader reader(ansi);
        read.result = files.ReadPieces(
            file, kIndexFileLimit,
            [&](std::string_view piece, uint64_t fileBytes) { reader.Feed(piece, fileBytes); });
        read.rows = read.result == FileSystem::Read::loaded ? reader.Finish() : RowStore();
    };
    // Both exist when the root's file could not be replaced (an administrator's,
    // or read-only) and the per-user copy was written instead: that copy is the
    // newer one then. Equal times keep the root's.
    std::string first = path, second = localPath;
    if (!localPath.empty()) {
        const std::optional<uint64_t> local = files.LastWriteTime(localPath);
        const std::optional<uint64_t> root = files.LastWriteTime(path);
        if (local && (!root || *local > *root)) std::swap(first, second);
    }
    readFile(first);
    if (read.result == FileSystem::Read::missing && !second.empty()) readFile(second);
    auto readPosition = [&] {
        read.position.clear();
        if (read.result == FileSystem::Read::loaded &&
            files.ReadWhole(JournalPositionPath(read.path), read.position, kPositionFileLimit) !=
                FileSystem::Read::loaded)
            read.position.clear();
    };
    readPosition();
    // A newer copy that holds the root alone says nothing the drive's own index
    // does not: older versions wrote one when the drive could not be listed (a
    // locked or pulled drive), and a drive that has really been emptied has its
    // stale rows pruned by the start-up check. Losing a whole index would cost
    // a rescan; keeping it costs nothing.
    if (first == localPath && read.result == FileSystem::Read::loaded && read.rows.size() <= 1) {
        IndexRead local = std::move(read);
        read = IndexRead();
        readFile(path);
        if (read.result != FileSystem::Read::loaded || read.rows.size() <= 1) read = std::move(local);
        readPosition();
    }
    return read;
}

IndexRead Model::ReadDriveIndex(const std::string& path, const std::string& localPath) {
    return ReadDriveIndexFile(files_, ansi_, path, localPath);
}

std::string JournalPositionPath(const std::string& indexPath) {
    constexpr std::string_view dir = ".dir";
    const bool named = indexPath.size() > dir.size() &&
                       indexPath.compare(indexPath.size() - dir.size(), dir.size(), dir) == 0;
    return (named ? indexPath.substr(0, indexPath.size() - dir.size()) : indexPath) + ".usn";
}

bool WriteDriveIndex(FileSystem& files, const std::string& path, const std::string& localPath,
                     std::string_view text, std::string_view position) {
    if (position.empty()) {
        for (const std::string& index : {path, localPath}) {
            const std::string old = JournalPositionPath(index);
            if (!index.empty() && files.LastWriteTime(old)) files.Remove(old);
        }
    }
    std::string written = path;
    if (files.ReplaceWhole(path, text)) {
        if (!localPath.empty()) files.Remove(localPath);
    } else {
        // A standard user cannot create files in the root of the system drive.
        if (localPath.empty()) return false;
        // The folder is made where the copy's name says; a bare name has none to make.
        const size_t slash = localPath.find_last_of('\\');
        if (slash != std::string::npos && slash > 0) files.CreateFolder(localPath.substr(0, slash));
        if (!files.ReplaceWhole(localPath, text)) return false;
        written = localPath;
    }
    // After the index: a crash between the two leaves the older position beside the newer rows, so the next
    // start replays more of the journal than it needs, never less. A position that cannot be written leaves
    // the older one too.
    if (!position.empty()) files.ReplaceWhole(JournalPositionPath(written), position);
    return true;
}

void Model::AddToFavorites(const std::string& path) {
    favorites.push_back(Favorite::Parse(path + "?0*0"));
}

void Model::RecordDelivery(const std::string& path) {
    UpdateHistory(history, path);
    RecordVisit(path);
}

int64_t Model::Now() const {
    if (clock_) return clock_();
    return static_cast<int64_t>(std::time(nullptr));
}

namespace {

// The options that the dialog shows as the settings hold them, copied either
// way through this one list, so that a new one cannot be read and never
// applied.
template <class From, class To>
void CopyPlainOptions(const From& from, To& to) {
    to.hotKey = from.hotKey;
    to.quickJumpHotKey = from.quickJumpHotKey;
    to.includeReadOnly = from.includeReadOnly;
    to.includeHidden = from.includeHidden;
    to.includeSystem = from.includeSystem;
    to.matchAnywhere = from.matchAnywhere;
    to.checkAtStart = from.checkAtStart;
}

}  // namespace

OptionsValues Model::Options() const {
    OptionsValues v;
    CopyPlainOptions(settings, v);
    v.leaveOut = settings.leaveOut;
    v.favorites = FavoriteEntries(favorites);
    v.dialogs = dialogs;
    return v;
}

void Model::RemoveRowsReader(RowsReader* reader) {
    rowsReaders_.erase(std::remove(rowsReaders_.begin(), rowsReaders_.end(), reader), rowsReaders_.end());
}

void Model::ApplyOptions(const OptionsValues& v) {
    CopyPlainOptions(v, settings);
    if (v.leaveOut != settings.leaveOut) {
        settings.leaveOut = v.leaveOut;
        BuildLeaveOutRules();
    }
    favorites = ParseFavorites(v.favorites);
    dialogs = v.dialogs;
}

}  // namespace tarvolo
