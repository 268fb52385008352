// Arbitrary bytes steer a sequence of data manager operations, run against
// the manager and a plain model of the same tree (the driver of the model
// test). An input runs at most 128 steps, compares the pool's blocks and
// handles after each and the whole tree after every eighth and the last: the
// faults met so far showed within a few dozen steps, and a walk of the whole
// tree after every step would cost most of an input.
#include "tests/datamanager/driver.h"

#include "toolkit/prompt.h"

#include <cstdio>
#include <cstdlib>

// The manager stops the process on what it cannot go on from: in the fuzz
// target, where the sequence never asks for that, every stop is a finding.
void msgbox(const char* text, const char* caption) {
    std::fprintf(stderr, "the manager stopped: %s: %s\n", caption, text);
    std::abort();
}

namespace {
constexpr int steps = 128, treeevery = 8;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    idmtest::steering choices(data, size);
    idmtest::sequencestats stats;
    const std::string fault = idmtest::runsequence(choices, steps, 2048, stats, treeevery);
    if (!fault.empty()) {
        std::fprintf(stderr, "manager and model differ: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
