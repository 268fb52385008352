#pragma once
// Read handles: a handle positioned on a record of a file, from which fields
// are read one after the other. Moving past the end of the file leaves the
// handle at the end, where it has no current field. A missing directory or
// file stops the program. A read handle is returned with IDMFreeHandle.
#include <cstdint>

void IDMOpenFile(std::int32_t& handle, const std::int32_t& file, const std::int32_t& directory,
                 const std::int32_t& step);
void IDMOpenRecord(std::int32_t& handle, const std::int32_t& record, const std::int32_t& file,
                   const std::int32_t& directory, const std::int32_t& step);
void IDMOpenField(std::int32_t& handle, const std::int32_t& field, const std::int32_t& record,
                  const std::int32_t& file, const std::int32_t& directory,
                  const std::int32_t& step);

// Moves forward by the handle's step of records (not at all for a step of 0
// or less).
void IDMSkipRecords(const std::int32_t& handle);
void IDMSkipField(const std::int32_t& handle);
// Deletes the record at the handle; the following record takes its place, and
// the handle then moves on by step - 1 records.
void IDMDeleteRecord(const std::int32_t& handle);
