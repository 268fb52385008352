#pragma once
// What cell extract shows while it installs: on a terminal, one line on
// standard error that it redraws with a bar, the percentage and the file
// being written; otherwise nothing but messages. Verbose, every file's name
// also goes to standard output, one a line. Any thread may call these.
#include <cstdint>
#include <string>
#include <string_view>

namespace cell::console {

void start(bool verbose); // finds out whether standard error is a terminal, and its width
void showfile(std::string_view name);
void showpercent(std::int32_t percent);
// A message on a line of its own (the progress line, if any, is ended first).
void say(const std::string& text);
// The same, only on a terminal.
void note(const std::string& text);
// The same, for the last words of the process: nothing is drawn after it.
void sayfinal(const std::string& text);

// The name as the terminal shows it: separators of this platform, and a "?"
// for every byte that would move the cursor or start a control sequence.
std::string printable(std::string_view name);

} // namespace cell::console
