#pragma once
// cleandir: deleting the files that lie directly in one directory, sparing
// what is not the product's to delete.
#include <cstdint>
#include <string>
#include <vector>

// What no clean may delete, whichever directory it clears: the volumes of the
// distribution (CELL. followed by digits, in any case) lying in any of
// volumedirs, and the files of keep (the running program, a disk image).
// Each is taken by its identity now, so that another spelling of the same
// path, a link to it or a later change of the current directory does not
// matter; names that are not there are left out. Replaces the guard before.
void guardclean(const std::vector<std::string>& volumedirs, const std::vector<std::string>& keep);

// Deletes every file directly in directory (0-terminated, with or without a
// trailing separator) but the guarded ones. Subdirectories, and files that
// cannot be deleted (such as read-only ones), stay. An empty name, or one too
// long for a 260-character path with its pattern, deletes nothing. cleaned =
// 0, with nothing deleted, when directory is the root of a drive or of a
// mounted file system; 1 otherwise.
void cleandir(const char* directory, std::int32_t& cleaned);

// Deletes one file; the outcome is not reported.
void deletefile(const char* name);
