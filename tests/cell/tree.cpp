#include "tests/cell/tree.h"

#include "tools/cell/commands.h"
#include "tools/cell/encoder.h"
#include "tools/cell/packer.h"
#include "tools/cell/reading.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace celltest {

scratch::scratch() {
    static int counter = 0;
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    // The seed keeps apart runs of the same test by other programs at the same time.
    std::random_device seed;
    path_ = fs::temp_directory_path() /
            ("celltest-" + std::string(test ? test->name() : "x") + "-" +
             std::to_string(++counter) + "-" + std::to_string(seed() % 100000));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

scratch::~scratch() {
    std::error_code ignored;
    // Read-only files must become writable again before they can go on Windows.
    for (const auto& item : fs::recursive_directory_iterator(path_, ignored))
        fs::permissions(item.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

void writefile(const fs::path& path, const bytes& content) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(content.data()),
              static_cast<std::streamsize>(content.size()));
}

bytes readfile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
}

bytes randombytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    bytes out(n);
    for (auto& b : out)
        b = static_cast<unsigned char>(random());
    return out;
}

bytes textbytes(std::size_t n) {
    const std::string text = "A distribution is one stream of codes over several disks; "
                             "each block of codes keeps a dictionary of its own.\r\n";
    bytes out;
    for (std::size_t i = 0; out.size() < n; ++i)
        out.push_back(static_cast<unsigned char>(text[(i * 7 + i / 97) % text.size()]));
    return out;
}

int runcell(const std::vector<std::string>& arguments, std::string* errors, std::string* output) {
    std::vector<std::string> items(arguments);
    std::vector<char*> argv;
    for (auto& item : items)
        argv.push_back(item.data());
    const int argc = static_cast<int>(argv.size());
    if (errors)
        testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    int status = 2;
    if (items[0] == "pack")
        status = cell::packcommand(argc, argv.data());
    else if (items[0] == "list")
        status = cell::listcommand(argc, argv.data());
    else if (items[0] == "test")
        status = cell::testcommand(argc, argv.data());
    const auto printed = testing::internal::GetCapturedStdout();
    if (output)
        *output = printed;
    if (errors)
        *errors = testing::internal::GetCapturedStderr();
    return status;
}

int pack(const fs::path& source, const fs::path& out, const std::string& size,
         const std::vector<std::string>& extra, std::string* errors) {
    std::vector<std::string> args{"pack",  source.string(),    out.string(), "--name",    "Widget",
                                  "--dir", "C:\\APPS\\WIDGET", "--time",     "1000000000"};
    if (!size.empty())
        args.insert(args.end(), {"--volume-size", size});
    args.insert(args.end(), extra.begin(), extra.end());
    return runcell(args, errors);
}

std::vector<decoded> unpack(const fs::path& dist) {
    std::vector<decoded> entries;
    cell::distreader reader(dist);
    for (cell::entryinfo entry; reader.next(entry);) {
        decoded item{entry, bytes(static_cast<std::size_t>(entry.size))};
        std::size_t at = 0;
        while (std::size_t got = reader.data(item.data.data() + at, item.data.size() - at))
            at += got;
        entries.push_back(std::move(item));
    }
    reader.finish();
    return entries;
}

std::vector<fs::path> volumes(const fs::path& dist) {
    std::vector<fs::path> found;
    for (std::uint32_t n = 0; fs::exists(dist / ("CELL." + std::to_string(n))); ++n)
        found.push_back(dist / ("CELL." + std::to_string(n)));
    return found;
}

void writestream(const fs::path& dist, const bytes& stream, std::uint64_t volumesize) {
    fs::create_directories(dist);
    std::vector<bytes> files;
    cell::packer cutter(volumesize, [&](std::uint32_t volume, std::span<const unsigned char> b) {
        files.resize(volume + 1);
        files[volume].insert(files[volume].end(), b.begin(), b.end());
    });
    cell::encoder coder([&](std::span<const cell::code> block) { cutter.block(block); });
    coder.put(stream);
    coder.finish();
    for (std::size_t n = 0; n < files.size(); ++n)
        writefile(dist / ("CELL." + std::to_string(n)), files[n]);
}

} // namespace celltest
