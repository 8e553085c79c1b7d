// What changed on an NTFS drive while the program was closed, read from the
// drive's change journal instead of a walk: the directory records written
// since the position saved beside the index become the same changes the
// watch reports, so they are resolved and applied as the live ones are.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "index/LiveUpdate.h"
#include "index/Scan.h"

namespace tarvolo {

// Reason bits of a journal record, as Windows writes them. A record's reasons
// add up while the file stays open, until the record that also says close.
inline constexpr uint32_t kJournalFileCreate = 0x100;
inline constexpr uint32_t kJournalFileDelete = 0x200;
inline constexpr uint32_t kJournalRenameOldName = 0x1000;
inline constexpr uint32_t kJournalRenameNewName = 0x2000;
inline constexpr uint32_t kJournalClose = 0x80000000u;

// One record (version 2 of the layout: 64-bit file references).
struct JournalRecord {
    uint64_t file = 0;    // the file reference number, sequence included
    uint64_t parent = 0;  // the parent directory's, at the time of the record
    int64_t usn = 0;
    uint32_t reason = 0;
    uint32_t attributes = 0;
    std::string name;  // UTF-8; empty when the record carries none
};

// The records of `bytes`, laid out as one after another as a read of the
// journal returns them after its leading next position. False (and `out` as
// far as it got) when a record runs past the buffer, names past itself or is
// not version 2: such a buffer is nothing to act on.
bool ParseJournalRecords(std::string_view bytes, std::vector<JournalRecord>& out);

// The journal of one drive, as the system gives it.
class ChangeJournal {
public:
    struct State {
        uint64_t id = 0;    // changes when the journal is made anew
        int64_t first = 0;  // the oldest position still held
        int64_t next = 0;   // where the next record will be written
    };
    virtual ~ChangeJournal() = default;
    // False when the drive keeps no journal or this process may not read it.
    virtual bool Query(State& state) = 0;
    // One read of the journal `id` from position `from`: the position to read
    // from next (8 bytes, little-endian) followed by the records, only those
    // of creations, deletions and renames needed. False when it cannot be read.
    virtual bool Read(uint64_t id, int64_t from, std::string& bytes) = 0;
    // The reference number of the drive's root directory.
    virtual uint64_t Root() = 0;
    // The directory `file` as the disk holds it now: its parent's reference
    // number and its name. False when it cannot be opened (gone, or denied).
    virtual bool Directory(uint64_t file, uint64_t& parent, std::string& name) = 0;
};

// Where the replay of a drive starts next time: kept in a small file beside
// the drive's index, valid only for rows walked with the same filter.
struct JournalPosition {
    uint64_t id = 0;
    int64_t next = 0;
    std::string filter;  // FilterSignature of the rows' walk
};
std::string JournalPositionText(const JournalPosition& position);
// Nothing when the text is not such a file's, whole and undamaged.
std::optional<JournalPosition> ParseJournalPosition(std::string_view text);
// What decides which directories become rows: the attribute filter and the
// leave-out rules. Rows made under another filter need a walk.
std::string FilterSignature(const ScanFilter& filter);

struct JournalReplay {
    enum class Result {
        replayed,
        noPosition,   // none saved, or its file was damaged
        otherFilter,  // the rows were made under other rules
        reset,        // the journal was made anew since
        wrapped,      // its oldest record is newer than the position
        unreadable,   // no journal here, or not for this process
        tooMany,      // more changes than a walk costs
        cancelled,
    };
    Result result = Result::unreadable;
    // replayed: the changes, in the order they were made, as the watch would
    // have reported them ("a\b" below the root).
    std::vector<DirectoryChange> changes;
    // The position to save once rows that hold these changes (or a walk begun
    // after this call) are written; empty when the journal cannot be read.
    std::string position;
};

// Replays the journal from `saved` (a position file's text, empty for none)
// for the drive whose rows were walked with `filter`. A directory whose
// record names no parent that can be placed (denied to this process) is
// passed over, as a walk passes over what it cannot list; a directory in a
// left-out place changes nothing. Files are passed over. Whatever else keeps
// the journal from telling every change asks for a walk.
JournalReplay ReplayJournal(ChangeJournal& journal, std::string_view saved, const std::string& rootPath,
                            const ScanFilter& filter, const std::atomic<bool>* cancel = nullptr);

}  // namespace tarvolo
