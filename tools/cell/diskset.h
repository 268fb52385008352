#pragma once
// The set cell pack writes into its output directory: the loose volumes
// CELL.0, CELL.1, ..., or one floppy image per volume, named and labelled as
// the disk prompt asks for the disk (SETUP.IMG, label SETUP, holds CELL.0 and
// the setup files; DISKn.IMG, label DISKn, holds CELL.n). Everything is
// written under temporary names until the set is complete, so that a failed
// pack leaves an earlier set as it was; the commit then removes whatever of
// an earlier set the new one does not replace.
#include "tools/cell/fat.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cell {

struct setupfile {
    std::string name; // 8.3, upper case
    std::vector<unsigned char> bytes;
};

struct imagelayout {
    const fat::geometry* disk = nullptr;
    std::vector<setupfile> setup; // on the disk with CELL.0 besides it
    fat::dostime when;
};

class volumeset {
  public:
    volumeset(std::filesystem::path dir, std::optional<imagelayout> images);
    volumeset(const volumeset&) = delete;
    volumeset& operator=(const volumeset&) = delete;
    ~volumeset();

    void write(std::uint32_t volume, std::span<const unsigned char> bytes);
    void commit();

    std::uint32_t count() const { return count_; }
    std::uint64_t bytes() const { return bytes_; }

  private:
    std::filesystem::path temporary(const std::string& name) const;
    void start(std::uint32_t volume);
    void close();
    void discard();
    void writeimage(std::uint32_t volume);
    bool stale(const std::string& name) const;

    std::filesystem::path dir_;
    std::optional<imagelayout> images_;
    std::FILE* file_ = nullptr;
    std::uint32_t count_ = 0, imaged_ = 0;
    std::uint64_t bytes_ = 0;
    bool committed_ = false;
};

// The bytes of a file, all of them (a volume, a setup file).
std::vector<unsigned char> readwhole(const std::filesystem::path& file);

// The file name of volume n in a set: CELL.n, or its image's name.
std::string volumename(std::uint32_t volume);
std::string imagename(std::uint32_t volume);

} // namespace cell
