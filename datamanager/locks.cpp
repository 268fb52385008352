#include "datamanager/locks.h"

#include "datamanager/fatal.h"

#include <array>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace {

constexpr std::int32_t freeentry = -1;

// A ticket lock: each caller draws the next ticket and waits until the entry
// serves it.
struct lockentry {
    std::int32_t name = freeentry;
    std::int32_t count = 0; // holders and waiters together
    std::uint32_t nextticket = 0;
    std::uint32_t serving = 0;
};

std::mutex table;
std::condition_variable turn;
std::array<lockentry, 32> entries;

lockentry* find(const std::int32_t& name) {
    for (auto& entry : entries) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

[[noreturn]] void unknownlock(std::unique_lock<std::mutex>& guard, const std::int32_t& name,
                              const char* operation) {
    guard.unlock();
    idmnotfound("Lock", name, operation);
}

} // namespace

void LockRegister(const std::int32_t& name) {
    std::unique_lock guard(table);
    lockentry* entry = find(freeentry);
    if (entry == nullptr) {
        guard.unlock();
        char text[80];
        std::snprintf(text, sizeof text, "Lock %10.9d found no free entry in LockRegister.", name);
        idmstop(text);
    }
    *entry = lockentry{};
    entry->name = name;
}

void LockRemove(const std::int32_t& name) {
    const std::lock_guard guard(table);
    if (lockentry* entry = find(name)) {
        *entry = lockentry{};
    }
}

void LockAcquire(const std::int32_t& name) {
    std::unique_lock guard(table);
    lockentry* entry = find(name);
    if (entry == nullptr) {
        unknownlock(guard, name, "LockAcquire");
    }
    entry->count += 1;
    const std::uint32_t ticket = entry->nextticket++;
    turn.wait(guard, [entry, ticket] { return entry->serving == ticket; });
}

void LockRelease(const std::int32_t& name) {
    std::unique_lock guard(table);
    lockentry* entry = find(name);
    if (entry == nullptr) {
        unknownlock(guard, name, "LockRelease");
    }
    entry->serving += 1;
    entry->count -= 1;
    guard.unlock();
    turn.notify_all();
}
