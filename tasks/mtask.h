#pragma once
// The task table: a procedure run on a thread of its own, with up to 52 of
// the starter's variables passed by reference. A task is named by its slot
// number, 1 to 64, until it has been waited for and closed; 0 names none, and
// every wait or close on 0 or on a closed number does nothing. The variables
// passed must stay in place until the task has been joined.
#include "tasks/pworker.h"

#include <cstdint>
#include <memory>

// Takes the next free slot round-robin and runs call on a new thread; task
// receives the slot number, or 0 when all 64 slots are taken or the platform
// refuses the thread (which then takes no slot).
void taskstartcall(std::int32_t& task, const taskcall& call);

template <typename R, typename... A>
void taskstartwith(std::int32_t& task, R (*procedure)(A&...), A&... arguments) {
    static_assert(sizeof...(A) <= taskargumentsmax);
    const taskcall call{
        &taskcallas<R, A...>,
        reinterpret_cast<taskprocedure>(procedure),
        static_cast<std::int32_t>(sizeof...(A)),
        {const_cast<void*>(static_cast<const void*>(std::addressof(arguments)))...}};
    taskstartcall(task, call);
}

// taskstart0 ... taskstart52: taskstartN(task, procedure, a1, ..., aN) runs
// procedure(a1, ..., aN) as a task.
#define TASKSTART(n)                                                                               \
    template <typename R, typename... A>                                                           \
    requires(sizeof...(A) == n) void taskstart##n(std::int32_t& task, R (*procedure)(A & ...),     \
                                                  A&... arguments) {                               \
        taskstartwith(task, procedure, arguments...);                                              \
    }
#define TASKSTART_TENS(t)                                                                          \
    TASKSTART(t##0)                                                                                \
    TASKSTART(t##1)                                                                                \
    TASKSTART(t##2)                                                                                \
    TASKSTART(t##3)                                                                                \
    TASKSTART(t##4)                                                                                \
    TASKSTART(t##5)                                                                                \
    TASKSTART(t##6)                                                                                \
    TASKSTART(t##7)                                                                                \
    TASKSTART(t##8)                                                                                \
    TASKSTART(t##9)
TASKSTART_TENS()
TASKSTART_TENS(1)
TASKSTART_TENS(2)
TASKSTART_TENS(3)
TASKSTART_TENS(4)
TASKSTART(50)
TASKSTART(51)
TASKSTART(52)
#undef TASKSTART_TENS
#undef TASKSTART

// Waits until the task's thread has ended and marks it waited; a wait that
// fails marks nothing, here and in the waits below.
void taskwait(const std::int32_t& task);
void taskclose(const std::int32_t& task); // frees the slot of a waited task
void taskjoin(const std::int32_t& task);  // taskwait when not yet waited, then taskclose
void taskwaitall();                       // waits for every task not yet waited for
void taskcloseall();                      // closes every waited task
// Waits until the threads of all taken slots have ended, then frees the slots.
void taskendall();
// Waits until any task not yet waited for ends and marks it waited; task
// receives its number, or 0 when there was none or the wait failed.
void taskwaitany(std::int32_t& task);
