// Arbitrary bytes as volumes for the decoder ring: the first byte chooses
// whether the rest is cut into two volumes (and where, from the next two
// bytes), the size of the reads, and whether the producer runs on a thread of
// its own, as in the product, or on the reading thread, which a stream that
// surely fits the ring allows and which costs no thread per volume. A thread
// costs more than the rest of an input together, so one input in eight takes
// the product's two threads, for the races between them. Decoding runs to the
// end of the last volume or to the first failure; it must never crash, hang
// or touch memory it does not own.
#include "extraction/decomp.h"
#include "tests/extraction/ring_support.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr ringgeometry roomy{16, 1 << 16};

// The most bytes a stream of so many bytes can decode to: code k of a block
// stands for at most k bytes.
std::size_t mostbytes(std::size_t bytes) {
    std::size_t codes = bytes / 3 * 2 + 1;
    std::size_t most = 0;
    while (codes > 0) {
        const std::size_t inblock = std::min<std::size_t>(codes, 3840);
        most += inblock * (inblock + 1) / 2;
        codes -= inblock;
    }
    return most;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = decompgeometry(roomy);
    if (size < 3 || !ready) {
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
    const std::size_t room = (roomy.buffers - 1) * std::size_t{roomy.bytes};
    const bool twothreads = (choice >> 3 & 7) == 7;
    decompsamethread(!twothreads && mostbytes(stream.size()) < room);
    static const fs::path directory =
        fs::temp_directory_path() / ("fuzz-ring-" + std::to_string(::getpid()));
    const ringtest::volumeset set(volumes, directory);
    const std::int32_t pieces[] = {1, 7, 2048, 5000};
    ringtest::decodeall(set, {pieces[choice >> 1 & 3]}, false);
    return 0;
}
