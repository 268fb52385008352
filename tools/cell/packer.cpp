#include "tools/cell/packer.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

namespace cell {

namespace {

// Packs one segment into out; returns its length in bytes.
std::size_t packsegment(std::span<const code> codes, unsigned char* out) {
    unsigned char* p = out;
    std::size_t i = 0;
    for (; i + 1 < codes.size(); i += 2) {
        const std::uint32_t v = static_cast<std::uint32_t>(codes[i]) << 12 | codes[i + 1];
        p[0] = static_cast<unsigned char>(v);
        p[1] = static_cast<unsigned char>(v >> 8);
        p[2] = static_cast<unsigned char>(v >> 16);
        p += 3;
    }
    if (i < codes.size()) {
        p[0] = static_cast<unsigned char>((codes[i] & 0xF) << 4);
        p[1] = static_cast<unsigned char>(codes[i] >> 4);
        p += 2;
    }
    return static_cast<std::size_t>(p - out);
}

} // namespace

packer::packer(std::uint64_t volumesize, volumesink sink)
    : packer(volumesize, volumesize, std::move(sink)) {}

packer::packer(std::uint64_t firstsize, std::uint64_t volumesize, volumesink sink)
    : first_(firstsize), size_(volumesize), sink_(std::move(sink)) {
    if ((size_ != 0 && size_ < 2) || (first_ != 0 && first_ < 2) || (first_ == 0) != (size_ == 0))
        throw std::invalid_argument("a volume must hold at least 2 bytes");
}

// How many of the wanted codes still fit into the current volume.
std::size_t packer::fitting(std::size_t wanted) const {
    const std::uint64_t size = volume_ == 0 ? first_ : size_;
    if (size == 0)
        return wanted;
    const std::uint64_t room = size - used_;
    const std::uint64_t fit = room / 3 * 2 + (room % 3 == 2 ? 1 : 0);
    return static_cast<std::size_t>(std::min<std::uint64_t>(wanted, fit));
}

void packer::block(std::span<const code> codes) {
    std::array<unsigned char, segmentbytes(blockcodes)> bytes;
    while (!codes.empty()) {
        const std::size_t n = fitting(codes.size());
        if (n == 0) {
            ++volume_;
            used_ = 0;
            continue;
        }
        const std::size_t length = packsegment(codes.first(n), bytes.data());
        sink_(volume_, std::span<const unsigned char>(bytes.data(), length));
        used_ += length;
        codes = codes.subspan(n);
    }
}

} // namespace cell
