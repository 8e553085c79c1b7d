// Directory listing through FindFirstFileExW for the drive scan.
#pragma once

#include <string>

#include "index/Scan.h"

namespace tarvolo {

// Holds no state between calls, so one instance serves every walker thread.
class WinDirectoryLister : public DirectoryLister {
public:
    bool List(const std::string& dirWithTrailingBackslash,
              const std::function<bool(const DirEntry&)>& each) override;
};

// The lister of a walk that must not slow the user's own work (the check of the
// drives at start): every thread that lists through it is put in background
// mode first, with low processor, I/O and memory priority for the rest of its
// life. Only for threads that end with the walk.
class BackgroundDirectoryLister : public WinDirectoryLister {
public:
    bool List(const std::string& dirWithTrailingBackslash,
              const std::function<bool(const DirEntry&)>& each) override;
};

// Puts the calling thread in background mode (or, `on` false, back out of it).
// False where the system has no such mode (Wine takes the call and does nothing).
bool BackgroundMode(bool on);

// The extended-length form of an absolute path ("C:\a\" -> "\\?\C:\a\",
// "\\server\share\" -> "\\?\UNC\server\share\"): no length limit, and no
// normalisation, so a name that ends in a dot or a blank stays itself instead
// of opening its namesake without them.
std::wstring ExtendedLengthPath(const std::string& absolutePath);

}  // namespace tarvolo
