// Slot numbering of the switch, event and task tables, each checked on a table
// no one in this process has used before: every test touches only its own.
#include "tasks/events.h"
#include "tasks/mtask.h"
#include "tasks/switch.h"

#include "tests/platform/faultplan.h"
#include "tests/tasks/gate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Numbers from 1 on, round-robin: a slot freed behind the cursor is reused
// only once the cursor comes round to it; a full table gives 0, and so does a
// creation whose platform objects are refused, which takes no slot.
template <typename Create, typename Close>
void checknumbering(std::int32_t size, Create create, Close close,
                    const std::vector<platform::faultplan>& refusals) {
    std::int32_t n = -5;
    create(n);
    EXPECT_EQ(n, 1);
    create(n);
    EXPECT_EQ(n, 2);
    for (const platform::faultplan& refusal : refusals) {
        platform::injectfaults(refusal);
        create(n);
        EXPECT_EQ(n, 0);
    }
    platform::injectfaults({});
    close(1);
    for (std::int32_t expected = 3; expected <= size; ++expected) {
        create(n);
        ASSERT_EQ(n, expected);
    }
    create(n);
    EXPECT_EQ(n, 1);
    create(n);
    EXPECT_EQ(n, 0);
    close(7);
    close(5);
    close(5);
    create(n);
    EXPECT_EQ(n, 5);
    create(n);
    EXPECT_EQ(n, 7);
    create(n);
    EXPECT_EQ(n, 0);
    for (std::int32_t i = 1; i <= size; ++i)
        close(i);
}

void nothing() {}
void hold(gate& g) {
    g.pass();
}

} // namespace

TEST(Tables, SwitchesNumberedRoundRobin) {
    checknumbering(
        16, [](std::int32_t& n) { switchcreate(n); }, [](std::int32_t n) { switchclose(n); },
        {{.eventcreate = 1}, {.eventcreate = 2}});
}

TEST(Tables, EventsNumberedRoundRobin) {
    checknumbering(
        64, [](std::int32_t& n) { eventcreate(n); }, [](std::int32_t n) { eventclose(n); },
        {{.eventcreate = 1}, {.mutexcreate = 1}});
}

TEST(Tables, TasksKeepTheirSlotsUntilClosed) {
    std::int32_t first = 0, second = 0, t = 0;
    taskstart0(first, nothing);
    taskstart0(second, nothing);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    taskjoin(first);
    taskjoin(second);
    platform::injectfaults({.threadstart = 1}); // refused: no slot taken
    taskstart0(t, nothing);
    EXPECT_EQ(t, 0);

    gate g;
    for (std::int32_t expected = 3; expected <= 64; ++expected) {
        taskstart1(t, hold, g);
        ASSERT_EQ(t, expected);
    }
    taskstart0(t, nothing); // slot 64 moved the cursor back to 1
    EXPECT_EQ(t, 1);
    taskstart0(t, nothing);
    EXPECT_EQ(t, 2);

    gate never;
    taskstart1(t, hold, never);
    EXPECT_EQ(t, 0);
    taskjoin(t);

    // Ended tasks keep their slots until closed.
    g.openall();
    taskjoin(10);
    taskstart0(t, nothing);
    EXPECT_EQ(t, 10);

    taskwaitall();
    taskcloseall();
    EXPECT_EQ(g.passed, 62);
    for (std::int32_t i = 0; i < 64; ++i) {
        taskstart0(t, nothing);
        ASSERT_NE(t, 0);
    }
    taskstart0(t, nothing);
    EXPECT_EQ(t, 0);

    // taskendall frees every slot, waiting for the threads still held.
    taskendall();
    gate later;
    std::int32_t held = 0;
    for (; held < 64; ++held) {
        taskstart1(t, hold, later);
        ASSERT_NE(t, 0);
    }
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        later.openall();
    });
    taskendall();
    EXPECT_EQ(later.passed, held);
    opener.join();
    taskwaitany(t);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(never.passed, 0);
}
