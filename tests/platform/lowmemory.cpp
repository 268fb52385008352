// Linked into the 64-bit Windows test programs (and install.exe's test
// build): at start-up, every free region of the address space below 4 GB is
// reserved, so that the heap blocks, global memory, thread stacks and
// modules the program makes from then on lie above it. A pointer or handle
// squeezed through 32 bits then names nothing instead of passing by luck.
#include <windows.h>

#include <cstdint>

namespace {

constexpr std::uintptr_t fourgigabytes = std::uintptr_t{1} << 32;

void reservelowmemory() {
    std::uintptr_t at = 0x10000;
    MEMORY_BASIC_INFORMATION region{};
    while (at < fourgigabytes &&
           VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) == sizeof region) {
        const auto base = reinterpret_cast<std::uintptr_t>(region.BaseAddress);
        std::uintptr_t end = base + region.RegionSize;
        if (end > fourgigabytes) {
            end = fourgigabytes;
        }
        if (region.State == MEM_FREE) {
            VirtualAlloc(region.BaseAddress, end - base, MEM_RESERVE, PAGE_NOACCESS);
        }
        at = end;
    }
}

[[maybe_unused]] const bool reserved = (reservelowmemory(), true);

} // namespace
