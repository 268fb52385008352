#pragma once
// Files, directories and drives: the part of the platform the file access
// layer, the decoder ring and the cleanup stand on. The interface follows the
// Windows kernel (its numbers for access, share, disposition, attributes and
// file times); on POSIX the same contract is mapped onto POSIX: the read-only
// attribute is the absence of write permission, FILETIME is converted to and
// from timespec, a backslash separates levels as a slash does, and there are
// no drives.
#include "platform/types.h"

#include <cstdint>

namespace platform {

// Windows' own values.
inline constexpr std::uint32_t genericread = 0x80000000u;
inline constexpr std::uint32_t genericwrite = 0x40000000u;
inline constexpr std::uint32_t sharenone = 0, shareread = 1, sharewrite = 2;
inline constexpr std::uint32_t createalways = 2, openexisting = 3;
inline constexpr std::uint32_t attrreadonly = 0x01, attrhidden = 0x02, attrsystem = 0x04;
inline constexpr std::uint32_t attrdirectory = 0x10, attrarchive = 0x20, attrnormal = 0x80;
inline constexpr std::uint32_t attrreparsepoint = 0x400; // a link or a junction
inline constexpr std::uint32_t flagrandomaccess = 0x10000000u, flagsequentialscan = 0x08000000u;
inline constexpr std::uint32_t invalidattributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t driveunknown = 0, driveremovable = 2, drivefixed = 3;
inline constexpr handle invalidfile = -1;

// Count of 100-nanosecond intervals since 1 January 1601 (UTC), low word first.
struct filetime {
    std::uint32_t low;
    std::uint32_t high;
};

// The directory that extraction writes below. From this call on, a directory
// made, a file opened for writing or a file deleted below it is reached
// without following any link that lies below it (the directory itself may be
// a link the user chose): a link, or anything but a directory, on the way
// fails the call. Everywhere, the last level of a file opened for writing is
// never followed: a link there is removed and the file made in its place, and
// a directory, pipe, socket or device there fails the open at once. An empty
// text ends the rule.
void setwriteroot(const char* directory);

// Opens or creates a file (inheritable handle); -1 when it failed, also when
// the name is no plain file (a directory, pipe, socket or device): no open
// waits for a peer.
handle openfile(const char* name, std::uint32_t access, std::uint32_t share,
                std::uint32_t disposition, std::uint32_t flagsandattributes);
bool readfile(handle file, void* buffer, std::uint32_t count, std::uint32_t& got);
bool writefile(handle file, const void* buffer, std::uint32_t count, std::uint32_t& written);
bool closefile(handle file);
// Asks the file system to set aside size bytes for a file opened for writing,
// without changing its length. False only when the disk has no room for them
// (nothing stays set aside then); true also where the file system cannot
// reserve, which the writes that follow then meet as they go.
bool reservespace(handle file, std::uint64_t size);

std::uint32_t getattributes(const char* name); // invalidattributes when absent
bool setattributes(const char* name, std::uint32_t attributes);
bool setfiletime(handle file, const filetime& creation, const filetime& lastaccess,
                 const filetime& lastwrite);

// Makes sure name is a directory, creating it when nothing is there. False
// when something else is in its place (a file, or a link below the write
// root) or on the way, or it cannot be made. Paths of up to 259 characters
// are made on Windows too, past its 248 for a directory.
bool makedirectory(const char* name);
bool deletefile(const char* name);

// What a file or directory is, the same under every name that reaches it.
struct fileidentity {
    std::uint64_t volume = 0, index = 0;
    friend bool operator==(const fileidentity&, const fileidentity&) = default;
};
bool identify(const char* name, fileidentity& identity); // false when it is not there
// True when directory is the root of a drive, of a share, or of a mounted
// file system (POSIX: "/" and every mount point).
bool isvolumeroot(const char* directory);

// Directory search over a pattern ("dir\*.*" finds every entry of dir).
struct finddata {
    std::uint32_t attributes;
    char name[260];
};
handle findfirst(const char* pattern, finddata& found); // -1 when nothing matches
bool findnext(handle search, finddata& found);
void findclose(handle search);

// As GetSystemDirectoryA / GetCurrentDirectoryA: the length copied (without
// its 0) when it fits in size, otherwise the size needed (with its 0); 0 when
// there is none. POSIX has no drives and gives 0 for the system directory.
std::uint32_t systemdirectory(char* buffer, std::uint32_t size);
std::uint32_t currentdirectory(char* buffer, std::uint32_t size);
std::uint32_t drivetype(const char* root);
bool diskfreespace(const char* root, std::uint32_t& sectorspercluster,
                   std::uint32_t& bytespersector, std::uint32_t& freeclusters,
                   std::uint32_t& totalclusters);

// The program's own command line, as GetCommandLineA gives it. POSIX has no
// such line: a program sets it from its arguments. Tests set what they need on
// both platforms (on Windows a line set here replaces the program's own).
const char* commandline();
void setcommandline(const char* line);

} // namespace platform
