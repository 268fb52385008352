#pragma once
// READER: reads the bytes of a number of 12-bit codes from a volume file and
// unpacks them. Two codes share three bytes b0 b1 b2: the first is b2*16 +
// b1/16, the second b0 + 256*(b1 mod 16). A code left over takes two bytes t0
// t1 and is t1*16 + t0/16.
//
// The volume is read ahead in pieces of at least readpiecebytes, so that a
// volume costs few platform reads; what a call gets is what one read of just
// its codes' bytes would have got, the end of the volume being the first read
// that gives nothing.
#include "platform/types.h"

#include <cstdint>

// Largest call: the bytes of one whole block of 3840 codes.
inline constexpr std::int32_t readbufferbytes = 5760;
inline constexpr std::int32_t readpiecebytes = 65536;

// Forgets what was read ahead: the next readcodes reads its file afresh. To
// be called whenever the file read changes.
void readerrestart();

// Gets the bytes of w codes (at most readbufferbytes) and unpacks them into
// codes[1], codes[2], ...; got = codes unpacked. status = 1 when the reads
// succeeded and what they gave is a whole number of codes, 0 when a read
// failed (what it had read ahead is dropped) or left a single stray byte
// (damaged data).
void readcodes(const platform::handle& file, std::int32_t* codes, const std::int32_t& w,
               std::int32_t& got, std::int32_t& status);
