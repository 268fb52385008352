#pragma once
// Numbered files inside directories numbered 0 and above, kept in order of
// creation. Each file heads a chain of fields divided into records.
#include <cstdint>

// A missing directory stops the program.
void IDMCreateFile(const std::int32_t& file, const std::int32_t& directory);
void IDMFileExists(const std::int32_t& file, const std::int32_t& directory, std::int32_t& found);
void IDMCountFiles(std::int32_t& count, const std::int32_t& directory);
// A missing file stops the program.
void IDMDeleteFile(const std::int32_t& file, const std::int32_t& directory);

// The first file with the number in the directory, or -1.
std::int32_t findfile(const std::int32_t& file, const std::int32_t& directory);
// The same, but a missing directory or file stops the named operation.
std::int32_t requirefile(const std::int32_t& file, const std::int32_t& directory,
                         const char* operation);
