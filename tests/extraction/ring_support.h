#pragma once
// Helpers for the decoder ring's tests: packing code streams into volume
// files, a plain reference decoder, and a reader that drives the ring through
// a set of volumes the way the installer does.
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace ringtest {

using bytes = std::vector<unsigned char>;
using codelist = std::vector<int>;

// Packs codes as one segment: pairs into three bytes, a last odd one into two.
bytes packsegment(const codelist& codes);

// Packs a code stream into volumes cut after the given code counts (ascending,
// counted from the start of the stream); each volume's codes are packed
// segment by segment, segments ending at every 3840th code of the stream.
std::vector<bytes> packvolumes(const codelist& codes, const std::vector<std::size_t>& cuts);

// The bytes a code stream stands for, decoded with a table of strings.
bytes referencedecode(const codelist& codes);

// A random stream of n codes, each valid for its place in its block; bias
// (0 to 100) is the share of codes that name dictionary entries.
codelist randomcodes(std::size_t n, int bias, std::mt19937& random);

// Volume files CELL.0, CELL.1, ... in a directory of their own, removed at the end.
class volumeset {
  public:
    explicit volumeset(const std::vector<bytes>& volumes);
    // The files written into directory, over those of a set before; the
    // directory stays, so that many sets in turn (a fuzz target's) cost no
    // directory each.
    volumeset(const std::vector<bytes>& volumes, std::filesystem::path directory);
    ~volumeset();
    volumeset(const volumeset&) = delete;
    volumeset& operator=(const volumeset&) = delete;
    std::string name(std::size_t volume) const;
    std::size_t size() const { return count_; }

  private:
    void write(const std::vector<bytes>& volumes) const;
    std::filesystem::path directory_;
    std::size_t count_;
    bool owned_ = true; // the directory is removed with the set
};

struct outcome {
    bytes data;
    std::int32_t status = 1; // the last status extractread reported
    std::size_t ends = 0;    // end marks met
};

// Decodes every volume through the ring with extractread calls of piece bytes
// (the pieces cycle through the list), restarting on each next volume when a
// volume's stream ends, stopping at the first status 0; then decompstop.
// Without keep, the bytes are dropped as they come (data stays empty).
outcome decodeall(const volumeset& set, const std::vector<std::int32_t>& pieces, bool keep = true);
outcome decodeall(const std::vector<bytes>& volumes, std::int32_t piece = 2048, bool keep = true);

} // namespace ringtest
