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

// The write root, in POSIX form without a trailing separator ("/" stays).
std::mutex rootguard;
std::string writeroot;

std::string currentroot() {
    std::lock_guard lock(rootguard);
    return writeroot;
}

// The directory that holds a path's last level, opened so that no link below
// the write root is followed on the way there.
struct parent {
    int descriptor = -1;
    std::string leaf;   // the last level
    bool below = false; // the last level lies below the write root
    bool kept = false;  // the descriptor belongs to the thread's last walk
    parent() = default;
    parent(const parent&) = delete;
    parent& operator=(const parent&) = delete;
    ~parent() {
        if (descriptor >= 0 && !kept)
            close(descriptor);
    }
};

// The directory the last walk of this thread ended in, kept open, so that the
// next file of the same directory needs no walk of its own: it is taken again
// while its path still leads to that very directory, neither removed, nor
// replaced, nor moved away. Every file met through it was reached without a
// link, as the walk that opened it was.
class walked {
  public:
    walked() = default;
    walked(const walked&) = delete;
    walked& operator=(const walked&) = delete;
    ~walked() {
        if (descriptor_ >= 0)
            close(descriptor_);
    }

    // The kept descriptor when it is that of directory under root, else -1.
    int reaches(const std::string& directory, const std::string& root) const {
        struct stat now {};
        return descriptor_ >= 0 && directory == directory_ && root == root_ &&
                       stat(directory.c_str(), &now) == 0 && now.st_dev == device_ &&
                       now.st_ino == inode_
                   ? descriptor_
                   : -1;
    }

    // Takes over the descriptor a walk opened; false when it cannot.
    bool keep(const std::string& directory, const std::string& root, int descriptor) {
        struct stat status {};
        if (fstat(descriptor, &status) != 0)
            return false;
        if (descriptor_ >= 0)
            close(descriptor_);
        directory_ = directory;
        root_ = root;
        device_ = status.st_dev;
        inode_ = status.st_ino;
        descriptor_ = descriptor;
        return true;
    }

  private:
    std::string directory_, root_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    int descriptor_ = -1;
};
thread_local walked lastwalk;

// The part of directory the walk may follow: the write root when directory
// lies at or below it, else directory itself; rest = the levels after it.
std::string followedpart(const std::string& directory, const std::string& root, std::string& rest) {
    rest.clear();
    if (root.empty() || directory.compare(0, root.size(), root) != 0)
        return directory;
    if (directory.size() == root.size())
        return root;
    if (root != "/" && directory[root.size()] != '/')
        return directory;
    rest = directory.substr(root == "/" ? 1 : root.size() + 1);
    return root;
}

