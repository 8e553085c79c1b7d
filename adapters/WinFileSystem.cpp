#include "adapters/WinFileSystem.h"

#include <windows.h>

#include "platform/AtomicFile.h"
#include "platform/WinText.h"

namespace tarvolo {

FileSystem::Read WinFileSystem::ReadWhole(const std::string& path, std::string& bytes, uint64_t maxBytes) {
    bool existed = false;
    std::string error;
    if (!ReadWholeFile(path, bytes, &existed, maxBytes, &error)) {
        bytes.clear();
        return existed ? Read::unreadable : Read::missing;
    }
    return existed ? Read::loaded : Read::missing;
}

FileSystem::Read WinFileSystem::ReadPieces(const std::string& path, uint64_t maxBytes, const Piece& piece) {
    bool existed = false;
    if (!ReadFilePieces(path, &existed, maxBytes, piece)) return existed ? Read::unreadable : Read::missing;
    return existed ? Read::loaded : Read::missing;
}

bool WinFileSystem::ReplaceWhole(const std::string& path, std::string_view bytes) {
    std::string error;
    return ReplaceFileAtomically(path, bytes, &error);
}

bool WinFileSystem::Remove(const std::string& path) {
    return ::DeleteFileW(Widen(path).c_str()) != 0;
}

bool WinFileSystem::CreateFolder(const std::string& path) {
    return ::CreateDirectoryW(Widen(path).c_str(), nullptr) != 0;
}

std::optional<uint64_t> WinFileSystem::LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
           data.ftLastWriteTime.dwLowDateTime;
}

}  // namespace tarvolo
