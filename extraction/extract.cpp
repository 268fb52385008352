#include "extraction/extract.h"

#include "extraction/reader.h"
#include "tasks/events.h"
#include "tasks/switch.h"

#include <algorithm>
#include <cstring>

decoderring ring;

namespace {

// A block of 3840 codes completes entry 4095 - 1 = 4094; a batch that reaches
// this first-byte position has read every code of its block.
constexpr std::int32_t blockcomplete = blockcodes + 255;

const std::int32_t& switchof(std::int32_t buffer) {
    return ring.switches[buffer - 1];
}
std::int32_t nextbuffer(std::int32_t buffer) {
    return buffer % ringbuffers + 1;
}
unsigned char* producerat() {
    return ring.buffers[ring.producerbuffer - 1] + ring.producerposition;
}

// --- producer side ---

// The producer buffer is full: pass it on and wait until the next one is free.
void handover() {
    ring.fills[ring.producerbuffer - 1] = ringbufferbytes;
    switchgivesecond(switchof(ring.producerbuffer));
    ring.producerbuffer = nextbuffer(ring.producerbuffer);
    switchwaitfirst(switchof(ring.producerbuffer));
    ring.producerposition = 0;
}

void putbyte(std::int32_t byte) {
    if (ring.producerposition == ringbufferbytes) {
        handover();
    }
    *producerat() = static_cast<unsigned char>(byte);
    ++ring.producerposition;
}

void putrun(const unsigned char* bytes, std::int32_t n) {
    while (n > 0) {
        if (ring.producerposition == ringbufferbytes) {
            handover();
        }
        const std::int32_t take = std::min(n, ringbufferbytes - ring.producerposition);
        std::memcpy(producerat(), bytes, static_cast<std::size_t>(take));
        ring.producerposition += take;
        bytes += take;
        n -= take;
    }
}

// Writes the length bytes of entry code's string to out, last byte first, by
// following the prefix chain.
void spell(std::int32_t code, std::int32_t length, unsigned char* out) {
    unsigned char* at = out + length;
    auto walk = static_cast<std::uint32_t>(code);
    do {
        const std::uint32_t entry = ring.entries[walk];
        *--at = static_cast<unsigned char>(entry);
        walk = entry >> 8;
    } while (walk > 255);
    *--at = static_cast<unsigned char>(walk);
}

// Checks the codes at positions from .. to - 1 and records their first bytes,
// string lengths and the entries they define. Code x at position k is valid
// when it names a single byte or an entry defined so far: x <= k + 254 (for
// k = 1 that is 255). false at the first code that is not.
bool tabulate(std::int32_t from, std::int32_t to) {
    for (std::int32_t k = from; k < to; ++k) {
        const std::int32_t x = ring.codes[k];
        if (x > k + 254) {
            return false;
        }
        if (x < 256) {
            ring.firstbytes[k] = static_cast<unsigned char>(x);
            ring.lengths[k] = 1;
        } else {
            ring.firstbytes[k] = ring.firstbytes[x - 255];
            ring.lengths[k] = ring.lengths[x - 255] + 1;
        }
        if (k >= 2) {
            ring.entries[k + 254] =
                static_cast<std::uint32_t>(ring.codes[k - 1]) << 8 | ring.firstbytes[k];
        }
    }
    return true;
}

void emitbatch(std::int32_t from, std::int32_t to) {
    for (std::int32_t k = from; k < to; ++k) {
        const std::int32_t x = ring.codes[k];
        if (x < 256) {
            putbyte(x);
        } else {
            extractemit(x);
        }
    }
}

// Reads, checks and emits the codes still missing in the current block. last
// receives the highest first-byte position the batch reached (blockcomplete
// when it finished its block). false on a failed read or damaged data.
bool decodebatch(std::int32_t& last) {
    std::int32_t got = 0;
    std::int32_t status = 0;
    readcodes(ring.file, ring.codes + ring.codeposition - 1, blockcodes + 1 - ring.codeposition,
              got, status);
    if (status == 1 && !tabulate(ring.batchstart, ring.batchstart + got)) {
        status = 0;
    }
    ring.readstatus = status;
    if (status == 0) {
        return false;
    }
    ring.codeposition += got;
    last = ring.codeposition + 254;
    if (ring.codeposition > blockcodes) {
        ring.codeposition = 1;
    }
    emitbatch(ring.batchstart, ring.batchstart + got);
    ring.batchstart = ring.codeposition;
    return true;
}

// Ends this file's stream: hands over the bytes decoded since the last
// handover (unless the stream failed, which drops them), then the end mark.
// The end mark always goes into the buffer after the last data, so that the
// consumer, who stops on it, and the next producer meet in the same buffer.
void writeend(bool keepdata) {
    if (keepdata && ring.producerposition > 0) {
        ring.fills[ring.producerbuffer - 1] = ring.producerposition;
        switchgivesecond(switchof(ring.producerbuffer));
        ring.producerbuffer = nextbuffer(ring.producerbuffer);
        switchwaitfirst(switchof(ring.producerbuffer));
    }
    ring.producerposition = 0;
    ring.fills[ring.producerbuffer - 1] = 0;
    switchgivesecond(switchof(ring.producerbuffer));
}

// --- consumer side ---

void meetend(std::int32_t& status, std::int32_t& end) {
    ring.consumerholding = 0;
    switchgivefirst(switchof(ring.consumerbuffer));
    ring.endseen = 1;
    end = 1;
    status = ring.readstatus;
}

} // namespace

void extractemit(const std::int32_t& code) {
    const std::int32_t length = ring.lengths[code - 255] + 1;
    if (length <= ringbufferbytes - ring.producerposition) {
        spell(code, length, producerat());
        ring.producerposition += length;
        return;
    }
    unsigned char text[blockcodes];
    spell(code, length, text);
    putrun(text, length);
}

void extractfill(platform::handle& file) {
    ring.file = file;
    std::int32_t last = 0;
    bool good = true;
    do {
        good = decodebatch(last);
    } while (good && last == blockcomplete);
    writeend(good);
}

void extractread(char* destination, const std::int32_t& n, std::int32_t& got, std::int32_t& status,
                 std::int32_t& end) {
    if (ring.gatepending != 0) {
        eventwait(ring.startgate);
        ring.gatepending = 0;
    }
    status = ring.readstatus;
    if (status == 0) {
        return;
    }
    got = 0;
    while (got < n) {
        const std::int32_t buffer = ring.consumerbuffer;
        if (ring.consumerholding == 0) {
            switchwaitsecond(switchof(buffer));
            ring.consumerholding = 1;
            ring.consumerposition = 0;
            if (ring.fills[buffer - 1] == 0) {
                meetend(status, end);
                return;
            }
        } else if (ring.consumerposition == ring.fills[buffer - 1]) {
            switchgivefirst(switchof(buffer));
            ring.consumerholding = 0;
            ring.consumerbuffer = nextbuffer(buffer);
        } else {
            const std::int32_t take =
                std::min(n - got, ring.fills[buffer - 1] - ring.consumerposition);
            std::memcpy(destination + got, ring.buffers[buffer - 1] + ring.consumerposition,
                        static_cast<std::size_t>(take));
            ring.consumerposition += take;
            got += take;
        }
    }
    end = 0;
}
