#include "extraction/files.h"

#include "toolkit/readcmd.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

namespace {

constexpr std::int32_t pathsize = 260; // a path and its 0
constexpr std::size_t drivesize = 8;   // a drive text and its 0

bool isseparator(char c) {
    return c == '\\' || c == '/';
}

// Length of a text of at most pathsize characters; pathsize when it has no 0
// within them.
std::int32_t textlength(const char* text) {
    return static_cast<std::int32_t>(std::find(text, text + pathsize, 0) - text);
}

std::int32_t secondseparator(const char* path, std::int32_t end) {
    for (std::int32_t i = 0, seen = 0; i < end; ++i)
        if (isseparator(path[i]) && ++seen == 2)
            return i;
    return end;
}

std::int32_t nextseparator(const char* path, std::int32_t from, std::int32_t end) {
    for (std::int32_t i = from + 1; i < end; ++i)
        if (isseparator(path[i]))
            return i;
    return end;
}

// The values fileopen passed to the platform last; a letter that chooses
// nothing keeps them.
struct openvalues {
    std::uint32_t access = 0, share = 0, disposition = 0, hint = 0;
};

// True when the first character of letters is the given upper-case letter,
// in either case.
bool chosen(const char* letters, char letter) {
    return letters[0] == letter || letters[0] == letter - 'A' + 'a';
}

openvalues choosevalues(const char* access, const char* hint, const char* share) {
    static std::mutex guard;
    static openvalues last;
    std::lock_guard lock(guard);
    if (chosen(access, 'R')) {
        last.access = platform::genericread;
        last.disposition = platform::openexisting;
    } else if (chosen(access, 'W')) {
        last.access = platform::genericwrite;
        last.disposition = platform::createalways;
    }
    if (chosen(share, 'R'))
        last.share = platform::shareread;
    else if (chosen(share, 'W'))
        last.share = platform::sharewrite;
    else if (chosen(share, 'N'))
        last.share = platform::sharenone;
    if (chosen(hint, 'D'))
        last.hint = platform::flagrandomaccess;
    else if (chosen(hint, 'S'))
        last.hint = platform::flagsequentialscan;
    return last;
}

platform::handle openonce(const char* name, const openvalues& values, std::uint32_t attributes) {
    return platform::openfile(name, values.access, values.share, values.disposition,
                              attributes + values.hint);
}

// True when an existing file of this name carries an attribute that keeps it
// from being replaced: read-only, hidden or system.
bool guardedfile(const char* name) {
    constexpr auto guarding = platform::attrreadonly | platform::attrhidden | platform::attrsystem;
    const std::uint32_t attributes = platform::getattributes(name);
    return attributes != platform::invalidattributes &&
           (attributes & platform::attrdirectory) == 0 && (attributes & guarding) != 0;
}

// The drive of a directory text: its characters up to the first colon, when
// that comes early enough to fit in a drive text; otherwise nothing.
void drivefrom(const char* directory, char* drive) {
    const char* colon = std::strchr(directory, ':');
    const std::size_t length =
        colon == nullptr ? 0 : static_cast<std::size_t>(colon - directory) + 1;
    if (length >= drivesize) {
        drive[0] = 0;
        return;
    }
    std::memcpy(drive, directory, length);
    drive[length] = 0;
}

// Asks one of the platform's directory queries into an 8-character buffer
// first and, when the answer is longer, again into one of the size it needs.
void driveof(std::uint32_t (*query)(char*, std::uint32_t), char* drive) {
    char first[drivesize] = {};
    const std::uint32_t needed = query(first, drivesize);
    if (needed == 0) {
        drive[0] = 0;
    } else if (needed < drivesize) {
        drivefrom(first, drive);
    } else {
        std::vector<char> whole(needed + 1, 0);
        const std::uint32_t got = query(whole.data(), needed + 1);
        drivefrom(got != 0 && got <= needed ? whole.data() : "", drive);
    }
}

} // namespace

void fileopen(platform::handle& handle, const char* name, const char* access, const char* hint,
              const std::int32_t& attributes, const char* share) {
    const openvalues values = choosevalues(access, hint, share);
    const auto flags = static_cast<std::uint32_t>(attributes);
    handle = openonce(name, values, flags);
    if (handle != platform::invalidfile || values.access != platform::genericwrite ||
        !guardedfile(name))
        return;
    platform::setattributes(name, 0);
    handle = openonce(name, values, flags);
}

