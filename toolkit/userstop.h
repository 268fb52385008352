#pragma once
// USERSTOP: a modal message box with an OK button and a given owner.
#include "toolkit/messages.h"

void msgboxwin(const winhandle& owner, const char* text, const char* caption);
