// Threads, mutexes and auto-reset events: the Windows kernel's own objects,
// their handles carried as 32-bit integers.
#include "platform/sync.h"

#include "platform/faults.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace platform {

namespace {

HANDLE native(handle object) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(object));
}

handle ours(HANDLE object) {
    return static_cast<handle>(reinterpret_cast<std::intptr_t>(object));
}

} // namespace

handle mutexcreate() {
    return faults::mutexcreate() ? 0 : ours(CreateMutexA(nullptr, FALSE, nullptr));
}

void mutexacquire(handle mutex) {
    WaitForSingleObject(native(mutex), INFINITE);
}

void mutexrelease(handle mutex) {
    ReleaseMutex(native(mutex));
}

handle eventcreate() {
    return faults::eventcreate() ? 0 : ours(CreateEventA(nullptr, FALSE, FALSE, nullptr));
}

void eventsignal(handle event) {
    SetEvent(native(event));
}

void eventreset(handle event) {
    ResetEvent(native(event));
}

// (Whoever expects a hand-over within microseconds watches for it before:
// the switches do.)
void eventwaitone(handle event) {
    WaitForSingleObject(native(event), INFINITE);
}

bool eventwaitfor(handle event, unsigned milliseconds) {
    return WaitForSingleObject(native(event), milliseconds) != WAIT_TIMEOUT;
}

handle threadstart(threadentry entry, void* parameter) {
    if (faults::threadstart())
        return 0;
    return ours(CreateThread(nullptr, taskstacksize, entry, parameter,
                             STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
}

bool threadwait(handle thread) {
    return !faults::threadwait() && WaitForSingleObject(native(thread), INFINITE) == WAIT_OBJECT_0;
}

int threadwaitmany(const handle* threads, int n, bool all) {
    if (faults::threadwait())
        return -1;
    HANDLE natives[MAXIMUM_WAIT_OBJECTS];
    for (int i = 0; i < n; ++i)
        natives[i] = native(threads[i]);
    const DWORD result =
        WaitForMultipleObjects(static_cast<DWORD>(n), natives, all ? TRUE : FALSE, INFINITE);
    if (result >= WAIT_OBJECT_0 + static_cast<DWORD>(n))
        return -1;
    return all ? 0 : static_cast<int>(result - WAIT_OBJECT_0);
}

void closehandle(handle object) {
    CloseHandle(native(object));
}

namespace {
std::atomic<std::uint64_t> yielded{0};
} // namespace

void yield() {
    yielded.fetch_add(1, std::memory_order_relaxed);
    Sleep(0);
}

std::uint64_t yields() {
    return yielded.load();
}

} // namespace platform
