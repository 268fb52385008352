// Round trips through the distribution writer's encoder and packer and back
// through the ring, over data of very different kinds and volume sizes that
// put block boundaries on volume boundaries and off them.
#include "tests/extraction/ring_support.h"
#include "tools/cell/encoder.h"
#include "tools/cell/packer.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace ringtest;

namespace {

std::vector<bytes> pack(const bytes& data, std::uint64_t volumesize) {
    std::map<std::uint32_t, bytes> volumes;
    cell::packer packer(volumesize, [&](std::uint32_t volume, std::span<const unsigned char> b) {
        volumes[volume].insert(volumes[volume].end(), b.begin(), b.end());
    });
    cell::encoder encoder([&](std::span<const cell::code> block) { packer.block(block); });
    encoder.put(data);
    encoder.finish();
    std::vector<bytes> out;
    for (std::uint32_t v = 0; v < packer.volumes(); ++v) {
        out.push_back(volumes[v]);
    }
    return out;
}

bytes text(std::size_t n, std::mt19937& random) {
    static const char* const words[] = {"ring ",   "buffer ",      "code ", "block ", "the ",
                                        "volume ", "dictionary\n", "of ",   "entry ", "a "};
    std::string out;
    while (out.size() < n) {
        out += words[random() % 10];
    }
    return bytes(out.begin(), out.begin() + static_cast<long>(n));
}

bytes noise(std::size_t n, std::mt19937& random) {
    bytes out(n);
    for (auto& b : out) {
        b = static_cast<unsigned char>(random());
    }
    return out;
}

bytes records(std::size_t n) { // a table of little-endian counters, like a binary
    bytes out;
    for (std::uint32_t i = 0; out.size() < n; ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            out.push_back(static_cast<unsigned char>(i * 2654435761u >> shift & 0x3F));
        }
    }
    out.resize(n);
    return out;
}

} // namespace

TEST(RingRoundTrip, VariedDataAndVolumeSizes) {
    std::mt19937 random(99);
    const std::map<std::string, bytes> kinds{{"text", text(300000, random)},
                                             {"zeros", bytes(600000, 0)},
                                             {"noise", noise(40000, random)},
                                             {"records", records(120000)},
                                             {"one byte", {42}},
                                             {"empty", {}}};
    // No limit; one block per volume; two blocks; cuts off every boundary.
    for (const std::uint64_t size : {0ull, 5760ull, 11520ull, 4099ull, 368640ull}) {
        for (const auto& [kind, data] : kinds) {
            const std::vector<bytes> volumes = pack(data, size);
            const volumeset set(volumes);
            for (const std::int32_t piece : {2048, 1}) {
                if (piece == 1 && data.size() > 50000) {
                    continue;
                }
                const outcome result = decodeall(set, {piece});
                EXPECT_EQ(result.status, 1) << kind << ", volumes of " << size;
                EXPECT_EQ(result.ends, volumes.size());
                EXPECT_EQ(result.data, data) << kind << ", volumes of " << size;
            }
        }
    }
}
