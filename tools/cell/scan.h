#pragma once
// Turns a source tree into the entries of a distribution, in a stable order:
// per directory its "..clean" entry if asked for, then its files, then its
// subdirectories, each sorted by name. Refuses (std::runtime_error naming the
// file) any name the format or the installer's platform cannot hold.
#include "tools/cell/entries.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cell {

struct packitem {
    entryinfo entry;
    std::filesystem::path source; // empty for a "..clean" entry
};

struct scanoptions {
    std::vector<std::string> clean;   // directories to clear: "\" for the root, "docs\old"
    std::optional<std::int64_t> time; // fixes all three times (POSIX seconds)
};

struct scanresult {
    std::vector<packitem> items;
    std::vector<std::string> warnings; // what was left out, and why
};

scanresult scantree(const std::filesystem::path& root, const scanoptions& options);

} // namespace cell
