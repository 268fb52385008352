// The decoder ring on hand-made volumes: the packing, block and buffer
// boundaries, volume boundaries, damaged or unreadable volumes, and a
// platform that refuses the ring's objects.
#include "extraction/decomp.h"
#include "extraction/extract.h"
#include "platform/fileio.h"
#include "tasks/mtask.h"
#include "tests/extraction/ring_support.h"
#include "tests/platform/faultplan.h"
#include "tests/tasks/gate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#if !defined(_WIN32)
#include <unistd.h>
#endif

using namespace ringtest;

namespace {

bytes literals(std::size_t n, int seed) {
    bytes out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<unsigned char>((i * 7 + static_cast<std::size_t>(seed)) % 256);
    }
    return out;
}

codelist ascodes(const bytes& data) {
    return codelist(data.begin(), data.end());
}

} // namespace

TEST(RingDecode, UnpacksPairsAndLeftOverCodes) {
    EXPECT_EQ(decodeall({{0x41, 0x20, 0x04}}).data, (bytes{0x42, 0x41}));
    EXPECT_EQ(decodeall({{0x10, 0x04}}).data, (bytes{0x41}));
    const outcome empty = decodeall({{}});
    EXPECT_TRUE(empty.data.empty());
    EXPECT_EQ(empty.status, 1);
}

TEST(RingDecode, CodeNamingTheEntryItDefines) {
    EXPECT_EQ(decodeall({packsegment({65, 66, 256, 258})}).data,
              (bytes{65, 66, 65, 66, 65, 66, 65}));
}

TEST(RingDecode, EveryBlockStartsAFreshDictionary) {
    codelist codes{66, 67}; // entry 256 of the first block is "BC"
    codes.resize(3840, 67); // ... the block ends at its 3840th code
    codes.insert(codes.end(), {65, 256});
    const outcome result = decodeall(packvolumes(codes, {}));
    ASSERT_EQ(result.data.size(), 3840u + 3u);
    EXPECT_EQ(bytes(result.data.end() - 3, result.data.end()), (bytes{65, 65, 65}));
    EXPECT_EQ(result.data, referencedecode(codes));
}

TEST(RingDecode, VolumeEndingOnABlockBoundary) {
    std::mt19937 random(11);
    const codelist codes = randomcodes(2 * 3840 + 100, 60, random);
    const std::vector<bytes> volumes = packvolumes(codes, {3840, 2 * 3840});
    ASSERT_EQ(volumes[0].size(), 5760u);
    const outcome result = decodeall(volumes);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.ends, 3u);
    EXPECT_EQ(result.data, referencedecode(codes));
    // A single volume of exactly one block ends there too.
    const codelist block(codes.begin(), codes.begin() + 3840);
    EXPECT_EQ(decodeall(packvolumes(block, {})).data, referencedecode(block));
}

TEST(RingDecode, BlockSplitAcrossVolumesDecodesAsOne) {
    std::mt19937 random(12);
    const codelist codes = randomcodes(3 * 3840 + 77, 70, random);
    const bytes whole = referencedecode(codes);
    for (const std::vector<std::size_t>& cuts : std::vector<std::vector<std::size_t>>{
             {1}, {1001}, {1000, 3841}, {3839, 3840, 3841}, {5000, 7679, 7681}}) {
        const outcome result = decodeall(packvolumes(codes, cuts));
        EXPECT_EQ(result.data, whole) << "first cut " << cuts[0];
        EXPECT_EQ(result.ends, cuts.size() + 1);
    }
}

TEST(RingDecode, OutputFillingWholeBuffersThenTheEndMark) {
    const bytes data = literals(3 * 4096, 3);
    const volumeset set({packvolumes(ascodes(data), {})});
    // One read of exactly the output, then the next meets the end at once.
    const outcome exact = decodeall(set, {3 * 4096, 1});
    EXPECT_EQ(exact.data, data);
    EXPECT_EQ(exact.ends, 1u);
    const outcome bytewise = decodeall(set, {1});
    EXPECT_EQ(bytewise.data, data);
}

