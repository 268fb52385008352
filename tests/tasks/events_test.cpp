// Counted completion events: completion at the last post, the chain of
// released waiters, acknowledgement and re-arming.
#include "tasks/events.h"

#include "tests/tasks/gate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace {

struct eventtest : ::testing::Test {
    std::int32_t e = 0;
    void SetUp() override {
        eventcreate(e);
        ASSERT_NE(e, 0);
        eventarm(e, 0); // a reused slot keeps the counts of its previous use
    }
    void TearDown() override { eventclose(e); }
};

} // namespace

TEST_F(eventtest, ArmedWithOneReleasesOneWaiterBeforeOrAfterThePost) {
    eventarm(e, 1);
    eventpost(e);
    eventwait(e);

    eventarm(e, 1);
    expectblockeduntil([&] { eventwait(e); }, [&] { eventpost(e); });

    // Released once, the event holds the next waiter until completed again.
    expectblockeduntil([&] { eventwait(e); },
                       [&] {
                           eventarm(e, 1);
                           eventpost(e);
                       });
}

TEST_F(eventtest, ArmedWithThreeCompletesAtTheThirdPostAndReleasesAllThree) {
    eventarm(e, 3);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            eventwait(e);
            ++released;
        });
    eventpost(e);
    eventpost(e);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(released, 0);
    eventpost(e);
    for (auto& w : waiters)
        w.join();
    EXPECT_EQ(released, 3);
}

TEST_F(eventtest, WaitStateAcknowledgesOnceAndReleasePassesTheWakeUpOn) {
    eventrearm(e, 1, 3);
    eventpost(e);
    std::int32_t result = -1;
    eventwaitstate(e, result);
    EXPECT_EQ(result, 0);

    // Acknowledged: the signal is spent until someone passes a wake-up on.
    result = -1;
    expectblockeduntil([&] { eventwaitstate(e, result); }, [&] { eventrelease(e); });
    EXPECT_EQ(result, 1);
    eventwait(e); // the last of the three waiters expected
}

TEST_F(eventtest, RearmWaitsForThePreviousRoundsWaiters) {
    eventrearm(e, 1, 1);
    expectblockeduntil([&] { eventrearm(e, 2, 1); },
                       [&] {
                           eventpost(e);
                           eventwait(e);
                       });
    eventpost(e);
    expectblockeduntil([&] { eventwait(e); }, [&] { eventpost(e); });

    // A waiter that leaves without waiting lets the next round be armed.
    eventrearm(e, 2, 2);
    eventpostwaiter(e, 1);
    eventpost(e);
    eventwait(e);
    eventrearm(e, 1, 1);
}

TEST(Events, NoneAndClosedNumbersDoNothing) {
    std::int32_t e = 0;
    eventcreate(e);
    eventclose(e);
    for (const std::int32_t n : {0, e, -1, 65}) {
        std::int32_t result = 7;
        eventarm(n, 1);
        eventrearm(n, 1, 1);
        eventpost(n);
        eventpostwaiter(n, 1);
        eventwait(n);
        eventwaitstate(n, result);
        eventrelease(n);
        eventclose(n);
        EXPECT_EQ(result, 7);
    }
}
