// Tasks: arguments passed by reference in order, and the wait and close
// operations, also when the platform's wait fails. Every test closes the
// tasks it starts.
#include "tasks/mtask.h"

#include "tests/platform/faultplan.h"
#include "tests/tasks/gate.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

std::atomic<int> ran{0};
void count() {
    ++ran;
}

// Records the values it is given, in call order, and negates each.
std::vector<int> seen;
template <typename... A> void recordandnegate(A&... values) {
    ((seen.push_back(values), values = -values), ...);
}

template <std::size_t> using intat = int;

template <std::size_t... I>
void startwith52(std::int32_t& task, std::array<int, 52>& values, std::index_sequence<I...>) {
    taskstart52(task, &recordandnegate<intat<I>...>, values[I]...);
}

double describe(std::string& text, const int& number, double& scale) {
    text += std::to_string(number);
    scale *= number;
    return scale;
}

void hold(gate& g) {
    g.pass();
}

} // namespace

TEST(Task, StartsWithNoArgumentsAndWithFiftyTwo) {
    const int before = ran;
    std::int32_t task = 0;
    taskstart0(task, count);
    ASSERT_NE(task, 0);
    taskjoin(task);
    EXPECT_EQ(ran, before + 1);

    std::array<int, 52> values{};
    for (int i = 0; i < 52; ++i)
        values[i] = i + 1;
    seen.clear();
    startwith52(task, values, std::make_index_sequence<52>{});
    ASSERT_NE(task, 0);
    taskjoin(task);
    std::vector<int> expected(52);
    for (int i = 0; i < 52; ++i)
        expected[i] = i + 1;
    EXPECT_EQ(seen, expected);
    for (int i = 0; i < 52; ++i)
        EXPECT_EQ(values[i], -(i + 1));
}

TEST(Task, ChangesTheStartersVariablesOfAnyType) {
    std::string text = "disk ";
    const int number = 3;
    double scale = 1.5;
    std::int32_t task = 0;
    taskstart3(task, describe, text, number, scale);
    taskjoin(task);
    EXPECT_EQ(text, "disk 3");
    EXPECT_EQ(scale, 4.5);
}

TEST(Task, JoinOnEndedTwiceOrNoneReturns) {
    std::int32_t task = 0;
    taskstart0(task, count);
    taskwait(task);
    taskjoin(task);
    taskjoin(task);
    taskwait(task);
    taskclose(task);
    taskjoin(0);
    taskwait(0);
    taskclose(0);
}

TEST(Task, CloseLeavesAnUnwaitedTaskAlone) {
    gate g;
    std::int32_t task = 0;
    taskstart1(task, hold, g);
    taskclose(task);
    g.openall();
    taskjoin(task);
    EXPECT_EQ(g.passed, 1);
}

TEST(Task, WaitAnyReturnsEachEndedTaskOnce) {
    gate g;
    std::int32_t held = 0, quick = 0, task = -1;
    taskstart1(held, hold, g);
    taskstart0(quick, count);
    taskwaitany(task);
    EXPECT_EQ(task, quick);
    taskclose(task);
    g.openall();
    taskwaitany(task);
    EXPECT_EQ(task, held);
    taskclose(task);
    taskwaitany(task);
    EXPECT_EQ(task, 0);
}

// A wait that fails has seen no thread end: the task stays unwaited, so no
// close frees its slot (and the thread's arguments) under the running thread,
// and waiting for any reports no task.
TEST(Task, AFailedWaitMarksNoTaskWaited) {
    const std::function<void(std::int32_t)> failingwaits[] = {
        [](std::int32_t task) {
            taskwait(task);
            taskclose(task);
        },
        [](std::int32_t) {
            taskwaitall();
            taskcloseall();
        },
        [](std::int32_t) { taskendall(); },
        [](std::int32_t) {
            std::int32_t any = -1;
            taskwaitany(any);
            EXPECT_EQ(any, 0);
        },
    };
    for (const auto& failingwait : failingwaits) {
        gate g;
        std::int32_t task = 0, ended = 0;
        taskstart1(task, hold, g);
        ASSERT_NE(task, 0);
        platform::injectfaults({.threadwait = 1});
        failingwait(task);
        platform::injectfaults({});
        g.openall();
        taskwaitany(ended);
        EXPECT_EQ(ended, task);
        taskclose(ended);
        EXPECT_EQ(g.passed, 1);
    }
}
