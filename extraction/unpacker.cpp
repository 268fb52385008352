#include "extraction/unpacker.h"

#include "extraction/cleandir.h"
#include "extraction/decomp.h"
#include "extraction/distribution.h"
#include "extraction/entryname.h"
#include "extraction/extract.h"
#include "extraction/files.h"
#include "extraction/progressupdate.h"
#include "platform/fileio.h"
#include "tasks/events.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace {

std::atomic<bool> stoprequest{false};

bool stopped() {
    return stoprequest.load();
}

constexpr std::int32_t pathsize = 260;
constexpr std::int32_t piecesize = 2048;
constexpr std::int32_t fieldbytes = 36; // attributes, three times, size

// The window's variables the unpacker was started with.
struct windowvars {
    winhandle& handle;
    std::int32_t (&diskevents)[2];
    std::int32_t& currentevent;
    platform::handle& volume;
    std::int32_t& nextnumber;
    winhandle& filenametext;
    std::int32_t& diskprompt;
    std::int32_t& done;
    std::int32_t& dataerror;
};

// The entry being written: the target directory with its name, its fields,
// what of its data is still to come, and the file it goes to.
char path[pathsize];
twoword taken;            // decoded bytes taken so far
std::int32_t totaldigits; // significant 16-bit digits of the total
unsigned char fields[fieldbytes];
twoword remaining;
unpackerwriting writing;
std::vector<char> data(piecesize); // the gather buffer
std::int32_t gathered;             // bytes of the file in it, not yet written
platform::handle output;
std::int32_t shown; // the percentage last handed to the display

// Nothing more reaches the window once the unpacker is asked to stop.
void command(const windowvars& w, const std::int32_t& number, bool send) {
    const std::int32_t zero = 0;
    if (stopped()) {
        return;
    }
    if (send) {
        sendmsg(w.handle, wmcommand, number, zero);
    } else {
        postmsg(w.handle, wmcommand, number, zero);
    }
}

void releasevolume(const windowvars& w) {
    fileclose(w.volume);
    w.volume = 0;
}

void releaseoutput() {
    if (output > 0) {
        fileclose(output);
    }
    output = 0;
}

// The stop request is met: the file being written goes, since it would stay
// cut short.
bool endstopped() {
    if (output > 0) {
        releaseoutput();
        platform::deletefile(path);
    }
    return false;
}

// Damaged data: the window is told and waits until it has seen it. A stop
// cuts the decoder's reads short, and that is no damage.
bool reportdataerror(const windowvars& w) {
    if (stopped()) {
        return endstopped();
    }
    releaseoutput();
    command(w, w.dataerror, true);
    return false;
}

// Nothing more can be written: the decoder is stopped before its volume is
// released, so that its producer never reads a closed handle, and the volume
// and the file are released before the window hears of it, so that it finds
// nothing left open when it goes.
bool reportwritefailure(const windowvars& w) {
    releaseoutput();
    decompstop();
    releasevolume(w);
    command(w, writefailurecommand, false);
    return false;
}

void showprogress(const windowvars& w) {
    GETRATIO(distribution.total, taken, totaldigits, 65536, shown);
    progressupdate(w.handle, shown);
}

void changevolume(const windowvars& w) {
    releasevolume(w);
    nextvolume(w.volume, w.nextnumber, w.handle, w.diskevents, w.currentevent, w.diskprompt, shown);
}

// Reads one byte, going on in the next volume where the current one ends.
bool readbyte(const windowvars& w, char& byte) {
    for (;;) {
        std::int32_t got = 0, status = 0, end = 0;
        extractread(&byte, 1, got, status, end);
        if (status == 0) {
            return reportdataerror(w);
        }
        if (got == 1) {
            return true;
        }
        changevolume(w);
    }
}

std::uint64_t left() {
    const std::uint64_t total = countvalue(distribution.total), sofar = countvalue(taken);
    return total > sofar ? total - sofar : 0;
}

