// The program's state without any window: the settings, the favorites, the
// dialogs, the history and the rows of the drive on show, with the rules by
// which they are loaded from and saved to the program's folder. Built once at
// start and handed by reference to the windows and the commands; changed on
// the UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "index/QuickJump.h"
#include "index/Rows.h"
#include "index/Search.h"
#include "index/Text.h"
#include "index/TreeCodes.h"
#include "model/JumpSearch.h"
#include "model/Settings.h"
#include "model/Visits.h"
#include "store/Files.h"

namespace tarvolo {

// One line of favorites.dir, parsed once: "path?openKey*dialogKey". The line
// is kept as it was read, so saving writes back exactly what was loaded.
struct Favorite {
    std::string entry;
    std::string path;
    uint16_t openKey = 0, dialogKey = 0;

    static Favorite Parse(std::string entry);
    static Favorite Make(const std::string& path, uint16_t openKey, uint16_t dialogKey);
};

std::vector<Favorite> ParseFavorites(const std::vector<std::string>& entries);
std::vector<std::string> FavoriteEntries(const std::vector<Favorite>& favorites);

// What a favorite's own key combination does.
struct FavoriteAction {
    enum class Kind { open, sendToDialog } kind;
    std::string path;
};

// The favorite a key combination (virtual key in bits 0-7, shortcut modifier
// bits) runs: the open keys of every favorite in order first, then the dialog
// keys; nothing for a combination without a key.
std::optional<FavoriteAction> FindFavoriteShortcut(const std::vector<Favorite>& favorites,
                                                   unsigned combination);

// The rows of the drive on show, their tree codes and the folded names the
// search runs over. The names are folded on demand, so a large drive is shown
// before the search is ready.
struct DriveRows {
    RowStore rows;
    TreeCodes codes;
    SearchIndex search;
    bool searchStale = false;
    // New with every Replace, across all drives: names folded elsewhere from
    // rows of another generation are not these rows' names.
    uint64_t generation = 0;

    // New rows: the codes and the search must be built again.
    void Replace(RowStore newRows);
    void BuildCodes() { codes.Build(rows); }
    // The search names for the rows as they are; with `withStarts` false the
    // name starts are left for a later step (SearchIndex::NameStartsPending).
    void EnsureSearch(const CaseFolder& folder, bool withStarts = true);
    // The first row from `start` whose name matches `text` by `rule`; -1 for none.
    long Find(long start, std::string_view text, const CaseFolder& folder,
              MatchRule rule = MatchRule::beginning);
};

// Where a drive's index lives: "C:\tarvolo.dir" at the drive's root and, for a
// root the user cannot write to, "<user folder>\Tarvolo\C.dir" in the user's own
// data folder (%LOCALAPPDATA%). `drive` is the drive entry ("C:") or a root ("C:\").
struct DriveIndexPaths {
    std::string path;
    std::string localPath;  // empty when there is no user folder
};
DriveIndexPaths IndexPathsOf(const std::string& drive, const std::string& userFolder);

// A drive's index as read from its file.
struct IndexRead {
    FileSystem::Read result = FileSystem::Read::missing;
    std::string path;  // the file read last: the one that failed when unreadable
    RowStore rows;
    // The change journal's position saved beside the file read (its text), or
    // empty: where the check at start may replay the journal from.
    std::string position;
};

// The change journal's position of the rows in `indexPath`, in a small file
// beside it ("C:\tarvolo.dir" -> "C:\tarvolo.usn").
std::string JournalPositionPath(const std::string& indexPath);

// Reads a drive's index from `path` (the drive's root) or `localPath` (the
// per-user copy; empty for none): from the one written last when both exist,
// from the other when the first is missing. The drives not on screen load
// theirs by the same rule.
IndexRead ReadDriveIndexFile(FileSystem& files, const AnsiDecoder& ansi, const std::string& path,
                             const std::string& localPath);

// Writes a drive's index at `path` (the drive's root) or, when that fails, at
// `localPath` (the per-user copy, its folder created first; empty for none).
// Once the root's file is written an older per-user copy is removed: it
// would only mislead. False when neither
// was written. It touches nothing but `files`, so a drive's own thread may
// call it with a file system of its own.
// `position` (a journal position's text, or empty) goes beside the index
// written, after it; an index written without one loses the old one first, since
// its rows may hold less than the old position claims (a walk cut short).
bool WriteDriveIndex(FileSystem& files, const std::string& path, const std::string& localPath,
                     std::string_view text, std::string_view position = {});

// What the options dialog edits: a copy, applied as a whole on OK.
struct OptionsValues {
    uint16_t hotKey = 0;
    uint16_t quickJumpHotKey = 0;
    bool includeReadOnly = true, includeHidden = true, includeSystem = true;
    bool matchAnywhere = false;
    bool checkAtStart = true;
    std::vector<std::string> leaveOut;   // the rules, one an item
    std::vector<std::string> favorites;  // entries as the file holds them
    std::vector<std::string> dialogs;
};

class Model {
public:
    // `programDir` is the executable's folder as the system gives it; a file is
    // named as programDir + "\\" + name, the way the program has always named them.
    // `userFolder` is the user's own data folder, for the copies of the indexes of
    // drives whose root the user cannot write to; empty for none. `folder` folds
    // the names the leave-out rules compare (ASCII upper case when null); it
    // must outlive the model and every walk.
    Model(std::string programDir, FileSystem& files, const AnsiDecoder& ansi, std::string userFolder = {},
          const CaseFolder* folder = nullptr);

