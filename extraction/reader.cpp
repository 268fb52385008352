#include "extraction/reader.h"

#include "platform/fileio.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

std::uint64_t littleendian(std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    return word;
}

// Bytes read ahead: those from begin to end are still to be unpacked. ended
// once a read gave nothing.
struct readahead {
    // Eight bytes more than are ever read ahead, for the word loads of unpack.
    unsigned char bytes[readpiecebytes + readbufferbytes + 8];
    std::uint32_t begin = 0, end = 0;
    bool ended = false;
} ahead;

// The bytes that hold w codes: three per pair, two for a code left over.
std::int32_t bytesforcodes(std::int32_t w) {
    return w <= 0 ? 0 : (w / 2) * 3 + (w % 2) * 2;
}

// Reads on until wanted bytes are ahead or the file ends; false when a read
// fails.
bool fill(const platform::handle& file, std::uint32_t wanted) {
    while (ahead.end - ahead.begin < wanted && !ahead.ended) {
        const std::uint32_t kept = ahead.end - ahead.begin;
        std::memmove(ahead.bytes, ahead.bytes + ahead.begin, kept);
        ahead.begin = 0;
        ahead.end = kept;
        const auto room = static_cast<std::uint32_t>(sizeof ahead.bytes) - 8 - kept;
        std::uint32_t n = 0;
        if (!platform::readfile(file, ahead.bytes + kept, room, n) || n > room) {
            readerrestart();
            return false;
        }
        ahead.end += n;
        ahead.ended = n == 0;
    }
    return true;
}

// Unpacks the codes of n bytes at b (n a multiple of 3) into c, two codes per
// three bytes; returns where the next code goes. Read as a little-endian
// number, three bytes hold the pair's second code in bits 0-11 and its first
// in bits 12-23, so six bytes at a time come from one word load (the two
// bytes after them are read and not used).
std::int32_t* unpack(const unsigned char* b, std::uint32_t n, std::int32_t* c) {
    const unsigned char* const end = b + n;
    for (; end - b >= 6; b += 6, c += 4) {
        std::uint64_t word = 0;
        std::memcpy(&word, b, sizeof word);
        word = littleendian(word);
        c[0] = static_cast<std::int32_t>(word >> 12 & 0xfff);
        c[1] = static_cast<std::int32_t>(word & 0xfff);
        c[2] = static_cast<std::int32_t>(word >> 36 & 0xfff);
        c[3] = static_cast<std::int32_t>(word >> 24 & 0xfff);
    }
    if (b != end) {
        c[0] = b[2] << 4 | b[1] >> 4;
        c[1] = (b[1] & 15) << 8 | b[0];
        c += 2;
    }
    return c;
}

} // namespace

void readerrestart() {
    ahead.begin = 0;
    ahead.end = 0;
    ahead.ended = false;
}

void readcodes(const platform::handle& file, std::int32_t* codes, const std::int32_t& w,
               std::int32_t& got, std::int32_t& status) {
    const auto wanted = static_cast<std::uint32_t>(std::min(bytesforcodes(w), readbufferbytes));
    if (!fill(file, wanted)) {
        got = 0;
        status = 0;
        return;
    }
    const std::uint32_t n = std::min(wanted, ahead.end - ahead.begin);
    const unsigned char* b = ahead.bytes + ahead.begin;
    ahead.begin += n;
    std::int32_t* c = unpack(b, n / 3 * 3, codes + 1);
    b += n / 3 * 3;
    if (n % 3 == 2) {
        *c++ = b[1] << 4 | b[0] >> 4;
    }
    got = static_cast<std::int32_t>(c - (codes + 1));
    // A segment is packed in threes and a final two: one stray byte is damage.
    status = n % 3 == 1 ? 0 : 1;
}
