#pragma once
// What a run knows about the distribution it installs: filled by start-up
// (the installer's, or cell extract's) from the command line and the
// descriptor, confirmed by the window, and read by the unpacker while it runs.
#include "extraction/unpacker.h"

#include <cstdint>

struct distributionstate {
    char directory[128];           // where the volumes lie, ending with its separator; no 0
    std::int32_t directorylength;  // 0 means the current directory
    char productname[56];          // the descriptor's first field, with its 0
    std::int32_t productnameend;   // position of that 0
    char proposal[64];             // the descriptor's second field, with its 0
    std::int32_t proposalend;      // position of that 0
    twoword total;                 // length of the whole decoded stream
    std::int32_t descriptorlength; // decoded bytes the descriptor took (H)
    char target[60];               // the directory to install into, with its 0
    std::int32_t targetend;        // position of that 0 (L)
};

extern distributionstate distribution;

// Reads the descriptor through the decoder ring, which must have been started
// on "CELL.0". ok = 1 when it is sound: each text ends with its 0 within its
// buffer, the proposal holds a backslash, the stream did not fail or end
// before the total, and the total covers the descriptor itself. Fills the
// product name, proposal, total and descriptor length.
void readdescriptor(std::int32_t& ok);

// Sets the distribution directory; ok = 0 (and nothing changed) when it does
// not fit. The text is copied as it is: it must end with its separator.
void setdistdirectory(const char* directory, const std::int32_t& length, std::int32_t& ok);

// Sets the target directory; ok = 0 (and nothing changed) when it does not fit.
void settarget(const char* directory, const std::int32_t& length, std::int32_t& ok);
