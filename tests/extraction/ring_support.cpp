#include "tests/extraction/ring_support.h"

#include "extraction/decomp.h"
#include "extraction/extract.h"
#include "platform/fileio.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace ringtest {

bytes packsegment(const codelist& codes) {
    bytes out;
    std::size_t i = 0;
    for (; i + 1 < codes.size(); i += 2) {
        const unsigned v =
            static_cast<unsigned>(codes[i]) << 12 | static_cast<unsigned>(codes[i + 1]);
        out.push_back(static_cast<unsigned char>(v));
        out.push_back(static_cast<unsigned char>(v >> 8));
        out.push_back(static_cast<unsigned char>(v >> 16));
    }
    if (i < codes.size()) {
        const unsigned v = static_cast<unsigned>(codes[i]) << 4;
        out.push_back(static_cast<unsigned char>(v));
        out.push_back(static_cast<unsigned char>(v >> 8));
    }
    return out;
}

std::vector<bytes> packvolumes(const codelist& codes, const std::vector<std::size_t>& cuts) {
    std::vector<bytes> volumes;
    std::size_t start = 0;
    std::vector<std::size_t> ends = cuts;
    ends.push_back(codes.size());
    for (const std::size_t stop : ends) {
        bytes volume;
        for (std::size_t from = start; from < stop;) {
            const std::size_t upto = std::min(stop, (from / 3840 + 1) * 3840);
            const bytes segment = packsegment(codelist(codes.begin() + static_cast<long>(from),
                                                       codes.begin() + static_cast<long>(upto)));
            volume.insert(volume.end(), segment.begin(), segment.end());
            from = upto;
        }
        volumes.push_back(volume);
        start = stop;
    }
    return volumes;
}

bytes referencedecode(const codelist& codes) {
    bytes out;
    std::vector<bytes> table; // the last entry waits for the next code's first byte
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const bool blockstart = i % 3840 == 0;
        if (blockstart) {
            table.clear();
            for (int b = 0; b < 256; ++b) {
                table.push_back({static_cast<unsigned char>(b)});
            }
        }
        const auto x = static_cast<std::size_t>(codes[i]);
        bytes string = table.at(x);
        if (!blockstart) {
            if (x == table.size() - 1) { // the entry this very code completes
                string.push_back(string.front());
            }
            table.back().push_back(string.front());
        }
        table.push_back(string);
        out.insert(out.end(), string.begin(), string.end());
    }
    return out;
}

codelist randomcodes(std::size_t n, int bias, std::mt19937& random) {
    codelist codes;
    std::uniform_int_distribution<int> percent(0, 99);
    for (std::size_t i = 0; i < n; ++i) {
        const int k = static_cast<int>(i % 3840) + 1;
        if (k >= 2 && percent(random) < bias) {
            codes.push_back(std::uniform_int_distribution<int>(256, k + 254)(random));
        } else {
            codes.push_back(std::uniform_int_distribution<int>(0, 255)(random));
        }
    }
    return codes;
}

volumeset::volumeset(const std::vector<bytes>& volumes) : count_(volumes.size()) {
    static std::atomic<int> serial{0};
    directory_ =
        std::filesystem::temp_directory_path() /
        ("ringtest-" + std::to_string(std::random_device{}()) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(directory_);
    write(volumes);
}

volumeset::volumeset(const std::vector<bytes>& volumes, std::filesystem::path directory)
    : directory_(std::move(directory)), count_(volumes.size()), owned_(false) {
    std::filesystem::create_directories(directory_);
    write(volumes);
}

// Unbuffered: a stream's buffer would cost more than the few bytes written.
void volumeset::write(const std::vector<bytes>& volumes) const {
    for (std::size_t v = 0; v < volumes.size(); ++v) {
        std::FILE* file = std::fopen(name(v).c_str(), "wb");
        if (file == nullptr) {
            std::perror(name(v).c_str());
            std::abort();
        }
        std::setvbuf(file, nullptr, _IONBF, 0);
        const bool written =
            volumes[v].empty() ||
            std::fwrite(volumes[v].data(), 1, volumes[v].size(), file) == volumes[v].size();
        if (std::fclose(file) != 0 || !written) {
            std::perror(name(v).c_str());
            std::abort();
        }
    }
}

volumeset::~volumeset() {
    std::error_code ignored;
    if (owned_)
        std::filesystem::remove_all(directory_, ignored);
}

std::string volumeset::name(std::size_t volume) const {
    return (directory_ / ("CELL." + std::to_string(volume))).string();
}

namespace {
platform::handle openvolume(const volumeset& set, std::size_t volume) {
    return platform::openfile(set.name(volume).c_str(), platform::genericread, platform::shareread,
                              platform::openexisting, 0);
}
} // namespace

outcome decodeall(const volumeset& set, const std::vector<std::int32_t>& pieces, bool keep) {
    outcome result;
    // static: the producer task reads the variable, which must outlive it.
    static platform::handle file;
    std::size_t volume = 0;
    file = openvolume(set, volume);
    decompstart(file);
    std::vector<char> piece;
    for (std::size_t call = 0;; ++call) {
        const std::int32_t n = pieces[call % pieces.size()];
        piece.assign(static_cast<std::size_t>(n), 0); // exactly n, so that a write past n shows
        std::int32_t got = -1;
        std::int32_t end = -1;
        extractread(piece.data(), n, got, result.status, end);
        if (result.status == 0) {
            break;
        }
        if (keep) {
            result.data.insert(result.data.end(), piece.begin(), piece.begin() + got);
        }
        if (end == 1) {
            ++result.ends;
            if (++volume == set.size()) {
                break;
            }
            platform::closefile(file);
            file = openvolume(set, volume);
            decompstart(file);
        }
    }
    decompstop();
    platform::closefile(file);
    return result;
}

outcome decodeall(const std::vector<bytes>& volumes, std::int32_t piece, bool keep) {
    const volumeset set(volumes);
    return decodeall(set, {piece}, keep);
}

} // namespace ringtest
