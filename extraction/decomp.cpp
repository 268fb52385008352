#include "extraction/decomp.h"

#include "extraction/extract.h"
#include "tasks/events.h"
#include "tasks/mtask.h"
#include "tasks/switch.h"

#include <algorithm>
#include <iterator>

namespace {

void closering() {
    for (std::int32_t& number : ring.switches) {
        switchclose(number);
        number = 0;
    }
    eventclose(ring.startgate);
    ring.startgate = 0;
}

// False, with nothing left made, when the platform refuses a switch or the
// start gate.
bool buildring() {
    for (std::int32_t& number : ring.switches) {
        switchcreate(number);
    }
    eventcreate(ring.startgate);
    if (ring.startgate == 0 || std::ranges::find(ring.switches, 0) != std::end(ring.switches)) {
        closering();
        return false;
    }
    ring.firststart = 0;
    eventarm(ring.startgate, 1);
    ring.gatepending = 1;
    ring.readstatus = 1;
    ring.consumerbuffer = 1;
    ring.producerbuffer = 1;
    ring.batchstart = 1;
    ring.consumerholding = 0;
    eventpost(ring.startgate);
    ring.producerposition = 0;
    ring.serial = 0;
    switchwaitfirst(ring.switches[0]);
    ring.fills[0] = 0;
    ring.codeposition = 1;
    return true;
}

// A ring that cannot run reads as failed until it is stopped.
bool refusestart() {
    ring.readstatus = 0;
    ring.producertask = 0;
    return false;
}

// The consumer stops early: take and drop the rest of the current file's
// stream, so that a producer waiting for a free buffer can run to its end.
void drain() {
    char scratch[ringbufferbytes];
    std::int32_t got = 0;
    std::int32_t status = 1;
    std::int32_t end = 0;
    while (ring.endseen == 0 && status == 1) {
        extractread(scratch, ringbufferbytes, got, status, end);
    }
}

} // namespace

bool decompstart(platform::handle& file) {
    if (ring.firststart == 0) {
        taskjoin(ring.producertask);
        switchwaitfirst(ring.switches[ring.producerbuffer - 1]);
    } else if (!buildring()) {
        return refusestart();
    }
    ring.endseen = 0;
    taskstart1(ring.producertask, extractfill, file);
    return ring.producertask != 0 || refusestart();
}

void decompstop() {
    if (ring.firststart != 0) {
        return;
    }
    ring.abandoned = false;
    drain();
    taskjoin(ring.producertask);
    closering();
    ring.firststart = 1;
}

void decompabandon() {
    ring.abandoned = true;
}
