#pragma once
// Drives the data manager and a plain model of the same tree through one long
// sequence of operations and compares the two: every value read back at once,
// the pool's blocks and the handle count after every step, and the whole tree
// as the pool holds it with every handle's place after every treeevery-th
// step and the last.
// Shared by the model test and the fuzz target.
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace idmtest {

// The choices that steer a sequence: from a seeded generator, or from the
// bytes of a fuzz input (a sequence ends when they run out).
class steering {
  public:
    explicit steering(std::uint32_t seed) : generator(seed) {}
    steering(const std::uint8_t* bytes, std::size_t size) : data(bytes), left(size) {}

    bool exhausted() const { return data != nullptr && left == 0; }
    std::int32_t below(std::int32_t n);                        // 0 to n - 1
    std::int32_t between(std::int32_t low, std::int32_t high); // low to high

  private:
    std::mt19937 generator;
    const std::uint8_t* data = nullptr;
    std::size_t left = 0;
};

struct sequencestats {
    int steps = 0;
    int compactions = 0; // allocations that had to compact first
    int mostruns = 0;    // the most runs of deleted blocks one compaction met
    int multipass = 0;   // compactions that met more than ten runs
};

// Runs up to `steps` operations in a fresh pool of `poolbytes` bytes; gives
// back an empty text when manager and model agreed throughout, else what
// differed first. Every handle the sequence took is returned at the end.
std::string runsequence(steering& choices, int steps, std::int32_t poolbytes, sequencestats& stats,
                        int treeevery = 1);

} // namespace idmtest
