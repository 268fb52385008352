#pragma once
// Lays the code stream out in volume files. The stream is cut into segments
// at every block boundary and every volume boundary; each segment is packed by
// itself, two codes into three bytes and a last odd code into two. Volumes are
// cut between codes, and none grows beyond its size.
#include "tools/cell/encoder.h"

#include <cstdint>
#include <functional>
#include <span>

namespace cell {

class packer {
  public:
    // Receives the packed bytes of volume 0, 1, 2, ... in order.
    using volumesink = std::function<void(std::uint32_t volume, std::span<const unsigned char>)>;

    // volumesize 0 means no limit; otherwise it must hold a code (2 bytes).
    packer(std::uint64_t volumesize, volumesink sink);
    // The same, with a volume 0 of its own size (the disk that also holds the
    // installer).
    packer(std::uint64_t firstsize, std::uint64_t volumesize, volumesink sink);
    void block(std::span<const code> codes); // one block of the stream, in order
    std::uint32_t volumes() const { return volume_ + 1; }

  private:
    std::size_t fitting(std::size_t wanted) const;

    std::uint64_t first_, size_;
    volumesink sink_;
    std::uint32_t volume_ = 0;
    std::uint64_t used_ = 0; // bytes in the current volume
};

// Bytes a segment of n codes takes.
constexpr std::uint64_t segmentbytes(std::uint64_t n) {
    return n / 2 * 3 + (n % 2) * 2;
}

} // namespace cell
