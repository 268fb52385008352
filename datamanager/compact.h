#pragma once
// IDMCompact: reclaims every deleted block. Live blocks keep their order and
// end up one after the other from address 4; every stored address (directory
// list, files, chains, handles in use) is rewritten to match.

void IDMCompact();

// The same without taking the allocator's lock, for the allocator itself.
void compactpool();
