#pragma once
// cleandir: deleting the files that lie directly in one directory.

// Deletes every file directly in directory (0-terminated, with or without a
// trailing separator). Subdirectories, and files that cannot be deleted (such
// as read-only ones), stay. An empty name, or one too long for a 260-character
// path with its pattern, deletes nothing.
void cleandir(const char* directory);

// Deletes one file; the outcome is not reported.
void deletefile(const char* name);
