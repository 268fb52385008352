#include "extraction/entryname.h"

#include <string_view>

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices whatever extension follows.
bool reserved(std::string_view component) {
    const std::string_view base = component.substr(0, component.find('.'));
    for (const std::string_view device : {"CON", "PRN", "AUX", "NUL"}) {
        if (same(base, device)) {
            return true;
        }
    }
    return base.size() == 4 && (same(base.substr(0, 3), "COM") || same(base.substr(0, 3), "LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

bool forbidden(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code < 32 || c == ':' || c == '/';
}

bool componentok(std::string_view component) {
    if (component.empty() || component == "." || component == "..") {
        return false;
    }
    for (const char c : component) {
        if (forbidden(c)) {
            return false;
        }
    }
    const char last = component.back();
    return last != '.' && last != ' ' && !reserved(component);
}

} // namespace

void entrynameok(const char* name, const std::int32_t& length, std::int32_t& ok) {
    ok = 0;
    if (length < 2 || name[0] != '\\') {
        return;
    }
    std::string_view rest(name + 1, static_cast<std::size_t>(length - 1));
    for (;;) {
        const std::size_t cut = rest.find('\\');
        if (!componentok(rest.substr(0, cut))) {
            return;
        }
        if (cut == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(cut + 1);
    }
    ok = 1;
}
