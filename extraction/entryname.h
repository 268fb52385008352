#pragma once
// Which entry names a distribution may carry. A distribution is made for
// Windows, so the same rules hold on every platform: a name is a plain
// relative path below the target directory that Windows can hold as it is.
// The unpacker refuses any other name as damaged data; cell pack refuses to
// write one.
#include <cstdint>
#include <string>
#include <string_view>

// Why one file or folder name cannot be a level of an entry name; empty if it
// can. A level is not empty, not "." or "..", holds no control character and
// none of \ / : * ? " < > |, is not a device name (CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, COM0 to COM9 and LPT0 to LPT9, also with a superscript 1, 2 or 3 for
// the digit; with or without an extension, in any case) and does not end in a
// dot or a blank.
std::string componentfault(std::string_view component);

// Why a whole entry name (\dir\file) is unsound; empty if it is sound.
std::string namefault(std::string_view name);

// ok = 1 when the name (length characters, without its 0) is sound, else 0.
void entrynameok(const char* name, const std::int32_t& length, std::int32_t& ok);
