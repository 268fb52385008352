#pragma once
// EXTRACT: the decoder ring. A producer task (extractfill) reads the 12-bit
// LZW codes of one volume file, decodes them and writes the bytes into a ring
// of buffers (four of 4096 bytes, unless decompgeometry chose others); the
// consumer (extractread), on the caller's
// thread, drains the ring. Each buffer is handed back and forth with a switch:
// the producer is its first side, the consumer its second. A buffer handed
// over with fill count 0 is the end mark of one file's stream.
//
// Codes come in blocks of 3840, each with a dictionary of its own: code k of
// a block (k = 1 .. 3840) defines entry k + 254 as the string of code k - 1
// followed by the first byte of code k. The code table thus doubles as the
// prefix table, and the codes' first bytes give the entries' last bytes. The
// code position, the tables and the producer's place in the ring carry over
// from one file to the next, so a block may continue in the next volume.
#include "platform/types.h"

#include <atomic>
#include <cstdint>

inline constexpr std::int32_t blockcodes = 3840;

// How many buffers a ring has and how large they are, both powers of two.
struct ringgeometry {
    std::int32_t buffers; // 2 to mostringbuffers
    std::int32_t bytes;   // 4096 to 1 MB
    bool operator==(const ringgeometry&) const = default;
};
inline constexpr ringgeometry installergeometry{4, 4096};
inline constexpr std::int32_t mostringbuffers = 16;

// The one ring of the process, shared by EXTRACT and DECOMP. Buffers are
// numbered 1 to geometry.buffers, code positions 1 to 3840 (index 0 of the
// tables is unused).
struct decoderring {
    ringgeometry geometry = installergeometry;
    std::uint32_t mask = 0; // geometry.buffers * geometry.bytes - 1
    unsigned char* buffers; // the buffers one after another
    std::int32_t switches[mostringbuffers];
    std::int32_t fills[mostringbuffers]; // bytes valid when handed over; 0 = end mark
    std::int32_t producerbuffer;
    std::int32_t producerposition; // bytes already in the producer buffer
    std::uint32_t serial;          // buffers passed on since the ring was built (wrapping)
    std::int32_t consumerbuffer;
    std::int32_t consumerposition; // bytes already taken from the consumer buffer
    std::int32_t consumerholding;  // 1 while the consumer holds its buffer
    std::int32_t endseen;          // 1 once the consumer met this file's end mark

    std::int32_t codeposition;            // where the next code of the block goes
    std::int32_t batchstart;              // position of the first code of the batch
    std::atomic<std::int32_t> readstatus; // 1 good, 0 read failure or damaged data
    std::atomic<bool> abandoned;          // the consumer is let go (decompabandon)

    std::int32_t startgate;
    std::int32_t gatepending;
    std::int32_t producertask;
    std::int32_t refused; // 1 when the last start could not run a producer
    platform::handle file;
    std::int32_t firststart = 1; // 1 until built, and again after decompstop

    // Per code position k: the code, and at strings[literals + k] where its
    // string was written (serial * geometry.bytes + position), its length and
    // its first byte. strings[b + 1], for the single bytes b = 0 .. 255, is an
    // empty string whose first byte is b: the prefix that, followed by the
    // byte, makes code b's string, so that every code's string is its prefix
    // plus one byte.
    std::int32_t codes[blockcodes + 1];
    struct stringof {
        std::uint32_t start;
        std::uint16_t length;
        unsigned char first;
        unsigned char spare; // fills the record to eight bytes
    };
    static constexpr std::int32_t literals = 256;
    stringof strings[literals + blockcodes + 1];
};
extern decoderring ring;

// Bytes after the ring's buffers that the decoder may read past their end.
inline constexpr std::int32_t ringslack = 32;

// Delivers up to n decoded bytes of the current file into destination. got =
// bytes delivered; end = 1 when the file's stream ended first. status = 0 when
// the producer met a failed read or damaged data, at the end mark the failure
// left behind, after the bytes decoded before it; and at once (got and end
// left alone) once that end mark has been met, when the ring could not start,
// or once the ring is abandoned, a wait for the producer included.
void extractread(char* destination, const std::int32_t& n, std::int32_t& got, std::int32_t& status,
                 std::int32_t& end);

// The producer task: decodes the file whose handle it is given, to its end.
void extractfill(platform::handle& file);

// Writes the string of dictionary entry code (above 255, valid for the code
// being decoded) into the ring.
void extractemit(const std::int32_t& code);
