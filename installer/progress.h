#pragma once
// progress: the copy's progress bar in a box of the window: a thin black
// border, the percentage in the middle and a black bar growing from the left
// that inverts the digits it covers. Every drawing goes to a bitmap off
// screen first and reaches the window with one copy. progressupdate, which the
// unpacker calls on its own thread, is declared in extraction/progressupdate.h.
//
// One display per process: start it, update and clear it any number of
// times, end it. Start, clear and end run on the window thread; an update
// never runs at the same time as any of them.
#include "extraction/progressupdate.h"
#include "toolkit/messages.h"

#include <cstdint>

// Shows an empty bar (its border and a 0) over the cells from (row r1,
// column c1) to (row r2, column c2), both ends included.
void progressstart(const winhandle& window, const std::int32_t& c1, const std::int32_t& r1,
                   const std::int32_t& c2, const std::int32_t& r2);
// Blanks the box, border included, until the next update.
void progressclear(const winhandle& window);
// Blanks the box and releases what the display holds.
void progressend(const winhandle& window);
