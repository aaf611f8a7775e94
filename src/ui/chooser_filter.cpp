#include "ui/chooser_filter.h"

namespace pelorin {

std::string makeChooserFilter(const char* text) {
    std::string filter = text ? text : "";
    if (filter.empty()) return filter;
    const char separator = filter.back();
    for (char& c : filter) {
        if (c == separator) c = '\0';
    }
    return filter;
}

std::u16string normaliseDirectoryPath(std::u16string path) {
    while (path.size() > 1 && path.back() == u'\\') {
        if (path.size() == 3 && path[1] == u':') break;
        path.pop_back();
    }
    return path;
}

}  // namespace pelorin
