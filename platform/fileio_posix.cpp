// The file layer on POSIX. A backslash separates levels as a slash does, the
// read-only attribute is the absence of every write permission bit, FILETIME
// counts from 1601 and is converted to timespec, and there are no drives.
#include "platform/faults.h"
#include "platform/fileio.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <string>

namespace platform {
namespace {

constexpr mode_t writebits = S_IWUSR | S_IWGRP | S_IWOTH;

std::string posixname(const char* name) {
    std::string converted(name);
    std::replace(converted.begin(), converted.end(), '\\', '/');
    return converted;
}

bool readonlyfile(const struct stat& status) {
    return S_ISREG(status.st_mode) && (status.st_mode & writebits) == 0;
}

std::uint32_t attributesof(const struct stat& status) {
    if (S_ISDIR(status.st_mode))
        return attrdirectory;
    return readonlyfile(status) ? attrreadonly : attrarchive;
}

// A Windows file cannot be opened for writing or deleted while it carries the
// read-only attribute; POSIX would let the owner (and root) do both.
bool isreadonly(const std::string& name) {
    struct stat status {};
    return stat(name.c_str(), &status) == 0 && readonlyfile(status);
}

int openflags(std::uint32_t access, std::uint32_t disposition) {
    int flags = O_RDONLY;
    if ((access & genericwrite) != 0)
        flags = (access & genericread) != 0 ? O_RDWR : O_WRONLY;
    switch (disposition) {
    case 1:
        return flags | O_CREAT | O_EXCL; // create new
    case createalways:
        return flags | O_CREAT | O_TRUNC;
    case openexisting:
        return flags;
    case 4:
        return flags | O_CREAT; // open always
    case 5:
        return flags | O_TRUNC; // truncate existing
    default:
        return -1;
    }
}

// A read-only file refuses writing, as on Windows, even to root. A file that
// does not exist yet is not read-only: where the file may be created, an
// exclusive create is tried first, which spares looking at it.
int openforwriting(const std::string& path, int flags, mode_t mode) {
    if ((flags & O_CREAT) != 0) {
        const int made = open(path.c_str(), flags | O_EXCL, mode);
        if (made >= 0 || errno != EEXIST)
            return made;
    }
    if (isreadonly(path))
        return -1;
    return open(path.c_str(), flags, mode);
}

// Handles are tested against 1 by their users: keep descriptor 0 out of them.
int abovezero(int descriptor) {
    if (descriptor != 0)
        return descriptor;
    const int moved = fcntl(descriptor, F_DUPFD, 1);
    close(descriptor);
    return moved;
}

void adviseaccess(int descriptor, std::uint32_t flags) {
    if ((flags & flagsequentialscan) != 0)
        posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    else if ((flags & flagrandomaccess) != 0)
        posix_fadvise(descriptor, 0, 0, POSIX_FADV_RANDOM);
}

// A time of 0 leaves that time as it is, as the Windows call does.
timespec totimespec(const filetime& time) {
    if (time.low == 0 && time.high == 0)
        return timespec{0, UTIME_OMIT};
    constexpr std::int64_t ticksbefore1970 = 116444736000000000; // 100 ns ticks 1601..1970
    constexpr std::int64_t tickspersecond = 10000000;
    const auto ticks =
        static_cast<std::int64_t>((std::uint64_t{time.high} << 32) | time.low) - ticksbefore1970;
    std::int64_t seconds = ticks / tickspersecond;
    std::int64_t rest = ticks % tickspersecond;
    if (rest < 0) {
        --seconds;
        rest += tickspersecond;
    }
    return timespec{static_cast<time_t>(seconds), static_cast<long>(rest * 100)};
}

// Directory searches in progress, named by small positive numbers.
struct search {
    DIR* directory = nullptr; // null for the look-up of one name
    std::string path;         // the directory searched, with its separator
    std::string pattern;      // fnmatch pattern for the names
};
std::mutex searchguard;
std::map<handle, search> searches;
handle lastsearch = 0;

bool haswildcard(const std::string& pattern) {
    return pattern.find_first_of("*?") != std::string::npos;
}

bool fillfound(const std::string& path, const char* name, finddata& found) {
    struct stat status {};
    const std::string full = path + name;
    if (stat(full.c_str(), &status) != 0 && lstat(full.c_str(), &status) != 0)
        return false;
    const std::size_t length = std::strlen(name);
    if (length >= sizeof found.name)
        return false;
    std::memcpy(found.name, name, length + 1);
    found.attributes = attributesof(status);
    return true;
}

bool nextmatch(search& current, finddata& found) {
    while (dirent* entry = readdir(current.directory)) {
        if (fnmatch(current.pattern.c_str(), entry->d_name, 0) == 0 &&
            fillfound(current.path, entry->d_name, found))
            return true;
    }
    return false;
}

handle keepsearch(search&& started) {
    std::lock_guard lock(searchguard);
    do
        lastsearch = lastsearch == std::numeric_limits<handle>::max() ? 1 : lastsearch + 1;
    while (searches.contains(lastsearch));
    searches.emplace(lastsearch, std::move(started));
    return lastsearch;
}

std::string& programline() {
    static std::string line;
    return line;
}

} // namespace

handle openfile(const char* name, std::uint32_t access, std::uint32_t /*share*/,
                std::uint32_t disposition, std::uint32_t flagsandattributes) {
    const std::string path = posixname(name);
    const int flags = openflags(access, disposition);
    const bool writing = (access & genericwrite) != 0;
    if (flags == -1 || (writing && faults::openforwrite(path.c_str())))
        return invalidfile;
    const mode_t mode = (flagsandattributes & attrreadonly) != 0 ? 0444 : 0666;
    if (writing) // a directory cannot be opened for writing
        return abovezero(openforwriting(path, flags, mode));
    const int descriptor = abovezero(open(path.c_str(), flags, mode));
    if (descriptor < 0)
        return invalidfile;
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        close(descriptor);
        return invalidfile;
    }
    adviseaccess(descriptor, flagsandattributes);
    return descriptor;
}

