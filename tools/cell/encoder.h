#pragma once
// LZW encoder for the distribution's code stream: 12-bit codes in
// blocks of 3840, each block with a dictionary of its own. Entries 0 to 255
// are the single bytes; code k of a block (counted from 1) defines entry
// k + 254 as the string of code k - 1 followed by the first byte of the string
// of code k, so a block defines entries 256 to 4094 and never 4095.
//
// The greedy parse takes the longest string the dictionary holds each time.
// The lookahead parse takes a shorter one where the strings after it then
// reach further than after the greedy choice, and keeps a block so parsed only
// where it takes more bytes than the greedy block from the same place: fewer
// codes for the same decoder, at many times the work.
// Any parse decodes, since a dictionary is built from the codes alone.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace cell {

using code = std::uint16_t;
inline constexpr std::size_t blockcodes = 3840;

class encoder {
  public:
    // Receives the blocks in stream order: 3840 codes each, the last one fewer.
    using blocksink = std::function<void(std::span<const code> block)>;

    enum class parse { greedy, lookahead };

    explicit encoder(blocksink sink, parse how = parse::greedy);
    void put(std::span<const unsigned char> bytes);
    void finish(); // emits the pending match and the last block
    std::uint64_t codes() const { return total_; }

  private:
    void putgreedy(std::span<const unsigned char> bytes);
    std::uint32_t find(std::uint32_t prefix, std::uint32_t byte, std::uint32_t& slot) const;
    struct known;
    const known& longest(std::size_t from);
    std::size_t ahead(std::size_t from, int strings);
    std::uint32_t prefixentry(std::size_t at, std::size_t length) const;
    void define(std::uint32_t entry, std::size_t at, std::size_t codes);
    void changed();
    std::size_t choose(int strings, std::size_t at, std::uint32_t& entry);
    std::size_t parseblock(int strings, std::vector<code>& codes);
    void blockahead();
    void endblock();

    blocksink sink_;
    // The block's entries above 255, hashed by (prefix entry, byte): a slot
    // holds (prefix << 8 | byte, all 20 bits flipped) << 12 | entry, 0 when
    // empty.
    std::vector<std::uint32_t> slots_;
    std::vector<std::uint32_t> undo_; // per code of the block: the slot it looked at last
    std::vector<code> block_;         // codes of the current block
    std::uint32_t count_ = 0;         // codes in block_
    int match_ = -1;                  // entry matched so far, -1 for none
    std::uint64_t total_ = 0;
    parse how_;
    std::vector<unsigned char> held_; // lookahead: bytes not parsed yet, from held_[at_]
    std::size_t at_ = 0;
    std::vector<code> aheadblock_; // lookahead: the block parsed the other way
    // Lookahead: the longest string at the places a parse looks at, by place
    // modulo the window, as of a version of the dictionary. The dictionary
    // only grows within a parse, and a string found grows only once its entry
    // has a new child: until then it stands, after that the look-up goes on
    // from it. version_ counts the dictionary's changes, parsed_ is its value
    // at the parse's start, grown_ holds per entry the version it last had a
    // child at.
    struct known {
        std::uint32_t from = 0, version = 0;
        std::uint16_t length = 0, entry = 0;
    };
    std::vector<known> known_;
    std::vector<std::uint32_t> grown_;
    std::uint32_t version_ = 0, parsed_ = 0;
};

} // namespace cell
