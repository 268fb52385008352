#pragma once
// The group file "setup.000" that a product installs into its target
// directory, and the Program Manager command blocks built from it.
//
// The file is read line by line (a line ends with LF, a CR before it is not
// part of the line); the first 128 characters of a line count, blanks fill a
// shorter one. "[" and the first "]" at position 8 give the group name, at 5
// the item command, at 7 the item directory, at 10 the item name (1-based);
// the value starts two characters after the "]" and keeps at most 80
// characters. Every blank line emits the current record again: a group gives
// CreateGroup, an item gives AddItem. ShowGroup follows at the end, then
// ExitProgman(1) in block 1 and ExitProgman(0) in block 2.
//
// A value cannot close its command and start another: between quotes it
// loses its double quotes and 0s; a "+" command, which goes unquoted, loses
// its brackets, commas, parentheses and 0s outside a closed quoted run, and
// quotes that close none. The target directory is the user's own and is
// taken as it is, up to its first 0 and without double quotes.
#include <cstdint>

// The longest command block the builder makes, its 0 included; a group file
// that asks for more is refused.
inline constexpr std::int32_t commandlimit = 1 << 20;

// Opens target + "\setup.000" for reading; ok = 1 when it opened. target is
// taken up to its first 0 and at most length characters. The file stays open
// until closegroupfile (a second open closes the first).
void opengroupfile(const char* target, const std::int32_t& length, std::int32_t& ok);
void closegroupfile();

// Reads the open group file from its start: size1 and size2 = the bytes each
// command block needs, its 0 included. Both are 0 when no group file is open
// or a block would exceed commandlimit.
void sizecommands(const char* target, const std::int32_t& length, std::int32_t& size1,
                  std::int32_t& size2);

// Reads the open group file from its start again and writes the two command
// texts into block1 and block2, size bytes each; each text ends with a 0
// within its block. ok = 1 when both texts fitted, 0 when one had to be cut
// (the file changed after it was sized) or no group file is open.
void buildcommands(const char* target, const std::int32_t& length, char* block1, char* block2,
                   const std::int32_t& size, std::int32_t& ok);
