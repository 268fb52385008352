#pragma once
// Counted completion events: armed with a count of completions, completed by
// the post that brings it to zero, and then releasing their waiters one after
// the other, each passing the wake-up on while expected waiters remain.
// Events are named by their slot number, 1 to 64; 0 names none, and every
// operation on 0 or on a closed number does nothing.
#include <cstdint>

// number: 0 when all 64 slots are taken or the platform refuses the event's
// objects. A new event is armed for 0 completions and no waiters.
void eventcreate(std::int32_t& number);
// Arms for count completions and count waiters; only while no one waits.
void eventarm(const std::int32_t& number, const std::int32_t& count);
// Arms for count completions and the given waiters; once re-armed, an event
// is re-armed again only after the waiters of its previous round are gone.
void eventrearm(const std::int32_t& number, const std::int32_t& count, const std::int32_t& waiters);
void eventpost(const std::int32_t& number);
// Counts one waiter gone and, when flag is not 0, one completion.
void eventpostwaiter(const std::int32_t& number, const std::int32_t& flag);
void eventwait(const std::int32_t& number);
// Waits for the signal. result: 0 for the first caller after completion (it
// acknowledges the completion), 1 for those after the acknowledgement.
void eventwaitstate(const std::int32_t& number, std::int32_t& result);
void eventrelease(const std::int32_t& number); // releases one waiter without waiting
void eventclose(const std::int32_t& number);   // only once no one uses the event
