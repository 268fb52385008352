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

// The string of a block's code k is at most k bytes long (one more than that
// of code k - 1), so a block takes at most this many bytes and looks at most
// four strings and a byte beyond them. The lookahead parse keeps as many back
// until more come or the stream ends, and so parses the same whatever the
// pieces the bytes arrive in.
constexpr std::size_t lookspan = 4 * blockcodes + 1;
constexpr std::size_t blockspan = blockcodes * (blockcodes + 1) / 2 + lookspan;
// The shorter strings tried in place of the longest one, at most: the one
// or two bytes shorter give nearly all of the gain (of 16 tried, they leave
// 0.02 % more codes on a mix of text and libraries, at two thirds the work).
constexpr std::size_t shorter = 2;
// A choice looks at places at most lookspan bytes on from its own.
constexpr std::size_t knownmask = (1u << 14) - 1;
static_assert(knownmask + 1 >= lookspan);

} // namespace

encoder::encoder(blocksink sink, parse how)
    : sink_(std::move(sink)), slots_(slotmask + 1, 0), undo_(blockcodes), block_(blockcodes),
      how_(how) {
    if (how_ == parse::lookahead) {
        known_.resize(knownmask + 1);
        grown_.resize(4096);
    }
}

void encoder::put(std::span<const unsigned char> bytes) {
    if (how_ == parse::greedy) {
        putgreedy(bytes);
        return;
    }
    held_.insert(held_.end(), bytes.begin(), bytes.end());
    while (held_.size() - at_ > blockspan)
        blockahead();
    if (at_ > blockspan) {
        held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(at_));
        at_ = 0;
    }
}

// Each byte either extends the match or ends it; which one is a toss-up for
// a branch predictor, so both are done without a branch: the code is stored,
// the entry written and the count advanced by the outcome. Only a slot held by
// another entry and the block's end branch.
void encoder::putgreedy(std::span<const unsigned char> bytes) {
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
        match = (next & mask) | (held & 0xFFF); // held is 0 when the match ended
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

// The entry the block holds for (prefix, byte), 0 when it holds none; slot =
// where it is, or where it would go.
std::uint32_t encoder::find(std::uint32_t prefix, std::uint32_t byte, std::uint32_t& slot) const {
    const std::uint32_t tag = (prefix << 8 | byte) ^ emptytag;
    const std::uint32_t* const slots = slots_.data();
    slot = slotof(prefix, byte);
    std::uint32_t held = slots[slot];
    while (std::min(held >> 12, (held >> 12) ^ tag) != 0) {
        slot = (slot + 1) & slotmask;
        held = slots[slot];
    }
    return held & 0xFFF;
}

// The longest string the dictionary holds at held_[from], and its entry:
// as known, when its entry has had no child since; else on from there.
const encoder::known& encoder::longest(std::size_t from) {
    known& k = known_[from & knownmask];
    if (k.from != from || k.version < parsed_) {
        k.from = static_cast<std::uint32_t>(from);
        k.length = 1;
        k.entry = held_[from];
    } else if (grown_[k.entry] <= k.version) {
        return k;
    }
    k.version = version_;
    std::uint32_t slot = 0;
    for (std::size_t length = k.length; from + length < held_.size(); ++length) {
        const std::uint32_t next = find(k.entry, held_[from + length], slot);
        if (next == 0)
            break;
        k.length = static_cast<std::uint16_t>(length + 1);
        k.entry = static_cast<std::uint16_t>(next);
    }
    return k;
}

// How far as many longest strings from held_[from], one after the other, reach.
std::size_t encoder::ahead(std::size_t from, int strings) {
    std::size_t reached = 0;
    for (; strings > 0 && from + reached < held_.size(); --strings)
        reached += longest(from + reached).length;
    return reached;
}

// The entry of the string of length bytes at held_[at], which the dictionary holds.
std::uint32_t encoder::prefixentry(std::size_t at, std::size_t length) const {
    std::uint32_t entry = held_[at], slot = 0;
    for (std::size_t i = 1; i < length; ++i)
        entry = find(entry, held_[at + i], slot);
    return entry;
}

// The length of the string to take at held_[at]: the longest the dictionary
// holds, or with lookahead a shorter one when the string after it then
// reaches further than after the longest. entry = the string's.
std::size_t encoder::choose(int strings, std::size_t at, std::uint32_t& entry) {
    const known& longestat = longest(at);
    const std::size_t most = longestat.length;
    entry = longestat.entry;
    if (strings == 0 || most == 1 || at + most >= held_.size())
        return most;
    std::size_t chosen = most;
    std::size_t farthest = most + ahead(at + most, strings);
    for (std::size_t length = most - 1; length > 0 && most - length <= shorter; --length) {
        const std::size_t reached = length + ahead(at + length, strings);
        if (reached > farthest) {
            farthest = reached;
            chosen = length;
        }
    }
    if (chosen < most)
        entry = prefixentry(at, chosen);
    return chosen;
}

// The block's next code defines the string of entry and the byte at
// held_[at], which the dictionary takes unless it holds that string already.
void encoder::define(std::uint32_t entry, std::size_t at, std::size_t codes) {
    std::uint32_t slot = 0;
    if (at < held_.size() && find(entry, held_[at], slot) == 0) {
        slots_[slot] =
            ((entry << 8 | held_[at]) ^ emptytag) << 12 | static_cast<std::uint32_t>(codes + 256);
        changed();
        grown_[entry] = version_;
    }
    undo_[codes] = slot;
}

// A new version of the dictionary. After 2^32 of them every string known is
// forgotten, so that no old version passes for a new one.
void encoder::changed() {
    if (++version_ != 0)
        return;
    std::fill(known_.begin(), known_.end(), known{});
    std::fill(grown_.begin(), grown_.end(), 0);
    version_ = parsed_ = 1;
}

// Parses one block from held_[at_] into codes; returns the bytes it took.
// The dictionary is empty before and after.
std::size_t encoder::parseblock(int strings, std::vector<code>& codes) {
    codes.clear();
    changed();
    parsed_ = version_;
    std::size_t at = at_;
    while (codes.size() < blockcodes && at < held_.size()) {
        std::uint32_t entry = 0;
        at += choose(strings, at, entry);
        define(entry, at, codes.size());
        codes.push_back(static_cast<code>(entry));
    }
    for (std::size_t i = 0; i < codes.size(); ++i)
        slots_[undo_[i]] = 0;
    return at - at_;
}

// One block parsed from the same place greedily and with two and three
// strings of lookahead; the one that takes the most bytes (or as many in the
// fewest codes) goes out.
void encoder::blockahead() {
    std::size_t most = parseblock(0, block_);
    for (const int strings : {2, 3}) {
        const std::size_t took = parseblock(strings, aheadblock_);
        if (took > most || (took == most && aheadblock_.size() < block_.size())) {
            std::swap(block_, aheadblock_);
            most = took;
        }
    }
    at_ += most;
    total_ += block_.size();
    sink_(block_);
}

void encoder::finish() {
    while (at_ < held_.size())
        blockahead();
    if (match_ >= 0) {
        block_[count_++] = static_cast<code>(match_);
        match_ = -1;
    }
    if (count_ > 0)
        endblock();
}

} // namespace cell
