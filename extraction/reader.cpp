#include "extraction/reader.h"

#include "platform/fileio.h"

#include <algorithm>
#include <cstring>

namespace {

// Bytes read ahead: those from begin to end are still to be unpacked. ended
// once a read gave nothing.
struct readahead {
    unsigned char bytes[readpiecebytes + readbufferbytes];
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
        const auto room = static_cast<std::uint32_t>(sizeof ahead.bytes) - kept;
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
    std::int32_t* c = codes + 1;
    for (const unsigned char* groups = b + n / 3 * 3; b != groups; b += 3, c += 2) {
        c[0] = b[2] << 4 | b[1] >> 4;
        c[1] = (b[1] & 15) << 8 | b[0];
    }
    if (n % 3 == 2) {
        *c++ = b[1] << 4 | b[0] >> 4;
    }
    got = static_cast<std::int32_t>(c - (codes + 1));
    // A segment is packed in threes and a final two: one stray byte is damage.
    status = n % 3 == 1 ? 0 : 1;
}
