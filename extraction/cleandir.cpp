#include "extraction/cleandir.h"

#include "platform/fileio.h"
#include "toolkit/subset.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t pathsize = 260; // a path and its 0
constexpr char pattern[] = "*.*";

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

// Puts the entry's name after the directory in work and deletes that file,
// unless it is "." or "..", a directory, or too long for the buffer.
void deleteentry(char (&work)[pathsize], std::size_t base, const platform::finddata& found) {
    const std::size_t length = std::strlen(found.name);
    if (isdotentry(found.name) || isdirectory(found) || base + length >= pathsize)
        return;
    std::memcpy(work + base, found.name, length + 1);
    platform::deletefile(work);
}

} // namespace

void cleandir(const char* directory) {
    char work[pathsize];
    const std::size_t length =
        static_cast<std::size_t>(std::find(directory, directory + pathsize, 0) - directory);
    std::size_t base = length;
    if (length == 0)
        return;
    if (!isseparator(directory[length - 1]))
        ++base; // room for the separator added below
    if (base + sizeof pattern > pathsize)
        return;
    std::memcpy(work, directory, length);
    work[base - 1] = '\\';
    std::memcpy(work + base, pattern, sizeof pattern);
    platform::finddata found{};
    const platform::handle search = platform::findfirst(work, found);
    if (search == platform::invalidfile)
        return;
    do
        deleteentry(work, base, found);
    while (platform::findnext(search, found));
    platform::findclose(search);
}

void deletefile(const char* name) {
    platform::deletefile(name);
}
