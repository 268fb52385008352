// The task table. A slot's thread handle carries the task's state in its
// sign: above 0 started and not yet waited for, below 0 the negated handle of
// a waited thread not yet closed, 0 none. Waits and closes take no lock: each
// task is waited for and closed by one party at a time, and a close clears the
// handle before it frees the number, so a start sees the slot free only once
// the handle is gone. A task is marked waited only once a wait has seen its
// thread end: a failed wait leaves it as it was.
#include "tasks/mtask.h"

#include "tasks/slots.h"

#include <mutex>

namespace {

struct taskslot {
    std::atomic<std::int32_t> number{-1};
    std::atomic<platform::handle> thread{0};
    taskcall call;
};

constinit slottable<taskslot, 64> tasks;

// A selection of slots and their thread handles, at most one per slot.
struct handlelist {
    platform::handle handles[decltype(tasks)::size] = {};
    taskslot* slots[decltype(tasks)::size] = {};
    int count = 0;
    void add(taskslot& slot, platform::handle thread) {
        slots[count] = &slot;
        handles[count++] = thread;
    }
    // Until every listed thread has ended; false when the wait failed.
    bool waitall() const {
        return count == 0 || platform::threadwaitmany(handles, count, true) == 0;
    }
};

// The tasks running (started and not yet waited for).
handlelist running() {
    handlelist found;
    for (std::int32_t t = 1; t <= tasks.size; ++t) {
        auto& slot = tasks[t];
        const platform::handle thread = slot.thread.load();
        if (slot.number.load() != -1 && thread > 0)
            found.add(slot, thread);
    }
    return found;
}

// Marks the slot's task waited, unless someone else did already.
bool markwaited(taskslot& slot, platform::handle thread) {
    return slot.thread.compare_exchange_strong(thread, -thread);
}

void closeslot(taskslot& slot) {
    slot.thread.store(0);
    slot.number.store(-1);
}

} // namespace

// A thread the platform refuses takes no slot: the caller gets 0.
void taskstartcall(std::int32_t& task, const taskcall& call) {
    const std::lock_guard held(tasks);
    task = 0;
    const std::int32_t t = tasks.vacant();
    if (t == 0)
        return;
    auto& slot = tasks[t];
    slot.call = call;
    const platform::handle thread = platform::threadstart(&taskentry, &slot.call);
    if (thread == 0)
        return;
    slot.thread.store(thread);
    tasks.publish(t);
    task = t;
}

void taskwait(const std::int32_t& task) {
    auto* slot = tasks.named(task);
    if (slot == nullptr)
        return;
    const platform::handle thread = slot->thread.load();
    if (thread > 0 && platform::threadwait(thread))
        markwaited(*slot, thread);
}

void taskclose(const std::int32_t& task) {
    auto* slot = tasks.named(task);
    if (slot == nullptr)
        return;
    const platform::handle thread = slot->thread.load();
    if (thread < 0) {
        platform::closehandle(-thread);
        closeslot(*slot);
    }
}

void taskjoin(const std::int32_t& task) {
    taskwait(task);
    taskclose(task);
}

void taskwaitall() {
    const handlelist listed = running();
    if (!listed.waitall())
        return;
    for (int i = 0; i < listed.count; ++i)
        markwaited(*listed.slots[i], listed.handles[i]);
}

void taskcloseall() {
    handlelist waited;
    for (std::int32_t t = 1; t <= tasks.size; ++t) {
        auto& slot = tasks[t];
        const platform::handle thread = slot.thread.load();
        if (slot.number.load() != -1 && thread < 0) {
            waited.add(slot, -thread);
            closeslot(slot);
        }
    }
    for (int i = 0; i < waited.count; ++i)
        platform::closehandle(waited.handles[i]);
}

// The slots are freed only after their threads have ended: a start that took
// a slot at once could overwrite the procedure and arguments a thread that
// has not yet begun is about to read. When the wait fails, no slot is freed.
void taskendall() {
    handlelist all;
    for (std::int32_t t = 1; t <= tasks.size; ++t) {
        auto& slot = tasks[t];
        const platform::handle thread = slot.thread.load();
        if (slot.number.load() != -1 && thread != 0)
            all.add(slot, thread < 0 ? -thread : thread);
    }
    if (!all.waitall())
        return;
    for (int i = 0; i < all.count; ++i) {
        platform::closehandle(all.handles[i]);
        closeslot(*all.slots[i]);
    }
}

void taskwaitany(std::int32_t& task) {
    task = 0;
    const handlelist listed = running();
    if (listed.count == 0)
        return;
    const int ended = platform::threadwaitmany(listed.handles, listed.count, false);
    if (ended < 0)
        return;
    taskslot& slot = *listed.slots[ended];
    const std::int32_t number = slot.number.load();
    if (markwaited(slot, listed.handles[ended]))
        task = number;
}
