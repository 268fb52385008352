#include "datamanager/files.h"

#include "datamanager/chain.h"
#include "datamanager/directories.h"
#include "datamanager/fatal.h"
#include "datamanager/handle.h"
#include "datamanager/layout.h"

namespace {

// The directory that holds files under this number, or -1.
std::int32_t filedir(const std::int32_t& directory) {
    return directory < 0 ? noblock : finddir(directory);
}

// The link word that leads to the first file with the number, or -1.
std::int32_t filelink(const std::int32_t& file, const std::int32_t& directory) {
    const std::int32_t dir = filedir(directory);
    if (dir == noblock) {
        return noblock;
    }
    for (std::int32_t at = dir + childword; getword(at) != noblock; at = getword(at) + linkword) {
        if (numberof(getword(at)) == file) {
            return at;
        }
    }
    return noblock;
}

} // namespace

std::int32_t findfile(const std::int32_t& file, const std::int32_t& directory) {
    const std::int32_t at = filelink(file, directory);
    return at == noblock ? noblock : getword(at);
}

std::int32_t requirefile(const std::int32_t& file, const std::int32_t& directory,
                         const char* operation) {
    const std::int32_t found = findfile(file, directory);
    if (found == noblock) {
        idmfilenotfound(file, directory, operation);
    }
    return found;
}

void IDMCreateFile(const std::int32_t& file, const std::int32_t& directory) {
    const heldhandle held;
    if (filedir(directory) == noblock) {
        idmnotfound("Directory", directory, "IDMCreateFile");
    }
    const std::int32_t node = newnode(file);
    putword(lastlink(filedir(directory) + childword), node);
}

void IDMFileExists(const std::int32_t& file, const std::int32_t& directory, std::int32_t& found) {
    const heldhandle held;
    found = findfile(file, directory) == noblock ? 0 : 1;
}

void IDMCountFiles(std::int32_t& count, const std::int32_t& directory) {
    const heldhandle held;
    count = 0;
    const std::int32_t dir = filedir(directory);
    for (std::int32_t node = dir == noblock ? noblock : getword(dir + childword); node != noblock;
         node = nextof(node)) {
        count += 1;
    }
}

void IDMDeleteFile(const std::int32_t& file, const std::int32_t& directory) {
    const heldhandle held;
    const std::int32_t at = filelink(file, directory);
    if (at == noblock) {
        idmfilenotfound(file, directory, "IDMDeleteFile");
    }
    const std::int32_t node = getword(at);
    putword(at, nextof(node));
    deletechain(getword(node + childword));
    deleteblock(node);
}
