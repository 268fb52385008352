// The encoder, greedy and with lookahead, and the code packer, checked against codes worked out by
// hand and against the rules every block must keep.
#include "tools/cell/encoder.h"
#include "tools/cell/packer.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string_view>
#include <vector>

namespace {

using cell::code;

using parse = cell::encoder::parse;

std::vector<std::vector<code>> encodeblocks(const std::vector<unsigned char>& bytes,
                                            std::size_t chunk = 1 << 20,
                                            parse how = parse::greedy) {
    std::vector<std::vector<code>> blocks;
    cell::encoder coder(
        [&](std::span<const code> block) { blocks.emplace_back(block.begin(), block.end()); }, how);
    for (std::size_t at = 0; at < bytes.size(); at += chunk)
        coder.put(std::span(bytes).subspan(at, std::min(chunk, bytes.size() - at)));
    coder.finish();
    return blocks;
}

std::vector<code> encode(std::string_view text) {
    std::vector<code> codes;
    for (const auto& block : encodeblocks({text.begin(), text.end()}))
        codes.insert(codes.end(), block.begin(), block.end());
    return codes;
}

std::vector<unsigned char> mixed(std::size_t n) {
    std::mt19937 random(7);
    std::vector<unsigned char> bytes;
    const std::string_view words[] = {"the ", "ring ", "decodes ", "codes ", "\n", "of ", "a "};
    while (bytes.size() < n) {
        if (random() % 4 == 0)
            for (int i = 0; i < 50; ++i)
                bytes.push_back(static_cast<unsigned char>(random()));
        else
            for (const char c : words[random() % 7])
                bytes.push_back(static_cast<unsigned char>(c));
    }
    bytes.resize(n);
    return bytes;
}

TEST(Encoder, FindsTheLongestMatchIncludingTheEntryBeingDefined) {
    EXPECT_EQ(encode("ABABABA"), (std::vector<code>{65, 66, 256, 258}));
    EXPECT_EQ(
        encode("TOBEORNOTTOBEORTOBEORNOT"),
        (std::vector<code>{84, 79, 66, 69, 79, 82, 78, 79, 84, 256, 258, 260, 265, 259, 261, 263}));
    EXPECT_EQ(encode("A"), (std::vector<code>{65}));
    EXPECT_TRUE(encode("").empty());
}

// A run of one byte is the longest-match worst case: code k of a block spells
// k bytes, so the 3841st code starts afresh with a single byte.
TEST(Encoder, StartsEveryBlockWithAnEmptyDictionary) {
    const std::size_t fullblock = cell::blockcodes * (cell::blockcodes + 1) / 2;
    const auto blocks = encodeblocks(std::vector<unsigned char>(fullblock + 6, 0));
    ASSERT_EQ(blocks.size(), 2u);
    ASSERT_EQ(blocks[0].size(), cell::blockcodes);
    EXPECT_EQ(blocks[0][0], 0);
    EXPECT_EQ(blocks[0][1], 256);
    EXPECT_EQ(blocks[0].back(), 4094);
    EXPECT_EQ(blocks[1], (std::vector<code>{0, 256, 257}));
}

std::size_t codecount(const std::vector<std::vector<code>>& blocks) {
    std::size_t n = 0;
    for (const auto& block : blocks)
        n += block.size();
    return n;
}

TEST(Encoder, KeepsEveryCodeValidForItsPlaceInEitherParse) {
    for (const auto& [bytes, how] : {std::pair{mixed(300000), parse::greedy},
                                     {std::vector<unsigned char>(20000, 'x'), parse::greedy},
                                     {mixed(300000), parse::lookahead},
                                     {std::vector<unsigned char>(20000, 'x'), parse::lookahead}}) {
        const auto blocks = encodeblocks(bytes, 1 << 20, how);
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            if (b + 1 < blocks.size()) {
                ASSERT_EQ(blocks[b].size(), cell::blockcodes);
            }
            for (std::size_t p = 1; p <= blocks[b].size(); ++p) {
                const code x = blocks[b][p - 1];
                ASSERT_TRUE(x <= 255 || (p >= 2 && x >= 256 && x <= p + 254))
                    << "block " << b << " position " << p << " code " << x;
            }
        }
    }
}

