#include "extraction/extract.h"

#include "extraction/reader.h"
#include "tasks/events.h"
#include "tasks/switch.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

decoderring ring;

namespace {

const std::int32_t& switchof(std::int32_t buffer) {
    return ring.switches[buffer - 1];
}
std::int32_t nextbuffer(std::int32_t buffer) {
    return buffer % ring.geometry.buffers + 1;
}
unsigned char* bufferat(std::int32_t buffer) {
    return ring.buffers + static_cast<std::ptrdiff_t>(buffer - 1) * ring.geometry.bytes;
}
unsigned char* producerat() {
    return bufferat(ring.producerbuffer) + ring.producerposition;
}
// Where the producer buffer begins in the stream of ring bytes (see recall).
std::uint32_t producerbase() {
    return ring.serial * static_cast<std::uint32_t>(ring.geometry.bytes);
}

// The string of the code at position k of the block.
decoderring::stringof& stringat(std::int32_t k) {
    return ring.strings[decoderring::literals + k];
}

// What the string of code x begins with: entry x's prefix, the empty string
// for a single byte.
const decoderring::stringof& prefixof(std::int32_t x) {
    return ring.strings[x + 1];
}

// The byte that ends the string of code x: x itself for a single byte, the
// first byte of the code after its prefix's for an entry.
unsigned char lastbyteof(std::int32_t x) {
    return ring.strings[x + 1 + static_cast<std::int32_t>(x > 255)].first;
}

void producerwait(std::int32_t buffer) {
    switchwaitfirst(switchof(buffer));
}

// How often a consumer waiting for the producer looks whether it is let go.
constexpr std::int32_t abandonlook = 50; // milliseconds

// False when the ring was abandoned before the token came.
bool consumerwait(std::int32_t buffer) {
    while (!switchwaitsecondfor(switchof(buffer), abandonlook)) {
        if (ring.abandoned) {
            return false;
        }
    }
    return true;
}

void givetoken(std::int32_t buffer, bool consumer) {
    if (consumer) {
        switchgivesecond(switchof(buffer));
    } else {
        switchgivefirst(switchof(buffer));
    }
}

// --- producer side ---

// Hands the producer buffer to the consumer with fill bytes in it and waits
// until the next buffer is free.
void passon(std::int32_t fill) {
    ring.fills[ring.producerbuffer - 1] = fill;
    givetoken(ring.producerbuffer, true);
    ring.producerbuffer = nextbuffer(ring.producerbuffer);
    ++ring.serial;
    producerwait(ring.producerbuffer);
    ring.producerposition = 0;
}

void putbyte(std::int32_t byte) {
    if (ring.producerposition == ring.geometry.bytes) {
        passon(ring.geometry.bytes);
    }
    *producerat() = static_cast<unsigned char>(byte);
    ++ring.producerposition;
}

void putrun(const unsigned char* bytes, std::int32_t n) {
    while (n > 0) {
        if (ring.producerposition == ring.geometry.bytes) {
            passon(ring.geometry.bytes);
        }
        const std::int32_t take = std::min(n, ring.geometry.bytes - ring.producerposition);
        std::memcpy(producerat(), bytes, static_cast<std::size_t>(take));
        ring.producerposition += take;
        bytes += take;
        n -= take;
    }
}

// Writes the length bytes of entry code's string to out, last byte first, by
// following the prefix chain: entry e is the string of the code at position
// e - 255 followed by the first byte of the code at position e - 254.
void spell(std::int32_t code, std::int32_t length, unsigned char* out) {
    unsigned char* at = out + length;
    std::int32_t walk = code;
    do {
        *--at = lastbyteof(walk);
        walk = ring.codes[walk - 255];
    } while (walk > 255);
    *--at = static_cast<unsigned char>(walk);
}

// The string of an entry is the string of an earlier code plus one byte, and
// that string usually still lies in the ring: the producer owns what it wrote
// into its current buffer and the others before it until it takes the next
// one, and the consumer only reads them. Copies that string to out, where
// room bytes are free, when it is there in one piece. at is where out lies in
// the stream of ring bytes, position its place in the producer buffer.
bool recall(const decoderring::stringof& earlier, unsigned char* out, std::uint32_t at,
            std::int32_t position, std::int32_t room) {
    const std::uint32_t back = at - earlier.start;
    const std::uint32_t ringbytes = ring.mask + 1;
    const auto reach = ringbytes - static_cast<std::uint32_t>(ring.geometry.bytes - position);
    const std::uint32_t offset = earlier.start & ring.mask;
    const std::uint32_t length = earlier.length;
    if (back > reach || offset + length > ringbytes) {
        return false;
    }
    const unsigned char* from = ring.buffers + offset;
    const std::uint32_t whole = (length + 7) / 8 * 8;
    if (offset + whole > ringbytes || whole > static_cast<std::uint32_t>(room)) {
        std::memcpy(out, from, length);
        return true;
    }
    // Eight bytes at a time, past the end where that is harmless: the source
    // ends before out begins, so every byte it needs is read before a store
    // can reach it, and the extra bytes stored are overwritten later.
    std::uint32_t i = 0;
    do {
        std::uint64_t chunk = 0;
        std::memcpy(&chunk, from + i, sizeof chunk);
        std::memcpy(out + i, &chunk, sizeof chunk);
        i += 8;
    } while (i < length);
    return true;
}

// Writes the string of entry code, whose prefix is the string recorded at
// position code - 255, at place position of the producer buffer, which has
// room for it; at is that place in the stream of ring bytes. The decode loop
// and extractemit share it, so that it inlines into the loop.
inline void emitfitting(std::int32_t code, const decoderring::stringof& prefix,
                        std::int32_t position, std::uint32_t at) {
    unsigned char* out = ring.buffers + (at & ring.mask);
    if (recall(prefix, out, at, position, ring.geometry.bytes - position)) {
        out[prefix.length] = lastbyteof(code);
    } else {
        spell(code, prefix.length + 1, out);
    }
}

// Bytes the decode loop copies at once: a string whose prefix is shorter,
// written where that many bytes fit in the producer buffer, takes one copy.
constexpr std::int32_t widecopy = 32;
static_assert(widecopy <= ringslack);

// Copies widecopy bytes from to out, all of them read before any is stored:
// bytes of from that lie at or after out come out as garbage, so the copy is
// whole only for the bytes of from that end before out begins.
inline void copywide(unsigned char* out, const unsigned char* from) {
#if defined(__SSE2__)
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), high);
#else
    std::uint64_t words[widecopy / 8];
    std::memcpy(words, from, sizeof words);
    std::memcpy(out, words, sizeof words);
