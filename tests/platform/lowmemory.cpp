// Linked into the 64-bit Windows test programs (and install.exe's test
// build): at start-up, every free region of the address space below 4 GB is
// reserved, so that the heap segments, large blocks, thread stacks and
// modules the program makes from then on lie above it. A pointer or handle
// squeezed through 32 bits then names nothing instead of passing by luck.
#include <windows.h>

#include <cstdint>

namespace {

using address = std::uintptr_t;

constexpr address fourgigabytes = address{1} << 32;
constexpr address granularity = 0x10000; // where reservations may begin

// Reserves [from, to), or as much of it as the system lets us: a range it
// refuses in one piece (Wine keeps a few of its own) is tried in halves.
void reserve(address from, address to) {
    if (to <= from ||
        VirtualAlloc(reinterpret_cast<void*>(from), to - from, MEM_RESERVE, PAGE_NOACCESS)) {
        return;
    }
    if (to - from <= granularity) {
        return;
    }
    const address middle = from + ((to - from) / 2 & ~(granularity - 1));
    reserve(from, middle);
    reserve(middle, to);
}

void reservelowmemory() {
    address at = granularity;
    MEMORY_BASIC_INFORMATION region{};
    while (at < fourgigabytes &&
           VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) == sizeof region) {
        const auto base = reinterpret_cast<address>(region.BaseAddress);
        const address end = base + region.RegionSize;
        if (region.State == MEM_FREE) {
            reserve((base + granularity - 1) & ~(granularity - 1),
                    end < fourgigabytes ? end : fourgigabytes);
        }
        at = end;
    }
}

[[maybe_unused]] const bool reserved = (reservelowmemory(), true);

} // namespace
