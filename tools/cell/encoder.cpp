#include "tools/cell/encoder.h"

#include <utility>

namespace cell {

namespace {
constexpr std::size_t tablesize = 4096 * 256;
} // namespace

encoder::encoder(blocksink sink)
    : sink_(std::move(sink)), child_(tablesize, 0), undo_(blockcodes), block_(blockcodes) {}

void encoder::put(std::span<const unsigned char> bytes) {
    auto p = bytes.begin();
    const auto end = bytes.end();
    if (p == end)
        return;
    unsigned match = match_ < 0 ? *p++ : static_cast<unsigned>(match_);
    const code* child = child_.data();
    while (p != end) {
        const unsigned next = *p++;
        const code longer = child[match * 256 + next];
        if (longer != 0) {
            match = longer;
            continue;
        }
        emit(static_cast<code>(match), next);
        match = next;
    }
    match_ = static_cast<int>(match);
}

// Appends the code of a finished match; unless it is the last code of its
// block, the entry that the block's next code will define is the match
// followed by the byte that broke it.
void encoder::emit(code match, unsigned next) {
    block_[count_++] = match;
    if (count_ == blockcodes) {
        endblock();
        return;
    }
    const std::uint32_t slot = match * 256u + next;
    child_[slot] = static_cast<code>(count_ + 255);
    undo_[count_ - 1] = slot;
}

void encoder::endblock() {
    total_ += count_;
    sink_(std::span<const code>(block_.data(), count_));
    // Every code but the block's last one set an entry.
    for (std::size_t i = 0; i + 1 < count_; ++i)
        child_[undo_[i]] = 0;
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
