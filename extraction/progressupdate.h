#pragma once
// The progress display as the unpacker sees it. Each program defines it: the
// installer draws its bar into the window, cell extract draws one on the
// terminal, and tests record the values. It is called on the unpacker's
// thread, after every piece of data and after every change of volume, with a
// percentage from 0 to 100 that never decreases during a run.
#include "toolkit/messages.h"

#include <cstdint>

void progressupdate(const winhandle& window, const std::int32_t& percent);
