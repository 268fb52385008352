#include "datamanager/read.h"

#include "datamanager/chain.h"
#include "datamanager/files.h"
#include "datamanager/handle.h"
#include "datamanager/layout.h"

#include <algorithm>

namespace {

// Walks from the current field until `records` markers have been passed,
// leaving the position at the last of them.
void passrecords(handlefields& fields, std::int32_t records) {
    std::int32_t passed = 0;
    while (fields.current != noblock && passed < records) {
        if (ismarker(fields.current)) {
            fields.position = fields.current + linkword;
            passed += 1;
        }
        fields.current = nextof(fields.current);
    }
    fields.first = fields.current;
}

void openrecord(std::int32_t& handle, const std::int32_t& record, const std::int32_t& file,
                const std::int32_t& directory, const std::int32_t& step, const char* operation) {
    IDMGetHandle(handle);
    handlefields& fields = handleof(handle);
    fields.position = requirefile(file, directory, operation) + childword;
    fields.current = getword(fields.position);
    passrecords(fields, std::max(record, 1) - 1);
    fields.tag = step;
}

} // namespace

void IDMOpenFile(std::int32_t& handle, const std::int32_t& file, const std::int32_t& directory,
                 const std::int32_t& step) {
    openrecord(handle, 1, file, directory, step, "IDMOpenFile");
}

void IDMOpenRecord(std::int32_t& handle, const std::int32_t& record, const std::int32_t& file,
                   const std::int32_t& directory, const std::int32_t& step) {
    openrecord(handle, record, file, directory, step, "IDMOpenRecord");
}

void IDMOpenField(std::int32_t& handle, const std::int32_t& field, const std::int32_t& record,
                  const std::int32_t& file, const std::int32_t& directory,
                  const std::int32_t& step) {
    openrecord(handle, record, file, directory, step, "IDMOpenField");
    for (std::int32_t skipped = 1; skipped < field; ++skipped) {
        IDMSkipField(handle);
    }
}

void IDMSkipRecords(const std::int32_t& handle) {
    handlefields& fields = handleof(handle);
    if (fields.tag > 0) {
        passrecords(fields, fields.tag);
    }
}

void IDMSkipField(const std::int32_t& handle) {
    handlefields& fields = handleof(handle);
    if (fields.current != noblock) {
        fields.current = nextof(fields.current);
    }
}

void IDMDeleteRecord(const std::int32_t& handle) {
    handlefields& fields = handleof(handle);
    if (fields.first == noblock) { // at the end: no record to delete
        return;
    }
    cutrecords(fields.position, 1);
    fields.current = getword(fields.position);
    fields.first = fields.current;
    if (fields.tag > 1) {
        passrecords(fields, fields.tag - 1);
    }
}