#endif
}

// Records at string the string written at stream place at: prefix and one
// byte. On a little-endian machine in one store, start being the low word.
inline void record(decoderring::stringof& string, const decoderring::stringof& prefix,
                   std::uint32_t at) {
    if constexpr (std::endian::native == std::endian::little && sizeof string == 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, &prefix, sizeof word);
        word = ((word >> 32) + 1) << 32 | at;
        std::memcpy(&string, &word, sizeof word);
    } else {
        string = {at, static_cast<std::uint16_t>(prefix.length + 1), prefix.first, 0};
    }
}

// Whether every string of the block, which began at stream place blockstart,
// still lies in the ring while the producer writes the buffer that begins at
// base (the block may begin in it): the buffers before it are not written
// again until the producer moves on.
bool blockintact(std::uint32_t blockstart, std::uint32_t base) {
    const auto behind = static_cast<std::int32_t>(base - blockstart);
    return behind <= static_cast<std::int32_t>(ring.mask + 1) - ring.geometry.bytes;
}

// Writes the string of code x (a single byte or an entry) the slow way: where
// it may not fit in the producer buffer or its prefix may not lie whole in
// the ring. The producer's place is read from and left in the ring.
void emitslow(std::int32_t x, const decoderring::stringof& prefix) {
    const std::int32_t length = prefix.length + 1;
    if (x < 256) {
        putbyte(x);
    } else if (length > ring.geometry.bytes - ring.producerposition) {
        extractemit(x);
    } else {
        emitfitting(x, prefix, ring.producerposition,
                    producerbase() + static_cast<std::uint32_t>(ring.producerposition));
        ring.producerposition += length;
    }
}

// Decodes the codes at positions from .. to - 1 into the ring, recording
// where each string went, its length and its first byte. Code x at position
// k is valid when it names a single byte or an entry defined so far: x <= k +
// 254 (for k = 1 that is 255). false at the first code that is not.
//
// Every string is its prefix (empty for a single byte) plus one byte, and
// usually both fit in one wide copy from where the prefix lies in the ring:
// the loop takes that path, without telling single bytes from entries, while
// the block's strings all lie in the ring and the copy fits in the producer
// buffer. The producer's place is kept in locals meanwhile: stores of ring
// bytes could otherwise alias it and force a reload per byte.
bool decodecodes(std::int32_t from, std::int32_t to) {
    std::int32_t position = ring.producerposition;
    std::uint32_t base = producerbase();
    // Where a wide copy no longer fits in the producer buffer.
    const std::int32_t fastend = ring.geometry.bytes - widecopy;
    const std::uint32_t mask = ring.mask;
    unsigned char* const bytes = ring.buffers;
    const std::uint32_t blockstart =
        from == 1 ? base + static_cast<std::uint32_t>(position) : stringat(1).start;
    // The last position the wide copy is taken at: fastend, or -1 while the
    // block's strings may not all lie in the ring.
    std::int32_t fastlimit = blockintact(blockstart, base) ? fastend : -1;
    bool valid = true;
    for (std::int32_t k = from; k < to; ++k) {
        const std::int32_t x = ring.codes[k];
        if (x > k + 254) {
            valid = false;
            break;
        }
        const std::uint32_t at = base + static_cast<std::uint32_t>(position);
        const decoderring::stringof prefix = prefixof(x);
        record(stringat(k), prefix, at);
        const std::uint32_t offset = prefix.start & mask;
        if (position <= fastlimit && prefix.length < widecopy &&
            offset + prefix.length <= mask + 1) {
            unsigned char* const out = bytes + (at & mask);
            copywide(out, bytes + offset);
            out[prefix.length] = lastbyteof(x);
            position += prefix.length + 1;
            continue;
        }
        ring.producerposition = position;
        emitslow(x, prefix);
        position = ring.producerposition;
        if (base != producerbase()) {
            base = producerbase();
            fastlimit = blockintact(blockstart, base) ? fastend : -1;
        }
    }
    ring.producerposition = position;
    return valid;
}

