#pragma once
// writing: the status messages with which the install window says why the
// installation stops or why a directory was refused.
#include "toolkit/messages.h"

#include <cstdint>

// Shows the message box of the code, owned by the window, and returns when
// the user has closed it. A code outside 1 to 6 shows nothing.
//   1 cancelled          2 empty directory     3 invalid directory
//   4 write failure      5 damaged data        6 no clean of a drive's root
void statusmessage(const winhandle& window, const std::int32_t& code);
