#pragma once
// FAT12/FAT16 floppy images over a byte buffer, with no I/O of its own.
//
// The writer formats one of the standard floppy geometries the way a
// formatting tool does (boot sector with its BPB, two FATs, a root directory,
// a volume label) and lays files into its root directory, each in one
// contiguous run of clusters. The reader takes whatever geometry an image's
// BPB gives, FAT12 or FAT16, lists the root directory and reads a file along
// its cluster chain. Anything that does not add up throws fat::damaged.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace cell::fat {

struct damaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct geometry {
    const char* name; // as --volume-size takes it: "1.44M"
    std::uint16_t totalsectors;
    std::uint8_t sectorspercluster;
    std::uint16_t rootentries;
    std::uint16_t fatsectors;
    std::uint8_t media;
    std::uint16_t sectorspertrack;
};

constexpr std::uint32_t sectorbytes = 512;

// 360K, 720K, 1.2M and 1.44M, double-sided, 512-byte sectors.
std::span<const geometry> floppies();
const geometry* floppy(std::string_view name); // nullptr when none is called so

constexpr std::uint32_t clusterbytes(const geometry& disk) {
    return disk.sectorspercluster * sectorbytes;
}
// The data area: what a freshly formatted disk holds for files.
constexpr std::uint32_t freebytes(const geometry& disk) {
    const std::uint32_t used = 1 + 2u * disk.fatsectors + disk.rootentries * 32u / sectorbytes;
    return (disk.totalsectors - used) / disk.sectorspercluster * clusterbytes(disk);
}
// What a file of n bytes takes of the data area.
constexpr std::uint64_t filespace(const geometry& disk, std::uint64_t n) {
    return (n + clusterbytes(disk) - 1) / clusterbytes(disk) * clusterbytes(disk);
}

// A time as a directory entry holds it: local time of DOS, taken here as UTC.
struct dostime {
    std::uint16_t date = 0, time = 0;
};
dostime fromepoch(std::int64_t seconds); // clamped to 1980..2107

// The name in capitals when it is an 8.3 name a directory can hold; throws
// std::invalid_argument otherwise.
std::string dosname(std::string_view name);

struct newfile {
    std::string name; // 8.3, in any case
    std::span<const unsigned char> bytes;
};

// A formatted image holding files in its root directory. The label is at most
// 11 characters; the serial number is made from the label and the time, so the
// same input gives the same image. Throws std::invalid_argument when a name
// is no 8.3 name or the files do not fit.
std::vector<unsigned char> writeimage(const geometry& disk, std::string_view label,
                                      std::span<const newfile> files, dostime when);

// Whether the first bytes look like a FAT boot sector (a jump, then the 55 AA
// signature or a sector size): how an image is told from any other file.
bool looksimage(std::span<const unsigned char> head);

struct direntry {
    std::string name; // "CELL.0", as stored
    std::uint8_t attributes = 0;
    std::uint32_t size = 0;
    std::uint32_t first = 0; // first cluster
    bool directory() const { return (attributes & 0x10) != 0; }
};

class reader {
  public:
    explicit reader(std::span<const unsigned char> image); // checks the BPB
    std::string label() const;                             // "" when none
    std::vector<direntry> root() const;                    // files and directories
    // The entry whose name matches, in any case; nullptr when none does.
    const direntry* find(const std::vector<direntry>& entries, std::string_view name) const;
    std::vector<unsigned char> read(const direntry& file) const;

  private:
    std::uint32_t next(std::uint32_t cluster) const; // its FAT entry
    bool ondisk(std::uint32_t cluster) const;        // a data cluster of this disk
    bool lastcluster(std::uint32_t value) const;     // a FAT entry that ends a chain
    std::span<const unsigned char> cluster(std::uint32_t n) const;

    std::span<const unsigned char> image_;
    std::uint32_t sectorsize_ = 0, clustersize_ = 0;
    std::uint32_t fatstart_ = 0, rootstart_ = 0, rootentries_ = 0, datastart_ = 0;
    std::uint32_t clusters_ = 0; // data clusters, numbered from 2
    bool fat16_ = false;
};

} // namespace cell::fat
