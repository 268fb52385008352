#include "extraction/reader.h"

#include "platform/fileio.h"

#include <algorithm>

namespace {
unsigned char readbuffer[readbufferbytes];

// The bytes that hold w codes: three per pair, two for a code left over.
std::int32_t bytesforcodes(std::int32_t w) {
    return w <= 0 ? 0 : (w / 2) * 3 + (w % 2) * 2;
}
} // namespace

void readcodes(const platform::handle& file, std::int32_t* codes, const std::int32_t& w,
               std::int32_t& got, std::int32_t& status) {
    const auto wanted = static_cast<std::uint32_t>(std::min(bytesforcodes(w), readbufferbytes));
    std::uint32_t n = 0;
    if (!platform::readfile(file, readbuffer, wanted, n) || n > wanted) {
        got = 0;
        status = 0;
        return;
    }
    const unsigned char* b = readbuffer;
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
