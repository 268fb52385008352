#pragma once
// Threads, mutexes and auto-reset events: the part of the platform the task
// kernel stands on. On Windows these are the kernel's own objects; on POSIX
// they are kept in a table and named by small positive numbers.
#include "platform/types.h"

#include <cstddef>

namespace platform {

using threadentry = unsigned (*)(void* parameter);

// Stack reserved for every task thread: room for the decoder and the unpacker.
inline constexpr std::size_t taskstacksize = 1024 * 1024;

handle mutexcreate();             // unnamed, not owned; 0 if refused
void mutexacquire(handle mutex);  // waits without time limit
void mutexrelease(handle mutex);

handle eventcreate();             // unnamed, auto-reset, not signalled; 0 if refused
void eventsignal(handle event);
void eventreset(handle event);
void eventwaitone(handle event);  // waits without time limit, then resets

handle threadstart(threadentry entry, void* parameter); // runs at once; 0 if refused
void threadwait(handle thread);                          // until the thread has ended
// Waits until all (all = true) or any of the n threads have ended; returns the
// index of an ended thread (any) or 0 (all). n is 1 to 64.
int threadwaitmany(const handle* threads, int n, bool all);

void closehandle(handle object); // mutex, event or thread
void yield();                    // give up the rest of the time slice

} // namespace platform
