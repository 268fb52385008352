#pragma once
// REPLY: a modal question with OK and Cancel.
#include "toolkit/messages.h"

// accepted is true when the user answered OK.
void askokcancel(const winhandle& owner, const char* text, const char* caption, bool& accepted);
