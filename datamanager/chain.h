#pragma once
// Walking, linking and deleting chains of blocks. A chain is reached through a
// link word: the pool's first word, a directory's or file's child link, or the
// link of the block before.
#include <cstdint>

// A new directory or file node with this number, not yet linked anywhere.
std::int32_t newnode(const std::int32_t& number);

// The link word that ends the chain reached through the link word at.
std::int32_t lastlink(std::int32_t at);

// The link word that leads to the field after the given number of
// end-of-record markers, or the one ending the chain when it has fewer.
std::int32_t recordlink(std::int32_t at, std::int32_t records);

// Unlinks the fields after the link word at up to and including the count-th
// marker (or to the end of the chain) and deletes them.
void cutrecords(std::int32_t at, std::int32_t count);

// Negates the size of one block, or of every block of a chain.
void deleteblock(std::int32_t block);
void deletechain(std::int32_t first);
std::int32_t countmarkers(std::int32_t first);
