#pragma once
// locks: named locks in a table of 32 entries. A lock is handed to its
// waiters in the order in which they asked; it is not re-entrant (a thread
// that acquires a lock it holds waits for ever). Registering in a full table
// and acquiring or releasing a name that is not registered stop the program.
#include <cstdint>

void LockRegister(const std::int32_t& name);
void LockRemove(const std::int32_t& name);
void LockAcquire(const std::int32_t& name);
void LockRelease(const std::int32_t& name);