// Reads the name into the path after the target directory; j = the position
// of its 0. A name that would overflow the path or run past the total is
// damaged data.
bool readname(const windowvars& w, std::int32_t& j) {
    const std::int32_t start = distribution.targetend;
    const std::uint64_t room = left();
    for (j = start; j <= pathsize; ++j) {
        if (static_cast<std::uint64_t>(j - start) + 1 > room) {
            return reportdataerror(w);
        }
        if (!readbyte(w, path[j - 1])) {
            return false;
        }
        if (path[j - 1] == 0) {
            ADDER(taken, j - start + 1);
            return true;
        }
    }
    return reportdataerror(w);
}

// The largest i below j with a backslash at path position i.
std::int32_t lastbackslash(std::int32_t j) {
    std::int32_t i = j - 1;
    while (path[i - 1] != '\\') {
        --i;
    }
    return i;
}

bool isclean(std::int32_t i, std::int32_t j) {
    return j - i == 8 && std::memcmp(path + i, "..clean", 7) == 0;
}

// The directory made for the entry before: the next entry in the same
// directory needs no new makedirs, which would only find every level there.
char madepath[pathsize];
std::int32_t madelength;

// Makes the directory the path names up to position i (which holds its 0).
bool makedirectory(std::int32_t i) {
    const std::int32_t length = i - 1;
    if (length == madelength &&
        std::memcmp(path, madepath, static_cast<std::size_t>(length)) == 0) {
        return true;
    }
    std::int32_t ok = 0;
    makedirs(path, ok);
    if (ok == 1) {
        std::memcpy(madepath, path, static_cast<std::size_t>(length));
        madelength = length;
    }
    return ok == 1;
}

// Makes the entry's directory (cleaning it for a "..clean" entry) and creates
// its file.
bool createfile(const windowvars& w, std::int32_t i, std::int32_t j) {
    path[i - 1] = 0;
    if (!makedirectory(i)) {
        path[i - 1] = '\\';
        return reportwritefailure(w);
    }
    std::int32_t cleaned = 1;
    if (isclean(i, j)) {
        cleandir(path, cleaned);
    }
    if (cleaned == 0) { // the root of a drive: the copy goes on over what is there
        command(w, cleanrefusedcommand, true);
    }
    path[i - 1] = '\\';
    const std::int32_t noattributes = 0;
    fileopen(output, path, "W", "S", noattributes, "N");
    return output > 0 || reportwritefailure(w);
}

