// Counted completion events over one auto-reset platform event (the signal)
// and one platform mutex (the guard of posts and re-arming).
#include "tasks/events.h"

#include "platform/sync.h"
#include "tasks/slots.h"

#include <mutex>

namespace {

constexpr std::int32_t armed = 0, acknowledged = 1, completed = 3;
constexpr std::int32_t armedonce = 1, rearmed = 2;

struct eventslot {
    std::atomic<std::int32_t> number{-1};
    platform::handle signal = 0;
    platform::handle guard = 0;
    std::atomic<std::int32_t> completionsleft{0};
    std::atomic<std::int32_t> state{armed};
    std::atomic<std::int32_t> waitersleft{0};
    std::atomic<std::int32_t> mode{armedonce};
};

constinit slottable<eventslot, 64> events;

// Counts one completion; the one that reaches zero completes the event.
void complete(eventslot& slot) {
    if (--slot.completionsleft == 0) {
        slot.state.store(completed);
        platform::eventsignal(slot.signal);
    }
}

// A released waiter wakes the next one while expected waiters remain.
void passon(eventslot& slot) {
    const std::int32_t left = slot.waitersleft.load();
    if (left <= 1) {
        slot.waitersleft.store(0);
    } else {
        slot.waitersleft.store(left - 1);
        platform::eventsignal(slot.signal);
    }
}

// Returns holding the guard, once the waiters of the previous round are gone.
void acquirewhennowaiters(eventslot& slot) {
    for (;;) {
        while (slot.waitersleft.load() > 0)
            platform::yield();
        platform::mutexacquire(slot.guard);
        if (slot.waitersleft.load() == 0)
            return;
        platform::mutexrelease(slot.guard);
    }
}

void setcounts(eventslot& slot, std::int32_t count, std::int32_t waiters) {
    slot.completionsleft.store(count);
    slot.state.store(armed);
    slot.waitersleft.store(waiters);
}

} // namespace

void eventcreate(std::int32_t& number) {
    const std::lock_guard held(events);
    number = events.take();
    if (number == 0)
        return;
    auto& slot = events[number];
    slot.signal = platform::eventcreate();
    slot.guard = platform::mutexcreate();
}

void eventarm(const std::int32_t& number, const std::int32_t& count) {
    if (auto* slot = events.named(number)) {
        setcounts(*slot, count, count);
        slot->mode.store(armedonce);
        platform::eventreset(slot->signal);
    }
}

void eventrearm(const std::int32_t& number, const std::int32_t& count,
                const std::int32_t& waiters) {
    auto* slot = events.named(number);
    if (slot == nullptr)
        return;
    if (slot->mode.load() == armedonce) {
        platform::mutexacquire(slot->guard);
        setcounts(*slot, count, waiters);
        slot->mode.store(rearmed);
        platform::eventreset(slot->signal);
    } else if (slot->mode.load() == rearmed) {
        acquirewhennowaiters(*slot);
        setcounts(*slot, count, waiters);
    } else {
        return;
    }
    platform::mutexrelease(slot->guard);
}

void eventpost(const std::int32_t& number) {
    if (auto* slot = events.named(number)) {
        platform::mutexacquire(slot->guard);
        complete(*slot);
        platform::mutexrelease(slot->guard);
    }
}

void eventpostwaiter(const std::int32_t& number, const std::int32_t& flag) {
    if (auto* slot = events.named(number)) {
        platform::mutexacquire(slot->guard);
        --slot->waitersleft;
        if (flag != 0)
            complete(*slot);
        platform::mutexrelease(slot->guard);
    }
}

void eventwait(const std::int32_t& number) {
    if (auto* slot = events.named(number)) {
        platform::eventwaitone(slot->signal);
        passon(*slot);
    }
}

void eventwaitstate(const std::int32_t& number, std::int32_t& result) {
    auto* slot = events.named(number);
    if (slot == nullptr)
        return;
    platform::eventwaitone(slot->signal);
    if (slot->state.load() == acknowledged) {
        result = 1;
        passon(*slot);
    } else if (slot->state.load() == completed) {
        slot->state.store(acknowledged);
        result = 0;
    }
}

void eventrelease(const std::int32_t& number) {
    if (auto* slot = events.named(number))
        passon(*slot);
}

void eventclose(const std::int32_t& number) {
    if (auto* slot = events.named(number)) {
        platform::closehandle(slot->signal);
        platform::closehandle(slot->guard);
        slot->number.store(-1);
    }
}
