// Counted completion events over one auto-reset platform event (the signal)
// and one platform mutex (the guard). The counts, the state and the mode are
// touched only under the guard, so that a post, a waiter passing the wake-up
// on and a re-arm never lose one another's updates.
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
    std::int32_t completionsleft = 0;
    std::int32_t state = armed;
    std::int32_t waitersleft = 0;
    std::int32_t mode = armedonce;
};

constinit slottable<eventslot, 64> events;

// Holds the slot's guard for as long as it lives.
class holding {
  public:
    explicit holding(const eventslot& slot) : guard_(slot.guard) { platform::mutexacquire(guard_); }
    ~holding() { platform::mutexrelease(guard_); }
    holding(const holding&) = delete;
    holding& operator=(const holding&) = delete;

  private:
    platform::handle guard_;
};

// Under the guard: counts one completion; the one that reaches zero completes
// the event.
void complete(eventslot& slot) {
    if (--slot.completionsleft == 0) {
        slot.state = completed;
        platform::eventsignal(slot.signal);
    }
}

// Under the guard: a released waiter wakes the next one while expected
// waiters remain.
void passon(eventslot& slot) {
    if (slot.waitersleft <= 1) {
        slot.waitersleft = 0;
    } else {
        slot.waitersleft -= 1;
        platform::eventsignal(slot.signal);
    }
}

// Under the guard: a new round, with any wake-up left over from the last
// round taken back, so that no waiter of this round passes before it
// completes.
void setcounts(eventslot& slot, std::int32_t count, std::int32_t waiters, std::int32_t mode) {
    slot.completionsleft = count;
    slot.state = armed;
    slot.waitersleft = waiters;
    slot.mode = mode;
    platform::eventreset(slot.signal);
}

// Under the guard: a re-armed event waits until the waiters of its previous
// round are gone (a count that waiters leaving drove below zero counts as
// none), letting go of the guard while it waits.
void awaitnowaiters(eventslot& slot) {
    while (slot.mode == rearmed && slot.waitersleft > 0) {
        platform::mutexrelease(slot.guard);
        platform::yield();
        platform::mutexacquire(slot.guard);
    }
}

} // namespace

// An event whose signal or guard the platform refuses is not made: the
// caller gets 0. A slot used before starts afresh, as at program load.
void eventcreate(std::int32_t& number) {
    const std::lock_guard held(events);
    number = 0;
    const std::int32_t e = events.vacant();
    if (e == 0)
        return;
    auto& slot = events[e];
    slot.signal = platform::eventcreate();
    slot.guard = platform::mutexcreate();
    if (slot.signal == 0 || slot.guard == 0) {
        platform::closehandle(slot.signal);
        platform::closehandle(slot.guard);
        return;
    }
    setcounts(slot, 0, 0, armedonce);
    events.publish(e);
    number = e;
}

void eventarm(const std::int32_t& number, const std::int32_t& count) {
    if (auto* slot = events.named(number)) {
        const holding held(*slot);
        setcounts(*slot, count, count, armedonce);
    }
}

void eventrearm(const std::int32_t& number, const std::int32_t& count,
                const std::int32_t& waiters) {
    if (auto* slot = events.named(number)) {
        const holding held(*slot);
        awaitnowaiters(*slot);
        setcounts(*slot, count, waiters, rearmed);
    }
}

void eventpost(const std::int32_t& number) {
    if (auto* slot = events.named(number)) {
        const holding held(*slot);
        complete(*slot);
    }
}

void eventpostwaiter(const std::int32_t& number, const std::int32_t& flag) {
    if (auto* slot = events.named(number)) {
        const holding held(*slot);
        slot->waitersleft -= 1;
        if (flag != 0)
            complete(*slot);
    }
}

void eventwait(const std::int32_t& number) {
    if (auto* slot = events.named(number)) {
        platform::eventwaitone(slot->signal);
        const holding held(*slot);
        passon(*slot);
    }
}

void eventwaitstate(const std::int32_t& number, std::int32_t& result) {
    auto* slot = events.named(number);
    if (slot == nullptr)
        return;
    platform::eventwaitone(slot->signal);
    const holding held(*slot);
    if (slot->state == acknowledged) {
        result = 1;
        passon(*slot);
    } else if (slot->state == completed) {
        slot->state = acknowledged;
        result = 0;
    }
}

void eventrelease(const std::int32_t& number) {
    if (auto* slot = events.named(number)) {
        const holding held(*slot);
        passon(*slot);
    }
}

void eventclose(const std::int32_t& number) {
    if (auto* slot = events.named(number)) {
        platform::closehandle(slot->signal);
        platform::closehandle(slot->guard);
        slot->number.store(-1);
    }
}