std::uint32_t word(const unsigned char* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

platform::filetime timefield(std::int32_t offset) {
    return {word(fields + offset), word(fields + offset + 4)};
}

bool readfields(const windowvars& w) {
    for (unsigned char& byte : fields) {
        if (!readbyte(w, reinterpret_cast<char&>(byte))) {
            return false;
        }
    }
    ADDER(taken, fieldbytes);
    remaining = {static_cast<std::int32_t>(word(fields + 28)),
                 static_cast<std::int32_t>(word(fields + 32))};
    return countvalue(remaining) <= left() || reportdataerror(w);
}

bool writegathered(const windowvars& w) {
    std::uint32_t written = 0;
    const auto count = static_cast<std::uint32_t>(gathered);
    gathered = 0;
    if (count > 0 &&
        !(platform::writefile(output, data.data(), count, written) && written == count)) {
        return reportwritefailure(w);
    }
    return true;
}

// Room on the disk for the whole file, where the file system can promise it;
// a file that goes out in one write gets its room with it.
bool reservefile(const windowvars& w) {
    const std::uint64_t size = countvalue(remaining);
    return !writing.reserve || size <= static_cast<std::uint64_t>(writing.gather) ||
           platform::reservespace(output, size) || reportwritefailure(w);
}

// Copies the entry's data, reading at most what the gather buffer has room
// for; the buffer goes out once another whole piece would not fit in it.
bool copydata(const windowvars& w) {
    gathered = 0;
    for (;;) {
        if (stopped()) {
            return endstopped();
        }
        std::int32_t n = 0;
        GETSMALL(remaining, writing.gather - gathered, n);
        if (n == 0) {
            return writegathered(w);
        }
        std::int32_t got = 0, status = 0, end = 0;
        extractread(data.data() + gathered, n, got, status, end);
        if (status == 0) {
            return reportdataerror(w);
        }
        s(remaining, got);
        gathered += got;
        if (writing.gather - gathered < piecesize && !writegathered(w)) {
            return false;
        }
        ADDER(taken, got);
        showprogress(w);
        if (end == 1) {
            changevolume(w);
        }
    }
}

void finishfile() {
    setfiletimes(output, timefield(4), timefield(12), timefield(20));
    releaseoutput();
    setattributes(path, static_cast<std::int32_t>(word(fields)));
}

bool extractentry(const windowvars& w) {
    if (stopped()) {
        return false;
    }
    if (w.volume == 0) {
        changevolume(w);
    }
    std::int32_t j = 0, ok = 0;
    if (!readname(w, j)) {
        return false;
    }
    const std::int32_t start = distribution.targetend;
    entrynameok(path + start - 1, j - start, ok);
    if (ok == 0 || left() < fieldbytes) {
        return reportdataerror(w);
    }
    if (stopped()) {
        return false;
    }
    settext(w.filenametext, path);
    const std::int32_t i = lastbackslash(j);
    if (!createfile(w, i, j) || !readfields(w) || !reservefile(w)) {
        return false;
    }
    showprogress(w);
    if (!copydata(w)) {
        return false;
    }
    finishfile();
    return true;
}

bool finished() {
    std::int32_t flag = 0;
    isdone(distribution.total, taken, flag);
    return flag == 1;
}

// The decimal digits of a volume number; 0 or less gives "0".
std::int32_t decimal(std::int32_t number, char* text) {
    char digitsbackwards[16];
    std::int32_t n = 0;
    do {
        digitsbackwards[n++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    for (std::int32_t k = 0; k < n; ++k) {
        text[k] = digitsbackwards[n - 1 - k];
    }
    return n;
}

// The distribution directory, "CELL.", the number and a 0. The directory is
// read anew each time: the window may point it elsewhere while it prompts.
void volumename(std::int32_t number, char* name) {
    const auto length = static_cast<std::size_t>(distribution.directorylength);
    std::memcpy(name, distribution.directory, length);
    std::memcpy(name + length, "CELL.", 5);
    name[length + 5 + static_cast<std::size_t>(decimal(number, name + length + 5))] = 0;
}

// Waits for the window's confirmation of a new disk, then arms the other event
// for the next prompt.
void waitfordisk(const winhandle& window, const std::int32_t (&diskevents)[2],
                 std::int32_t& currentevent, const std::int32_t& diskprompt) {
    const std::int32_t zero = 0, one = 1;
    if (stopped()) {
        return;
    }
    sendmsg(window, wmcommand, diskprompt, zero);
    eventwait(diskevents[currentevent - 1]);
    currentevent = currentevent == 1 ? 2 : 1;
    eventarm(diskevents[currentevent - 1], one);
}

} // namespace

void setunpackerwriting(const unpackerwriting& chosen) {
    writing = chosen;
    data.resize(static_cast<std::size_t>(writing.gather));
}

void unpackerstop() {
    stoprequest = true;
    decompabandon();
}

void unpackerresume() {
    stoprequest = false;
}

std::uint64_t countvalue(const twoword& count) {
    return static_cast<std::uint32_t>(count.low) +
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(count.high)) * 0xFFFFFFFFu;
}

void unpacker(winhandle& window, std::int32_t (&diskevents)[2], std::int32_t& currentevent,
              platform::handle& volume, std::int32_t& nextnumber, winhandle& filenametext,
              std::int32_t& diskprompt, std::int32_t& done, std::int32_t& dataerror) {
    const windowvars w{window,       diskevents, currentevent, volume,   nextnumber,
                       filenametext, diskprompt, done,         dataerror};
    nextnumber += 1;
    taken = {distribution.descriptorlength, 0};
    std::memcpy(path, distribution.target, static_cast<std::size_t>(distribution.targetend - 1));
    sigdigits(distribution.total, totaldigits);
    shown = 0;
    output = 0;
    madelength = -1;
    platform::setwriteroot(distribution.target);
    while (!finished()) {
        if (!extractentry(w)) {
            return;
        }
    }
    if (volume != 0) {
        decompstop();
        releasevolume(w);
    }
    command(w, done, false);
}

void nextvolume(platform::handle& volume, std::int32_t& nextnumber, const winhandle& window,
                const std::int32_t (&diskevents)[2], std::int32_t& currentevent,
                const std::int32_t& diskprompt, const std::int32_t& percent) {
    const std::int32_t noattributes = 0;
    while (volume == 0 && !stopped()) {
        char name[sizeof distribution.directory + 24];
        volumename(nextnumber, name);
        fileopen(volume, name, "R", "S", noattributes, "R");
        if (volume > 0) {
            nextnumber += 1;
        } else {
            waitfordisk(window, diskevents, currentevent, diskprompt);
            volume = 0;
        }
    }
    if (volume == 0) {
        return;
    }
    decompstart(volume);
    progressupdate(window, percent);
}

namespace {

// The 16-bit digits of a count, least significant first.
void split(const twoword& count, std::int32_t (&digit)[4]) {
    const auto low = static_cast<std::uint32_t>(count.low);
    const auto high = static_cast<std::uint32_t>(count.high);
    digit[0] = static_cast<std::int32_t>(low & 0xFFFFu);
    digit[1] = static_cast<std::int32_t>(low >> 16);
    digit[2] = static_cast<std::int32_t>(high & 0xFFFFu);
    digit[3] = static_cast<std::int32_t>(high >> 16);
}

std::int32_t joinhalves(std::int32_t hi, std::int32_t lo) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(hi) << 16 |
                                     static_cast<std::uint32_t>(lo));
}

} // namespace

