#include "toolkit/subset.h"

bool hasbits(const std::int32_t& mask, const std::int32_t& value) {
    return (mask | value) == value;
}
