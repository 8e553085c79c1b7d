#include "platform/WinFileSystem.h"

#include "platform/AtomicFile.h"

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

bool WinFileSystem::ReplaceWhole(const std::string& path, std::string_view bytes) {
    std::string error;
    return ReplaceFileAtomically(path, bytes, &error);
}

}  // namespace tarvolo
