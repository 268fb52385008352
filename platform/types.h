#pragma once
// The handle types that cross module boundaries. Platform objects are opaque
// 32-bit values, as everywhere in the installer: 0 means none, and a file
// handle of -1 means that an open failed (callers test for a value below 1).
#include <cstdint>

namespace platform {
using handle = std::int32_t;
} // namespace platform
