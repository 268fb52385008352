#pragma once
// Numbered directories, kept in one list in order of creation. Work
// directories carry the negated number of their work handle.
#include <cstdint>

// Numbers below 0 are kept for work directories: creating one stops the
// program.
void IDMCreateDir(const std::int32_t& directory);
void IDMDirExists(const std::int32_t& directory, std::int32_t& found);
// Counts the directories numbered above 0 (work directories are not counted).
void IDMCountDirs(std::int32_t& count);
// Deletes the directory with its files and fields; a missing directory stops
// the program.
void IDMDeleteDir(const std::int32_t& directory);

// The first directory with the number, or -1.
std::int32_t finddir(const std::int32_t& directory);
// A new empty directory linked at the end of the list; returns its address.
std::int32_t appenddir(const std::int32_t& directory);
// IDMDeleteDir on behalf of the named operation.
void removedir(const std::int32_t& directory, const char* operation);
