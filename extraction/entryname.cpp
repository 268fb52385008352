#include "extraction/entryname.h"

#include <array>
#include <cctype>

namespace {

// Windows reserves these device names, with or without an extension.
bool reserved(std::string_view component) {
    std::string base(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static constexpr std::array<std::string_view, 4> devices{"CON", "PRN", "AUX", "NUL"};
    for (const auto device : devices)
        if (base == device)
            return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

std::string quoted(std::string_view text) {
    std::string out(1, '"');
    out.append(text);
    out.push_back('"');
    return out;
}

} // namespace

std::string componentfault(std::string_view component) {
    if (component.empty())
        return "an empty level";
    if (component == "." || component == "..")
        return "a level " + quoted(component);
    for (const char c : component) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127)
            return "a control character in " + quoted(component);
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return "the character '" + std::string(1, c) + "' in " + quoted(component);
    }
    if (component.back() == '.' || component.back() == ' ')
        return quoted(component) + " ends in a dot or a blank";
    if (reserved(component))
        return quoted(component) + " is a device name on Windows";
    return {};
}

std::string namefault(std::string_view name) {
    if (name.empty() || name.front() != '\\')
        return "the name does not begin with a backslash";
    std::size_t start = 1;
    for (;;) {
        const std::size_t stop = name.find('\\', start);
        if (auto fault = componentfault(name.substr(start, stop - start)); !fault.empty())
            return fault;
        if (stop == std::string_view::npos)
            return {};
        start = stop + 1;
    }
}

void entrynameok(const char* name, const std::int32_t& length, std::int32_t& ok) {
    ok = length > 0 && namefault(std::string_view(name, static_cast<std::size_t>(length))).empty()
             ? 1
             : 0;
}
