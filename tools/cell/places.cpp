#include "tools/cell/places.h"

#include "tools/cell/fat.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace cell {

namespace fs = std::filesystem;

namespace {

// Floppy images are small; a file this large is no disk set's image.
constexpr std::uintmax_t imagelimit = std::uintmax_t{256} << 20;

// The first bytes of a file, at most this many.
std::vector<unsigned char> readbytes(const fs::path& file, std::uintmax_t most) {
    std::error_code error;
    const auto size = std::min(fs::file_size(file, error), most);
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> bytes(error ? 0 : static_cast<std::size_t>(size));
    if (error ||
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error(file.string() + ": cannot be read");
    return bytes;
}

bool imagename(const fs::path& file) {
    std::string extension = file.extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension == ".IMG" || extension == ".IMA";
}

bool readable(const fs::path& file) {
    std::error_code error;
    return fs::is_regular_file(file, error) && std::ifstream(file, std::ios::binary).good();
}

// The files of a directory that are images, by name.
std::vector<fs::path> imagesin(const fs::path& dir) {
    std::vector<fs::path> images;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(dir, error)) {
        const auto& path = item.path();
        if (path.filename().string().starts_with("CELL.") || !readable(path))
            continue;
        if (imagename(path) || fat::looksimage(readbytes(path, fat::sectorbytes)))
            images.push_back(path);
    }
    std::sort(images.begin(), images.end());
    return images;
}

} // namespace

volumeplaces::volumeplaces(std::vector<fs::path> places) : places_(std::move(places)) {}

volumeplaces::~volumeplaces() {
    discard();
}

void volumeplaces::discard() noexcept {
    if (staging_.empty())
        return;
    std::error_code ignored;
    fs::remove_all(staging_, ignored);
    staging_.clear();
}

std::string volumeplaces::list() const {
    std::string text;
    for (const auto& place : places_)
        text += (text.empty() ? "" : ", ") + place.string();
    return text;
}

std::vector<fs::path> volumeplaces::images() const {
    std::vector<fs::path> found;
    for (const auto& place : places_) {
        std::error_code error;
        if (fs::is_directory(place, error)) {
            const auto inside = imagesin(place);
            found.insert(found.end(), inside.begin(), inside.end());
        } else if (readable(place)) {
            found.push_back(place);
        }
    }
    return found;
}

std::optional<foundvolume> volumeplaces::find(std::uint32_t volume) {
    for (std::size_t place = 0; place < places_.size(); ++place)
        if (auto found = findin(place, volume))
            return found;
    return std::nullopt;
}

std::optional<foundvolume> volumeplaces::findin(std::size_t place, std::uint32_t volume) {
    const fs::path& where = places_.at(place);
    const std::string name = "CELL." + std::to_string(volume);
    std::error_code error;
    if (fs::is_directory(where, error)) {
        if (readable(where / name))
            return foundvolume{where, (where / name).string()};
        for (const auto& image : imagesin(where))
            if (auto found = fromimage(image, name, false))
                return found;
        return std::nullopt;
    }
    if (readable(where))
        return fromimage(where, name, true);
    return std::nullopt;
}

std::optional<foundvolume> volumeplaces::fromimage(const fs::path& image, const std::string& name,
                                                   bool mustbe) {
    std::error_code error;
    if (fs::file_size(image, error) > imagelimit && !error)
        throw std::runtime_error(image.string() + ": larger than any floppy image (more than " +
                                 std::to_string(imagelimit >> 20) + " MiB)");
    const auto bytes = readbytes(image, imagelimit);
    if (mustbe && !imagename(image) && !fat::looksimage(bytes))
        throw std::runtime_error(image.string() + ": neither a directory nor a floppy image");
    std::vector<unsigned char> volume;
    try {
        const fat::reader disk(bytes);
        const auto entries = disk.root();
        const auto* entry = disk.find(entries, name);
        if (entry == nullptr)
            return std::nullopt;
        volume = disk.read(*entry);
    } catch (const fat::damaged& e) {
        throw fat::damaged(image.string() + ": a damaged floppy image: " + e.what());
    }
    const fs::path dir = staging();
    for (const auto& item : fs::directory_iterator(dir))
        fs::remove(item.path());
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(volume.data()),
              static_cast<std::streamsize>(volume.size()));
    out.close();
    if (!out)
        throw std::runtime_error((dir / name).string() + ": cannot write the volume taken from " +
                                 image.string());
    return foundvolume{dir, name + " in " + image.string()};
}

fs::path volumeplaces::staging() {
    if (!staging_.empty())
        return staging_;
    const fs::path temporary = fs::absolute(fs::temp_directory_path());
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir = temporary / ("cell-volumes-" + std::to_string(seed()));
        if (fs::create_directory(dir)) {
            staging_ = dir;
            return dir;
        }
    }
    throw std::runtime_error("cannot make a directory for volumes in " + temporary.string());
}

} // namespace cell
