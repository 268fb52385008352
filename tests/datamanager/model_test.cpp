// Long random sequences against a plain model of the same tree, in a pool
// small enough that compaction runs often and meets more than ten runs.
#include "tests/datamanager/driver.h"

#include <gtest/gtest.h>

namespace {

TEST(ModelTest, ManagerAndModelAgreeAfterEveryStep) {
    idmtest::sequencestats stats;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        idmtest::steering choices(seed);
        const std::string fault = idmtest::runsequence(choices, 3000, 4096, stats);
        ASSERT_EQ(fault, "") << "seed " << seed;
    }
    // The sequences must have reached the interesting cases.
    EXPECT_GT(stats.compactions, 100);
    EXPECT_GT(stats.multipass, 10);
    EXPECT_GT(stats.mostruns, 20);
    std::printf("steps %d, compactions %d, with more than ten runs %d, most runs %d\n", stats.steps,
                stats.compactions, stats.multipass, stats.mostruns);
}

} // namespace
