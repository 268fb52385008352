#include "tools/cell/encoder.h"

#include <algorithm>
#include <array>
#include <utility>

namespace cell {

namespace {

// 16384 slots for at most 3839 entries: a quarter full, and small enough to
// stay in the nearest caches.
constexpr unsigned slotbits = 14;
constexpr std::uint32_t slotmask = (1u << slotbits) - 1;

// Slots hold tag << 12 | entry, the tag being the key (prefix entry << 8 |
// byte) flipped in all 20 bits: a prefix is never 4095, so no tag is 0 and 0
// marks an empty slot.
constexpr std::uint32_t emptytag = 0xFFFFF;

// A slot for (prefix entry, byte): the prefix, below 4096, flipped by a
// scatter of the byte's own, so that the byte's look-up is off the path from
// one match to the next.
constexpr std::array<std::uint16_t, 256> scatters = [] {
    std::array<std::uint16_t, 256> all{};
    for (std::uint32_t byte = 0; byte < 256; ++byte)
        all[byte] = static_cast<std::uint16_t>((byte + 1) * 0x9E3779B1u >> (32 - slotbits));
    return all;
}();

std::uint32_t slotof(std::uint32_t prefix, std::uint32_t byte) {
    return scatters[byte] ^ prefix;
}

} // namespace

encoder::encoder(blocksink sink)
    : sink_(std::move(sink)), slots_(slotmask + 1, 0), undo_(blockcodes), block_(blockcodes) {}

// Each byte either extends the match or ends it; which one is a toss-up for
// a branch predictor, so both are done without a branch: the code is stored,
// the entry written and the count advanced by the outcome. Only a slot held by
// another entry and the block's end branch.
void encoder::put(std::span<const unsigned char> bytes) {
    auto p = bytes.begin();
    const auto end = bytes.end();
    if (p == end)
        return;
    std::uint32_t match = match_ < 0 ? *p++ : static_cast<std::uint32_t>(match_);
    std::uint32_t* const slots = slots_.data();
    code* const block = block_.data();
    std::uint32_t* const undo = undo_.data();
    std::uint32_t count = count_;
    while (p != end) {
        const std::uint32_t next = *p++;
        const std::uint32_t key = match << 8 | next;
        const std::uint32_t tag = key ^ emptytag;
        std::uint32_t slot = slotof(match, next);
        std::uint32_t held = slots[slot];
        // Another entry's: neither empty nor ours.
        while (std::min(held >> 12, (held >> 12) ^ tag) != 0) {
            slot = (slot + 1) & slotmask;
            held = slots[slot];
        }
        // An empty slot ends the match; it then takes the entry the block's
        // next code defines (after the block's last code, endblock clears it).
        const std::uint32_t ended = held == 0;
        const std::uint32_t mask = 0u - ended;
        block[count] = static_cast<code>(match);
        undo[count] = slot;
        slots[slot] = held | ((tag << 12 | (count + 256)) & mask);
        count += ended;
        match = (next & mask) | (held & 0xFFF & ~mask);
        if (count == blockcodes) {
            count_ = count;
            endblock();
            count = 0;
        }
    }
    count_ = count;
    match_ = static_cast<int>(match);
}

void encoder::endblock() {
    total_ += count_;
    sink_(std::span<const code>(block_.data(), count_));
    for (std::size_t i = 0; i < count_; ++i)
        slots_[undo_[i]] = 0;
    count_ = 0;
}

void encoder::finish() {
    if (match_ >= 0) {
        block_[count_++] = static_cast<code>(match_);
        match_ = -1;
    }
    if (count_ > 0)
        endblock();
}

} // namespace cell
