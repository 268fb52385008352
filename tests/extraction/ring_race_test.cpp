// Producer and consumer racing through the ring: random code streams cut
// into many volumes and read in pieces of very different sizes, so that
// either side finds the other ahead of it, at buffer, block and volume
// boundaries alike.
#include "extraction/decomp.h"
#include "tests/extraction/ring_support.h"

#include <gtest/gtest.h>

using namespace ringtest;

namespace {

std::vector<std::size_t> randomcuts(std::size_t codes, std::size_t count, std::mt19937& random) {
    std::vector<std::size_t> cuts;
    std::uniform_int_distribution<std::size_t> at(0, codes);
    for (std::size_t i = 0; i < count; ++i) {
        cuts.push_back(at(random));
    }
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

} // namespace

TEST(RingRace, RandomStreamsAcrossManyVolumes) {
    std::mt19937 random(2024);
    const std::vector<std::vector<std::int32_t>> patterns{
        {1}, {3, 1, 4, 1, 5, 9, 2, 6}, {2048}, {4096}, {1, 2048, 4095, 8, 70000}, {100000}};
    for (int round = 0; round < 6; ++round) {
        const std::size_t n = std::uniform_int_distribution<std::size_t>(1, 5 * 3840)(random);
        const codelist codes = randomcodes(n, round * 20, random);
        const std::vector<std::size_t> cuts =
            randomcuts(n, static_cast<std::size_t>(round), random);
        const volumeset set(packvolumes(codes, cuts));
        const bytes expected = referencedecode(codes);
        for (const auto& pieces : patterns) {
            const outcome result = decodeall(set, pieces);
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.ends, cuts.size() + 1);
            ASSERT_EQ(result.data, expected) << "round " << round << ", first piece " << pieces[0];
        }
    }
}

// The same streams through rings of other geometries: a string recalled from
// the ring must lie within what the producer still owns however many buffers
// of whatever size there are (two buffers leave the least), and the ring
// wraps at its own size.
TEST(RingRace, EveryGeometryDecodesAsTheInstallersDoes) {
    std::mt19937 random(7);
    const codelist codes = randomcodes(12 * 3840, 60, random);
    const volumeset set(packvolumes(codes, {5000, 30000}));
    const bytes expected = referencedecode(codes);
    for (const ringgeometry geometry : {ringgeometry{2, 4096}, ringgeometry{16, 4096},
                                        ringgeometry{2, 1 << 16}, ringgeometry{4, 1 << 20}}) {
        ASSERT_TRUE(decompgeometry(geometry));
        for (const std::vector<std::int32_t>& pieces :
             {std::vector<std::int32_t>{1, 2048, 70000}, std::vector<std::int32_t>{3000000}}) {
            const outcome result = decodeall(set, pieces);
            EXPECT_EQ(result.ends, 3u);
            EXPECT_EQ(result.data, expected) << geometry.buffers << " x " << geometry.bytes;
        }
    }
    for (const ringgeometry refused :
         {ringgeometry{1, 4096}, ringgeometry{3, 4096}, ringgeometry{4, 2048},
          ringgeometry{32, 4096}, ringgeometry{4, 6000}, ringgeometry{4, 1 << 21}}) {
        EXPECT_FALSE(decompgeometry(refused));
    }
    // A producer on the consumer's own thread, which the ring has room for.
    ASSERT_TRUE(decompgeometry({16, 1 << 20}));
    ASSERT_LT(expected.size(), 15u << 20);
    decompsamethread(true);
    EXPECT_EQ(decodeall(set, {2048}).data, expected);
    decompsamethread(false);
    ASSERT_TRUE(decompgeometry(installergeometry));
}
