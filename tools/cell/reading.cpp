#include "tools/cell/reading.h"

#include "extraction/decomp.h"
#include "extraction/extract.h"
#include "platform/fileio.h"
#include "tools/cell/names.h"

#include <algorithm>

namespace cell {

namespace {
constexpr std::uint64_t piece = 1 << 16; // bytes asked of the ring at once
constexpr std::uint32_t volumelimit = 100000000;
} // namespace

distreader::distreader(const std::filesystem::path& where) : places_({where}), scratch_(piece) {
    open();
    if (session_.file < 1)
        throw unsound("CELL.0 is not in " + places_.list() + ", or cannot be read");
    session_.start();
    descriptor_.total = ~std::uint64_t{0}; // unknown until read
    descriptor_.product = text(productlimit, "the product name");
    descriptor_.proposal = text(proposallimit, "the directory proposal");
    unsigned char total[8];
    read(total, 8);
    descriptor_.total = twowordvalue(getle32(total), getle32(total + 4));
    descriptor_.length = position_;
    if (volume_ != 0)
        throw unsound("descriptor: runs past CELL.0, from which the installer reads all of it");
    if (auto fault = descriptorfault(descriptor_.product, descriptor_.proposal); !fault.empty())
        throw unsound("descriptor: " + fault);
    if (descriptor_.total < descriptor_.length)
        throw unsound("descriptor: the total " + std::to_string(descriptor_.total) +
                      " does not cover the descriptor itself");
}

distreader::session::~session() {
    if (started)
        decompstop();
    close();
}

void distreader::session::start() {
    started = true; // a ring built half-way is stopped too
    if (!decompstart(file))
        throw std::runtime_error("the decoder cannot start: the system refused its thread or "
                                 "events");
}

void distreader::session::close() {
    if (file >= 1)
        platform::closefile(file);
    file = -1;
}

std::string distreader::where() const {
    return "at byte " + std::to_string(position_) + " (" + shown_ + ")";
}

void distreader::open() {
    const auto name = "CELL." + std::to_string(volume_);
    const auto found = places_.find(volume_);
    shown_ = found ? found->shown : name;
    if (!found)
        return;
    session_.file = platform::openfile((found->directory / name).string().c_str(),
                                       platform::genericread, platform::shareread,
                                       platform::openexisting, platform::flagsequentialscan);
}

// Takes exactly n decoded bytes, going on into the next volume whenever the
// current one ends.
void distreader::read(unsigned char* destination, std::uint64_t n) {
    while (n > 0) {
        const auto ask = static_cast<std::int32_t>(std::min(n, piece));
        std::int32_t got = 0, status = 1, end = 0;
        extractread(reinterpret_cast<char*>(destination), ask, got, status, end);
        if (status == 0)
            throw unsound("damaged data " + where());
        position_ += static_cast<std::uint64_t>(got);
        destination += got;
        n -= static_cast<std::uint64_t>(got);
        if (end == 0)
            continue;
        session_.close();
        if (++volume_ == volumelimit)
            throw unsound("the stream runs past volume 99999999");
        open();
        if (session_.file < 1)
            throw unsound("CELL." + std::to_string(volume_) + " is missing from " + places_.list() +
                          ": the stream ends after " + std::to_string(position_) + " of " +
                          std::to_string(descriptor_.total) + " bytes");
        session_.start();
    }
}

// A text field ending with its 0, of at most limit characters, within the total.
std::string distreader::text(std::size_t limit, const char* what) {
    std::string result;
    for (;;) {
        if (left() == 0)
            throw unsound(std::string(what) + " runs past the total " + where());
        unsigned char c = 0;
        read(&c, 1);
        if (c == 0)
            return result;
        if (result.size() == limit)
            throw unsound(std::string(what) + " has more than " + std::to_string(limit) +
                          " characters " + where());
        result.push_back(static_cast<char>(c));
    }
}

void distreader::skip(std::uint64_t n) {
    while (n > 0) {
        const auto step = std::min<std::uint64_t>(n, scratch_.size());
        read(scratch_.data(), step);
        n -= step;
    }
}

std::size_t distreader::data(unsigned char* destination, std::size_t n) {
    const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(n, pending_));
    read(destination, take);
    pending_ -= take;
    return take;
}

bool distreader::next(entryinfo& entry) {
    skip(pending_);
    pending_ = 0;
    if (left() == 0)
        return false;
    const auto start = where();
    entry.name = text(namelimit, "the entry name");
    unsigned char fixed[entryfixed];
    if (left() < entryfixed)
        throw unsound("the entry " + start + " runs past the total");
    read(fixed, entryfixed);
    entry.attributes = getle32(fixed);
    entry.creation = getle64(fixed + 4);
    entry.lastaccess = getle64(fixed + 12);
    entry.lastwrite = getle64(fixed + 20);
    entry.size = twowordvalue(getle32(fixed + 28), getle32(fixed + 32));
    if (entry.size > left())
        throw unsound("the data of " + entry.name + " runs past the total");
    pending_ = entry.size;
    return true;
}

void distreader::finish() {
    skip(pending_);
    pending_ = 0;
    unsigned char extra = 0;
    std::int32_t got = 0, status = 1, end = 0;
    extractread(reinterpret_cast<char*>(&extra), 1, got, status, end);
    if (status == 0)
        throw unsound("damaged data after the total (" + shown_ + ")");
    if (end == 0)
        throw unsound("bytes follow the total in " + shown_);
    session_.close();
    if (const auto stray = places_.find(volume_ + 1))
        throw unsound(stray->shown + " follows the last volume");
}

} // namespace cell