    Settings settings;
    std::vector<Favorite> favorites;
    std::vector<std::string> dialogs;
    std::vector<std::string> history;  // most recent first
    Visits visits;
    DriveRows drive;
    // The rows of the fixed drives not on show, once loaded, by letter ('D'),
    // with their search names built: with `drive`, every drive can be searched
    // at once. Their tree codes are built when they are shown.
    std::map<char, DriveRows> held;

    // Every drive as Quick Jump searches it: `shownDrive` ("C:", empty for
    // none) with `drive`'s rows, its search names built first, then each held
    // drive but that one, by letter. The pointers stay valid until the rows change.
    std::vector<JumpDrive> SearchableDrives(const std::string& shownDrive, const CaseFolder& folder);

    const std::string& ProgramDir() const { return programDir_; }
    std::string SettingsPath() const { return programDir_ + "\\tarvolo.ini"; }
    std::string ListPath(const char* name) const { return programDir_ + "\\" + name; }

    // Loads favorites.dir, dialogs.dir, history.dir and visits.dir, in that
    // order; with no visits.dir yet, each history entry counts as one visit. A
    // file that exists but cannot be read leaves its list empty and is never
    // written in this run; the result names those files, for the user to be told.
    std::vector<std::string> LoadLists();
    // Writes history.dir, favorites.dir, dialogs.dir and visits.dir, in that order, each as a
    // whole. Returns the first file that could not be written, empty when all
    // were; `stopAtFirstFailure` leaves the later files unwritten after a failure.
    std::string SaveLists(bool stopAtFirstFailure);

    // Reads tarvolo.ini; an unreadable or missing file gives the defaults.
    void LoadSettings();
    bool SettingsLoaded() const { return settingsLoaded_; }
    // Writes the settings into tarvolo.ini, keeping every other line of it. True
    // when written, when the settings were never loaded (which must not
    // overwrite the stored ones) and when the file could not be read at start
    // (it is kept as it is, like a list). A file that exists but cannot be read
    // now is not rewritten from nothing, which would drop other tools' keys:
    // false, as for a failed write.
    bool SaveSettings();

    // Where the index of `driveEntry` ("C:" or a root) lives.
    DriveIndexPaths IndexPaths(const std::string& driveEntry) const {
        return IndexPathsOf(driveEntry, userFolder_);
    }
    const std::string& UserFolder() const { return userFolder_; }
    // Reads a drive's index from `path` or `localPath` (the per-user folder, for
    // a root the user cannot write to; empty for none) by the rule of
    // ReadDriveIndexFile. The rows are not shown yet: the window replaces the
    // drive's rows with them.
    IndexRead ReadDriveIndex(const std::string& path, const std::string& localPath);
    // Writes a drive's index by the rule of WriteDriveIndex, to the same two paths.
    bool SaveDriveIndex(const std::string& path, const std::string& localPath, std::string_view text,
                        std::string_view position = {}) {
        return WriteDriveIndex(files_, path, localPath, text, position);
    }

    // Appends the path with no keys, even when it is empty or listed already.
    void AddToFavorites(const std::string& path);
    // The history and the visits after `path` was delivered.
    void RecordDelivery(const std::string& path);
    // A delivery that the history does not list (a favorite's): a visit only.
    void RecordVisit(const std::string& path) { visits.Record(path, Now()); }

    // Seconds since 1970 UTC: the system's clock unless a test sets its own.
    int64_t Now() const;
    void SetClock(std::function<int64_t()> clock) { clock_ = std::move(clock); }

    OptionsValues Options() const;
    void ApplyOptions(const OptionsValues& values);

    // Quick Jump's search reads rows on a thread of its own. Whoever changes a
    // drive's rows or its search names calls RowsAboutToChange first, on the UI
    // thread: it returns once no reader holds them.
    void AddRowsReader(RowsReader* reader) { rowsReaders_.push_back(reader); }
    void RemoveRowsReader(RowsReader* reader);
    void RowsAboutToChange() {
        for (RowsReader* reader : rowsReaders_) reader->LetGo();
    }

private:
    static const AsciiCaseFolder kAsciiFolder;
    void BuildLeaveOutRules();

    std::string programDir_;
    std::string userFolder_;
    FileSystem& files_;
    const AnsiDecoder& ansi_;
    const CaseFolder* folder_;
    bool settingsLoaded_ = false;
    bool settingsUnreadable_ = false;
    bool favoritesUnreadable_ = false, dialogsUnreadable_ = false, historyUnreadable_ = false;
    bool visitsUnreadable_ = false;
    std::function<int64_t()> clock_;
    std::vector<RowsReader*> rowsReaders_;
};

}  // namespace tarvolo
