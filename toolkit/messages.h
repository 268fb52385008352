#pragma once
// The message operations the portable core uses to talk to a window. On
// Windows they are the real USER calls; in a native build a "window" is a C++
// procedure registered under a handle and owned by the thread that registered
// it (see toolkit/window_native.h). Which one a program gets is decided at link
// time.
#include <cstdint>

using winhandle = std::int32_t; // opaque 32-bit window handle; 0 means none

inline constexpr std::int32_t wmcommand = 273; // the platform's command message

// Waits until the window's procedure has handled the message.
void sendmsg(const winhandle& window, const std::int32_t& message, const std::int32_t& first,
             const std::int32_t& second);
// Queues the message and returns at once.
void postmsg(const winhandle& window, const std::int32_t& message, const std::int32_t& first,
             const std::int32_t& second);
// Sets the window's text (WM_SETTEXT); waits like sendmsg.
void settext(const winhandle& window, const char* text);
// Runs the calling thread's message loop until the quit request; returns its code.
std::int32_t pumpmsgs();
// Asks the calling thread's message loop to end with code 0.
void quitapp();
// The default processing of a message.
void defproc(const winhandle& window, const std::int32_t& message, const std::int32_t& first,
             const std::int32_t& second, std::int32_t& result);
