// Switches: token passing between the two sides, and a producer and a
// consumer racing through a ring of buffers.
#include "tasks/mtask.h"
#include "tasks/switch.h"

#include "tests/tasks/gate.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

TEST(Switch, TokenStartsOnFirstSideAndIsSingle) {
    std::int32_t s = 0;
    switchcreate(s);
    ASSERT_NE(s, 0);
    switchwaitfirst(s);
    expectblockeduntil([&] { switchwaitsecond(s); }, [&] { switchgivesecond(s); });

    // Giving twice before the other side takes leaves one token.
    switchgivefirst(s);
    switchgivefirst(s);
    switchwaitfirst(s);
    expectblockeduntil([&] { switchwaitfirst(s); }, [&] { switchgivefirst(s); });
    switchclose(s);
}

TEST(Switch, NoneAndClosedNumbersDoNothing) {
    std::int32_t s = 0;
    switchcreate(s);
    switchclose(s);
    for (const std::int32_t n : {0, s, -3, 17}) {
        switchwaitfirst(n);
        switchwaitsecond(n);
        switchgivefirst(n);
        switchgivesecond(n);
        switchclose(n);
    }
}

namespace {

constexpr int ringsize = 4, rounds = 5000;

struct ring {
    std::array<std::int32_t, ringsize> switches{};
    std::array<std::array<int, 64>, ringsize> buffers{};
};

void produce(ring& r) {
    for (int i = 0; i < rounds; ++i) {
        const int b = i % ringsize;
        switchwaitfirst(r.switches[b]);
        r.buffers[b].fill(i);
        switchgivesecond(r.switches[b]);
    }
}

} // namespace

TEST(Switch, ProducerAndConsumerShareARing) {
    ring r;
    for (auto& s : r.switches) {
        switchcreate(s);
        ASSERT_NE(s, 0);
    }
    std::int32_t producer = 0;
    taskstart1(producer, produce, r);
    ASSERT_NE(producer, 0);
    int mismatches = 0;
    for (int i = 0; i < rounds; ++i) {
        const int b = i % ringsize;
        switchwaitsecond(r.switches[b]);
        for (const int value : r.buffers[b])
            mismatches += value != i;
        switchgivefirst(r.switches[b]);
    }
    taskjoin(producer);
    EXPECT_EQ(mismatches, 0);
    for (const auto s : r.switches)
        switchclose(s);
}
