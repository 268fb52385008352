// Arbitrary bytes steer a sequence of data manager operations, run against
// the manager and a plain model of the same tree and compared after every
// step (the driver of the model test).
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    idmtest::steering choices(data, size);
    idmtest::sequencestats stats;
    const std::string fault = idmtest::runsequence(choices, 128, 2048, stats, 8);
    if (!fault.empty()) {
        std::fprintf(stderr, "manager and model differ: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
