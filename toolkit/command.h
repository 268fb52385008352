#pragma once
// command: the program's command line, without the double quote that may
// open it and the one that then closes it at its very end.
#include <cstddef>
#include <cstdint>

// Copies the command line into the buffer with its 0; end = the 1-based
// position of that 0. A line longer than the buffer is cut so that the buffer
// still ends with a 0 (end = capacity). A capacity below 1 copies nothing
// (end = 0).
void command(char* buffer, const std::int32_t& capacity, std::int32_t& end);

template <std::size_t N> void command(char (&buffer)[N], std::int32_t& end) {
    command(buffer, static_cast<std::int32_t>(N), end);
}

// The copy shared with readcmd: at most limit characters of the command line,
// an opening quote skipped and a closing one at the end removed. Returns the
// 1-based position of the 0 in the buffer, or 0 when limit characters were
// copied without meeting it (the buffer then holds no 0).
std::int32_t copycommandline(char* buffer, std::int32_t limit);
