#pragma once
// The decoded stream of a distribution: the descriptor (product name, proposed
// directory, total), then one entry per file (name, attributes, creation, last
// access and last write time, size, data). Counts of bytes use the two-word
// form: low + high * 4294967295, low word first.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cell {

inline constexpr std::size_t productlimit = 55;  // characters before the 0
inline constexpr std::size_t proposallimit = 63; // characters before the 0
inline constexpr std::size_t targetbuffer = 60;  // drive, proposal tail and 0
inline constexpr std::size_t entryfixed = 36;    // attributes, three times, size
inline constexpr std::uint32_t attrreadonly = 0x01, attrarchive = 0x20;
inline constexpr std::string_view cleanname = "..clean";

struct entryinfo {
    std::string name; // \dir\file
    std::uint32_t attributes = attrarchive;
    std::uint64_t creation = 0, lastaccess = 0, lastwrite = 0; // file times
    std::uint64_t size = 0;
};

// Why the descriptor cannot hold this product name and proposal; empty if it can.
std::string descriptorfault(std::string_view product, std::string_view proposal);

std::uint64_t descriptorlength(std::string_view product, std::string_view proposal);
std::uint64_t entrylength(const entryinfo& entry); // header and data

std::vector<unsigned char> descriptorbytes(std::string_view product, std::string_view proposal,
                                           std::uint64_t total);
std::vector<unsigned char> entryhead(const entryinfo& entry); // everything but the data

// Two-word counts as the installer keeps them: the high word counts the
// carries out of the low word, so the low word is never 0 once one happened.
void splittwoword(std::uint64_t value, std::uint32_t& low, std::uint32_t& high);
std::uint64_t twowordvalue(std::uint32_t low, std::uint32_t high);

// 100-nanosecond intervals since 1601 for a POSIX time; 0 before 1601.
std::uint64_t filetimefromunix(std::int64_t seconds, std::uint32_t nanoseconds);

std::uint32_t getle32(const unsigned char* p);
std::uint64_t getle64(const unsigned char* p);

} // namespace cell
