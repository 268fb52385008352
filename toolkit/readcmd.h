#pragma once
// readcmd: the first characters of the program's command line.
#include <cstddef>
#include <cstdint>

// Copies at most count characters of the command line, and never more than
// the buffer's capacity, as command does; when the line is longer the buffer
// is filled and holds no 0.
void readcmd(char* buffer, const std::int32_t& capacity, const std::int32_t& count);

template <std::size_t N> void readcmd(char (&buffer)[N], const std::int32_t& count) {
    readcmd(buffer, static_cast<std::int32_t>(N), count);
}
