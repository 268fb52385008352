#include "tools/cell/fat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstring>

namespace cell::fat {

namespace {

constexpr std::array<geometry, 4> standard = {{
    {"360K", 720, 2, 112, 2, 0xFD, 9},
    {"720K", 1440, 2, 112, 3, 0xF9, 9},
    {"1.2M", 2400, 1, 224, 7, 0xF9, 15},
    {"1.44M", 2880, 1, 224, 9, 0xF0, 18},
}};

constexpr std::uint32_t entrybytes = 32;
constexpr std::uint8_t archive = 0x20, volumelabel = 0x08, longname = 0x0F;

// Boot code for a disk that is no system disk: print the message, wait for
// a key, let the BIOS try the next boot device.
constexpr unsigned char bootcode[] = {
    0x0E, 0x1F, 0xBE, 0x5B, 0x7C,             // push cs; pop ds; mov si, message
    0xAC, 0x22, 0xC0, 0x74, 0x0B,             // next: lodsb; and al, al; jz wait
    0x56, 0xB4, 0x0E, 0xBB, 0x07, 0x00,       // push si; mov ah, 0Eh; mov bx, 7
    0xCD, 0x10, 0x5E, 0xEB, 0xF0,             // int 10h; pop si; jmp next
    0x32, 0xE4, 0xCD, 0x16, 0xCD, 0x19, 0xEB, // wait: xor ah, ah; int 16h; int 19h;
    0xFE,                                     // jmp $
};
constexpr char bootmessage[] = "This disk holds no system: remove it and press a key.\r\n";

std::uint16_t le16(std::span<const unsigned char> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t le32(std::span<const unsigned char> b, std::size_t at) {
    return le16(b, at) | static_cast<std::uint32_t>(le16(b, at + 2)) << 16;
}
void put16(std::span<unsigned char> b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void put32(std::span<unsigned char> b, std::size_t at, std::uint32_t v) {
    put16(b, at, v);
    put16(b, at + 2, v >> 16);
}

// The 11 bytes of a directory name: base and extension, each padded.
std::array<char, 11> shortname(const std::string& name) {
    const auto dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    std::array<char, 11> field;
    field.fill(' ');
    std::copy(base.begin(), base.end(), field.begin());
    std::copy(extension.begin(), extension.end(), field.begin() + 8);
    return field;
}

void writeentry(std::span<unsigned char> entry, const std::array<char, 11>& name,
                std::uint8_t attributes, dostime when, std::uint32_t first, std::uint32_t size) {
    std::memcpy(entry.data(), name.data(), name.size());
    entry[11] = attributes;
    put16(entry, 14, when.time);
    put16(entry, 16, when.date);
    put16(entry, 18, when.date);
    put16(entry, 22, when.time);
    put16(entry, 24, when.date);
    put16(entry, 26, first);
    put32(entry, 28, size);
}

void setfat12(std::span<unsigned char> fat, std::uint32_t n, std::uint32_t value) {
    const std::size_t at = n + n / 2;
    const std::uint32_t old = le16(fat, at);
    put16(fat, at, n % 2 ? (old & 0x000F) | value << 4 : (old & 0xF000) | value);
}

std::uint32_t serialnumber(std::string_view label, dostime when) {
    std::uint32_t hash = 2166136261u;
    for (const char c : label)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash ^ (static_cast<std::uint32_t>(when.date) << 16 | when.time);
}

void writebootsector(std::span<unsigned char> sector, const geometry& disk,
                     const std::array<char, 11>& label, dostime when) {
    const unsigned char jump[] = {0xEB, 0x3C, 0x90};
    std::memcpy(sector.data(), jump, sizeof jump);
    std::memcpy(sector.data() + 3, "CELLPACK", 8);
    put16(sector, 11, sectorbytes);
    sector[13] = disk.sectorspercluster;
    put16(sector, 14, 1); // reserved sectors: the boot sector
    sector[16] = 2;       // FATs
    put16(sector, 17, disk.rootentries);
    put16(sector, 19, disk.totalsectors);
    sector[21] = disk.media;
    put16(sector, 22, disk.fatsectors);
    put16(sector, 24, disk.sectorspertrack);
    put16(sector, 26, 2); // heads
    sector[38] = 0x29;    // the extended fields follow
    put32(sector, 39, serialnumber(std::string_view(label.data(), label.size()), when));
    std::memcpy(sector.data() + 43, label.data(), label.size());
    std::memcpy(sector.data() + 54, "FAT12   ", 8);
    std::memcpy(sector.data() + 62, bootcode, sizeof bootcode);
    std::memcpy(sector.data() + 62 + sizeof bootcode, bootmessage, sizeof bootmessage);
    sector[510] = 0x55;
    sector[511] = 0xAA;
}

std::array<char, 11> labelfield(std::string_view label) {
    std::array<char, 11> field;
    field.fill(' ');
    if (label.empty()) {
        std::memcpy(field.data(), "NO NAME    ", field.size());
        return field;
    }
    if (label.size() > field.size())
        throw std::invalid_argument(std::string(label) + ": a label has at most 11 characters");
    std::copy(label.begin(), label.end(), field.begin());
    return field;
}

// The name of a directory entry as stored, with the lower-case flags that
// some systems set for names in small letters.
std::string storedname(std::span<const unsigned char> entry) {
    auto part = [&](std::size_t from, std::size_t length, bool lower) {
        std::string text(reinterpret_cast<const char*>(entry.data()) + from, length);
        text.erase(text.find_last_not_of(' ') + 1);
        if (lower)
            for (char& c : text)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    std::string name = part(0, 8, (entry[12] & 0x08) != 0);
    if (!name.empty() && name[0] == 0x05)
        name[0] = static_cast<char>(0xE5);
    const std::string extension = part(8, 3, (entry[12] & 0x10) != 0);
    return extension.empty() ? name : name + "." + extension;
}

bool sameletters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace

std::string dosname(std::string_view name) {
    static constexpr std::string_view allowed = "!#$%&'()-@^_`{}~";
    std::string upper(name);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto dot = upper.find('.');
    const auto baselength = std::min(dot, upper.size());
    const bool charsok = std::all_of(upper.begin(), upper.end(), [&](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
               allowed.find(c) != std::string_view::npos;
    });
    if (!charsok || baselength == 0 || baselength > 8 ||
        (dot != std::string::npos &&
         (upper.size() - dot - 1 > 3 || upper.find('.', dot + 1) != std::string::npos)))
        throw std::invalid_argument(std::string(name) +
                                    ": not an 8.3 name (up to 8 letters, digits or " +
                                    std::string(allowed) + ", a dot and up to 3 more)");
    return upper;
}

std::span<const geometry> floppies() {
    return standard;
}

const geometry* floppy(std::string_view name) {
    for (const auto& disk : standard)
        if (sameletters(disk.name, name))
            return &disk;
    return nullptr;
}

dostime fromepoch(std::int64_t seconds) {
    using namespace std::chrono;
    constexpr std::int64_t first = 315532800; // 1980-01-01 00:00:00
    constexpr std::int64_t last = 4354819198; // 2107-12-31 23:59:58
    const sys_seconds at{std::chrono::seconds{std::clamp(seconds, first, last)}};
    const auto day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss clock{at - day};
    dostime when;
    when.date = static_cast<std::uint16_t>((static_cast<int>(date.year()) - 1980) << 9 |
                                           static_cast<unsigned>(date.month()) << 5 |
                                           static_cast<unsigned>(date.day()));
    when.time = static_cast<std::uint16_t>(
        clock.hours().count() << 11 | clock.minutes().count() << 5 | clock.seconds().count() / 2);
    return when;
}

std::vector<unsigned char> writeimage(const geometry& disk, std::string_view label,
                                      std::span<const newfile> files, dostime when) {
    std::vector<unsigned char> image(std::size_t{disk.totalsectors} * sectorbytes);
    const std::span<unsigned char> all(image);
    const auto name = labelfield(label);
    writebootsector(all.first(sectorbytes), disk, name, when);

    const std::size_t fatbytes = std::size_t{disk.fatsectors} * sectorbytes;
    const auto fat = all.subspan(sectorbytes, fatbytes);
    const auto root = all.subspan(sectorbytes + 2 * fatbytes, disk.rootentries * entrybytes);
    const auto data = all.subspan(sectorbytes + 2 * fatbytes + root.size());
    const std::uint32_t clusters = freebytes(disk) / clusterbytes(disk);
    if (files.size() + (label.empty() ? 0 : 1) > disk.rootentries)
        throw std::invalid_argument("more files than a " + std::string(disk.name) +
                                    " root directory holds");

    setfat12(fat, 0, 0xF00u | disk.media);
    setfat12(fat, 1, 0xFFF);
    std::size_t slot = 0;
    if (!label.empty())
        writeentry(root.subspan(slot++ * entrybytes, entrybytes), name, volumelabel, when, 0, 0);
    std::vector<std::array<char, 11>> names;
    std::uint32_t next = 2; // the first data cluster
    for (const auto& file : files) {
        const auto field = shortname(dosname(file.name));
        if (std::find(names.begin(), names.end(), field) != names.end())
            throw std::invalid_argument(file.name + ": given twice");
        names.push_back(field);
        const auto count =
            static_cast<std::uint32_t>(filespace(disk, file.bytes.size()) / clusterbytes(disk));
        if (file.bytes.size() > freebytes(disk) || count > clusters + 2 - next)
            throw std::invalid_argument("the files do not fit on a " + std::string(disk.name) +
                                        " disk");
        const std::uint32_t first = count == 0 ? 0 : next;
        for (std::uint32_t i = 0; i < count; ++i)
            setfat12(fat, next + i, i + 1 == count ? 0xFFF : next + i + 1);
        std::copy(file.bytes.begin(), file.bytes.end(),
                  data.begin() + static_cast<std::ptrdiff_t>((next - 2) * clusterbytes(disk)));
        writeentry(root.subspan(slot++ * entrybytes, entrybytes), field, archive, when, first,
                   static_cast<std::uint32_t>(file.bytes.size()));
        next += count;
    }
    const auto second = all.subspan(sectorbytes + fatbytes, fatbytes);
    std::copy(fat.begin(), fat.end(), second.begin());
    return image;
}

bool looksimage(std::span<const unsigned char> head) {
    if (head.size() < sectorbytes || (head[0] != 0xEB && head[0] != 0xE9))
        return false;
    const auto size = le16(head, 11); // disks of before the signature have a BPB all the same
    return (head[510] == 0x55 && head[511] == 0xAA) || size == 512 || size == 1024 ||
           size == 2048 || size == 4096;
}

reader::reader(std::span<const unsigned char> image) : image_(image) {
    if (image.size() < sectorbytes)
        throw damaged("shorter than a boot sector");
    sectorsize_ = le16(image, 11);
    const std::uint32_t percluster = image[13], reserved = le16(image, 14), fats = image[16];
    rootentries_ = le16(image, 17);
    const std::uint32_t fatsize = le16(image, 22);
    const std::uint32_t total = le16(image, 19) != 0 ? le16(image, 19) : le32(image, 32);
    const auto power = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
    if (sectorsize_ < 512 || sectorsize_ > 4096 || !power(sectorsize_))
        throw damaged("the boot sector gives no sector size (" + std::to_string(sectorsize_) + ")");
    if (!power(percluster) || reserved == 0 || fats == 0)
        throw damaged("the boot sector's cluster size, reserved sectors or FAT count is zero "
                      "or impossible");
    if (fatsize == 0 || rootentries_ == 0)
        throw damaged("no FAT12 or FAT16 file system (a FAT32 one is not read)");
    const std::uint32_t rootsectors = (rootentries_ * entrybytes + sectorsize_ - 1) / sectorsize_;
    fatstart_ = reserved * sectorsize_;
    const std::uint64_t data = reserved + std::uint64_t{fats} * fatsize + rootsectors;
    if (data >= total)
        throw damaged("the boot sector's areas (" + std::to_string(data) +
                      " sectors before the data) do not fit its " + std::to_string(total) +
                      " sectors");
    if (std::uint64_t{total} * sectorsize_ > image.size())
        throw damaged("the image is shorter (" + std::to_string(image.size()) +
                      " bytes) than its boot sector says (" + std::to_string(total) +
                      " sectors of " + std::to_string(sectorsize_) + ")");
    clusters_ = static_cast<std::uint32_t>((total - data) / percluster);
    if (clusters_ >= 65525)
        throw damaged("no FAT12 or FAT16 file system (a FAT32 one is not read)");
    fat16_ = clusters_ >= 4085;
    if (std::uint64_t{fatsize} * sectorsize_ * 8 < (clusters_ + 2ull) * (fat16_ ? 16 : 12))
        throw damaged("the FAT (" + std::to_string(fatsize) + " sectors) is too small for " +
                      std::to_string(clusters_) + " clusters");
    rootstart_ = fatstart_ + fats * fatsize * sectorsize_;
    datastart_ = static_cast<std::uint32_t>(data * sectorsize_);
    clustersize_ = percluster * sectorsize_;
}

std::vector<direntry> reader::root() const {
    std::vector<direntry> entries;
    for (std::uint32_t i = 0; i < rootentries_; ++i) {
        const auto entry = image_.subspan(rootstart_ + i * entrybytes, entrybytes);
        if (entry[0] == 0x00)
            break;
        if (entry[0] == 0xE5 || entry[11] == longname || (entry[11] & volumelabel) != 0)
            continue;
        entries.push_back({storedname(entry), entry[11], le32(entry, 28), le16(entry, 26)});
    }
    return entries;
}

const direntry* reader::find(const std::vector<direntry>& entries, std::string_view name) const {
    for (const auto& entry : entries)
        if (!entry.directory() && sameletters(entry.name, name))
            return &entry;
    return nullptr;
}

std::uint32_t reader::next(std::uint32_t n) const {
    if (fat16_)
        return le16(image_, fatstart_ + 2 * n);
    const std::uint32_t pair = le16(image_, fatstart_ + n + n / 2);
    return n % 2 ? pair >> 4 : pair & 0xFFF;
}

bool reader::ondisk(std::uint32_t n) const {
    return n >= 2 && n < clusters_ + 2;
}

bool reader::lastcluster(std::uint32_t value) const {
    return value >= (fat16_ ? 0xFFF8u : 0xFF8u);
}

std::span<const unsigned char> reader::cluster(std::uint32_t n) const {
    return image_.subspan(datastart_ + std::size_t{n - 2} * clustersize_, clustersize_);
}

std::vector<unsigned char> reader::read(const direntry& file) const {
    std::vector<unsigned char> bytes;
    if (file.size == 0)
        return bytes;
    const std::uint64_t needed = (std::uint64_t{file.size} + clustersize_ - 1) / clustersize_;
    if (needed > clusters_)
        throw damaged(file.name + ": its size (" + std::to_string(file.size) +
                      " bytes) is beyond the disk's " + std::to_string(clusters_) + " clusters");
    bytes.reserve(file.size);
    std::vector<bool> seen(clusters_ + 2);
    const auto loops = [&](std::uint32_t n) {
        return damaged(file.name + ": its cluster chain loops (cluster " + std::to_string(n) +
                       " comes twice)");
    };
    std::uint32_t n = file.first;
    for (std::uint64_t i = 0; i < needed; ++i) {
        if (!ondisk(n))
            throw damaged(n == 0 || lastcluster(n)
                              ? file.name + ": its size (" + std::to_string(file.size) +
                                    " bytes) goes beyond its cluster chain (" + std::to_string(i) +
                                    " clusters)"
                              : file.name + ": its cluster chain leaves the disk (cluster " +
                                    std::to_string(n) + ")");
        if (seen[n])
            throw loops(n);
        seen[n] = true;
        const auto part = cluster(n);
        const auto take = std::min<std::size_t>(part.size(), file.size - bytes.size());
        bytes.insert(bytes.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(take));
        n = next(n);
    }
    if (lastcluster(n))
        return bytes;
    if (ondisk(n) && seen[n])
        throw loops(n);
    throw damaged(file.name + ": its cluster chain does not end with its size (" +
                  std::to_string(file.size) + " bytes) but goes on to " +
                  (ondisk(n) ? "cluster " : "FAT value ") + std::to_string(n));
}

} // namespace cell::fat
