// The thread entry of every task.
#include "tasks/pworker.h"

platform::threadresult PLATFORM_THREADCALL taskentry(void* procedure) {
    const auto& call = *static_cast<const taskcall*>(procedure);
    if (call.count >= 0 && call.count <= taskargumentsmax && call.caller != nullptr)
        call.caller(call.procedure, call.arguments);
    return 0;
}
