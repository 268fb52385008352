// cell pack: writes a distribution from a directory tree.
#include "tools/cell/arguments.h"
#include "tools/cell/commands.h"
#include "tools/cell/diskset.h"
#include "tools/cell/encoder.h"
#include "tools/cell/entries.h"
#include "tools/cell/packer.h"
#include "tools/cell/scan.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

namespace cell {

namespace {

namespace fs = std::filesystem;

constexpr const char* usage =
    "usage: cell pack SOURCE_DIR OUTPUT_DIR --name NAME --dir PROPOSAL\n"
    "                 [--volume-size SIZE] [--clean SUBDIR]... [--time EPOCH] [--best]\n"
    "                 [--images [--format FORMAT] [--installer PATH] [--add FILE]...]\n"
    "\n"
    "Writes the files under SOURCE_DIR as the volumes CELL.0, CELL.1, ... into\n"
    "OUTPUT_DIR (created if needed). Nothing is written when a file is refused;\n"
    "the volumes or images of an earlier set in OUTPUT_DIR are replaced.\n"
    "\n"
    "  --name NAME         the product's name, at most 55 characters\n"
    "  --dir PROPOSAL      proposed installation directory, at most 63 characters,\n"
    "                      with at least one backslash (C:\\APPS\\WIDGET)\n"
    "  --volume-size SIZE  largest volume in bytes, or 360K, 720K, 1.2M, 1.44M for\n"
    "                      what a formatted disk of that kind holds (default: one\n"
    "                      volume, or a full disk with --images)\n"
    "  --clean SUBDIR      the installer clears SUBDIR (\\ for the top) before\n"
    "                      writing its files; may be repeated\n"
    "  --time EPOCH        give every file these times (seconds since 1970)\n"
    "  --best              pack smaller (about 1.6 % on a mixed tree, 3 % on text)\n"
    "                      at about ten times the time, for a set that must fit\n"
    "                      fewer disks; any installer reads it\n"
    "\n"
    "  --images            write floppy disk images instead of the loose volumes:\n"
    "                      SETUP.IMG (label SETUP) holds CELL.0, DISKn.IMG (label\n"
    "                      DISKn) holds CELL.n, as the installer's disk prompt\n"
    "                      \"Insert DISK n\" asks for them; FAT12 file systems of\n"
    "                      the standard geometry, the file times of --time\n"
    "  --format FORMAT     the disks' kind: 360K, 720K, 1.2M or 1.44M (default:\n"
    "                      the one --volume-size names)\n"
    "  --installer PATH    put PATH on the setup disk as INSTALL.EXE\n"
    "  --add FILE          put FILE on the setup disk under its own 8.3 name;\n"
    "                      may be repeated. What these files take of the disk\n"
    "                      comes off CELL.0, which must still hold the descriptor.\n";

std::uint64_t parsenumber(const std::string& text, const char* what) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw usageerror(std::string(what) + ": not a number: " + text);
    return value;
}

// A size in bytes or a floppy format, which stands for what a freshly
// formatted disk of that kind holds for files.
std::uint64_t parsevolumesize(const std::string& text) {
    if (const auto* disk = fat::floppy(text))
        return fat::freebytes(*disk);
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

// What the options say of images: the disks' kind and the setup disk's files.
std::optional<imagelayout> imageoptions(arguments& args, const std::optional<std::string>& size,
                                        std::optional<std::int64_t> time) {
    const bool images = args.flag("--images");
    const auto format = args.value("--format");
    const auto installer = args.value("--installer");
    const auto added = args.values("--add");
    if (!images) {
        if (format || installer || !added.empty())
            throw usageerror("--format, --installer and --add go with --images");
        return std::nullopt;
    }
    imagelayout layout;
    layout.disk = fat::floppy(format ? *format : size ? *size : "");
    if (layout.disk == nullptr)
        throw usageerror(format ? "--format: not one of 360K, 720K, 1.2M, 1.44M: " + *format
                                : "--images needs --format, or a --volume-size of 360K, 720K, "
                                  "1.2M or 1.44M");
    layout.when = fat::fromepoch(time ? *time : std::time(nullptr));
    if (installer)
        layout.setup.push_back({"INSTALL.EXE", readwhole(*installer)});
    for (const auto& file : added) {
        try {
            layout.setup.push_back(
                {fat::dosname(fs::path(file).filename().string()), readwhole(file)});
        } catch (const std::invalid_argument& e) {
            throw usageerror(std::string("--add: ") + e.what());
        }
    }
    return layout;
}

// CELL.0's room on the setup disk beside the setup files, refused when it
// cannot hold the descriptor.
std::uint64_t setupvolume(const imagelayout& layout, std::uint64_t volumesize, std::uint64_t head) {
    const auto& disk = *layout.disk;
    std::uint64_t taken = 0;
    std::string files;
    for (const auto& file : layout.setup) {
        taken += fat::filespace(disk, file.bytes.size());
        files += (files.empty() ? "" : ", ") + file.name + " " +
                 std::to_string(fat::filespace(disk, file.bytes.size()));
    }
    const std::uint64_t room =
        fat::freebytes(disk) - std::min<std::uint64_t>(taken, fat::freebytes(disk));
    if (room < head)
        throw std::runtime_error("the setup disk (" + std::string(disk.name) + ", " +
                                 std::to_string(fat::freebytes(disk)) + " bytes free) keeps " +
                                 std::to_string(room) + " bytes for CELL.0 beside " + files +
                                 " bytes, but CELL.0 must hold the whole descriptor, " +
                                 std::to_string(head) + " bytes at least");
    return std::min(room, volumesize);
}

int pack(arguments& args) {
    const auto name = args.value("--name");
    const auto proposal = args.value("--dir");
    const auto size = args.value("--volume-size");
    const auto time = args.value("--time");
    const auto parse = args.flag("--best") ? encoder::parse::lookahead : encoder::parse::greedy;
    scanoptions options{args.values("--clean"), std::nullopt};
    if (time)
        options.time = parseepoch(*time);
    const auto images = imageoptions(args, size, options.time);
    const auto paths = args.positional(2);
    if (!name || !proposal)
        throw usageerror("--name and --dir are required");
    if (auto fault = descriptorfault(*name, *proposal); !fault.empty())
        throw usageerror(fault);
    std::uint64_t volumesize = size ? parsevolumesize(*size) : 0;
    if (images) {
        const auto free = fat::freebytes(*images->disk);
        if (volumesize > free)
            throw usageerror("--volume-size: a " + std::string(images->disk->name) +
                             " disk holds " + std::to_string(free) + " bytes of files");
        volumesize = size ? volumesize : free;
    }
    // The installer reads the descriptor from CELL.0 alone. Every code stands
    // for a byte at least, so a CELL.0 that holds as many codes as the
    // descriptor has bytes holds all of it.
    const std::uint64_t head = segmentbytes(descriptorlength(*name, *proposal));
    if (volumesize != 0 && volumesize < head)
        throw usageerror("--volume-size: CELL.0 must hold the whole descriptor, " +
                         std::to_string(head) + " bytes at least for this name and directory");
    const std::uint64_t firstsize = images ? setupvolume(*images, volumesize, head) : volumesize;
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
    volumeset volumes(output, images);
    packer cutter(firstsize, volumesize,
                  [&](std::uint32_t volume, std::span<const unsigned char> bytes) {
                      volumes.write(volume, bytes);
                  });
    encoder coder([&](std::span<const code> block) { cutter.block(block); }, parse);
    coder.put(descriptorbytes(*name, *proposal, total));
    std::vector<unsigned char> buffer(1 << 20);
    for (const auto& item : tree.items) {
        coder.put(entryhead(item.entry));
        if (!item.source.empty())
            feedfile(coder, item, buffer);
    }
    coder.finish();
    volumes.commit();
    const auto count = volumes.count();
    const std::string kind = images ? std::string(images->disk->name) + " image" : "volume";
    std::printf("cell pack: %zu entries, %llu bytes -> %llu bytes in %u %s%s in %s\n",
                tree.items.size(), static_cast<unsigned long long>(total),
                static_cast<unsigned long long>(volumes.bytes()), count, kind.c_str(),
                count == 1 ? "" : "s", output.string().c_str());
    return 0;
}

} // namespace

int packcommand(int argc, char** argv) {
    return runcommand("pack", usage, argc, argv, pack);
}

} // namespace cell