void fileclose(const platform::handle& handle) {
    platform::closefile(handle);
}

void setattributes(const char* name, const std::int32_t& attributes) {
    platform::setattributes(name, static_cast<std::uint32_t>(attributes));
}

void setfiletimes(const platform::handle& handle, const platform::filetime& creation,
                  const platform::filetime& lastaccess, const platform::filetime& lastwrite) {
    platform::setfiletime(handle, creation, lastaccess, lastwrite);
}

void makedirs(const char* path, std::int32_t& ok) {
    char work[pathsize];
    const std::int32_t end = textlength(path);
    ok = 0;
    if (end == pathsize)
        return;
    std::memcpy(work, path, static_cast<std::size_t>(end) + 1);
    // The first level (a drive, or the root) is never checked.
    std::int32_t levelend = secondseparator(work, end);
    for (;;) {
        // An empty level (a trailing or doubled separator) adds nothing to check.
        if (levelend == 0 || !isseparator(work[levelend - 1])) {
            const char kept = work[levelend];
            work[levelend] = 0;
            const bool made = platform::makedirectory(work);
            work[levelend] = kept;
            if (!made)
                return;
        }
        if (levelend == end)
            break;
        levelend = nextseparator(work, levelend, end);
    }
    ok = 1;
}

void systemdrive(char* drive) {
    driveof(platform::systemdirectory, drive);
}

void currentdrive(char* drive) {
    driveof(platform::currentdirectory, drive);
}

void installdrive(char* drive, std::int32_t& length) {
    char line[256];
    std::fill(std::begin(line), std::end(line), ' ');
    readcmd(line, 256);
    const char* colon = std::find(std::begin(line), std::end(line), ':');
    const auto characters = static_cast<std::size_t>(colon - line) + 1;
    if (colon != std::end(line) && characters < drivesize) {
        std::memcpy(drive, line, characters);
        drive[characters] = 0;
        if (platform::drivetype(drive) == platform::driveunknown) {
            length = 0;
            return;
        }
    } else {
        currentdrive(drive);
    }
    const auto position = static_cast<std::int32_t>(std::strlen(drive)) + 1;
    length = position == 1 ? 0 : position;
}

void isremovable(const char* path, std::int32_t& flag) {
    char root[pathsize];
    const std::int32_t length = textlength(path);
    flag = 0;
    if (length + 2 > pathsize)
        return;
    std::memcpy(root, path, static_cast<std::size_t>(length));
    std::int32_t end = length;
    if (end == 0 || root[end - 1] != '\\')
        root[end++] = '\\';
    root[end] = 0;
    flag = platform::drivetype(root) == platform::driveremovable ? 1 : 0;
}

void freespace(const char* root, std::uint32_t& bytes) {
    std::uint32_t sectors = 0, sectorbytes = 0, freeclusters = 0, totalclusters = 0;
    bytes = 0;
    if (!platform::diskfreespace(root, sectors, sectorbytes, freeclusters, totalclusters))
        return;
    const std::uint64_t total = std::uint64_t{freeclusters} * sectorbytes * sectors;
    bytes = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(total, std::numeric_limits<std::uint32_t>::max()));
}

void lopenfile(const char* name, platform::handle& handle) {
    handle =
        platform::openfile(name, platform::genericread | platform::genericwrite,
                           platform::shareread | platform::sharewrite, platform::openexisting, 0);
}

void lcreatfile(const char* name, platform::handle& handle) {
    handle = platform::openfile(name, platform::genericread | platform::genericwrite,
                                platform::shareread | platform::sharewrite, platform::createalways,
                                platform::attrnormal);
}

void lreadfile(const platform::handle& handle, void* buffer, const std::int32_t& count,
               std::int32_t& read) {
    std::uint32_t got = 0;
    const bool ok =
        count >= 0 && platform::readfile(handle, buffer, static_cast<std::uint32_t>(count), got);
    read = ok ? static_cast<std::int32_t>(got) : -1;
}

void lwritefile(const platform::handle& handle, const void* buffer, const std::int32_t& count,
                std::int32_t& ok) {
    std::uint32_t written = 0;
    const auto wanted = static_cast<std::uint32_t>(count);
    ok = count >= 0 && platform::writefile(handle, buffer, wanted, written) && written == wanted
             ? 1
             : 0;
}

void lclosefile(const platform::handle& handle, std::int32_t& ok) {
    ok = platform::closefile(handle) ? 1 : 0;
}
