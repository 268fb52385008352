#pragma once
// Which entry names the unpacker writes. A distribution is made for Windows,
// so the same rules hold on every platform: a name is a plain relative path
// below the target directory that Windows can hold as it is.
#include <cstdint>

// ok = 1 when the name (length characters, without its 0) begins with a
// backslash and every backslash-separated component is a file name that
// stays inside the directory above it: not empty, not "." or "..", no ":",
// "/" or control character, not a reserved device name (CON, PRN, AUX, NUL,
// COM1 to COM9, LPT1 to LPT9, with or without an extension, in any case),
// and not ending in a dot or a blank. Else ok = 0.
void entrynameok(const char* name, const std::int32_t& length, std::int32_t& ok);
