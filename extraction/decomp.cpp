#include "extraction/decomp.h"

#include "extraction/extract.h"
#include "tasks/events.h"
#include "tasks/mtask.h"
#include "tasks/switch.h"

namespace {

void buildring() {
    ring.firststart = 0;
    for (std::int32_t& number : ring.switches) {
        switchcreate(number);
    }
    for (std::atomic<bool>& hint : ring.withconsumer) {
        hint = false;
    }
    eventcreate(ring.startgate);
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

void decompstart(platform::handle& file) {
    if (ring.firststart != 0) {
        buildring();
    } else {
        taskjoin(ring.producertask);
        switchwaitfirst(ring.switches[ring.producerbuffer - 1]);
    }
    ring.endseen = 0;
    taskstart1(ring.producertask, extractfill, file);
}

void decompstop() {
    if (ring.firststart != 0) {
        return;
    }
    drain();
    taskjoin(ring.producertask);
    for (const std::int32_t& number : ring.switches) {
        switchclose(number);
    }
    eventclose(ring.startgate);
    ring.firststart = 1;
}
