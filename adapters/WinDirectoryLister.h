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

// The extended-length form of an absolute path ("C:\a\" -> "\\?\C:\a\",
// "\\server\share\" -> "\\?\UNC\server\share\"): no length limit, and no
// normalisation, so a name that ends in a dot or a blank stays itself instead
// of opening its namesake without them.
std::wstring ExtendedLengthPath(const std::string& absolutePath);

}  // namespace tarvolo
