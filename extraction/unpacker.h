#pragma once
// The unpacker task: continues the decoded distribution stream right after
// the descriptor and writes every file entry under the target directory,
// asking the window for the next disk when a volume is missing.
#include "platform/types.h"
#include "toolkit/messages.h"

#include <cstdint>

// A count in two 32-bit words, low word first, worth low + high x 4294967295.
// The low word is unsigned in meaning; the arithmetic below keeps every step
// within signed 32-bit integers by working on its two 16-bit halves.
struct twoword {
    std::int32_t low;
    std::int32_t high;
};

// The value of a count, for comparisons.
std::uint64_t countvalue(const twoword& count);

// The command the unpacker posts when a directory or a file cannot be written.
inline constexpr std::int32_t writefailurecommand = 21;

// The command the unpacker sends, and waits on, when a clean is refused
// because its directory is the root of a drive; the copy then goes on.
inline constexpr std::int32_t cleanrefusedcommand = 26;

// Runs until the copy ends or is stopped; reports only through the commands it sends or
// posts to the window and through the files it writes. Reads the target
// directory, the descriptor length, the total and the distribution directory
// from the distribution module. Nothing is written through a link below the
// target directory (platform::setwriteroot).
void unpacker(winhandle& window, std::int32_t (&diskevents)[2], std::int32_t& currentevent,
              platform::handle& volume, std::int32_t& nextnumber, winhandle& filenametext,
              std::int32_t& diskprompt, std::int32_t& done, std::int32_t& dataerror);

// How the unpacker writes a file's data, set before it starts. By default it
// reads the data in pieces of 2048 bytes and writes each piece as it comes
// (the installer). A gather of more bytes (cell) reads up to that many at a
// time into a buffer of that size and writes it out when the next 2048-byte
// piece would not fit, or the file is complete; so every write but a file's
// last holds more than gather - 2048 bytes. reserve asks the file system, where
// it can, for the whole size of a file larger than gather before its first
// write; a file system without room is a write failure then.
struct unpackerwriting {
    std::int32_t gather = 2048;
    bool reserve = false;
};
void setunpackerwriting(const unpackerwriting& writing);

// Asks the unpacker to stop, from any thread: it sends, posts and shows
// nothing more, removes the file it was writing (the files written whole
// stay) and ends at the next piece of data, the next entry or as soon as a
// wait of its own is over; a wait for the decoder is cut short. The volume
// stays open, since the decoder may still be reading it. A wait for a disk
// ends when the window posts the disk event.
void unpackerstop();
// Takes the request back, for the next run in the same process.
void unpackerresume();

// Opens the volume named by nextnumber (asking for its disk as often as
// needed), advances nextnumber and restarts the decoder on it.
void nextvolume(platform::handle& volume, std::int32_t& nextnumber, const winhandle& window,
                const std::int32_t (&diskevents)[2], std::int32_t& currentevent,
                const std::int32_t& diskprompt, const std::int32_t& percent);

// count = count + amount
void ADDER(twoword& count, const std::int32_t& amount);
// count = count - amount
void s(twoword& count, const std::int32_t& amount);
// flag = 1 when a and b count the same, in whichever form each is written, else 0
void isdone(const twoword& a, const twoword& b, std::int32_t& flag);
// result = min(limit, count) for a count below 2^31, else limit
void GETSMALL(const twoword& count, const std::int32_t& limit, std::int32_t& result);
// digits = index (1 to 4) of the most significant non-zero 16-bit digit
void sigdigits(const twoword& count, std::int32_t& digits);
// percent = the progress of position through total, never below its value on entry
void GETRATIO(const twoword& total, const twoword& position, const std::int32_t& digits,
              const std::int32_t& scale, std::int32_t& percent);
