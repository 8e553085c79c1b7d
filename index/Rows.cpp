#include "index/Rows.h"

namespace tarvolo {

int CountChar(std::string_view text, char c) {
    int count = 0;
    for (const char ch : text) count += ch == c;
    return count;
}

std::string_view RowStore::Name(size_t i) const {
    const std::string_view row = Row(i);
    const size_t slash = row.rfind('\\');
    return slash == std::string_view::npos ? row : row.substr(slash + 1);
}

}  // namespace tarvolo
