// Whole-file reads and writes for the program's own files. A write never
// leaves a half-written file behind: the new content goes to a temporary file
// in the same folder and replaces the old file only once it is complete on disk.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarvolo {

// Replaces (or creates) the file with `bytes`. On failure the old file is left
// whole, the temporary file is removed, *error (if given) says why, and the
// result is false.
bool ReplaceFileAtomically(const std::string& pathUtf8, std::string_view bytes, std::string* error);

// Settings and list files are small; an index of a million rows is some tens
// of megabytes.
constexpr uint64_t kMaxListFileBytes = 64ull << 20;
constexpr uint64_t kMaxIndexFileBytes = 512ull << 20;

// Reads the whole file into `out`. A missing file (or folder) is no error: the
// result is true with *existed false and `out` empty. A file larger than
// maxBytes, or one that cannot be read, gives false with *existed true.
bool ReadWholeFile(const std::string& pathUtf8, std::string& out, bool* existed, uint64_t maxBytes,
                   std::string* error = nullptr);

// The same file in pieces, each handed to `piece` with the file's size when it
// was opened, through one small buffer used again and again: a large file is
// never held whole, and a fresh buffer of its size costs more to fault in than
// the copy from the system's cache. Results as ReadWholeFile's; after false the
// pieces handed over were only part of the file.
using FilePiece = std::function<void(std::string_view piece, uint64_t fileBytes)>;
bool ReadFilePieces(const std::string& pathUtf8, bool* existed, uint64_t maxBytes, const FilePiece& piece,
                    std::string* error = nullptr);

}  // namespace tarvolo
