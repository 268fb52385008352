#include "extraction/distribution.h"

#include "extraction/extract.h"

#include <cstring>

distributionstate distribution{};

namespace {

// Reads one byte of the descriptor; false when the stream failed or ended.
bool readbyte(char& byte) {
    std::int32_t got = 0, status = 0, end = 0;
    extractread(&byte, 1, got, status, end);
    return status == 1 && got == 1;
}

// Reads a text up to and including its 0 into a buffer of the given
// capacity; end = position of the 0, or 0 when the text does not fit or the
// stream gave out.
void readtext(char* buffer, std::int32_t capacity, std::int32_t& end) {
    end = 0;
    for (std::int32_t p = 1; p <= capacity; ++p) {
        if (!readbyte(buffer[p - 1])) {
            return;
        }
        if (buffer[p - 1] == 0) {
            end = p;
            return;
        }
    }
}

std::uint32_t word(const unsigned char* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

bool readtotal(twoword& total) {
    unsigned char bytes[8];
    std::int32_t got = 0, status = 0, end = 0;
    extractread(reinterpret_cast<char*>(bytes), 8, got, status, end);
    if (status != 1 || got != 8) {
        return false;
    }
    total.low = static_cast<std::int32_t>(word(bytes));
    total.high = static_cast<std::int32_t>(word(bytes + 4));
    return true;
}

} // namespace

void readdescriptor(std::int32_t& ok) {
    distributionstate& d = distribution;
    ok = 0;
    readtext(d.productname, sizeof d.productname, d.productnameend);
    if (d.productnameend == 0) {
        return;
    }
    readtext(d.proposal, sizeof d.proposal, d.proposalend);
    if (d.proposalend == 0 || std::strchr(d.proposal, '\\') == nullptr) {
        return;
    }
    if (!readtotal(d.total)) {
        return;
    }
    d.descriptorlength = d.productnameend + d.proposalend + 8;
    ok = countvalue(d.total) >= static_cast<std::uint64_t>(d.descriptorlength) ? 1 : 0;
}

void setdistdirectory(const char* directory, const std::int32_t& length, std::int32_t& ok) {
    ok = length >= 0 && length <= static_cast<std::int32_t>(sizeof distribution.directory);
    if (ok == 1) {
        std::memcpy(distribution.directory, directory, static_cast<std::size_t>(length));
        distribution.directorylength = length;
    }
}

void settarget(const char* directory, const std::int32_t& length, std::int32_t& ok) {
    ok = length >= 0 && length < static_cast<std::int32_t>(sizeof distribution.target);
    if (ok == 1) {
        std::memcpy(distribution.target, directory, static_cast<std::size_t>(length));
        distribution.target[length] = 0;
        distribution.targetend = length + 1;
    }
}
