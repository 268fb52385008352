#include "installer/targetdir.h"

#include "extraction/entryname.h"

#include <string_view>

namespace {

bool driveletter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

bool targetacceptable(const char* text) {
    std::string_view path(text);
    if (path.size() < 3 || !driveletter(path[0]) || path[1] != ':' || path[2] != '\\') {
        return false;
    }
    path.remove_prefix(2);
    if (path.size() > 1 && path.back() == '\\') {
        path.remove_suffix(1);
    }
    return path == "\\" || namefault(path).empty();
}
