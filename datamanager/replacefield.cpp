#include "datamanager/replacefield.h"

#include "datamanager/chain.h"
#include "datamanager/fatal.h"
#include "datamanager/files.h"
#include "datamanager/handle.h"
#include "datamanager/layout.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* operation = "IDMReplaceField";

// The field'th field counted from the first field of the record.
std::int32_t locate(const std::int32_t& field, const std::int32_t& record, const std::int32_t& file,
                    const std::int32_t& directory) {
    const std::int32_t node = findfile(file, directory);
    if (node == noblock) {
        idmfilenotfound(file, directory, operation);
    }
    std::int32_t at = noblock;
    if (record >= 1) {
        at = getword(recordlink(node + childword, record - 1));
    }
    if (at == noblock) {
        idmnotfound("Record", record, operation);
    }
    for (std::int32_t moved = 1; moved < field && at != noblock; ++moved) {
        at = nextof(at);
    }
    if (field < 1 || at == noblock) {
        idmnotfound("Field", field, operation);
    }
    return at;
}

void replace(const std::int32_t& field, const std::int32_t& record, const std::int32_t& file,
             const std::int32_t& directory, const void* data, std::int64_t bytes) {
    const heldhandle held;
    const std::int32_t at = locate(field, record, file, directory);
    if (bytes > datalength(at)) { // would overwrite the blocks that follow
        char text[80];
        std::snprintf(text, sizeof text, "Field %10.9d is too short in %s.", field, operation);
        idmstop(text);
    }
    MemPut(data, at + fieldheader, static_cast<std::int32_t>(bytes));
}

template <class T>
void replacearray(const std::int32_t& field, const std::int32_t& record, const std::int32_t& file,
                  const std::int32_t& directory, const T* values, const std::int32_t& n) {
    replace(field, record, file, directory, values,
            std::int64_t{std::max(n, 0)} * std::int64_t{sizeof(T)});
}

} // namespace

void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int8_t& value) {
    replace(field, record, file, directory, &value, sizeof value);
}
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int16_t& value) {
    replace(field, record, file, directory, &value, sizeof value);
}
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int32_t& value) {
    replace(field, record, file, directory, &value, sizeof value);
}
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory, const float& value) {
    replace(field, record, file, directory, &value, sizeof value);
}
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory, const double& value) {
    replace(field, record, file, directory, &value, sizeof value);
}

void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int8_t* values, const std::int32_t& n) {
    replacearray(field, record, file, directory, values, n);
}
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int16_t* values, const std::int32_t& n) {
    replacearray(field, record, file, directory, values, n);
}
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int32_t* values, const std::int32_t& n) {
    replacearray(field, record, file, directory, values, n);
}
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory, const float* values,
                     const std::int32_t& n) {
    replacearray(field, record, file, directory, values, n);
}
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory, const double* values,
                     const std::int32_t& n) {
    replacearray(field, record, file, directory, values, n);
}
