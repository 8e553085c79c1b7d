// A file system with no files, for tests in which nothing is read or written.
#pragma once

#include "store/Files.h"

namespace tarvolo {

class NoFiles : public FileSystem {
public:
    Read ReadWhole(const std::string&, std::string&, uint64_t) override { return Read::missing; }
    bool ReplaceWhole(const std::string&, std::string_view) override { return false; }
    bool Remove(const std::string&) override { return false; }
    bool CreateFolder(const std::string&) override { return false; }
    std::optional<uint64_t> LastWriteTime(const std::string&) override { return std::nullopt; }
};

}  // namespace tarvolo
