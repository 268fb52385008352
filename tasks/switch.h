#pragma once
// Switches: one token passed back and forth between a first and a second
// side. A new switch holds the token on its first side. Switches are named by
// their slot number, 1 to 16; 0 names none, and every operation on 0 or on a
// closed number does nothing.
#include <cstdint>

// number: 0 when all 16 slots are taken or the platform refuses the events.
void switchcreate(std::int32_t& number);
void switchwaitfirst(const std::int32_t& number);
void switchgivesecond(const std::int32_t& number);
void switchwaitsecond(const std::int32_t& number);
void switchgivefirst(const std::int32_t& number);
// switchwaitsecond for at most milliseconds: false when the token has not
// come by then (it is then still to come), true when it came or the number
// names no switch.
bool switchwaitsecondfor(const std::int32_t& number, const std::int32_t& milliseconds);
void switchclose(const std::int32_t& number); // only once no one uses the switch

// Waits on all switches since the process began: all of them, those that
// found the token only while watching for it, and those that slept.
struct switchcounts {
    std::uint64_t waits, spun, blocked;
};
switchcounts switchtally();
