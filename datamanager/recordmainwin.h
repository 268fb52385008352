#pragma once
// recordmainwin: keeps the main window's drawing parameters for the graphics
// library in directory 32768, in nine records of file -1 (file 0 is left
// empty for the graphics library):
//   1  six 16-bit integers: 1056, 1056, 0, 1056, 1056, 0
//   2  none                      3  none
//   4  the window's handle (32-bit integer)
//   5  16-bit integer 0          6  32-bit real 0
//   7  three 32-bit reals 0, 0, 0
//   8  32-bit real 1056 × 0.0023889153
//   9  three 32-bit reals 0, 0, 0, then three 32-bit reals 1, 0, 0
// The values do not depend on the window: the same record is made on every
// platform.
#include "platform/types.h"

#include <cstdint>

inline constexpr std::int32_t windowdirectory = 32768;
inline constexpr std::int32_t windowfile = -1;

void recordmainwin(const platform::handle& window);