bool readfile(handle file, void* buffer, std::uint32_t count, std::uint32_t& got) {
    got = 0;
    if (faults::read())
        return false;
    auto* bytes = static_cast<char*>(buffer);
    while (got < count) {
        const ssize_t n = read(file, bytes + got, count - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += static_cast<std::uint32_t>(n);
    }
    return true;
}

bool writefile(handle file, const void* buffer, std::uint32_t count, std::uint32_t& written) {
    written = 0;
    const faults::writeoutcome outcome = faults::write();
    if (outcome == faults::writeoutcome::fail)
        return false;
    const std::uint32_t wanted = outcome == faults::writeoutcome::half ? count / 2 : count;
    const auto* bytes = static_cast<const char*>(buffer);
    while (written < wanted) {
        const ssize_t n = write(file, bytes + written, wanted - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::uint32_t>(n);
    }
    return true;
}

bool closefile(handle file) {
    return file > 0 && close(file) == 0;
}

std::uint32_t getattributes(const char* name) {
    struct stat status {};
    if (stat(posixname(name).c_str(), &status) != 0)
        return invalidattributes;
    return attributesof(status);
}

bool setattributes(const char* name, std::uint32_t attributes) {
    const std::string path = posixname(name);
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return false;
    if (!S_ISREG(status.st_mode))
        return true; // hidden, system and read-only mean nothing for a directory here
    const mode_t mode = (attributes & attrreadonly) != 0 ? status.st_mode & ~writebits
                        : readonlyfile(status)           ? status.st_mode | S_IWUSR
                                                         : status.st_mode;
    return mode == status.st_mode || chmod(path.c_str(), mode & 07777) == 0;
}

bool setfiletime(handle file, const filetime& /*creation*/, const filetime& lastaccess,
                 const filetime& lastwrite) {
    const timespec times[2] = {totimespec(lastaccess), totimespec(lastwrite)};
    return futimens(file, times) == 0;
}

bool createdirectory(const char* name) {
    return mkdir(posixname(name).c_str(), 0777) == 0;
}

bool deletefile(const char* name) {
    const std::string path = posixname(name);
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode) || readonlyfile(status))
        return false;
    return unlink(path.c_str()) == 0;
}

handle findfirst(const char* pattern, finddata& found) {
    const std::string full = posixname(pattern);
    const std::size_t cut = full.rfind('/');
    search started;
    started.path = cut == std::string::npos ? std::string() : full.substr(0, cut + 1);
    started.pattern = full.substr(cut == std::string::npos ? 0 : cut + 1);
    if (started.pattern == "*.*")
        started.pattern = "*"; // as on Windows, it also matches names without a dot
    if (!haswildcard(started.pattern))
        return fillfound(started.path, started.pattern.c_str(), found)
                   ? keepsearch(std::move(started))
                   : invalidfile;
    started.directory = opendir(started.path.empty() ? "." : started.path.c_str());
    if (started.directory == nullptr)
        return invalidfile;
    if (!nextmatch(started, found)) {
        closedir(started.directory);
        return invalidfile;
    }
    return keepsearch(std::move(started));
}

bool findnext(handle searchhandle, finddata& found) {
    std::lock_guard lock(searchguard);
    const auto current = searches.find(searchhandle);
    return current != searches.end() && current->second.directory != nullptr &&
           nextmatch(current->second, found);
}

void findclose(handle searchhandle) {
    std::lock_guard lock(searchguard);
    const auto current = searches.find(searchhandle);
    if (current == searches.end())
        return;
    if (current->second.directory != nullptr)
        closedir(current->second.directory);
    searches.erase(current);
}

std::uint32_t systemdirectory(char* /*buffer*/, std::uint32_t /*size*/) {
    return 0;
}

std::uint32_t currentdirectory(char* buffer, std::uint32_t size) {
    char* const here = getcwd(nullptr, 0);
    if (here == nullptr)
        return 0;
    const auto length = static_cast<std::uint32_t>(std::strlen(here));
    const std::uint32_t result = length < size ? length : length + 1;
    if (length < size)
        std::memcpy(buffer, here, length + 1);
    std::free(here);
    return result;
}

// No drives here: a root that exists as a directory is taken as a fixed drive.
std::uint32_t drivetype(const char* root) {
    struct stat status {};
    return stat(posixname(root).c_str(), &status) == 0 && S_ISDIR(status.st_mode) ? drivefixed
                                                                                  : driveunknown;
}

bool diskfreespace(const char* root, std::uint32_t& sectorspercluster,
                   std::uint32_t& bytespersector, std::uint32_t& freeclusters,
                   std::uint32_t& totalclusters) {
    struct statvfs status {};
    if (statvfs(posixname(root).c_str(), &status) != 0)
        return false;
    constexpr auto most = std::numeric_limits<std::uint32_t>::max();
    sectorspercluster = 1;
    bytespersector = static_cast<std::uint32_t>(std::min<unsigned long>(status.f_frsize, most));
    freeclusters = static_cast<std::uint32_t>(std::min<fsblkcnt_t>(status.f_bavail, most));
    totalclusters = static_cast<std::uint32_t>(std::min<fsblkcnt_t>(status.f_blocks, most));
    return true;
}

const char* commandline() {
    return programline().c_str();
}

void setcommandline(const char* line) {
    programline() = line;
}

} // namespace platform
