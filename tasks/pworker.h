#pragma once
// The thread entry of every task, and the record it runs: a procedure with
// its type erased, the number of arguments and their addresses.
#include "platform/sync.h"

#include <cstddef>
#include <cstdint>
#include <utility>

inline constexpr std::int32_t taskargumentsmax = 52;

using taskprocedure = void (*)();
// Calls procedure, restored to its own type, with the stored arguments.
using taskcaller = void (*)(taskprocedure procedure, void* const* arguments);

struct taskcall {
    taskcaller caller = nullptr;
    taskprocedure procedure = nullptr;
    std::int32_t count = 0;
    void* arguments[taskargumentsmax] = {};
};

// Runs the taskcall the parameter points to; the exit code is always 0.
platform::threadresult PLATFORM_THREADCALL taskentry(void* procedure);

template <typename R, typename... A, std::size_t... I>
void taskcallwith(taskprocedure procedure, [[maybe_unused]] void* const* arguments,
                  std::index_sequence<I...>) {
    reinterpret_cast<R (*)(A & ...)>(procedure)(*static_cast<A*>(arguments[I])...);
}

template <typename R, typename... A>
void taskcallas(taskprocedure procedure, void* const* arguments) {
    taskcallwith<R, A...>(procedure, arguments, std::index_sequence_for<A...>{});
}
