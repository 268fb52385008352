#pragma once
// readcmd: the first characters of the program's command line.
#include <cstddef>
#include <cstdint>

// Copies at most count characters of the command line. A line longer than
// count fills count characters and adds no 0; a count beyond the buffer's
// capacity is cut to the buffer, whose last character is then always a 0.
void readcmd(char* buffer, const std::int32_t& capacity, const std::int32_t& count);

template <std::size_t N> void readcmd(char (&buffer)[N], const std::int32_t& count) {
    readcmd(buffer, static_cast<std::int32_t>(N), count);
}
