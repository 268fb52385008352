#include "datamanager/handle.h"

#include "datamanager/fatal.h"
#include "datamanager/locks.h"
#include "datamanager/memory.h"

#include <array>
#include <cstdio>

namespace {

std::array<handlefields, handlecount> handles;
std::int32_t inusecount = 0;
std::int32_t cursor = 0; // the handle given out last

std::int32_t after(std::int32_t handle) {
    return handle % handlecount + 1;
}

} // namespace

handlefields& handleof(const std::int32_t& handle) {
    if (handle < 1 || handle > handlecount) {
        char text[64];
        std::snprintf(text, sizeof text, "Handle %10.9d is not a handle of the manager.", handle);
        idmstop(text);
    }
    return handles[static_cast<std::size_t>(handle - 1)];
}

void IDMGetHandle(std::int32_t& handle) {
    LockAcquire(handlelock);
    std::int32_t candidate = after(cursor);
    while (handleof(candidate).inuse != 0) {
        if (candidate == cursor) {
            idmstop("All 100 handles are in use in IDMGetHandle.");
        }
        candidate = after(candidate);
    }
    handleof(candidate).inuse = candidate;
    cursor = candidate;
    inusecount += 1;
    handle = candidate;
    LockRelease(handlelock);
}

void IDMFreeHandle(const std::int32_t& handle) {
    LockAcquire(handlelock);
    handlefields& fields = handleof(handle);
    fields.position = -1;
    fields.first = -1;
    fields.current = -1;
    if (fields.inuse != 0) { // a handle returned twice is counted once
        fields.inuse = 0;
        inusecount -= 1;
    }
    LockRelease(handlelock);
}

void IDMHandleCount(std::int32_t& count) {
    LockAcquire(handlelock);
    count = inusecount;
    LockRelease(handlelock);
}
