// Arbitrary floppy images for the FAT reader. An image either reads or is
// refused as damaged; every file it lists reads to exactly its size, or is
// refused the same way.
#include "tools/cell/fat.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const cell::fat::reader disk({data, size});
        for (const auto& entry : disk.root()) {
            if (entry.directory())
                continue;
            try {
                if (disk.read(entry).size() != entry.size) {
                    std::fprintf(stderr, "fuzz_fat: %s read to another size\n", entry.name.c_str());
                    std::abort();
                }
            } catch (const cell::fat::damaged&) {
            }
        }
    } catch (const cell::fat::damaged&) {
    }
    return 0;
}
