#pragma once
// SHOWIN: showing and hiding windows and controls.
#include "toolkit/messages.h"

#include <cstdint>

void showctl(const winhandle& window);
void hidectl(const winhandle& window);
// Shows the window in its normal size and paints it at once.
void shownormal(const winhandle& window);
// Shows the window with the given show command and paints it at once; note
// the order, the command first.
void showmain(const std::int32_t& command, const winhandle& window);
