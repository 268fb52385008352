#pragma once
// The manager's fatal failures: a message box captioned "Incore Data Manager",
// then the process ends at once with exit code 0. Every one of them goes
// through idmstop, and so through msgbox (toolkit/prompt.h), which a test
// program may replace to read the message.
#include <cstdint>

[[noreturn]] void idmstop(const char* text);

// "<what> <number> was not found in <operation>."
[[noreturn]] void idmnotfound(const char* what, const std::int32_t& number, const char* operation);

// "File <file> in directory <directory> was not found in <operation>."
[[noreturn]] void idmfilenotfound(const std::int32_t& file, const std::int32_t& directory,
                                  const char* operation);
