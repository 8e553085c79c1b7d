#include "store/StringList.h"

#include "index/TextLines.h"

namespace tarvolo {

std::vector<std::string> ParseStringList(std::string_view bytes, const AnsiDecoder& ansi) {
    while (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::vector<std::string> entries;
    ForEachLine(bytes, [&](std::string_view line) {
        if (IsValidUtf8(line)) {
            entries.emplace_back(line);
        } else {
            entries.push_back(ansi.ToUtf8(line));
        }
    });
    return entries;
}

std::string StringListText(const std::vector<std::string>& entries) {
    size_t size = 0;
    for (const std::string& e : entries) size += e.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& e : entries) text.append(e).append("\r\n");
    return text;
}

}  // namespace tarvolo
