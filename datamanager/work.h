#pragma once
// Work handles: fields are written on a handle into its private work
// directory and become part of a file only when stored, inserted or put in
// place of records. Storing, inserting or replacing from a handle on which
// nothing has been written leaves the file as it was. A missing directory or
// file stops the program.
#include <cstdint>

void IDMOpenWork(std::int32_t& handle);
void IDMCloseWork(const std::int32_t& handle);
// Appends the handle's fields to the end of the file.
void IDMStoreWork(const std::int32_t& handle, const std::int32_t& file,
                  const std::int32_t& directory);
// Inserts the handle's fields after the given record (0: before the first).
void IDMInsertWork(const std::int32_t& handle, const std::int32_t& file,
                   const std::int32_t& directory, const std::int32_t& record);
void IDMReplaceRecords(const std::int32_t& handle, const std::int32_t& file,
                       const std::int32_t& directory, const std::int32_t& first,
                       const std::int32_t& count);
// Deletes the fields written since the handle was last emptied.
void IDMDiscardWork(const std::int32_t& handle);
void IDMWorkExists(const std::int32_t& handle, std::int32_t& found);
