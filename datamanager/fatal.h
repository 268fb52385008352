#pragma once
// The manager's fatal failures: a message box captioned "Incore Data Manager",
// then the process ends with exit code 0.
#include <cstdint>

[[noreturn]] void idmstop(const char* text);

// "<what> <number> was not found in <operation>."
[[noreturn]] void idmnotfound(const char* what, const std::int32_t& number, const char* operation);

// "File <file> in directory <directory> was not found in <operation>."
[[noreturn]] void idmfilenotfound(const std::int32_t& file, const std::int32_t& directory,
                                  const char* operation);
