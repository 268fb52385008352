// Trees packed by cell pack, read back through the decoder ring volume after
// volume, and checked by cell test.
#include "tests/cell/tree.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

using namespace celltest;

const std::uint64_t fixedtime = cell::filetimefromunix(1000000000, 0);

struct sourcefile {
    std::string name; // as the entry names it
    bytes content;
};

std::vector<sourcefile> variedtree() {
    bytes large = textbytes(700000);
    const auto noise = randombytes(300000, 3);
    large.insert(large.end(), noise.begin(), noise.end());
    large.insert(large.end(), 400000, 0);
    return {
        {"\\big.dat", large},
        {"\\readme.txt", textbytes(20000)},
        {"\\bin\\tool.bin", randombytes(30000, 1)},
        {"\\data\\empty.txt", {}},
        {"\\data\\zeros.dat", bytes(100000, 0)},
        {"\\data\\sub\\deep.txt", textbytes(10)},
    };
}

fs::path place(const scratch& dir, const std::vector<sourcefile>& files) {
    const auto source = dir / "source";
    fs::create_directories(source);
    for (const auto& file : files) {
        std::string relative = file.name.substr(1);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        writefile(source / relative, file.content);
    }
    return source;
}

void expectsame(const std::vector<decoded>& got, const std::vector<sourcefile>& files) {
    ASSERT_EQ(got.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(got[i].entry.name, files[i].name);
        EXPECT_EQ(got[i].entry.attributes, cell::attrarchive) << files[i].name;
        EXPECT_EQ(got[i].entry.lastwrite, fixedtime) << files[i].name;
        EXPECT_EQ(got[i].entry.creation, fixedtime) << files[i].name;
        EXPECT_EQ(got[i].entry.lastaccess, fixedtime) << files[i].name;
        EXPECT_TRUE(got[i].data == files[i].content) << files[i].name;
    }
}

// Volume sizes that cut on block boundaries (5760 bytes hold one block), just
// after them, inside blocks at both kinds of segment ends, and none at all;
// and the lookahead parse (--best), whose codes the same decoder must read.
TEST(RoundTrip, VariedFilesOverEveryKindOfVolumeCut) {
    const auto files = variedtree();
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {"", {}},     {"5760", {}}, {"11520", {}},    {"5762", {}},        {"1001", {}},
        {"1000", {}}, {"360K", {}}, {"", {"--best"}}, {"5762", {"--best"}}};
    for (const auto& [size, options] : rows) {
        SCOPED_TRACE("volume size " + size + (options.empty() ? "" : " --best"));
        scratch dir;
        const auto source = place(dir, files);
        ASSERT_EQ(pack(source, dir / "out", size, options), 0);
        const auto written = volumes(dir / "out");
        ASSERT_FALSE(written.empty());
        if (!size.empty() && size != "360K") {
            EXPECT_GT(written.size(), 2u);
            for (const auto& volume : written)
                EXPECT_LE(fs::file_size(volume), std::stoull(size)) << volume;
        }
        expectsame(unpack(dir / "out"), files);
        EXPECT_EQ(runcell({"test", (dir / "out").string()}), 0);
    }
}

TEST(RoundTrip, OneLargeFileAndAnEmptyTree) {
    scratch dir;
    const std::vector<sourcefile> one{{"\\only.bin", randombytes(1 << 20, 9)}};
    ASSERT_EQ(pack(place(dir, one), dir / "one", "1.44M"), 0);
    expectsame(unpack(dir / "one"), one);

    fs::create_directories(dir / "empty");
    ASSERT_EQ(pack(dir / "empty", dir / "none"), 0);
    EXPECT_TRUE(unpack(dir / "none").empty());
    EXPECT_EQ(runcell({"test", (dir / "none").string()}), 0);
}

