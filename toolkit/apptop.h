#pragma once
// apptop: destroying the application window.
#include "toolkit/messages.h"

void destroywin(const winhandle& window);
