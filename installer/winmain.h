#pragma once
// What start-up hands on to the install window besides the distribution
// state (extraction/distribution.h): the program instance, the installer's
// drive and the controls of the first screen.
#include "toolkit/controls.h"

#include <cstdint>

// The directory screen's controls, by identifier 1 to 7: three texts, the
// frame, the edit field, OK and Cancel.
inline constexpr std::int32_t directorycontrols = 7;

struct startupstate {
    instancehandle instance;
    char installerdrive[8]; // drive letter and colon with its 0, or empty
    winhandle controls[directorycontrols];
};

extern startupstate startup;

// The directory field holds at most this many characters, so that the whole
// text and its 0 fit in the target directory buffer.
inline constexpr std::int32_t targetlimit = 59;
