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
void switchclose(const std::int32_t& number); // only once no one uses the switch
