// Arbitrary bytes as volumes for the decoder ring: the first byte chooses
// whether the rest is cut into two volumes (and where, from the next two
// bytes) and the size of the reads. Decoding runs to the end of the last
// volume or to the first failure; it must never crash, hang or touch memory
// it does not own.
#include "tests/extraction/ring_support.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::uint8_t choice = data[0];
    const std::size_t at = static_cast<std::size_t>(data[1] | data[2] << 8);
    const ringtest::bytes stream(data + 3, data + size);
    std::vector<ringtest::bytes> volumes;
    if ((choice & 1) != 0 && !stream.empty()) {
        const auto cut = static_cast<std::ptrdiff_t>(at % (stream.size() + 1));
        volumes.emplace_back(stream.begin(), stream.begin() + cut);
        volumes.emplace_back(stream.begin() + cut, stream.end());
    } else {
        volumes.push_back(stream);
    }
    const std::int32_t pieces[] = {1, 7, 2048, 5000};
    ringtest::decodeall(volumes, pieces[choice >> 1 & 3]);
    return 0;
}