TEST(Encoder, GivesTheSameCodesHoweverTheInputIsCut) {
    const auto bytes = mixed(100000);
    for (const parse how : {parse::greedy, parse::lookahead}) {
        const auto whole = encodeblocks(bytes, 1 << 20, how);
        EXPECT_EQ(encodeblocks(bytes, 1, how), whole);
        EXPECT_EQ(encodeblocks(bytes, 4095, how), whole);
    }
}

// The lookahead parse pays only where it gains: fewer codes on text, and
// never more than greedy on a block it cannot better (a run of one byte).
TEST(Encoder, LookaheadTakesFewerCodesThanGreedyWhereItCan) {
    const auto text = mixed(300000);
    EXPECT_LT(codecount(encodeblocks(text, 1 << 20, parse::lookahead)),
              codecount(encodeblocks(text)));
    const std::vector<unsigned char> run(20000, 'x');
    EXPECT_EQ(encodeblocks(run, 1 << 20, parse::lookahead), encodeblocks(run));
}

std::map<std::uint32_t, std::vector<unsigned char>> packvolumes(const std::vector<code>& codes,
                                                                std::uint64_t size) {
    std::map<std::uint32_t, std::vector<unsigned char>> volumes;
    cell::packer cutter(size, [&](std::uint32_t volume, std::span<const unsigned char> bytes) {
        volumes[volume].insert(volumes[volume].end(), bytes.begin(), bytes.end());
    });
    for (std::size_t at = 0; at < codes.size(); at += cell::blockcodes)
        cutter.block(std::span(codes).subspan(at, std::min(cell::blockcodes, codes.size() - at)));
    return volumes;
}

TEST(Packer, PacksPairsIntoThreeBytesAndAnOddCodeIntoTwo) {
    EXPECT_EQ(packvolumes({0x042, 0x041}, 0)[0], (std::vector<unsigned char>{0x41, 0x20, 0x04}));
    EXPECT_EQ(packvolumes({0x041}, 0)[0], (std::vector<unsigned char>{0x10, 0x04}));
    EXPECT_EQ(packvolumes({0xABC, 0xDEF, 0x123}, 0)[0],
              (std::vector<unsigned char>{0xEF, 0xCD, 0xAB, 0x30, 0x12}));
}

TEST(Packer, CutsSegmentsAtBlockAndVolumeBoundaries) {
    // Two blocks of 3841 codes: the second block's single code is a segment
    // of its own, two bytes, not half of a pair with the block before.
    std::vector<code> codes(cell::blockcodes + 1, 7);
    EXPECT_EQ(packvolumes(codes, 0)[0].size(), 5760u + 2u);

    // 5761 bytes hold one block; 5762 hold it and one more code.
    codes.assign(cell::blockcodes + 5, 7);
    auto volumes = packvolumes(codes, 5761);
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].size(), 5760u);
    EXPECT_EQ(volumes[1].size(), 8u);
    volumes = packvolumes(codes, 5762);
    EXPECT_EQ(volumes[0].size(), 5762u);
    EXPECT_EQ(volumes[1].size(), 6u);

    // A volume of 1001 bytes ends a segment with an odd code (2 bytes) after
    // 333 pairs; the block goes on in the next volume.
    volumes = packvolumes(codes, 1001);
    // Volume 5 holds the block's last 505 codes and the first 5 of the next:
    // two odd segments of 758 and 8 bytes.
    ASSERT_EQ(volumes.size(), 6u);
    for (std::uint32_t n = 0; n < 5; ++n)
        EXPECT_EQ(volumes[n].size(), 1001u);
    EXPECT_EQ(volumes[5].size(), 758u + 8u);
}

TEST(Packer, RefusesAVolumeTooSmallForACode) {
    EXPECT_THROW(cell::packer(1, [](std::uint32_t, std::span<const unsigned char>) {}),
                 std::invalid_argument);
}

} // namespace
