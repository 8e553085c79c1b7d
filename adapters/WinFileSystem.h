// The model's files on the real disk: whole reads, atomic replacement.
#pragma once

#include "store/Files.h"

namespace tarvolo {

class WinFileSystem : public FileSystem {
public:
    Read ReadWhole(const std::string& path, std::string& bytes, uint64_t maxBytes) override;
    Read ReadPieces(const std::string& path, uint64_t maxBytes, const Piece& piece) override;
    bool ReplaceWhole(const std::string& path, std::string_view bytes) override;
    bool Remove(const std::string& path) override;
    bool CreateFolder(const std::string& path) override;
    std::optional<uint64_t> LastWriteTime(const std::string& path) override;
};

}  // namespace tarvolo
