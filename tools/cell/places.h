#pragma once
// Where the volumes of a distribution are looked for: directories that hold
// the loose volumes CELL.0, CELL.1, ... or floppy images of them, and image
// files themselves. An image is known by its boot sector, whatever its file
// name, and looked into afresh at every look-up, so that a disk image swapped
// under the same name is seen as a disk swapped in a drive. A volume found in
// an image is copied out into a staging directory of the places' own (removed
// with them), so that it is read as a loose one is.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cell {

struct foundvolume {
    std::filesystem::path directory; // CELL.n opens there
    std::string shown; // where it came from: "dist/CELL.1", "CELL.1 in dist/DISK1.IMG"
};

class volumeplaces {
  public:
    explicit volumeplaces(std::vector<std::filesystem::path> places);
    volumeplaces(const volumeplaces&) = delete;
    volumeplaces& operator=(const volumeplaces&) = delete;
    ~volumeplaces();

    // CELL.n from the places in order (or from the one place given), nullopt
    // when none holds it. A damaged image met on the way throws fat::damaged,
    // naming the image.
    std::optional<foundvolume> find(std::uint32_t volume);
    std::optional<foundvolume> findin(std::size_t place, std::uint32_t volume);
    std::string list() const; // the places, for messages
    // The image files the places are or hold, as they are now.
    std::vector<std::filesystem::path> images() const;
    // Removes the staging directory now; safe to call more than once.
    void discard() noexcept;

  private:
    std::optional<foundvolume> fromimage(const std::filesystem::path& image,
                                         const std::string& name, bool mustbe);
    std::filesystem::path staging();

    std::vector<std::filesystem::path> places_;
    std::filesystem::path staging_;
};

} // namespace cell
