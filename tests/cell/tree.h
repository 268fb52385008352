#pragma once
// Scratch trees and distributions for the tests of the cell commands.
#include "tools/cell/entries.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace celltest {

namespace fs = std::filesystem;
using bytes = std::vector<unsigned char>;

// A fresh directory, removed with everything in it at the end of the test.
class scratch {
  public:
    scratch();
    ~scratch();
    scratch(const scratch&) = delete;
    scratch& operator=(const scratch&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

  private:
    fs::path path_;
};

void writefile(const fs::path& path, const bytes& content);
bytes readfile(const fs::path& path);
bytes randombytes(std::size_t n, unsigned seed);
bytes textbytes(std::size_t n);

// Runs cell SUBCOMMAND with these arguments; returns its status, and what it
// printed on standard error and output (when asked for).
int runcell(const std::vector<std::string>& arguments, std::string* errors = nullptr,
            std::string* output = nullptr);

// Packs source into out with a fixed time and this volume size ("" for none).
int pack(const fs::path& source, const fs::path& out, const std::string& size = "",
         const std::vector<std::string>& extra = {}, std::string* errors = nullptr);

struct decoded {
    cell::entryinfo entry;
    bytes data;
};
// Every entry of the distribution, read through the decoder ring.
std::vector<decoded> unpack(const fs::path& dist);

std::vector<fs::path> volumes(const fs::path& dist); // CELL.0, CELL.1, ... present

// Writes a decoded stream made by hand as the volumes of a distribution.
void writestream(const fs::path& dist, const bytes& stream, std::uint64_t volumesize = 0);

} // namespace celltest
