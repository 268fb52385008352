// Switches: each side has a token word and an auto-reset event. Giving the
// token sets the other side's word; a side that waits takes the token from
// its word, watching the word a little while with a CPU pause when it is not
// there yet, and only then goes to sleep on its event, after marking its word
// asleep, so that a giver signals the event only for a side that really
// sleeps. A side that gives twice before the other takes leaves a single
// token.
#include "tasks/switch.h"

#include "platform/sync.h"
#include "tasks/slots.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

enum : std::int32_t { notoken = 0, token = 1, asleep = -1 };

struct side {
    std::atomic<std::int32_t> word{notoken};
    platform::handle event = 0;
    // Watching that came to nothing: misses in a row, and the waits still to
    // go without watching (2^misses - 1 after the last miss). Only the side's
    // waiter uses them.
    std::atomic<std::int32_t> misses{0}, rest{0};
};

struct switchslot {
    std::atomic<std::int32_t> number{-1};
    side first;
    side second;
};

constinit slottable<switchslot, 16> switches;

struct tally {
    std::atomic<std::uint64_t> waits{0}, spun{0}, blocked{0};
};
constinit tally counted;

// A hand-over between two threads on two cores usually completes within a
// few microseconds: that long a side watches its word before it sleeps. When
// the other side is slower than that, or shares this side's core, watching
// only burns the time it needs, so a side whose watching failed watches again
// only after a number of waits that doubles with every failure in a row.
constexpr int spinlimit = 2000;
constexpr std::int32_t mostmisses = 10;

void cpupause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

bool taketoken(side& s) {
    std::int32_t expected = token;
    return s.word.compare_exchange_strong(expected, notoken);
}

bool watch(side& s) {
    const std::int32_t rest = s.rest.load(std::memory_order_relaxed);
    if (rest > 0) {
        s.rest.store(rest - 1, std::memory_order_relaxed);
        return false;
    }
    for (int spin = 0; spin < spinlimit; ++spin) {
        cpupause();
        if (s.word.load(std::memory_order_relaxed) == token && taketoken(s)) {
            s.misses.store(0, std::memory_order_relaxed);
            counted.spun.fetch_add(1, std::memory_order_relaxed);
            return true;
        }
    }
    const std::int32_t misses = std::min(s.misses.load(std::memory_order_relaxed) + 1, mostmisses);
    s.misses.store(misses, std::memory_order_relaxed);
    s.rest.store((1 << misses) - 1, std::memory_order_relaxed);
    return false;
}

// Takes the token if it is there or comes while the side watches its word;
// false when the side is to sleep, its word then marked asleep.
bool takeorsleep(side& s) {
    counted.waits.fetch_add(1, std::memory_order_relaxed);
    if (taketoken(s) || watch(s))
        return true;
    std::int32_t expected = notoken;
    if (!s.word.compare_exchange_strong(expected, asleep)) {
        s.word.exchange(notoken); // the token came at the last moment
        return true;
    }
    counted.blocked.fetch_add(1, std::memory_order_relaxed);
    return false;
}

void wait(side& s) {
    if (!takeorsleep(s)) {
        platform::eventwaitone(s.event);
        s.word.exchange(notoken);
    }
}

// wait for at most milliseconds; false, with the side's word as it was before
// the wait, when the token has not come.
bool waitfor(side& s, unsigned milliseconds) {
    if (takeorsleep(s))
        return true;
    if (!platform::eventwaitfor(s.event, milliseconds)) {
        std::int32_t expected = asleep;
        if (s.word.compare_exchange_strong(expected, notoken))
            return false;
        platform::eventwaitone(s.event); // a giver found the side asleep: its signal is on the way
    }
    s.word.exchange(notoken);
    return true;
}

void give(side& s) {
    if (s.word.exchange(token) == asleep)
        platform::eventsignal(s.event);
}

} // namespace

// A switch whose events the platform refuses is not made: the caller gets 0.
void switchcreate(std::int32_t& number) {
    const std::lock_guard held(switches);
    number = 0;
    const std::int32_t s = switches.vacant();
    if (s == 0)
        return;
    auto& slot = switches[s];
    slot.first.event = platform::eventcreate();
    slot.second.event = platform::eventcreate();
    if (slot.first.event == 0 || slot.second.event == 0) {
        platform::closehandle(slot.first.event);
        platform::closehandle(slot.second.event);
        return;
    }
    for (side* made : {&slot.first, &slot.second}) {
        made->word.store(made == &slot.first ? token : notoken);
        made->misses.store(0);
        made->rest.store(0);
    }
    switches.publish(s);
    number = s;
}

void switchwaitfirst(const std::int32_t& number) {
    if (auto* slot = switches.named(number))
        wait(slot->first);
}

void switchgivesecond(const std::int32_t& number) {
    if (auto* slot = switches.named(number))
        give(slot->second);
}

void switchwaitsecond(const std::int32_t& number) {
    if (auto* slot = switches.named(number))
        wait(slot->second);
}

bool switchwaitsecondfor(const std::int32_t& number, const std::int32_t& milliseconds) {
    auto* slot = switches.named(number);
    return slot == nullptr || waitfor(slot->second, static_cast<unsigned>(milliseconds));
}

void switchgivefirst(const std::int32_t& number) {
    if (auto* slot = switches.named(number))
        give(slot->first);
}

void switchclose(const std::int32_t& number) {
    if (auto* slot = switches.named(number)) {
        platform::closehandle(slot->first.event);
        platform::closehandle(slot->second.event);
        slot->number.store(-1);
    }
}

switchcounts switchtally() {
    return {counted.waits.load(), counted.spun.load(), counted.blocked.load()};
}
