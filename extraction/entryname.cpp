#include "extraction/entryname.h"

#include <algorithm>
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
    static constexpr std::array<std::string_view, 6> devices{"CON", "PRN",    "AUX",
                                                             "NUL", "CONIN$", "CONOUT$"};
    for (const auto device : devices)
        if (base == device)
            return true;
    if (!base.starts_with("COM") && !base.starts_with("LPT"))
        return false;
    // A digit, or a superscript 1, 2 or 3 (in the ANSI code page or in UTF-8).
    static constexpr std::array<std::string_view, 6> numbers{"\xB9",     "\xB2",     "\xB3",
                                                             "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
    const std::string_view number = std::string_view(base).substr(3);
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') ||
           std::ranges::find(numbers, number) != numbers.end();
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
