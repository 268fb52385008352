// ringbench DIST_DIR [BUFFERS BYTES]: decodes the volumes CELL.0, CELL.1, ... of DIST_DIR
// through the decoder ring (of the installer's geometry, or of BUFFERS
// buffers of BYTES each) in reads of 2048 bytes, as the unpacker reads, and
// prints the number of bytes decoded, then on a line of its own the hand-overs
// per MB decoded: the waits on the ring's switches, those that found the token
// only while watching for it, those that slept, and the time slices given up
// (yields). Stops after the last volume present.
#include "extraction/decomp.h"
#include "extraction/extract.h"
#include "platform/fileio.h"
#include "platform/sync.h"
#include "tasks/switch.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

platform::handle openvolume(const std::string& dir, int n) {
    const auto name = dir + "/CELL." + std::to_string(n);
    return platform::openfile(name.c_str(), platform::genericread, platform::shareread,
                              platform::openexisting, platform::flagsequentialscan);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fputs("usage: ringbench DIST_DIR [BUFFERS BYTES]\n", stderr);
        return 2;
    }
    if (argc == 4 && !decompgeometry({std::atoi(argv[2]), std::atoi(argv[3])})) {
        std::fputs("ringbench: no such ring geometry\n", stderr);
        return 2;
    }
    int volume = 0;
    platform::handle file = openvolume(argv[1], volume);
    if (file < 1) {
        std::fprintf(stderr, "ringbench: %s/CELL.0 not found\n", argv[1]);
        return 1;
    }
    decompstart(file);
    static char piece[2048];
    unsigned long long total = 0;
    for (;;) {
        std::int32_t got = 0, status = 1, end = 0;
        extractread(piece, sizeof piece, got, status, end);
        if (status == 0) {
            std::fprintf(stderr, "ringbench: damaged data in CELL.%d\n", volume);
            decompstop();
            return 1;
        }
        total += static_cast<unsigned long long>(got);
        if (end == 0)
            continue;
        platform::closefile(file);
        file = openvolume(argv[1], ++volume);
        if (file < 1)
            break;
        decompstart(file);
    }
    decompstop();
    std::printf("%llu\n", total);
    const switchcounts waits = switchtally();
    const double mb = static_cast<double>(total) / 1e6;
    std::printf("per MB: waits %.1f, spun %.1f, blocked %.2f, yields %.2f\n",
                static_cast<double>(waits.waits) / mb, static_cast<double>(waits.spun) / mb,
                static_cast<double>(waits.blocked) / mb,
                static_cast<double>(platform::yields()) / mb);
    return 0;
}
