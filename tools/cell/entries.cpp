#include "tools/cell/entries.h"

namespace cell {

namespace {

constexpr std::uint64_t wordunit = 4294967295u; // what one carry adds
constexpr std::int64_t epochgap = 11644473600;  // seconds from 1601 to 1970

void putle32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void putle64(std::vector<unsigned char>& out, std::uint64_t v) {
    putle32(out, static_cast<std::uint32_t>(v));
    putle32(out, static_cast<std::uint32_t>(v >> 32));
}

void puttwoword(std::vector<unsigned char>& out, std::uint64_t v) {
    std::uint32_t low = 0, high = 0;
    splittwoword(v, low, high);
    putle32(out, low);
    putle32(out, high);
}

void puttext(std::vector<unsigned char>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

} // namespace

std::string descriptorfault(std::string_view product, std::string_view proposal) {
    if (product.empty())
        return "the product name is empty";
    if (product.size() > productlimit)
        return "the product name has more than 55 characters";
    if (proposal.size() > proposallimit)
        return "the directory proposal has more than 63 characters";
    const auto slash = proposal.rfind('\\');
    if (slash == std::string_view::npos)
        return "the directory proposal holds no backslash";
    // The installer puts the tail from the last backslash behind a drive
    // ("C:") into a buffer of 60 with its 0.
    if (proposal.size() - slash + 3 > targetbuffer)
        return "the directory proposal's last level is too long for the target directory";
    return {};
}

std::uint64_t descriptorlength(std::string_view product, std::string_view proposal) {
    return product.size() + 1 + proposal.size() + 1 + 8;
}

std::uint64_t entrylength(const entryinfo& entry) {
    return entry.name.size() + 1 + entryfixed + entry.size;
}

std::vector<unsigned char> descriptorbytes(std::string_view product, std::string_view proposal,
                                           std::uint64_t total) {
    std::vector<unsigned char> out;
    puttext(out, product);
    puttext(out, proposal);
    puttwoword(out, total);
    return out;
}

std::vector<unsigned char> entryhead(const entryinfo& entry) {
    std::vector<unsigned char> out;
    puttext(out, entry.name);
    putle32(out, entry.attributes);
    putle64(out, entry.creation);
    putle64(out, entry.lastaccess);
    putle64(out, entry.lastwrite);
    puttwoword(out, entry.size);
    return out;
}

void splittwoword(std::uint64_t value, std::uint32_t& low, std::uint32_t& high) {
    high = value == 0 ? 0 : static_cast<std::uint32_t>((value - 1) / wordunit);
    low = static_cast<std::uint32_t>(value - high * wordunit);
}

std::uint64_t twowordvalue(std::uint32_t low, std::uint32_t high) {
    return low + high * wordunit;
}

std::uint64_t filetimefromunix(std::int64_t seconds, std::uint32_t nanoseconds) {
    if (seconds < -epochgap)
        return 0;
    return static_cast<std::uint64_t>(seconds + epochgap) * 10000000u + nanoseconds / 100;
}

std::uint32_t getle32(const unsigned char* p) {
    return p[0] | static_cast<std::uint32_t>(p[1]) << 8 | static_cast<std::uint32_t>(p[2]) << 16 |
           static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t getle64(const unsigned char* p) {
    return getle32(p) | static_cast<std::uint64_t>(getle32(p + 4)) << 32;
}

} // namespace cell
