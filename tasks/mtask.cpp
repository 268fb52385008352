// The task table. A slot's thread handle carries the task's state in its
// sign: above 0 started and not yet waited for, below 0 the negated handle of
// a waited thread not yet closed, 0 none. Waits and closes take no lock: each
// task is waited for and closed by one party at a time, and a close clears the
// handle before it frees the number, so a start sees the slot free only once
// the handle is gone.
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

// The handles of a selection of slots, at most one per slot.
struct handlelist {
    platform::handle handles[decltype(tasks)::size] = {};
    int count = 0;
    void add(platform::handle thread) { handles[count++] = thread; }
};

void closeslot(taskslot& slot) {
    slot.thread.store(0);
    slot.number.store(-1);
}

} // namespace

void taskstartcall(std::int32_t& task, const taskcall& call) {
    const std::lock_guard held(tasks);
    task = tasks.take();
    if (task == 0)
        return;
    auto& slot = tasks[task];
    slot.call = call;
    slot.thread.store(platform::threadstart(&taskentry, &slot.call));
}

void taskwait(const std::int32_t& task) {
    auto* slot = tasks.named(task);
    if (slot == nullptr)
        return;
    const platform::handle thread = slot->thread.load();
    if (thread > 0) {
        platform::threadwait(thread);
        slot->thread.store(-thread);
    }
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
    handlelist running;
    for (std::int32_t t = 1; t <= tasks.size; ++t) {
        auto& slot = tasks[t];
        const platform::handle thread = slot.thread.load();
        if (slot.number.load() != -1 && thread > 0) {
            running.add(thread);
            slot.thread.store(-thread);
        }
    }
    if (running.count > 0)
        platform::threadwaitmany(running.handles, running.count, true);
}

void taskcloseall() {
    handlelist waited;
    for (std::int32_t t = 1; t <= tasks.size; ++t) {
        auto& slot = tasks[t];
        const platform::handle thread = slot.thread.load();
        if (slot.number.load() != -1 && thread < 0) {
            waited.add(-thread);
            closeslot(slot);
        }
    }
    for (int i = 0; i < waited.count; ++i)
        platform::closehandle(waited.handles[i]);
}

// The slots are freed only after their threads have ended: a start that took
// a slot at once could overwrite the procedure and arguments a thread that
// has not yet begun is about to read. A slot whose thread was refused holds
// no handle to wait on.
void taskendall() {
    handlelist all;
    bool taken[decltype(tasks)::size + 1] = {};
    for (std::int32_t t = 1; t <= tasks.size; ++t) {
        auto& slot = tasks[t];
        if (slot.number.load() == -1)
            continue;
        taken[t] = true;
        if (const platform::handle thread = slot.thread.exchange(0); thread != 0)
            all.add(thread < 0 ? -thread : thread);
    }
    if (all.count > 0)
        platform::threadwaitmany(all.handles, all.count, true);
    for (int i = 0; i < all.count; ++i)
        platform::closehandle(all.handles[i]);
    for (std::int32_t t = 1; t <= tasks.size; ++t)
        if (taken[t])
            tasks[t].number.store(-1);
}

void taskwaitany(std::int32_t& task) {
    task = 0;
    handlelist running;
    for (std::int32_t t = 1; t <= tasks.size; ++t) {
        const auto& slot = tasks[t];
        const platform::handle thread = slot.thread.load();
        if (slot.number.load() != -1 && thread > 0)
            running.add(thread);
    }
    if (running.count == 0)
        return;
    const platform::handle ended =
        running.handles[platform::threadwaitmany(running.handles, running.count, false)];
    for (std::int32_t t = 1; t <= tasks.size; ++t) {
        auto& slot = tasks[t];
        if (slot.number.load() != -1 && slot.thread.load() == ended) {
            slot.thread.store(-ended);
            task = slot.number.load();
            return;
        }
    }
}