// Reads and decodes the codes still missing in the current block; complete =
// whether they were all there, so that the file may hold more. false on a
// failed read or damaged data.
bool decodebatch(bool& complete) {
    std::int32_t got = 0;
    std::int32_t status = 0;
    readcodes(ring.file, ring.codes + ring.codeposition - 1, blockcodes + 1 - ring.codeposition,
              got, status);
    if (status == 1 && !decodecodes(ring.batchstart, ring.batchstart + got)) {
        status = 0;
    }
    ring.readstatus = status;
    if (status == 0) {
        return false;
    }
    ring.codeposition += got;
    complete = ring.codeposition > blockcodes;
    if (complete) {
        ring.codeposition = 1;
    }
    ring.batchstart = ring.codeposition;
    return true;
}

// Ends this file's stream: hands over the bytes decoded since the last
// handover (unless the stream failed, which drops them), then the end mark.
// The end mark always goes into the buffer after the last data, so that the
// consumer, who stops on it, and the next producer meet in the same buffer.
void writeend(bool keepdata) {
    if (keepdata && ring.producerposition > 0) {
        passon(ring.producerposition);
    }
    ring.producerposition = 0;
    ring.fills[ring.producerbuffer - 1] = 0;
    givetoken(ring.producerbuffer, true);
}

// --- consumer side ---

// Nothing more can come: the failure's end mark was met, no producer was
// started, or the consumer was let go.
bool unreadable() {
    return ring.abandoned || (ring.readstatus == 0 && (ring.endseen == 1 || ring.refused == 1));
}

void meetend(std::int32_t& status, std::int32_t& end) {
    ring.consumerholding = 0;
    givetoken(ring.consumerbuffer, false);
    ring.endseen = 1;
    end = 1;
    status = ring.readstatus;
}

} // namespace

void extractemit(const std::int32_t& code) {
    const decoderring::stringof& prefix = prefixof(code);
    const std::int32_t length = prefix.length + 1;
    if (length > ring.geometry.bytes - ring.producerposition) {
        unsigned char text[blockcodes];
        spell(code, length, text);
        putrun(text, length);
        return;
    }
    emitfitting(code, prefix, ring.producerposition,
                producerbase() + static_cast<std::uint32_t>(ring.producerposition));
    ring.producerposition += length;
}

void extractfill(platform::handle& file) {
    ring.file = file;
    readerrestart();
    bool complete = false;
    bool good = true;
    do {
        good = decodebatch(complete);
    } while (good && complete);
    writeend(good);
}

void extractread(char* destination, const std::int32_t& n, std::int32_t& got, std::int32_t& status,
                 std::int32_t& end) {
    if (ring.gatepending != 0) {
        eventwait(ring.startgate);
        ring.gatepending = 0;
    }
    if (unreadable()) {
        status = 0;
        return;
    }
    status = 1;
    got = 0;
    while (got < n) {
        const std::int32_t buffer = ring.consumerbuffer;
        if (ring.consumerholding == 0) {
            if (!consumerwait(buffer)) {
                status = 0;
                return;
            }
            ring.consumerholding = 1;
            ring.consumerposition = 0;
            if (ring.fills[buffer - 1] == 0) {
                meetend(status, end);
                return;
            }
        } else if (ring.consumerposition == ring.fills[buffer - 1]) {
            givetoken(buffer, false);
            ring.consumerholding = 0;
            ring.consumerbuffer = nextbuffer(buffer);
        } else {
            const std::int32_t take =
                std::min(n - got, ring.fills[buffer - 1] - ring.consumerposition);
            std::memcpy(destination + got, bufferat(buffer) + ring.consumerposition,
                        static_cast<std::size_t>(take));
            ring.consumerposition += take;
            got += take;
        }
    }
    end = 0;
}
