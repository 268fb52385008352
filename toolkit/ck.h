#pragma once
// ck: Tab and Enter for windows that are not dialog boxes. A window entered
// with hookkeys is told of the first press of Tab or Enter in any of its
// controls by the navigation message, and the key goes no further; the
// window's procedure moves the focus or does its default command itself.
//
// The hook procedure getcontrolkey is exported from the program under exactly
// that name (a program that calls hookkeys gets it with this module).
#include "toolkit/messages.h"

#include <cstdint>

// Message number of the navigation message; first parameter: the key code,
// 9 (Tab) or 13 (Enter).
inline constexpr std::int32_t navigationmessage = 1025;

// Enters the window under the non-zero tag in the first free entry of the
// table and hooks the calling thread's keyboard; does nothing when the table
// is full or the tag is 0.
void hookkeys(const winhandle& window, const std::int32_t& tag);
// Unhooks and frees the first entry with the tag; does nothing when there is none.
void unhookkeys(const std::int32_t& tag);
