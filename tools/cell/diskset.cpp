#include "tools/cell/diskset.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace cell {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t volumelimit = 100000000; // volume numbers have 8 digits

std::string disklabel(std::uint32_t volume) {
    return volume == 0 ? "SETUP" : "DISK" + std::to_string(volume);
}

// A volume number as a set names it: decimal, no leading zero.
std::optional<std::uint32_t> number(const std::string& digits) {
    if (digits.empty() || digits.size() > 8 || (digits[0] == '0' && digits.size() > 1) ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(digits));
}

} // namespace

std::vector<unsigned char> readwhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in || fs::is_directory(file))
        throw std::runtime_error(file.string() + ": cannot open");
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (in.bad())
        throw std::runtime_error(file.string() + ": cannot read");
    return bytes;
}

std::string volumename(std::uint32_t volume) {
    return "CELL." + std::to_string(volume);
}

std::string imagename(std::uint32_t volume) {
    return disklabel(volume) + ".IMG";
}

volumeset::volumeset(fs::path dir, std::optional<imagelayout> images)
    : dir_(std::move(dir)), images_(std::move(images)) {}

volumeset::~volumeset() {
    if (!committed_)
        discard();
}

fs::path volumeset::temporary(const std::string& name) const {
    return dir_ / ("." + name + ".part");
}

void volumeset::write(std::uint32_t volume, std::span<const unsigned char> bytes) {
    if (file_ == nullptr || volume != count_ - 1)
        start(volume);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        throw std::runtime_error(temporary(volumename(volume)).string() + ": cannot write");
    bytes_ += bytes.size();
}

void volumeset::start(std::uint32_t volume) {
    close();
    if (volume >= volumelimit)
        throw std::runtime_error("more than 100000000 volumes: choose a larger --volume-size");
    count_ = volume + 1;
    const auto path = temporary(volumename(volume));
    file_ = std::fopen(path.string().c_str(), "wb");
    if (file_ == nullptr)
        throw std::runtime_error(path.string() + ": cannot create");
}

void volumeset::close() {
    if (file_ == nullptr)
        return;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!ok)
        throw std::runtime_error(temporary(volumename(count_ - 1)).string() + ": cannot write");
}

void volumeset::discard() {
    if (file_ != nullptr)
        std::fclose(file_);
    std::error_code ignored;
    for (std::uint32_t n = 0; n < count_; ++n)
        fs::remove(temporary(volumename(n)), ignored);
    for (std::uint32_t n = 0; n < imaged_; ++n)
        fs::remove(temporary(imagename(n)), ignored);
}

// The image of one volume, beside the volume's temporary file.
void volumeset::writeimage(std::uint32_t volume) {
    const auto content = readwhole(temporary(volumename(volume)));
    std::vector<fat::newfile> files{{volumename(volume), content}};
    if (volume == 0)
        for (const auto& file : images_->setup)
            files.push_back({file.name, file.bytes});
    const auto image = fat::writeimage(*images_->disk, disklabel(volume), files, images_->when);
    const auto path = temporary(imagename(volume));
    imaged_ = volume + 1;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out)
        throw std::runtime_error(path.string() + ": cannot write");
}

void volumeset::commit() {
    close();
    if (images_) {
        for (std::uint32_t n = 0; n < count_; ++n)
            writeimage(n);
        for (std::uint32_t n = 0; n < count_; ++n) {
            fs::rename(temporary(imagename(n)), dir_ / imagename(n));
            fs::remove(temporary(volumename(n)));
        }
    } else {
        for (std::uint32_t n = 0; n < count_; ++n)
            fs::rename(temporary(volumename(n)), dir_ / volumename(n));
    }
    committed_ = true;
    for (const auto& item : fs::directory_iterator(dir_))
        if (item.is_regular_file() && stale(item.path().filename().string()))
            fs::remove(item.path());
}

// A volume or image of an earlier set that this one does not replace.
bool volumeset::stale(const std::string& name) const {
    const bool images = images_.has_value();
    if (name == "SETUP.IMG")
        return !images;
    if (name.starts_with("CELL."))
        if (const auto n = number(name.substr(5)))
            return images || *n >= count_;
    if (name.starts_with("DISK") && name.ends_with(".IMG"))
        if (const auto n = number(name.substr(4, name.size() - 8)); n && *n != 0)
            return !images || *n >= count_;
    return false;
}

} // namespace cell