TEST(RingDecode, ReadingPastTheEndGivesWhatRemains) {
    const bytes data = literals(5000, 4);
    const volumeset set({packvolumes(ascodes(data), {})});
    static platform::handle file;
    file = platform::openfile(set.name(0).c_str(), platform::genericread, platform::shareread,
                              platform::openexisting, 0);
    decompstart(file);
    std::vector<char> piece(8000);
    std::int32_t got = 0, status = 0, end = 0;
    extractread(piece.data(), 4999, got, status, end);
    EXPECT_EQ(got, 4999);
    EXPECT_EQ(end, 0);
    extractread(piece.data(), 8000, got, status, end);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(end, 1);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(static_cast<unsigned char>(piece[0]), data[4999]);
    decompstop();
    platform::closefile(file);
}

TEST(RingDecode, EmptyVolumesBetweenOthers) {
    const bytes data = literals(9000, 5);
    std::vector<bytes> volumes = packvolumes(ascodes(data), {4096, 5000});
    volumes.insert(volumes.begin() + 1, bytes{});
    volumes.insert(volumes.begin() + 3, bytes{});
    volumes.push_back({});
    const outcome result = decodeall(volumes, 1000);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.ends, volumes.size());
    EXPECT_EQ(result.data, data);
}

TEST(RingDecode, StoppingBeforeTheEndDropsTheRest) {
    const bytes data = literals(100000, 6);
    const volumeset set({packvolumes(ascodes(data), {})});
    static platform::handle file;
    for (const std::int32_t taken : {0, 10, 20000}) {
        file = platform::openfile(set.name(0).c_str(), platform::genericread, platform::shareread,
                                  platform::openexisting, 0);
        decompstart(file);
        std::vector<char> piece(static_cast<std::size_t>(taken) + 1);
        std::int32_t got = 0, status = 0, end = 0;
        if (taken > 0) {
            extractread(piece.data(), taken, got, status, end);
        }
        decompstop(); // the producer still has more than the ring holds
        platform::closefile(file);
    }
    EXPECT_EQ(decodeall(set, {2048}).data, data); // and the next ring starts fresh
}

// --- damaged and unreadable volumes ---

namespace {

// Decodes and expects the failure to show: status 0, after no more bytes than
// the good codes before the damage stand for.
void expectdamaged(const std::vector<bytes>& volumes, std::size_t goodbytes) {
    for (const std::int32_t piece : {1, 2048, 70000}) {
        const outcome result = decodeall(volumes, piece);
        EXPECT_EQ(result.status, 0) << "read pieces of " << piece;
        EXPECT_LE(result.data.size(), goodbytes);
    }
}

} // namespace

TEST(RingDamage, CodesNotValidForTheirPlace) {
    expectdamaged({packsegment({256})}, 0); // block's first code an entry
    expectdamaged({packsegment({4095, 65})}, 0);
    expectdamaged({packsegment({65, 66, 258})}, 2);       // entry 258 not defined yet
    expectdamaged({packsegment({65, 66, 257, 4095})}, 4); // entry 4095 never is
    codelist nextblock(3840, 65);
    nextblock.push_back(300); // first code of the second block
    expectdamaged(packvolumes(nextblock, {}), 3840);
    expectdamaged(packvolumes(nextblock, {3840}), 3840);
    // The largest valid code of each place is accepted: each names the entry
    // it defines, making strings of every length up to 3840 bytes, most of
    // them crossing from one ring buffer into the next.
    codelist edge{65};
    for (int k = 2; k <= 3840; ++k) {
        edge.push_back(k + 254);
    }
    EXPECT_EQ(decodeall(packvolumes(edge, {1920})).data, referencedecode(edge));
}

TEST(RingDamage, SegmentWithAStrayByte) {
    expectdamaged({{0x41}}, 0);
    expectdamaged({{0x41, 0x20, 0x04, 0x10}}, 2);
    std::vector<bytes> volumes = packvolumes(ascodes(literals(3000, 7)), {1000});
    volumes[1].push_back(0);
    expectdamaged(volumes, 3000);
}

TEST(RingDamage, FailedReadsOfFirstAndLaterVolumes) {
    const bytes data = literals(20000, 8);
    const std::vector<bytes> volumes = packvolumes(ascodes(data), {3840, 9000});
    // Reads: volume 0 takes 2 (one block, one empty), volume 1 begins with read 3.
    for (const int failing : {1, 2, 3, 4, 5}) {
        platform::injectfaults({.read = failing});
        const outcome result = decodeall(volumes, 2048);
        platform::injectfaults({});
        EXPECT_EQ(result.status, 0) << "read " << failing;
        EXPECT_LT(result.data.size(), data.size());
        EXPECT_EQ(result.data,
                  bytes(data.begin(), data.begin() + static_cast<long>(result.data.size())));
    }
}