// Opens the followed part, then each level of rest without following a link;
// false, with errno set, when a level is missing, a link or no directory, or
// is "..", which would climb out of the root.
bool walk(const std::string& followed, const std::string& rest, parent& found) {
    found.descriptor = open(followed.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (std::size_t start = 0; found.descriptor >= 0 && start < rest.size();) {
        std::size_t stop = rest.find('/', start);
        if (stop == std::string::npos)
            stop = rest.size();
        const std::string level = rest.substr(start, stop - start);
        start = stop + 1;
        if (level.empty() || level == ".")
            continue;
        if (level == "..") {
            errno = EACCES;
            return false;
        }
        const int next = openat(found.descriptor, level.c_str(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        close(found.descriptor);
        found.descriptor = next;
    }
    return found.descriptor >= 0;
}

// The parent of path's last level, from the thread's last walk when that
// ended in the same directory, else walked to anew.
bool openparent(const std::string& path, parent& found) {
    std::string whole = path;
    while (whole.size() > 1 && whole.back() == '/')
        whole.pop_back();
    const std::size_t cut = whole.rfind('/');
    found.leaf = cut == std::string::npos ? whole : whole.substr(cut + 1);
    const std::string directory = cut == std::string::npos ? "."
                                  : cut == 0               ? "/"
                                                           : whole.substr(0, cut);
    const std::string root = currentroot();
    std::string rest;
    const std::string followed = followedpart(directory, root, rest);
    found.below = followed != directory || directory == root;
    found.descriptor = lastwalk.reaches(directory, root);
    found.kept = found.descriptor >= 0;
    if (found.kept)
        return true;
    if (!walk(followed, rest, found))
        return false;
    found.kept = lastwalk.keep(directory, root, found.descriptor);
    return true;
}

// What is at the last level now, not followed; false when nothing is.
bool lookat(const parent& at, struct stat& status) {
    return fstatat(at.descriptor, at.leaf.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

// Makes room for a file at the last level: a link there goes, a plain file
// stays unless it is read-only (as on Windows, even for root); anything else
// refuses.
bool roomforfile(const parent& at) {
    struct stat status {};
    if (!lookat(at, status))
        return errno == ENOENT;
    if (S_ISLNK(status.st_mode))
        return unlinkat(at.descriptor, at.leaf.c_str(), 0) == 0;
    return S_ISREG(status.st_mode) && !readonlyfile(status);
}

// Keeps a descriptor only when it is a plain file, and lets it block again
// (flags: those it was opened with, less O_NONBLOCK).
int plainfile(int descriptor, int flags) {
    struct stat status {};
    if (descriptor < 0)
        return -1;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(descriptor);
        return -1;
    }
    fcntl(descriptor, F_SETFL, flags);
    return descriptor;
}

// Opens a file for writing without following a link and without waiting on a
// pipe; a plain file is all it gives. A file made anew (O_EXCL, which follows
// no link) is plain by its making: only a name already taken needs the look
// before and the check after.
int openforwriting(const std::string& path, int flags, mode_t mode) {
    parent at;
    if (!openparent(path, at))
        return -1;
    if ((flags & O_CREAT) != 0) {
        const int made = openat(at.descriptor, at.leaf.c_str(), flags | O_EXCL | O_NOFOLLOW, mode);
        if (made >= 0 || errno != EEXIST)
            return made;
    }
    if (!roomforfile(at))
        return -1;
    return plainfile(openat(at.descriptor, at.leaf.c_str(), flags | O_NOFOLLOW | O_NONBLOCK, mode),
                     flags);
}

// Handles are tested against 1 by their users: keep descriptor 0 out of them.
int abovezero(int descriptor) {
    if (descriptor != 0)
        return descriptor < 0 ? -1 : descriptor;
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

// A time of 0, or of all ones, leaves that time as it is, as the Windows call
// does.
timespec totimespec(const filetime& time) {
    if ((time.low == 0 && time.high == 0) || (time.low == ~0u && time.high == ~0u))
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

// A link is found as what it leads to, marked as a reparse point, as Windows
// finds a link.
bool fillfound(const std::string& path, const char* name, finddata& found) {
    struct stat link {};
    struct stat status {};
    const std::string full = path + name;
    if (lstat(full.c_str(), &link) != 0)
        return false;
    if (stat(full.c_str(), &status) != 0)
        status = link;
    const std::size_t length = std::strlen(name);
    if (length >= sizeof found.name)
        return false;
    std::memcpy(found.name, name, length + 1);
    found.attributes = attributesof(status) | (S_ISLNK(link.st_mode) ? attrreparsepoint : 0);
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

void setwriteroot(const char* directory) {
    std::string root = posixname(directory);
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    std::lock_guard lock(rootguard);
    writeroot = root;
}

handle openfile(const char* name, std::uint32_t access, std::uint32_t /*share*/,
                std::uint32_t disposition, std::uint32_t flagsandattributes) {
    const std::string path = posixname(name);
    const int flags = openflags(access, disposition);
    const bool writing = (access & genericwrite) != 0;
    if (flags == -1 || (writing && faults::openforwrite(path.c_str())) ||
        (!writing && faults::openforread()))
        return invalidfile;
    const mode_t mode = (flagsandattributes & attrreadonly) != 0 ? 0444 : 0666;
    const int descriptor =
        abovezero(writing ? openforwriting(path, flags, mode)
                          : plainfile(open(path.c_str(), flags | O_NONBLOCK, mode), flags));
    if (descriptor < 0)
        return invalidfile;
    if (!writing) // the hints tell how a file will be read
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

// Linux sets the blocks aside beyond the file's end, so that a write cut short
// leaves the length of what was written; elsewhere nothing is reserved
// (posix_fallocate would grow the file to its full length at once).
bool reservespace(handle file, std::uint64_t size) {
    if (faults::reserve()) {
        errno = ENOSPC;
        return false;
    }
#ifdef __linux__
    if (size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return false;
    if (fallocate(file, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0)
        return true;
    if (errno != ENOSPC && errno != EDQUOT)
        return true; // the file system cannot reserve, or not for this file
    // Gives back what was set aside before the disk ran out: nothing is
    // written yet, so the length is 0.
    const int full = errno;
    if (ftruncate(file, 0) != 0)
        errno = full;
    return false;
#else
    (void)file;
    (void)size;
    return true;
#endif
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
    if (lstat(path.c_str(), &status) != 0)
        return false;
    if (!S_ISREG(status.st_mode))
        return true; // hidden, system and read-only mean nothing here but for a file
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

bool makedirectory(const char* name) {
    parent at;
    struct stat status {};
    if (!openparent(posixname(name), at))
        return false;
    if (!lookat(at, status))
        return errno == ENOENT && mkdirat(at.descriptor, at.leaf.c_str(), 0777) == 0;
    if (S_ISLNK(status.st_mode) && !at.below) // the user's own link, as the target
        return fstatat(at.descriptor, at.leaf.c_str(), &status, 0) == 0 && S_ISDIR(status.st_mode);
    return S_ISDIR(status.st_mode);
}

bool deletefile(const char* name) {
    parent at;
    struct stat status {};
    if (!openparent(posixname(name), at) || !lookat(at, status) || S_ISDIR(status.st_mode) ||
        readonlyfile(status))
        return false;
    return unlinkat(at.descriptor, at.leaf.c_str(), 0) == 0;
}

bool identify(const char* name, fileidentity& identity) {
    struct stat status {};
    if (stat(posixname(name).c_str(), &status) != 0)
        return false;
    identity = {static_cast<std::uint64_t>(status.st_dev),
                static_cast<std::uint64_t>(status.st_ino)};
    return true;
}

// "/" is its own parent; a mount point lies on another device than its parent.
bool isvolumeroot(const char* directory) {
    const std::string path = posixname(directory);
    struct stat self {
    }, above{};
    if (stat(path.c_str(), &self) != 0 || !S_ISDIR(self.st_mode) ||
        stat((path + "/..").c_str(), &above) != 0)
        return false;
    return self.st_dev != above.st_dev || self.st_ino == above.st_ino;
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
