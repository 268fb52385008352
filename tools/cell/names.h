#pragma once
// The names cell pack writes: entry names the installer accepts
// (extraction/entryname.h), no longer than the format's limit.
#include "extraction/entryname.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace cell {

inline constexpr std::size_t namelimit = 200; // characters of an entry name

// Why a whole entry name (\dir\file) cannot be written; empty if it can.
std::string namefault(std::string_view name);

} // namespace cell
