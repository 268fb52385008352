#pragma once
// The toolkit's 32-bit handles and the platform's handle types, both ways.
// Handles are 32 bits wide on the i686 target, so nothing is lost.
#include "toolkit/messages.h"

#include <cstdint>
#include <windows.h>

template <typename Handle> Handle towin(const std::int32_t& value) {
    return reinterpret_cast<Handle>(static_cast<std::intptr_t>(value));
}

template <typename Handle> std::int32_t fromwin(Handle handle) {
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(handle));
}

inline HWND towindow(const winhandle& window) {
    return towin<HWND>(window);
}

// The program's own exported procedure of that name, or null.
template <typename Procedure> Procedure exportedprocedure(const char* name) {
    FARPROC found = GetProcAddress(GetModuleHandleA(nullptr), name);
    return reinterpret_cast<Procedure>(reinterpret_cast<void (*)()>(found));
}
