// Arbitrary decoded streams for the unpacker. The input after its first byte
// is the stream after the descriptor, and the descriptor's total covers it
// exactly; the first byte chooses the volume size. The stream is encoded with
// the writer's encoder and unpacked over the native message layer into a
// fresh directory. Every run must end with a command to the window, and
// nothing may be written outside the target directory.
//
// The decoder runs on the thread that starts it, in a ring that holds a whole
// volume's stream (fuzz_ring keeps the producer on its own thread), and the
// unpacker on the fuzzer's thread: an input costs no thread at all.
#include "extraction/decomp.h"
#include "tests/extraction/unpackrun.h"
#include "tools/cell/entries.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr ringgeometry wholevolume{16, 1 << 20};
// Decoded streams beyond this might not fit the ring.
constexpr std::size_t largest = (wholevolume.buffers - 1) * std::size_t{wholevolume.bytes} / 2;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_unpacker: %s\n", what);
        std::abort();
    }
}

// Only the volumes and the target directory lie in root.
void checkroot(const fs::path& root) {
    for (const auto& item : fs::directory_iterator(root)) {
        const auto name = item.path().filename().string();
        require(name == "dist" || name == "out", "something was written beside the target");
    }
    for (const auto& item : fs::directory_iterator(root / "dist")) {
        require(item.path().filename().string().starts_with("CELL."),
                "something was written among the volumes");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path root =
        fs::temp_directory_path() / ("fuzz-unpacker-" + std::to_string(::getpid()));
    static const bool samethread = decompgeometry(wholevolume);
    if (size < 1 || size > largest) {
        return 0;
    }
    decompsamethread(samethread);
    unpackrun::samethread(true);
    const std::uint64_t volumesizes[] = {0, 64, 97, 256, 1500};
    const std::string_view product = "Fuzz", proposal = "C:\\FUZZ";
    auto stream = cell::descriptorbytes(product, proposal,
                                        cell::descriptorlength(product, proposal) + size - 1);
    stream.insert(stream.end(), data + 1, data + size);

    std::error_code ignored;
    fs::remove_all(root, ignored);
    fs::create_directories(root / "out");
    unpackrun::writevolumes(root / "dist", stream, volumesizes[data[0] % 5]);
    const auto result = unpackrun::run((root / "dist").string() + "/", (root / "out").string());
    require(result.started, "the descriptor was not read");
    const std::int32_t last = result.last();
    require(last == 19 || last == 21 || last == 22, "the unpacker ended without a command");
    checkroot(root);
    return 0;
}
