#pragma once
// MEMORY: the pool, its memory vector and the allocator.
//
// The pool is one block obtained once and never enlarged. Pool addresses are
// 32-bit byte offsets from the pool's start (so the base in the memory vector
// is 0, and the same addresses serve 32- and 64-bit processes); -1 means that
// there is no block. Blocks are not aligned: every access copies bytes through
// MemPut and MemGet.
#include <cstdint>

// Memory vector entries (indexed from 1).
inline constexpr std::int16_t poolbase = 1;
inline constexpr std::int16_t poolsize = 2;
inline constexpr std::int16_t nextfree = 3;

// The lock names of the handle table and of the allocator.
inline constexpr std::int32_t handlelock = -1000;
inline constexpr std::int32_t allocatorlock = -1001;

void IDMInit(const std::int32_t& size, std::int32_t& status);
void IDMExit(std::int32_t& status);
// Reserves size bytes at the next free address, compacting first when they do
// not fit; stops the program when they do not fit even then. A size smaller
// than a block's link and size words is refused: address -1, nothing changed.
void IDMAlloc(std::int32_t& address, const std::int32_t& size);

// Byte copies between a variable and the pool; a count of 0 or less copies
// nothing. A range outside the pool stops the program.
void MemPut(const void* variable, std::int32_t address, const std::int32_t& count);
void MemGet(void* variable, std::int32_t address, const std::int32_t& count);

void MemSetVector(const std::int32_t& value, const std::int16_t& index);
void MemGetVector(std::int32_t& value, const std::int16_t& index);
void MemAdvance(const std::int32_t& count);
