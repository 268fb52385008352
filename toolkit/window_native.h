#pragma once
// The native message layer: a window is a C++ procedure registered under a
// handle and owned by the thread that registered it. A message sent from the
// owner thread runs the procedure at once; one sent from another thread waits
// in the owner's queue until the owner's loop (pumpmsgs) has run it, and the
// sender waits with it. A posted message waits in the queue alone. The owner
// unregisters its windows before it ends.
#include "toolkit/messages.h"

#include <cstdint>
#include <functional>
#include <string>

inline constexpr std::int32_t wmsettext = 12;

struct nativemessage {
    std::int32_t message;
    std::int32_t first;
    std::int32_t second;
    std::string text; // the text that settext carries
};

// Handles one message; returns the message's result.
using windowproc =
    std::function<std::int32_t(const winhandle& window, const nativemessage& message)>;

// Registers the procedure as a new window of the calling thread; never 0.
winhandle registerwindow(windowproc procedure);
// Ends the window: messages still queued for it are dropped and their senders
// released. Later messages to the handle are ignored.
void unregisterwindow(const winhandle& window);
