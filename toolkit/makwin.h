#pragma once
// MAKWIN: the character cell, measured once from the screen font, and the
// application's one top-level window, sized in cells.
#include "toolkit/controls.h"

#include <cstdint>

// Measures the cell from the screen font and gives how many whole cells fit
// on the screen, rounded.
void measurecells(std::int32_t& rows, std::int32_t& columns);
// The cell size measured by measurecells (0 before).
void getcellsize(std::int32_t& width, std::int32_t& height);

// Registers the application class, whose window procedure is the program's
// export named procname, and creates its hidden window with a client area of
// rows × columns cells; resizable 0 gives a fixed frame. ok is 1 when a window
// was made; on failure the window output is left unchanged.
void makemainwin(const instancehandle& instance, const instancehandle& previous,
                 const char* procname, const char* menuname, const char* classname,
                 const char* title, const char* iconname, winhandle& window,
                 const std::int32_t& rows, const std::int32_t& columns,
                 const std::int32_t& resizable, std::int32_t& ok);
