#pragma once
// The Program Manager conversation that makes the product's group after the
// copy: a DDE conversation with the service and topic PROGMAN, driven by the
// install window's procedure. It sends the two command blocks built from the
// group file (installer/groupfile.h), the first with ExitProgman(1), the
// second with ExitProgman(0), then ends the conversation; whatever happens,
// the window is told to show the success screen (command 23) once.
//
// Nothing waits for ever: when no server answers the initiate, when the
// server window disappears, or when it has said nothing for 30 seconds, the
// conversation is given up and the success screen follows.
#include "toolkit/messages.h"

#include <windows.h>

#include <cstdint>

// Command 25: opens the group file in the target directory and asks every
// top-level window for the PROGMAN service. No group file, a refused atom or
// no answer: the success screen follows at once.
void progmanstart(const winhandle& window, const char* target, const std::int32_t& length);

// Command 24: builds the two command blocks and sends the first.
void progmansend(const winhandle& window, const char* target, const std::int32_t& length);

// WM_DDE_ACK from sender, with its second parameter as it came: atoms for an
// answer to the initiate, a packed parameter otherwise (a pointer-sized
// handle on 64-bit Windows), freed here whoever it is for.
void progmanack(const winhandle& window, HWND sender, LPARAM second);

// WM_DDE_TERMINATE from sender.
void progmanterminate(const winhandle& window, HWND sender);

// A cancel or the window's end: whatever is open of the conversation ends
// at once, without another block and without the success screen.
void progmanstop(const winhandle& window);
