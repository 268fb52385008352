// cell list: the descriptor and the entries of a distribution.
#include "tools/cell/arguments.h"
#include "tools/cell/commands.h"
#include "tools/cell/reading.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace cell {

namespace {

constexpr const char* usage =
    "usage: cell list DIST [--json]\n"
    "\n"
    "Decodes the distribution in DIST (a directory of volumes or of floppy\n"
    "images, or one image) and shows its product name, proposed directory and\n"
    "total, then one line per entry: size, attributes (R read-only, H hidden,\n"
    "S system, A archive), last write time (UTC) and name. --json gives the\n"
    "same as JSON, with each entry's three file times as [creation, last access,\n"
    "last write].\n";

// A file time as "YYYY-MM-DD HH:MM:SS", UTC.
std::string datetext(std::uint64_t filetime) {
    using namespace std::chrono;
    const auto since1601 = static_cast<std::int64_t>(filetime / 10000000u);
    const sys_seconds at{seconds{since1601 - 11644473600}};
    const auto day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss clock{at - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::string attributetext(std::uint32_t attributes) {
    std::string text = "----";
    const char letters[] = "RHSA";
    const std::uint32_t bits[] = {0x01, 0x02, 0x04, 0x20};
    for (int i = 0; i < 4; ++i)
        if (attributes & bits[i])
            text[static_cast<std::size_t>(i)] = letters[i];
    return text;
}

// Names are shown as they are, but for control characters.
std::string plain(const std::string& text) {
    std::string out;
    for (const char c : text)
        out.push_back(static_cast<unsigned char>(c) < 32 || c == 127 ? '?' : c);
    return out;
}

// A JSON string; bytes above 127 are taken as Latin-1, so any name gives valid JSON.
std::string json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u >= 32 && u < 127) {
            out += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        }
    }
    return out + "\"";
}

void printtext(const descriptorinfo& head, const std::vector<entryinfo>& entries) {
    std::printf("product   %s\nproposal  %s\ntotal     %llu bytes, %zu entries\n",
                plain(head.product).c_str(), plain(head.proposal).c_str(),
                static_cast<unsigned long long>(head.total), entries.size());
    for (const auto& entry : entries)
        std::printf("%12llu  %s  %s  %s\n", static_cast<unsigned long long>(entry.size),
                    attributetext(entry.attributes).c_str(), datetext(entry.lastwrite).c_str(),
                    plain(entry.name).c_str());
}

void printjson(const descriptorinfo& head, const std::vector<entryinfo>& entries) {
    std::printf("{\"product\": %s, \"proposal\": %s, \"total\": %llu, \"entries\": [",
                json(head.product).c_str(), json(head.proposal).c_str(),
                static_cast<unsigned long long>(head.total));
    const char* separator = "";
    for (const auto& entry : entries) {
        std::printf("%s\n  {\"name\": %s, \"size\": %llu, \"attributes\": %u, "
                    "\"lastwrite\": \"%s\", \"filetimes\": [%llu, %llu, %llu]}",
                    separator, json(entry.name).c_str(),
                    static_cast<unsigned long long>(entry.size), entry.attributes,
                    datetext(entry.lastwrite).c_str(),
                    static_cast<unsigned long long>(entry.creation),
                    static_cast<unsigned long long>(entry.lastaccess),
                    static_cast<unsigned long long>(entry.lastwrite));
        separator = ",";
    }
    std::printf("\n]}\n");
}

int list(arguments& args) {
    const bool asjson = args.flag("--json");
    const auto paths = args.positional(1);
    distreader reader(paths[0]);
    std::vector<entryinfo> entries;
    for (entryinfo entry; reader.next(entry);)
        entries.push_back(entry);
    (asjson ? printjson : printtext)(reader.descriptor(), entries);
    return 0;
}

} // namespace

int listcommand(int argc, char** argv) {
    return runcommand("list", usage, argc, argv, list);
}

} // namespace cell
