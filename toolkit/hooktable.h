#pragma once
// The keyboard hook's table: 8 entries, numbered 1 to 8, each naming a window
// whose controls the hook watches. Tag 0 marks a free entry; freeing an entry
// clears only its tag. Plain data and functions, so that they build and are
// tested everywhere; module ck keeps the one table of the process.
#include <array>
#include <cstdint>

struct hookentry {
    std::int32_t tag = 0;    // names the entry; 0: free
    std::int32_t hook = 0;   // the platform hook handle
    std::int32_t window = 0; // the parent whose controls are watched
    bool operator==(const hookentry&) const = default;
};

inline constexpr std::int32_t hookentries = 8;
using hooktable = std::array<hookentry, hookentries>;

// The number of the first free entry, 0 when every entry is in use.
std::int32_t hookfree(const hooktable& table);
// The number of the first entry in use with the tag, 0 when there is none.
std::int32_t hooktagged(const hooktable& table, const std::int32_t& tag);
// The number of the first entry in use whose window is the given one, 0 when
// there is none. Free entries never match, whatever their window field holds.
std::int32_t hookwatching(const hooktable& table, const std::int32_t& window);
// The entry with the given number (1 to 8).
hookentry& hookat(hooktable& table, const std::int32_t& number);

// Enters the window under the non-zero tag in the first free entry and gives
// its number; gives 0 and changes nothing when the table is full or the tag 0.
std::int32_t hookclaim(hooktable& table, const std::int32_t& window, const std::int32_t& tag);
// Frees the first entry with the tag, keeping its hook and window fields, and
// gives its number; gives 0 and changes nothing when no entry has the tag.
std::int32_t hookrelease(hooktable& table, const std::int32_t& tag);
