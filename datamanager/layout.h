#pragma once
// The layout of the pool's nodes. Every block starts with a link word and a
// size word; the size is negated once the block is deleted. Directory and file
// nodes add their number and the link that heads their children; a field's
// data follows its two words, and a field without data ends a record.
#include "datamanager/memory.h"

#include <cstdint>

inline constexpr std::int32_t noblock = -1;
inline constexpr std::int32_t listhead = 0; // the pool's first word heads the directory list

inline constexpr std::int32_t linkword = 0; // offsets inside a block
inline constexpr std::int32_t sizeword = 4;
inline constexpr std::int32_t numberword = 8;
inline constexpr std::int32_t childword = 12;
inline constexpr std::int32_t nodesize = 16;
inline constexpr std::int32_t blockheader = 8; // the link and size words
inline constexpr std::int32_t fieldheader = blockheader;

inline std::int32_t getword(std::int32_t address) {
    std::int32_t value = 0;
    MemGet(&value, address, 4);
    return value;
}

inline void putword(std::int32_t address, std::int32_t value) {
    MemPut(&value, address, 4);
}

inline std::int32_t nextof(std::int32_t block) {
    return getword(block + linkword);
}
inline std::int32_t blocksize(std::int32_t block) {
    return getword(block + sizeword);
}
inline std::int32_t numberof(std::int32_t node) {
    return getword(node + numberword);
}
inline std::int32_t datalength(std::int32_t field) {
    return blocksize(field) - fieldheader;
}
inline bool ismarker(std::int32_t field) {
    return blocksize(field) == fieldheader;
}
