#include "datamanager/compact.h"

#include "datamanager/fatal.h"
#include "datamanager/handle.h"
#include "datamanager/layout.h"
#include "datamanager/locks.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::size_t runsperpass = 10;
constexpr std::int32_t piece = 1024; // live bytes are moved in pieces of at most this

struct run {
    std::int32_t start;
    std::int32_t end;
    std::int32_t total; // bytes reclaimed up to the end of this run, earlier passes included
};

// One pass works on the blocks from `from` to `stop`. Below `from`, blocks are
// in their final place; `carried` bytes reclaimed by earlier passes lie just
// below `from`. Above `stop`, nothing has moved yet.
struct pass {
    std::int32_t from = 4;
    std::int32_t stop = 4;
    std::int32_t carried = 0;
    std::int32_t total = 0; // reclaimed up to the stop
    std::array<run, runsperpass> runs{};
    std::size_t count = 0;

    // How far the byte at address (from <= address < stop) moves down.
    std::int32_t shift(std::int32_t address) const {
        std::int32_t by = carried;
        for (std::size_t i = 0; i < count && runs[i].start < address; ++i) {
            by = runs[i].total;
        }
        return by;
    }
};

std::int32_t blocklength(std::int32_t block) {
    const std::int32_t size = blocksize(block);
    if (size > -fieldheader && size < fieldheader) { // would never advance the walk
        char text[80];
        std::snprintf(text, sizeof text, "Block at %10.9d is damaged in IDMCompact.", block);
        idmstop(text);
    }
    return std::abs(size);
}

// Collects up to ten runs of deleted blocks from p.from; stops where an
// eleventh run would begin, or at the next free address.
void findruns(pass& p) {
    std::int32_t limit = 0;
    MemGetVector(limit, nextfree);
    p.total = p.carried;
    std::int32_t at = p.from;
    while (at < limit) {
        const std::int32_t length = blocklength(at);
        if (blocksize(at) < 0) {
            const bool extends = p.count > 0 && p.runs[p.count - 1].end == at;
            if (!extends && p.count == runsperpass) {
                break;
            }
            p.total += length;
            if (extends) {
                p.runs[p.count - 1].end += length;
                p.runs[p.count - 1].total = p.total;
            } else {
                p.runs[p.count++] = run{at, at + length, p.total};
            }
        }
        at += length;
    }
    p.stop = at;
}

// Rewrites the address held at the link word `at` if its block moves in this
// pass, and gives back the address as it was, which still reaches the block.
std::int32_t relink(const pass& p, std::int32_t at) {
    const std::int32_t address = getword(at);
    if (address >= p.from && address < p.stop) {
        putword(at, address - p.shift(address));
    }
    return address;
}

void relinkchain(const pass& p, std::int32_t at) {
    for (std::int32_t block = relink(p, at); block != noblock; block = relink(p, block)) {
    }
}

void relinkhandle(const pass& p, std::int32_t& address) {
    if (address >= p.from && address < p.stop) {
        address -= p.shift(address);
    }
}

void relinkall(const pass& p) {
    for (std::int32_t dir = relink(p, listhead); dir != noblock; dir = relink(p, dir)) {
        if (numberof(dir) < 0) { // a work directory holds fields
            relinkchain(p, dir + childword);
            continue;
        }
        for (std::int32_t file = relink(p, dir + childword); file != noblock;
             file = relink(p, file)) {
            relinkchain(p, file + childword);
        }
    }
    for (std::int32_t handle = 1; handle <= handlecount; ++handle) {
        handlefields& fields = handleof(handle);
        if (fields.inuse != 0) {
            relinkhandle(p, fields.position);
            relinkhandle(p, fields.first);
            relinkhandle(p, fields.current);
        }
    }
}

void movedown(std::int32_t start, std::int32_t end, std::int32_t by) {
    std::byte buffer[piece];
    for (std::int32_t at = start; at < end && by > 0; at += piece) {
        const std::int32_t length = std::min(piece, end - at);
        MemGet(buffer, at, length);
        MemPut(buffer, at - by, length);
    }
}

void movelive(const pass& p) {
    std::int32_t livestart = p.from;
    std::int32_t by = p.carried;
    for (std::size_t i = 0; i < p.count; ++i) {
        movedown(livestart, p.runs[i].start, by);
        livestart = p.runs[i].end;
        by = p.runs[i].total;
    }
    movedown(livestart, p.stop, by);
}

} // namespace

void compactpool() {
    pass p;
    do {
        p = pass{.from = p.stop, .stop = p.stop, .carried = p.total};
        findruns(p);
        if (p.count > 0) {
            relinkall(p);
            movelive(p);
        }
    } while (p.count > 0);
    MemAdvance(-p.total);
}

void IDMCompact() {
    LockAcquire(allocatorlock);
    compactpool();
    LockRelease(allocatorlock);
}
