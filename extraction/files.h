#pragma once
// FILES: the file services as the rest of the installer calls them, every
// argument by reference, names as 0-terminated texts in the caller's buffers.
// Paths are at most 259 characters; a backslash or a slash separates levels.
#include "platform/fileio.h"

#include <cstdint>

// Opens or creates a file. The first characters of the letters choose: access
// R (read an existing file) or W (create or truncate, for writing); hint D
// (random access) or S (sequential), added to attributes; share R, W or N
// (none); any case. A letter that matches none of its choices keeps the value
// of the previous call. When an open for writing fails on an existing file
// that is read-only, hidden or system, its attributes are cleared and it is
// tried once more, so such a file can be replaced; a failed open for reading
// and a directory keep their attributes. handle = -1 when it failed.
void fileopen(platform::handle& handle, const char* name, const char* access, const char* hint,
              const std::int32_t& attributes, const char* share);
void fileclose(const platform::handle& handle);

void setattributes(const char* name, const std::int32_t& attributes);
void setfiletimes(const platform::handle& handle, const platform::filetime& creation,
                  const platform::filetime& lastaccess, const platform::filetime& lastwrite);

// Checks, from the second level on (the first is the drive or the root), that
// every directory level of path exists, creating the missing ones in order.
// ok = 0 when a level cannot be created, exists as a file, is a link below
// the write root (platform::setwriteroot), or the path does not fit in 259
// characters; the levels made before stay. path is unchanged.
void makedirs(const char* path, std::int32_t& ok);

// Drive texts: at least 8 characters, receiving the drive letter, its colon and
// a 0, or an empty text where the directory names no drive (POSIX has none).
void systemdrive(char* drive);
void currentdrive(char* drive);
// The drive named at the start of the command line, else the current drive;
// length = 1-based position of the drive text's 0, or 0 when there is no
// usable drive.
void installdrive(char* drive, std::int32_t& length);

// flag = 1 when the drive of path is removable.
void isremovable(const char* path, std::int32_t& flag);
// Free bytes on the drive of root, 0xFFFFFFFF when there are more.
void freespace(const char* root, std::uint32_t& bytes);

// Old-style file access: open for reading and writing, create (or truncate)
// with normal attributes, read (count = -1 on failure), write (ok = 1 when all
// count bytes were written), close (ok = 1 on success).
void lopenfile(const char* name, platform::handle& handle);
void lcreatfile(const char* name, platform::handle& handle);
void lreadfile(const platform::handle& handle, void* buffer, const std::int32_t& count,
               std::int32_t& read);
void lwritefile(const platform::handle& handle, const void* buffer, const std::int32_t& count,
                std::int32_t& ok);
void lclosefile(const platform::handle& handle, std::int32_t& ok);
