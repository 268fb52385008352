#include "datamanager/work.h"

#include "datamanager/chain.h"
#include "datamanager/directories.h"
#include "datamanager/fatal.h"
#include "datamanager/files.h"
#include "datamanager/handle.h"
#include "datamanager/layout.h"
#include "datamanager/records.h"

#include <algorithm>

namespace {

// The link word heading the fields on the handle's work directory.
std::int32_t workchain(const std::int32_t& handle, const char* operation) {
    const std::int32_t dir = finddir(handleof(handle).tag);
    if (dir == noblock) {
        idmnotfound("Directory", handleof(handle).tag, operation);
    }
    return dir + childword;
}

// After its fields have been handed on, the handle starts a new batch.
void empty(const std::int32_t& handle, const char* operation) {
    const std::int32_t chain = workchain(handle, operation);
    putword(chain, noblock);
    handlefields& fields = handleof(handle);
    fields.position = chain;
    fields.first = noblock;
}

// Links the handle's fields in at the link word `at`, before what followed it.
void splice(const std::int32_t& handle, std::int32_t at, const char* operation) {
    const handlefields& fields = handleof(handle);
    if (fields.first == noblock) {
        return;
    }
    putword(fields.position, getword(at)); // the last field written leads on
    putword(at, fields.first);
    empty(handle, operation);
}

} // namespace

void IDMOpenWork(std::int32_t& handle) {
    IDMGetHandle(handle);
    const std::int32_t dir = appenddir(-handle);
    handlefields& fields = handleof(handle);
    fields.position = dir + childword;
    fields.first = noblock;
    fields.tag = -handle;
}

void IDMCloseWork(const std::int32_t& handle) {
    removedir(handleof(handle).tag, "IDMCloseWork");
    IDMFreeHandle(handle);
}

void IDMStoreWork(const std::int32_t& handle, const std::int32_t& file,
                  const std::int32_t& directory) {
    const std::int32_t chain = requirefile(file, directory, "IDMStoreWork") + childword;
    splice(handle, lastlink(chain), "IDMStoreWork");
}

void IDMInsertWork(const std::int32_t& handle, const std::int32_t& file,
                   const std::int32_t& directory, const std::int32_t& record) {
    const std::int32_t chain = requirefile(file, directory, "IDMInsertWork") + childword;
    splice(handle, recordlink(chain, record), "IDMInsertWork");
}

void IDMReplaceRecords(const std::int32_t& handle, const std::int32_t& file,
                       const std::int32_t& directory, const std::int32_t& first,
                       const std::int32_t& count) {
    IDMDeleteRecords(file, directory, first, count);
    IDMInsertWork(handle, file, directory, std::max(first, 1) - 1);
}

void IDMDiscardWork(const std::int32_t& handle) {
    const std::int32_t chain = workchain(handle, "IDMDiscardWork");
    deletechain(getword(chain));
    empty(handle, "IDMDiscardWork");
}

void IDMWorkExists(const std::int32_t& handle, std::int32_t& found) {
    const bool valid = handle >= 1 && handle <= handlecount;
    found = valid && finddir(-handle) != noblock ? 1 : 0;
}