// The disk sizes are the bytes a formatted disk holds for files; a volume is
// cut at a code boundary, at most two bytes short of that.
TEST(RoundTrip, DiskSizesFillFormattedDisks) {
    scratch dir;
    const std::vector<sourcefile> noise{{"\\noise.bin", randombytes(1 << 20, 5)}};
    const auto source = place(dir, noise);
    for (const auto& [name, bytes] : {std::pair{"360K", 362496ull},
                                      {"720K", 730112ull},
                                      {"1.2M", 1213952ull},
                                      {"1.44M", 1457664ull}}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(pack(source, dir / name, name), 0);
        const auto written = volumes(dir / name);
        ASSERT_GE(written.size(), 2u);
        EXPECT_LE(fs::file_size(written[0]), bytes);
        EXPECT_GE(fs::file_size(written[0]) + 2, bytes);
        expectsame(unpack(dir / name), noise);
    }
}

TEST(RoundTrip, SameTreeGivesTheSameVolumes) {
    scratch dir;
    const auto source = place(dir, variedtree());
    ASSERT_EQ(pack(source, dir / "a", "5762"), 0);
    ASSERT_EQ(pack(source, dir / "b", "5762"), 0);
    const auto a = volumes(dir / "a"), b = volumes(dir / "b");
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_TRUE(readfile(a[i]) == readfile(b[i])) << a[i];
}

TEST(RoundTrip, CleanEntriesHeadTheirDirectories) {
    scratch dir;
    const auto source = place(dir, variedtree());
    ASSERT_EQ(pack(source, dir / "out", "", {"--clean", "\\", "--clean", "data/sub"}), 0);
    std::vector<std::string> names;
    for (const auto& item : unpack(dir / "out"))
        names.push_back(item.entry.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"\\..clean", "\\big.dat", "\\readme.txt", "\\bin\\tool.bin",
                                        "\\data\\empty.txt", "\\data\\zeros.dat",
                                        "\\data\\sub\\..clean", "\\data\\sub\\deep.txt"}));
    std::string errors;
    EXPECT_EQ(runcell({"pack", source.string(), (dir / "x").string(), "--name", "W", "--dir", "\\W",
                       "--clean", "nowhere"},
                      &errors),
              1);
    EXPECT_NE(errors.find("nowhere"), std::string::npos) << errors;
}

TEST(RoundTrip, CarriesReadOnlyAttributeAndFileTimes) {
    scratch dir;
    const auto source = place(dir, {{"\\locked.txt", textbytes(5)}, {"\\open.txt", {}}});
    fs::permissions(source / "locked.txt",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
#ifndef _WIN32
    const timespec times[2] = {{1000000000, 1234}, {1200000000, 5678}};
    ASSERT_EQ(utimensat(AT_FDCWD, (source / "open.txt").c_str(), times, 0), 0);
#endif
    ASSERT_EQ(
        runcell({"pack", source.string(), (dir / "out").string(), "--name", "W", "--dir", "\\W"}),
        0);
    const auto got = unpack(dir / "out");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].entry.attributes, cell::attrarchive | cell::attrreadonly);
    EXPECT_EQ(got[1].entry.attributes, cell::attrarchive);
#ifndef _WIN32
    EXPECT_EQ(got[1].entry.lastaccess, cell::filetimefromunix(1000000000, 1234));
    EXPECT_EQ(got[1].entry.lastwrite, cell::filetimefromunix(1200000000, 5678));
    EXPECT_EQ(got[1].entry.creation, got[1].entry.lastwrite);
#endif
}

TEST(RoundTrip, ANewSetReplacesALongerOldOne) {
    scratch dir;
    const auto source = place(dir, variedtree());
    ASSERT_EQ(pack(source, dir / "out", "1001"), 0);
    ASSERT_GT(volumes(dir / "out").size(), 3u);
    ASSERT_EQ(pack(source, dir / "out"), 0);
    EXPECT_EQ(volumes(dir / "out").size(), 1u);
    EXPECT_FALSE(fs::exists(dir / "out" / "CELL.1"));
    EXPECT_EQ(runcell({"test", (dir / "out").string()}), 0);
}

} // namespace
