// Switches: each side waits on its own auto-reset event, and giving the token
// signals the other side's event, so a side that gives twice before the
// other takes leaves a single token.
#include "tasks/switch.h"

#include "platform/sync.h"
#include "tasks/slots.h"

#include <mutex>

namespace {

struct switchslot {
    std::atomic<std::int32_t> number{-1};
    platform::handle first = 0;
    platform::handle second = 0;
};

constinit slottable<switchslot, 16> switches;

} // namespace

// A switch whose events the platform refuses is not made: the caller gets 0.
void switchcreate(std::int32_t& number) {
    const std::lock_guard held(switches);
    number = 0;
    const std::int32_t s = switches.vacant();
    if (s == 0)
        return;
    auto& slot = switches[s];
    slot.first = platform::eventcreate();
    slot.second = platform::eventcreate();
    if (slot.first == 0 || slot.second == 0) {
        platform::closehandle(slot.first);
        platform::closehandle(slot.second);
        return;
    }
    platform::eventsignal(slot.first);
    switches.publish(s);
    number = s;
}

void switchwaitfirst(const std::int32_t& number) {
    if (const auto* slot = switches.named(number))
        platform::eventwaitone(slot->first);
}

void switchgivesecond(const std::int32_t& number) {
    if (const auto* slot = switches.named(number))
        platform::eventsignal(slot->second);
}

void switchwaitsecond(const std::int32_t& number) {
    if (const auto* slot = switches.named(number))
        platform::eventwaitone(slot->second);
}

bool switchwaitsecondfor(const std::int32_t& number, const std::int32_t& milliseconds) {
    const auto* slot = switches.named(number);
    return slot == nullptr ||
           platform::eventwaitfor(slot->second, static_cast<unsigned>(milliseconds));
}

void switchgivefirst(const std::int32_t& number) {
    if (const auto* slot = switches.named(number))
        platform::eventsignal(slot->first);
}

void switchclose(const std::int32_t& number) {
    if (auto* slot = switches.named(number)) {
        platform::closehandle(slot->first);
        platform::closehandle(slot->second);
        slot->number.store(-1);
    }
}
