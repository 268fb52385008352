// Arbitrary bytes steer a sequence of data manager operations, run against
// the manager and a plain model of the same tree and compared after every
// step (the driver of the model test).
#include "tests/datamanager/driver.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    idmtest::steering choices(data, size);
    idmtest::sequencestats stats;
    const std::string fault = idmtest::runsequence(choices, 100000, 2048, stats);
    if (!fault.empty()) {
        std::fprintf(stderr, "manager and model differ: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