void ADDER(twoword& count, const std::int32_t& amount) {
    std::int32_t c[4], a[4];
    split(count, c);
    split({amount, 0}, a);
    std::int32_t lo = c[0] + a[0], hi = c[1] + a[1];
    while (lo > 65535 || hi > 65535) {
        if (lo > 65535) {
            hi += lo / 65536;
            lo %= 65536;
        }
        if (hi > 65535) {
            const std::int32_t carry = hi / 65536;
            count.high += carry;
            lo += carry;
            hi %= 65536;
        }
    }
    count.low = joinhalves(hi, lo);
}

void s(twoword& count, const std::int32_t& amount) {
    std::int32_t c[4], a[4];
    split(count, c);
    split({amount, 0}, a);
    std::int32_t lo = c[0] - a[0], hi = c[1] - a[1];
    if (lo < 0) {
        lo += 65536;
        hi -= 1;
    }
    while (hi < 0) {
        count.high -= 1;
        hi += 65535;
        lo += 65535;
        if (lo > 65535) {
            hi += lo / 65536;
            lo %= 65536;
        }
    }
    count.low = joinhalves(hi, lo);
}

// By value: k x 4294967295 is written low 0, high k by some writers and low
// 4294967295, high k - 1 by others (and by the carries of ADDER).
void isdone(const twoword& a, const twoword& b, std::int32_t& flag) {
    flag = countvalue(a) == countvalue(b) ? 1 : 0;
}

void GETSMALL(const twoword& count, const std::int32_t& limit, std::int32_t& result) {
    result = count.high == 0 && count.low >= 0 && count.low < limit ? count.low : limit;
}

void sigdigits(const twoword& count, std::int32_t& digits) {
    std::int32_t digit[4];
    split(count, digit);
    digits = 4;
    while (digits > 1 && digit[digits - 1] == 0) {
        --digits;
    }
}

void GETRATIO(const twoword& total, const twoword& position, const std::int32_t& digits,
              const std::int32_t& scale, std::int32_t& percent) {
    std::int32_t t[4], p[4];
    split(total, t);
    split(position, p);
    const std::int32_t k = digits - 1;
    if (k < 0 || k > 3 || t[k] == 0) {
        return;
    }
    const double tk = t[k];
    double r = p[k] * 100.0 / tk;
    if (k > 0) {
        r += 100.0 * (static_cast<double>(p[k - 1]) * tk - static_cast<double>(t[k - 1]) * p[k]) /
             (scale * tk * tk);
    }
    const auto single = static_cast<float>(r);
    const std::int32_t now = single < 100.0f ? static_cast<std::int32_t>(single) : 100;
    if (now > percent) {
        percent = now;
    }
}
