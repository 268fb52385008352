#pragma once
// Records of a file: runs of fields, each closed by an end-of-record marker.
// A missing directory or file stops the program.
#include <cstdint>

// The number of end-of-record markers in the file.
void IDMCountRecords(const std::int32_t& file, const std::int32_t& directory, std::int32_t& count);
// Deletes count records from the first record given (fewer at the end of the
// file; none for a count of 0 or less).
void IDMDeleteRecords(const std::int32_t& file, const std::int32_t& directory,
                      const std::int32_t& first, const std::int32_t& count);
