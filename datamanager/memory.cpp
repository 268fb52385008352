#include "datamanager/memory.h"

#include "datamanager/compact.h"
#include "datamanager/fatal.h"
#include "datamanager/layout.h"
#include "datamanager/locks.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

std::byte* pool = nullptr;
std::int32_t vector[4] = {}; // entries 1 to 3; entry 0 is not used

bool invector(const std::int16_t& index) {
    return index >= poolbase && index <= nextfree;
}

#ifdef _WIN32
HGLOBAL block = nullptr;

// A movable, zero-filled global block, locked for the pool's whole life.
std::byte* obtainpool(std::int32_t size, std::int32_t& reported) {
    block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
    if (block == nullptr) {
        return nullptr;
    }
    reported = static_cast<std::int32_t>(GlobalSize(block));
    return static_cast<std::byte*>(GlobalLock(block));
}

// True when the platform reports the block no longer locked.
bool releasepool() {
    SetLastError(NO_ERROR);
    const bool unlocked = GlobalUnlock(block) == 0 && GetLastError() == NO_ERROR;
    GlobalFree(block);
    block = nullptr;
    return unlocked;
}
#else
std::byte* obtainpool(std::int32_t size, std::int32_t& reported) {
    reported = size;
    return static_cast<std::byte*>(std::calloc(static_cast<std::size_t>(size), 1));
}

bool releasepool() {
    std::free(pool);
    return true;
}
#endif

// A pool access outside the pool would reach memory the manager does not own.
void checkrange(std::int32_t address, std::int32_t count, const char* operation) {
    const std::int64_t end = std::int64_t{address} + count;
    if (pool == nullptr || address < 0 || end > vector[poolsize]) {
        char text[96];
        std::snprintf(text, sizeof text, "Address %10.9d is outside the pool in %s.", address,
                      operation);
        idmstop(text);
    }
}

bool fits(std::int32_t size) {
    return std::int64_t{vector[nextfree]} - vector[poolbase] + size <= vector[poolsize];
}

[[noreturn]] void outofspace() {
    char text[64];
    std::snprintf(text, sizeof text, "Memory space: %010d bytes are insufficient.",
                  vector[poolsize]);
    idmstop(text);
}

} // namespace

void IDMInit(const std::int32_t& size, std::int32_t& status) {
    status = 0;
    std::int32_t reported = 0;
    if (size < 4) { // no room for the head of the directory list
        return;
    }
    std::byte* obtained = obtainpool(size, reported);
    if (obtained == nullptr) {
        return;
    }
    pool = obtained;
    vector[poolbase] = 0;
    vector[poolsize] = reported;
    vector[nextfree] = 4;
    const std::int32_t empty = -1;
    MemPut(&empty, 0, 4);
    LockRegister(handlelock);
    LockRegister(allocatorlock);
    status = 1;
}

void IDMExit(std::int32_t& status) {
    LockRemove(allocatorlock);
    LockRemove(handlelock);
    status = pool != nullptr && releasepool() ? 1 : 0;
    pool = nullptr;
    vector[poolsize] = 0;
    vector[nextfree] = 0;
}

void IDMAlloc(std::int32_t& address, const std::int32_t& size) {
    // Every block starts with its link and size words: a smaller size, let
    // alone a negative one, would move the next free address back over live
    // blocks or leave a block that the walk of compaction cannot step over.
    // It is refused with no block, which no pool access accepts.
    if (size < blockheader) {
        address = noblock;
        return;
    }
    LockAcquire(allocatorlock);
    if (!fits(size)) {
        compactpool();
        if (!fits(size)) {
            outofspace();
        }
    }
    address = vector[nextfree];
    vector[nextfree] += size;
    LockRelease(allocatorlock);
}

void MemPut(const void* variable, std::int32_t address, const std::int32_t& count) {
    if (count <= 0) {
        return;
    }
    checkrange(address, count, "MemPut");
    std::memcpy(pool + address, variable, static_cast<std::size_t>(count));
}

void MemGet(void* variable, std::int32_t address, const std::int32_t& count) {
    if (count <= 0) {
        return;
    }
    checkrange(address, count, "MemGet");
    std::memcpy(variable, pool + address, static_cast<std::size_t>(count));
}

void MemSetVector(const std::int32_t& value, const std::int16_t& index) {
    if (invector(index)) {
        vector[index] = value;
    }
}

void MemGetVector(std::int32_t& value, const std::int16_t& index) {
    if (invector(index)) {
        value = vector[index];
    }
}

void MemAdvance(const std::int32_t& count) {
    vector[nextfree] += count;
}
