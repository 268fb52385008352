#pragma once
// PARENT: the keyboard focus, enabling, destroying and painting any window.
#include "toolkit/messages.h"

void getfocus(winhandle& window);
void setfocus(const winhandle& window);
void enablewin(const winhandle& window);
void disablewin(const winhandle& window);
void killwin(const winhandle& window);
// Sends the window a paint request.
void paintwin(const winhandle& window);
