// A drive's change journal through the system. An elevated administrator's
// process reads it on a handle to the volume; any other process tries the read
// Windows allows on a handle to the drive's root. Where neither works (another
// file system, an older Windows, Wine, which keeps no journal) Query fails and
// the catch-up walks the drive instead.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "index/Journal.h"
#include "platform/Handles.h"

namespace tarvolo {

class WinChangeJournal : public ChangeJournal {
public:
    explicit WinChangeJournal(const std::string& rootPath);  // "C:\"

    bool Query(State& state) override;
    bool Read(uint64_t id, int64_t from, std::string& bytes) override;
    uint64_t Root() override { return rootFile_; }
    bool Directory(uint64_t file, uint64_t& parent, std::string& name) override;

private:
    std::string drive_;  // "C:"
    UniqueFile volume_;  // an administrator's handle to the volume, or none
    UniqueFile root_;    // the root directory: the handle of the unprivileged read
    uint64_t rootFile_ = 0;
    HANDLE reader_ = nullptr;  // the handle the journal answered on
    DWORD readCode_ = 0;
};

// On a catch-up's thread: the changes since `saved` (the position beside the
// rows' index file) from the journal of `root` ("C:\\"), resolved against the
// disk in background mode; false when the drive must be walked instead.
// `position` takes what the rows hold once these changes, or a walk begun now,
// are applied to them (empty when the journal cannot be read).
bool ReplayDriveJournal(const std::string& root, const ScanFilter& filter, const std::string& saved,
                        const std::atomic<bool>& cancel, std::vector<ResolvedChange>& changes,
                        std::string& position);

}  // namespace tarvolo
