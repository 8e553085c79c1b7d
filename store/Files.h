// The file operations the model needs, so that it can be loaded and saved
// against the real disk or against files held in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarvolo {

// Settings and list files are small; anything larger is no file of ours. An
// index of a million rows is some tens of megabytes.
constexpr uint64_t kListFileLimit = 64ull << 20;
constexpr uint64_t kIndexFileLimit = 512ull << 20;

class FileSystem {
public:
    enum class Read { loaded, missing, unreadable };

    virtual ~FileSystem() = default;
    // The whole file into `bytes`. A missing file (or folder) is `missing`; a file
    // that exists but cannot be read, or is larger than maxBytes, is `unreadable`.
    virtual Read ReadWhole(const std::string& path, std::string& bytes, uint64_t maxBytes) = 0;
    // The same file handed to `piece` in parts, in order, with the file's size:
    // a large file need not be held whole. Unless the result is `loaded`, what
    // the pieces brought is not the file. Here one piece of a whole read.
    using Piece = std::function<void(std::string_view piece, uint64_t fileBytes)>;
    virtual Read ReadPieces(const std::string& path, uint64_t maxBytes, const Piece& piece) {
        std::string bytes;
        const Read read = ReadWhole(path, bytes, maxBytes);
        if (read == Read::loaded) piece(bytes, bytes.size());
        return read;
    }
    // Replaces the file as a whole: on failure the old file is left as it was.
    virtual bool ReplaceWhole(const std::string& path, std::string_view bytes) = 0;
    // Deletes one file; false when it was not there or could not be deleted.
    virtual bool Remove(const std::string& path) = 0;
    // Creates one folder whose parent exists; false when it could not (or was there already).
    virtual bool CreateFolder(const std::string& path) = 0;
    // When the file was last written, in units that only compare (later is
    // larger); nothing when it does not exist.
    virtual std::optional<uint64_t> LastWriteTime(const std::string& path) = 0;
};

}  // namespace tarvolo
