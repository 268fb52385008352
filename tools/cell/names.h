#pragma once
// Which entry names a distribution may carry: names the format can hold and
// that a Windows file system accepts under a target directory of up to 59
// characters.
#include <cstddef>
#include <string>
#include <string_view>

namespace cell {

inline constexpr std::size_t namelimit = 200; // characters of an entry name

// Why one file or folder name cannot be a level of an entry name; empty if it can.
std::string componentfault(std::string_view component);

// Why a whole entry name (\dir\file) is unsound; empty if it is sound.
std::string namefault(std::string_view name);

} // namespace cell
