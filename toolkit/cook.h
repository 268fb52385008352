#pragma once
// COOK: the message loops. pumpmsgs is declared in toolkit/messages.h.
#include "toolkit/messages.h"

#include <cstdint>

// As pumpmsgs, but middle-button messages are translated and then dropped.
std::int32_t pumpmsgs2();
// The window field of the loop's message record: the window of the message
// retrieved last.
winhandle messagewindow();
