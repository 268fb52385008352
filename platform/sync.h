#pragma once
// Threads, mutexes and auto-reset events: the part of the platform the task
// kernel stands on. On Windows these are the kernel's own objects; on POSIX
// they are kept in a table and named by small positive numbers. Every wait
// but eventwaitfor waits without time limit; a handle that names nothing makes
// an operation do nothing, and a wait on it returns at once. A creation the platform refuses
// gives 0, and a wait for threads that fails says so: neither is to be taken
// for an object or for a thread that has ended.
#include "platform/types.h"

#include <cstddef>
#include <cstdint>

// The calling convention and result of a thread's start routine are the
// platform's own, so that the routine is handed to the platform unchanged.
#if defined(_WIN32)
#define PLATFORM_THREADCALL __stdcall
#else
#define PLATFORM_THREADCALL
#endif

namespace platform {

#if defined(_WIN32)
using threadresult = unsigned long;
#else
using threadresult = unsigned;
#endif
using threadentry = threadresult(PLATFORM_THREADCALL*)(void* parameter);

// Stack reserved for every task thread: room for the decoder and the unpacker.
inline constexpr std::size_t taskstacksize = 1024 * 1024;

// Mutexes are acquired and released by the same thread and never recursively.
handle mutexcreate(); // unnamed, not owned; 0 if refused
void mutexacquire(handle mutex);
void mutexrelease(handle mutex);

handle eventcreate(); // unnamed, auto-reset, not signalled; 0 if refused
void eventsignal(handle event);
void eventreset(handle event);
void eventwaitone(handle event); // waits until signalled, then resets
// Waits at most milliseconds; true when it was signalled (and is now reset)
// or names nothing, false when the time ran out and the event was left as it
// was.
bool eventwaitfor(handle event, unsigned milliseconds);

handle threadstart(threadentry entry, void* parameter); // runs at once; 0 if refused
// Waits until the thread has ended; false when the wait failed.
bool threadwait(handle thread);
// Waits until all (all = true) or any of the n threads have ended; returns the
// index of an ended thread (any) or 0 (all), -1 when the wait failed. n is 1
// to 64.
int threadwaitmany(const handle* threads, int n, bool all);

// Releases a mutex, event or thread handle. A thread runs on after its handle
// is closed.
void closehandle(handle object);
void yield();           // gives up the rest of the time slice
std::uint64_t yields(); // yield calls since the process began

} // namespace platform
