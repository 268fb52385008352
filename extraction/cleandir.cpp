#include "extraction/cleandir.h"

#include "platform/fileio.h"
#include "toolkit/subset.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

namespace {

constexpr std::size_t pathsize = 260; // a path and its 0
constexpr char pattern[] = "*.*";

struct guard {
    std::mutex lock;
    std::vector<platform::fileidentity> volumedirs, keep;
};

guard& guarded() {
    static guard held;
    return held;
}

std::vector<platform::fileidentity> identities(const std::vector<std::string>& names) {
    std::vector<platform::fileidentity> found;
    for (const std::string& name : names) {
        platform::fileidentity identity;
        if (platform::identify(name.c_str(), identity))
            found.push_back(identity);
    }
    return found;
}

bool among(const std::vector<platform::fileidentity>& identities, const char* name) {
    platform::fileidentity identity;
    return !identities.empty() && platform::identify(name, identity) &&
           std::ranges::find(identities, identity) != identities.end();
}

// CELL. followed by one digit or more, in any case, as Windows finds it.
bool isvolumename(const char* name) {
    constexpr char prefix[] = "CELL.";
    constexpr std::size_t length = sizeof prefix - 1;
    for (std::size_t i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != prefix[i])
            return false;
    const char* digits = name + length;
    return *digits != 0 && std::all_of(digits, digits + std::strlen(digits), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

bool isseparator(char c) {
    return c == '\\' || c == '/';
}

bool isdotentry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool isdirectory(const platform::finddata& found) {
    return hasbits(static_cast<std::int32_t>(platform::attrdirectory),
                   static_cast<std::int32_t>(found.attributes));
}

// What one clean spares: the volumes when it clears a volume directory, and
// the kept files.
struct sparing {
    bool volumes;
    const std::vector<platform::fileidentity>& keep;
};

// Puts the entry's name after the directory in work and deletes that file,
// unless it is "." or "..", a directory, spared, or too long for the buffer.
void deleteentry(char (&work)[pathsize], std::size_t base, const platform::finddata& found,
                 const sparing& spared) {
    const std::size_t length = std::strlen(found.name);
    if (isdotentry(found.name) || isdirectory(found) || base + length >= pathsize ||
        (spared.volumes && isvolumename(found.name)))
        return;
    std::memcpy(work + base, found.name, length + 1);
    if (!among(spared.keep, work))
        platform::deletefile(work);
}

} // namespace

void guardclean(const std::vector<std::string>& volumedirs, const std::vector<std::string>& keep) {
    auto dirs = identities(volumedirs);
    auto files = identities(keep);
    std::lock_guard lock(guarded().lock);
    guarded().volumedirs = std::move(dirs);
    guarded().keep = std::move(files);
}

void cleandir(const char* directory, std::int32_t& cleaned) {
    char work[pathsize];
    const std::size_t length =
        static_cast<std::size_t>(std::find(directory, directory + pathsize, 0) - directory);
    std::size_t base = length;
    cleaned = 1;
    if (length == 0)
        return;
    if (!isseparator(directory[length - 1]))
        ++base; // room for the separator added below
    if (base + sizeof pattern > pathsize)
        return;
    if (platform::isvolumeroot(directory)) {
        cleaned = 0;
        return;
    }
    std::lock_guard lock(guarded().lock);
    const sparing spared{among(guarded().volumedirs, directory), guarded().keep};
    std::memcpy(work, directory, length);
    work[base - 1] = '\\';
    std::memcpy(work + base, pattern, sizeof pattern);
    platform::finddata found{};
    const platform::handle search = platform::findfirst(work, found);
    if (search == platform::invalidfile)
        return;
    do
        deleteentry(work, base, found, spared);
    while (platform::findnext(search, found));
    platform::findclose(search);
}

void deletefile(const char* name) {
    platform::deletefile(name);
}
