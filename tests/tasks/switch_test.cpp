// Switches: token passing between the two sides, a producer and a consumer
// racing through a ring of buffers, and numbers met while switches are made.
#include "tasks/mtask.h"
#include "tasks/switch.h"

#include "tests/tasks/gate.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

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

// A thread that gives tokens to every number while the table is filled meets
// each switch only once both its events exist. (Under TSan, one that found
// the number earlier would read the events while they are being made.)
TEST(Switch, ANumberIsFoundOnlyOnceItsEventsExist) {
    for (int round = 0; round < 40; ++round) {
        std::atomic<bool> making{true};
        std::thread giver([&] {
            while (making.load())
                for (std::int32_t n = 1; n <= 16; ++n)
                    switchgivesecond(n);
        });
        std::vector<std::int32_t> made;
        for (std::int32_t s = 0; switchcreate(s), s != 0;) {
            made.push_back(s);
            switchwaitsecond(s); // the giver's token: it found the switch
        }
        making = false;
        giver.join();
        EXPECT_EQ(made.size(), 16u);
        for (const std::int32_t s : made)
            switchclose(s);
    }
}
