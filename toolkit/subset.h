#pragma once
// SUBSET: a bit-mask test.
#include <cstdint>

// True when every bit set in mask is also set in value.
bool hasbits(const std::int32_t& mask, const std::int32_t& value);
