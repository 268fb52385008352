// cell pack: writes a distribution from a directory tree.
#include "tools/cell/arguments.h"
#include "tools/cell/commands.h"
#include "tools/cell/encoder.h"
#include "tools/cell/entries.h"
#include "tools/cell/packer.h"
#include "tools/cell/scan.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace cell {

namespace {

namespace fs = std::filesystem;

constexpr const char* usage =
    "usage: cell pack SOURCE_DIR OUTPUT_DIR --name NAME --dir PROPOSAL\n"
    "                 [--volume-size SIZE] [--clean SUBDIR]... [--time EPOCH]\n"
    "\n"
    "Writes the files under SOURCE_DIR as the volumes CELL.0, CELL.1, ... into\n"
    "OUTPUT_DIR (created if needed). Nothing is written when a file is refused.\n"
    "\n"
    "  --name NAME         the product's name, at most 55 characters\n"
    "  --dir PROPOSAL      proposed installation directory, at most 63 characters,\n"
    "                      with at least one backslash (C:\\APPS\\WIDGET)\n"
    "  --volume-size SIZE  largest volume in bytes, or 360K, 720K, 1.2M, 1.44M\n"
    "                      (default: one volume)\n"
    "  --clean SUBDIR      the installer clears SUBDIR (\\ for the top) before\n"
    "                      writing its files; may be repeated\n"
    "  --time EPOCH        give every file these times (seconds since 1970)\n";

constexpr std::uint32_t volumelimit = 100000000; // volume numbers have 8 digits

std::uint64_t parsenumber(const std::string& text, const char* what) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw usageerror(std::string(what) + ": not a number: " + text);
    return value;
}

std::uint64_t parsevolumesize(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // What a formatted disk of each kind holds for files.
    static constexpr std::pair<const char*, std::uint64_t> floppies[] = {
        {"360K", 362496}, {"720K", 730112}, {"1.2M", 1213952}, {"1.44M", 1457664}};
    for (const auto& [name, bytes] : floppies)
        if (text == name)
            return bytes;
    const auto size = parsenumber(text, "--volume-size");
    if (size < 2)
        throw usageerror("--volume-size: a volume must hold at least 2 bytes");
    return size;
}

std::int64_t parseepoch(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw usageerror("--time: not a number of seconds: " + text);
    return value;
}

std::string volumename(std::uint32_t volume) {
    return "CELL." + std::to_string(volume);
}

// The volumes being written, under temporary names until the set is complete,
// so that a failed pack leaves any earlier set as it was.
class volumeset {
  public:
    explicit volumeset(fs::path dir) : dir_(std::move(dir)) {}
    volumeset(const volumeset&) = delete;
    volumeset& operator=(const volumeset&) = delete;
    ~volumeset() {
        if (!committed_)
            discard();
    }

    void write(std::uint32_t volume, std::span<const unsigned char> bytes) {
        if (file_ == nullptr || volume != count_ - 1)
            start(volume);
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
            throw std::runtime_error(temporary(volume).string() + ": cannot write");
        bytes_ += bytes.size();
    }

    // Gives the volumes their names and removes volumes of an earlier, longer set.
    void commit() {
        close();
        for (std::uint32_t n = 0; n < count_; ++n)
            fs::rename(temporary(n), dir_ / volumename(n));
        committed_ = true;
        for (const auto& item : fs::directory_iterator(dir_)) {
            const auto name = item.path().filename().string();
            if (name.starts_with("CELL.") && stalenumber(name.substr(5)))
                fs::remove(item.path());
        }
    }

    std::uint32_t count() const { return count_; }
    std::uint64_t bytes() const { return bytes_; }

  private:
    fs::path temporary(std::uint32_t volume) const {
        std::string name(".");
        name += volumename(volume);
        name += ".part";
        return dir_ / name;
    }

    void start(std::uint32_t volume) {
        close();
        if (volume >= volumelimit)
            throw std::runtime_error("more than 100000000 volumes: choose a larger --volume-size");
        count_ = volume + 1;
        file_ = std::fopen(temporary(volume).string().c_str(), "wb");
        if (file_ == nullptr)
            throw std::runtime_error(temporary(volume).string() + ": cannot create");
    }

