#include "datamanager/directories.h"

#include "datamanager/chain.h"
#include "datamanager/fatal.h"
#include "datamanager/handle.h"
#include "datamanager/layout.h"

#include <cstdio>

namespace {

// The link word that leads to the first directory with the number, or -1.
std::int32_t dirlink(const std::int32_t& directory) {
    for (std::int32_t at = listhead; getword(at) != noblock; at = getword(at) + linkword) {
        if (numberof(getword(at)) == directory) {
            return at;
        }
    }
    return noblock;
}

// Deletes the fields of every file, then the files themselves.
void deletefiles(std::int32_t dir) {
    for (std::int32_t file = getword(dir + childword); file != noblock; file = nextof(file)) {
        deletechain(getword(file + childword));
    }
    deletechain(getword(dir + childword));
}

} // namespace

std::int32_t finddir(const std::int32_t& directory) {
    const std::int32_t at = dirlink(directory);
    return at == noblock ? noblock : getword(at);
}

std::int32_t appenddir(const std::int32_t& directory) {
    const std::int32_t dir = newnode(directory);
    putword(lastlink(listhead), dir);
    return dir;
}

void removedir(const std::int32_t& directory, const char* operation) {
    const std::int32_t at = dirlink(directory);
    if (at == noblock) {
        idmnotfound("Directory", directory, operation);
    }
    const std::int32_t dir = getword(at);
    putword(at, nextof(dir));
    if (directory < 0) { // a work directory holds fields, not files
        deletechain(getword(dir + childword));
    } else {
        deletefiles(dir);
    }
    deleteblock(dir);
}

void IDMCreateDir(const std::int32_t& directory) {
    if (directory < 0) { // negative numbers name work directories, which hold fields
        char text[80];
        std::snprintf(text, sizeof text, "Directory %10.9d is a work directory in IDMCreateDir.",
                      directory);
        idmstop(text);
    }
    const heldhandle held;
    appenddir(directory);
}

void IDMDirExists(const std::int32_t& directory, std::int32_t& found) {
    const heldhandle held;
    found = finddir(directory) == noblock ? 0 : 1;
}

void IDMCountDirs(std::int32_t& count) {
    const heldhandle held;
    count = 0;
    for (std::int32_t dir = getword(listhead); dir != noblock; dir = nextof(dir)) {
        count += numberof(dir) > 0 ? 1 : 0;
    }
}

void IDMDeleteDir(const std::int32_t& directory) {
    removedir(directory, "IDMDeleteDir");
}
