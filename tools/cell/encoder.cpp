#include "tools/cell/encoder.h"

#include <utility>

namespace cell {

namespace {

// 16384 slots for at most 3839 entries: a quarter full, and small enough to
// stay in the nearest caches.
constexpr unsigned slotbits = 14;
constexpr std::uint32_t slotmask = (1u << slotbits) - 1;

std::uint32_t slotof(std::uint32_t key) {
    return key * 0x9E3779B1u >> (32 - slotbits);
}

} // namespace

encoder::encoder(blocksink sink)
    : sink_(std::move(sink)), slots_(slotmask + 1, 0), undo_(blockcodes), block_(blockcodes) {}

void encoder::put(std::span<const unsigned char> bytes) {
    auto p = bytes.begin();
    const auto end = bytes.end();
    if (p == end)
        return;
    std::uint32_t match = match_ < 0 ? *p++ : static_cast<std::uint32_t>(match_);
    const std::uint32_t* slots = slots_.data();
    while (p != end) {
        const std::uint32_t next = *p++;
        const std::uint32_t key = match << 8 | next;
        std::uint32_t slot = slotof(key);
        for (;;) {
            const std::uint32_t held = slots[slot];
            if (held == 0) {
                emit(static_cast<code>(match), next, slot);
                match = next;
                break;
            }
            if (held >> 12 == key) {
                match = held & 0xFFF;
                break;
            }
            slot = (slot + 1) & slotmask;
        }
    }
    match_ = static_cast<int>(match);
}

// Appends the code of a finished match; unless it is the last code of its
// block, the entry that the block's next code will define is the match
// followed by the byte that broke it.
void encoder::emit(code match, std::uint32_t next, std::uint32_t slot) {
    block_[count_++] = match;
    if (count_ == blockcodes) {
        endblock();
        return;
    }
    slots_[slot] = (static_cast<std::uint32_t>(match) << 8 | next) << 12 |
                   static_cast<std::uint32_t>(count_ + 255);
    undo_[count_ - 1] = slot;
}

void encoder::endblock() {
    total_ += count_;
    sink_(std::span<const code>(block_.data(), count_));
    // Every code but the block's last one set an entry.
    for (std::size_t i = 0; i + 1 < count_; ++i)
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