    void close() {
        if (file_ == nullptr)
            return;
        const bool ok = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!ok)
            throw std::runtime_error(temporary(count_ - 1).string() + ": cannot write");
    }

    void discard() {
        if (file_ != nullptr)
            std::fclose(file_);
        std::error_code ignored;
        for (std::uint32_t n = 0; n < count_; ++n)
            fs::remove(temporary(n), ignored);
    }

    // A volume number (decimal, no leading zero) beyond the new set.
    bool stalenumber(const std::string& digits) const {
        if (digits.empty() || digits.size() > 8 || (digits[0] == '0' && digits.size() > 1) ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        return std::stoul(digits) >= count_;
    }

    fs::path dir_;
    std::FILE* file_ = nullptr;
    std::uint32_t count_ = 0;
    std::uint64_t bytes_ = 0;
    bool committed_ = false;
};

void feedfile(encoder& coder, const packitem& item, std::vector<unsigned char>& buffer) {
    std::FILE* in = std::fopen(item.source.string().c_str(), "rb");
    if (in == nullptr)
        throw std::runtime_error(item.source.string() + ": cannot open");
    std::uint64_t left = item.entry.size;
    while (left > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        const auto got = std::fread(buffer.data(), 1, want, in);
        coder.put(std::span<const unsigned char>(buffer.data(), got));
        left -= got;
        if (got < want)
            break;
    }
    const bool grew = left == 0 && std::fgetc(in) != EOF;
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed)
        throw std::runtime_error(item.source.string() + ": cannot read");
    if (left > 0 || grew)
        throw std::runtime_error(item.source.string() + ": changed while it was packed");
}

void refuseinside(const fs::path& source, const fs::path& output) {
    const auto inner = fs::weakly_canonical(output).lexically_relative(fs::canonical(source));
    if (!inner.empty() && *inner.begin() != "..")
        throw std::runtime_error(output.string() + ": lies inside the source directory " +
                                 source.string());
}

int pack(arguments& args) {
    const auto name = args.value("--name");
    const auto proposal = args.value("--dir");
    const auto size = args.value("--volume-size");
    const auto time = args.value("--time");
    scanoptions options{args.values("--clean"), std::nullopt};
    const auto paths = args.positional(2);
    if (!name || !proposal)
        throw usageerror("--name and --dir are required");
    if (auto fault = descriptorfault(*name, *proposal); !fault.empty())
        throw usageerror(fault);
    const std::uint64_t volumesize = size ? parsevolumesize(*size) : 0;
    // The installer reads the descriptor from CELL.0 alone. Every code stands
    // for a byte at least, so a CELL.0 that holds as many codes as the
    // descriptor has bytes holds all of it.
    const std::uint64_t head = segmentbytes(descriptorlength(*name, *proposal));
    if (volumesize != 0 && volumesize < head)
        throw usageerror("--volume-size: CELL.0 must hold the whole descriptor, " +
                         std::to_string(head) + " bytes at least for this name and directory");
    if (time)
        options.time = parseepoch(*time);
    const fs::path source = paths[0], output = paths[1];

    if (!fs::is_directory(source))
        throw std::runtime_error(source.string() + ": not a directory");
    refuseinside(source, output);
    const auto tree = scantree(source, options);
    for (const auto& warning : tree.warnings)
        std::fprintf(stderr, "cell pack: warning: %s\n", warning.c_str());
    std::uint64_t total = descriptorlength(*name, *proposal);
    for (const auto& item : tree.items)
        total += entrylength(item.entry);

    fs::create_directories(output);
    volumeset volumes(output);
    packer cutter(volumesize, [&](std::uint32_t volume, std::span<const unsigned char> bytes) {
        volumes.write(volume, bytes);
    });
    encoder coder([&](std::span<const code> block) { cutter.block(block); });
    coder.put(descriptorbytes(*name, *proposal, total));
    std::vector<unsigned char> buffer(1 << 20);
    for (const auto& item : tree.items) {
        coder.put(entryhead(item.entry));
        if (!item.source.empty())
            feedfile(coder, item, buffer);
    }
    coder.finish();
    volumes.commit();
    std::printf("cell pack: %zu entries, %llu bytes -> %llu bytes in %u volume%s in %s\n",
                tree.items.size(), static_cast<unsigned long long>(total),
                static_cast<unsigned long long>(volumes.bytes()), volumes.count(),
                volumes.count() == 1 ? "" : "s", output.string().c_str());
    return 0;
}

} // namespace

int packcommand(int argc, char** argv) {
    return runcommand("pack", usage, argc, argv, pack);
}

} // namespace cell
