#include "extraction/decomp.h"

#include "extraction/extract.h"
#include "tasks/events.h"
#include "tasks/mtask.h"
#include "tasks/switch.h"

#include <algorithm>
#include <bit>
#include <span>
#include <vector>

namespace {

// The geometry of the next ring built; the installer's lives in a static
// array, any other in storage made when it is chosen.
ringgeometry chosen = installergeometry;
unsigned char installerbuffers[installergeometry.buffers * installergeometry.bytes + ringslack];
std::vector<unsigned char> storage;
bool samethread = false; // producers run inside decompstart

std::span<std::int32_t> switchesof() {
    return {ring.switches, static_cast<std::size_t>(ring.geometry.buffers)};
}

void closering() {
    for (std::int32_t& number : switchesof()) {
        switchclose(number);
        number = 0;
    }
    eventclose(ring.startgate);
    ring.startgate = 0;
}

// False, with nothing left made, when the platform refuses a switch or the
// start gate.
bool buildring() {
    ring.geometry = chosen;
    ring.mask = static_cast<std::uint32_t>(chosen.buffers * chosen.bytes) - 1;
    ring.buffers = storage.empty() ? installerbuffers : storage.data();
    for (std::int32_t byte = 0; byte < decoderring::literals; ++byte) {
        ring.strings[byte + 1] = {0, 0, static_cast<unsigned char>(byte), 0};
    }
    for (std::int32_t& number : switchesof()) {
        switchcreate(number);
    }
    eventcreate(ring.startgate);
    if (ring.startgate == 0 || std::ranges::find(switchesof(), 0) != switchesof().end()) {
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
    ring.refused = 1;
    return false;
}

// The consumer stops early: take and drop the rest of the current file's
// stream, so that a producer waiting for a free buffer can run to its end.
void drain() {
    char scratch[4096];
    std::int32_t got = 0;
    std::int32_t status = 1;
    std::int32_t end = 0;
    while (ring.endseen == 0 && status == 1) {
        extractread(scratch, sizeof scratch, got, status, end);
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
    ring.refused = 0;
    if (samethread) {
        ring.producertask = 0;
        extractfill(file);
        return true;
    }
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

bool decompgeometry(const ringgeometry& geometry) {
    const bool fits = geometry.buffers >= 2 && geometry.buffers <= mostringbuffers &&
                      geometry.bytes >= 4096 && geometry.bytes <= 1 << 20 &&
                      std::has_single_bit(static_cast<unsigned>(geometry.buffers)) &&
                      std::has_single_bit(static_cast<unsigned>(geometry.bytes));
    if (!fits) {
        return false;
    }
    chosen = geometry;
    if (geometry == installergeometry) {
        storage = {};
    } else {
        storage.assign(static_cast<std::size_t>(geometry.buffers * geometry.bytes + ringslack), 0);
    }
    return true;
}

void decompsamethread(bool on) {
    samethread = on;
}

void decompabandon() {
    ring.abandoned = true;
}