TEST(RingDamage, FailureIsReportedByTheCallThatMeetsIt) {
    const std::vector<bytes> volumes = packvolumes(ascodes(literals(3000, 9)), {});
    const volumeset set(volumes);
    static platform::handle file;
    file = platform::openfile(set.name(0).c_str(), platform::genericread, platform::shareread,
                              platform::openexisting, 0);
    platform::injectfaults({.read = 1});
    decompstart(file);
    char piece[16];
    std::int32_t got = -1, status = -1, end = -1;
    extractread(piece, 16, got, status, end);
    EXPECT_EQ(status, 0);
    got = -1;
    extractread(piece, 16, got, status, end); // and it stays failed
    EXPECT_EQ(status, 0);
    EXPECT_EQ(got, -1);
    decompstop();
    platform::injectfaults({});
    platform::closefile(file);
}

// Whether the reader comes before or after the producer met the damage, it
// gets the bytes handed over before it, then the failure at the end mark:
// the descriptor at the head of a volume reads the same either way.
TEST(RingDamage, DamageLaterInTheFileDoesNotFailReadsBeforeIt) {
    codelist codes = ascodes(literals(4500, 4));
    codes[4400] = 4095; // in the second block, after the first buffer is full
    const volumeset set({packvolumes(codes, {})});
    static platform::handle file;
    file = platform::openfile(set.name(0).c_str(), platform::genericread, platform::shareread,
                              platform::openexisting, 0);
    decompstart(file);
    taskwait(ring.producertask); // the producer has met the damage and ended
    const std::int32_t bytes = ring.geometry.bytes;
    std::vector<char> piece(static_cast<std::size_t>(bytes));
    std::int32_t got = 0, status = -1, end = -1;
    extractread(piece.data(), bytes, got, status, end);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(got, bytes);
    extractread(piece.data(), bytes, got, status, end);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(end, 1);
    decompstop();
    platform::closefile(file);
}

#if !defined(_WIN32)
// A volume whose read never returns (a pipe nobody writes) holds the
// producer; an abandoned ring lets its consumer go, during the wait and on
// every read after it, and a stop once the read has ended drains as usual.
TEST(RingDamage, AbandonedRingLetsAConsumerWaitingForAStuckReadGo) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    static platform::handle file;
    file = ends[0];
    decompstart(file);
    char piece[16];
    std::int32_t got = -1, status = -1, end = -1;
    std::thread abandon([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        decompabandon();
    });
    expectfinishes("a read of an abandoned ring",
                   [&] { extractread(piece, 16, got, status, end); });
    abandon.join();
    EXPECT_EQ(status, 0);
    status = -1;
    extractread(piece, 16, got, status, end);
    EXPECT_EQ(status, 0);
    ::close(ends[1]); // the read ends: the producer hands over its end mark
    expectfinishes("the stop after it", [] { decompstop(); });
    ::close(ends[0]);
}
#endif

// A ring whose switch, start gate or producer thread the platform refuses
// does not run on a missing object: its reads fail at once, where they would
// otherwise wait for a producer that never comes or take buffers no switch
// guards. Refused: a switch's second event, the start gate's guard, the
// producer's thread, the next volume's producer's thread.
TEST(RingDamage, RefusedObjectsFailTheReadsInsteadOfHangingThem) {
    const bytes data = literals(9000, 3);
    const std::vector<bytes> volumes = packvolumes(ascodes(data), {3000});
    const platform::faultplan refusals[] = {
        {.eventcreate = 2}, {.mutexcreate = 1}, {.threadstart = 1}, {.threadstart = 2}};
    for (const platform::faultplan& refusal : refusals) {
        platform::injectfaults(refusal);
        outcome result;
        expectfinishes("the ring's reads", [&] { result = decodeall(volumes); });
        platform::injectfaults({});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.data,
                  bytes(data.begin(), data.begin() + static_cast<long>(result.data.size())));
    }
    EXPECT_EQ(decodeall(volumes).data, data);
}
