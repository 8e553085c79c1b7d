// Directory listing through FindFirstFileExW for the drive scan.
#pragma once

#include <string>

#include "index/Scan.h"

namespace tarvolo {

class WinDirectoryLister : public DirectoryLister {
public:
    bool List(const std::string& dirWithTrailingBackslash,
              const std::function<bool(const DirEntry&)>& each) override;

private:
    std::string name_;  // reused for every entry's UTF-8 name
};

}  // namespace tarvolo
