#pragma once
// The toolkit's 32-bit handles and the platform's handle types, both ways.
// USER and GDI handles (windows, menus, hooks, brushes, device contexts) have
// 32 significant bits on 64-bit Windows as well, so that 32-bit and 64-bit
// programs can share them: such a handle survives 32 bits, sign-extended. A
// module instance is a pointer (the module's address, above 4 GB for a 64-bit
// program), so it is kept in a table instead and named by its place there.
#include "toolkit/controls.h"
#include "toolkit/messages.h"

#include <cstdint>
#include <type_traits>
#include <windows.h>

template <typename Handle> constexpr bool pointerhandle = std::is_same_v<Handle, HINSTANCE>;

template <typename Handle> Handle towin(const std::int32_t& value) {
    static_assert(!pointerhandle<Handle>, "a module instance goes through instanceof");
    return reinterpret_cast<Handle>(static_cast<std::intptr_t>(value));
}

template <typename Handle> std::int32_t fromwin(Handle handle) {
    static_assert(!pointerhandle<Handle>, "a module instance goes through instancenumber");
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(handle));
}

// The module instance's number (1, 2, ... in the order first seen; 0 for
// none), and the instance a number names (null for 0 or a number never given).
instancehandle instancenumber(HINSTANCE instance);
HINSTANCE instanceof (const instancehandle& number);

inline HWND towindow(const winhandle& window) {
    return towin<HWND>(window);
}

// The program's own exported procedure of that name, or null.
template <typename Procedure> Procedure exportedprocedure(const char* name) {
    FARPROC found = GetProcAddress(GetModuleHandleA(nullptr), name);
    return reinterpret_cast<Procedure>(reinterpret_cast<void (*)()>(found));
}
