// Floppy images: the FAT module's writer and reader against each other and
// against hostile images, cell pack --images, and list and test reading the
// volumes out of images. tests/cell/images.sh checks the same images with
// dosfstools and mtools.
#include "tests/cell/tree.h"
#include "tools/cell/fat.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace celltest;
namespace fat = cell::fat;

const fat::geometry& floppy(const char* name) {
    return *fat::floppy(name);
}

bytes image(const fat::geometry& disk, const std::vector<std::pair<std::string, bytes>>& files) {
    std::vector<fat::newfile> entries;
    for (const auto& [name, content] : files)
        entries.push_back({name, content});
    return fat::writeimage(disk, "DISK1", entries, fat::fromepoch(1000000000));
}

bytes readback(const bytes& disk, const std::string& name) {
    const fat::reader reader(disk);
    const auto entries = reader.root();
    const auto* entry = reader.find(entries, name);
    if (entry == nullptr)
        throw std::runtime_error(name + " is not on the disk");
    return reader.read(*entry);
}

TEST(FatImage, EachFormatHoldsExactlyItsFreeBytes) {
    for (const auto& disk : fat::floppies()) {
        const auto full = randombytes(fat::freebytes(disk), 7);
        EXPECT_EQ(readback(image(disk, {{"CELL.0", full}}), "cell.0"), full) << disk.name;
        EXPECT_THROW(image(disk, {{"CELL.0", bytes(fat::freebytes(disk) + 1)}}),
                     std::invalid_argument)
            << disk.name;
        // Two files share no cluster: the second one takes whole clusters.
        const auto small = textbytes(1);
        EXPECT_THROW(
            image(disk,
                  {{"A", small},
                   {"B", randombytes(fat::freebytes(disk) - fat::clusterbytes(disk) + 1, 3)}}),
            std::invalid_argument)
            << disk.name;
    }
}

TEST(FatImage, NamesMustBeEightDotThreeAndComeOnce) {
    const auto& disk = floppy("360K");
    for (const char* name : {"", ".TXT", "NINECHARS.TXT", "A.TEXT", "A.B.C", "SP ACE", "A/B"})
        EXPECT_THROW(image(disk, {{name, {}}}), std::invalid_argument) << name;
    EXPECT_THROW(image(disk, {{"README.TXT", {}}, {"readme.txt", {}}}), std::invalid_argument);
    EXPECT_EQ(readback(image(disk, {{"readme.txt", textbytes(5)}}), "README.TXT"), textbytes(5));
}

// A two-cluster file CELL.0 (clusters 2 and 3) on a 1.44M disk, then damaged.
struct hostile {
    const char* fault;
    std::function<void(bytes&)> damage;
    const char* says;
};

void set16(bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

// FAT12 entries 2 and 3 share bytes 3..5 of the first FAT (sector 1).
void setchain(bytes& b, unsigned second, unsigned third) {
    const std::size_t at = 512 + 3;
    b[at] = static_cast<unsigned char>(second);
    b[at + 1] = static_cast<unsigned char>((second >> 8 & 0x0F) | (third & 0x0F) << 4);
    b[at + 2] = static_cast<unsigned char>(third >> 4);
}

constexpr std::size_t rootentry = 512 * 19 + 32; // after the label

const hostile hostiles[] = {
    {"chain-loops", [](bytes& b) { setchain(b, 3, 2); }, "loops"},
    {"chain-leaves-disk", [](bytes& b) { setchain(b, 0xF00, 0xFFF); }, "leaves the disk"},
    {"chain-ends-in-free-cluster", [](bytes& b) { setchain(b, 3, 0); }, "goes on to FAT value 0"},
    {"size-beyond-chain", [](bytes& b) { set16(b, rootentry + 28, 1500); }, "beyond its cluster"},
    {"size-beyond-disk", [](bytes& b) { b[rootentry + 31] = 0x7F; }, "beyond the disk"},
    {"bpb-sector-size-zero", [](bytes& b) { set16(b, 11, 0); }, "no sector size"},
    {"bpb-areas-exceed-disk", [](bytes& b) { set16(b, 19, 33); }, "do not fit"},
    {"bpb-fat-too-small", [](bytes& b) { set16(b, 22, 1); }, "too small for"},
    {"bpb-fat32", [](bytes& b) { set16(b, 22, 0); }, "FAT32"},
    {"image-shorter-than-bpb", [](bytes& b) { b.resize(b.size() / 2); }, "shorter"},
    {"boot-sector-cut", [](bytes& b) { b.resize(100); }, "shorter than a boot sector"},
};

TEST(FatImage, HostileImagesAreRefusedWithTheirFault) {
    const auto good = image(floppy("1.44M"), {{"CELL.0", randombytes(900, 5)}});
    ASSERT_EQ(readback(good, "CELL.0"), randombytes(900, 5));
    for (const auto& [fault, damage, says] : hostiles) {
        auto disk = good;
        damage(disk);
        try {
            readback(disk, "CELL.0");
            ADD_FAILURE() << fault << ": read";
        } catch (const fat::damaged& e) {
            EXPECT_NE(std::string(e.what()).find(says), std::string::npos)
                << fault << ": " << e.what();
        }
    }
}

class CellImages : public ::testing::Test {
  protected:
    void SetUp() override {
        writefile(dir / "src" / "readme.txt", textbytes(3000));
        writefile(dir / "src" / "bin" / "tool.bin", randombytes(9000, 1));
        writefile(dir / "install.exe", randombytes(5000, 9));
        writefile(dir / "readme.txt", textbytes(700));
    }
    int packimages(const std::string& out, const std::vector<std::string>& extra,
                   std::string* errors = nullptr) {
        std::vector<std::string> options{"--images", "--format", "360K", "--volume-size", "3000"};
        options.insert(options.end(), extra.begin(), extra.end());
        return pack(dir / "src", dir / out, "", options, errors);
    }
    scratch dir;
};

// What the setup files take, rounded up to clusters, comes off CELL.0; the
// set reads back from its images alone, whatever they are called.
TEST_F(CellImages, SetupFilesTakeTheirClustersOffCellZero) {
    const auto& disk = floppy("360K");
    writefile(dir / "src" / "bin" / "tool.bin", randombytes(400000, 1)); // two disks
    ASSERT_EQ(pack(dir / "src", dir / "loose", ""), 0);
    const auto whole = readfile(dir / "loose" / "CELL.0").size();
    const std::uint64_t room =
        fat::freebytes(disk) - fat::filespace(disk, 5000) - fat::filespace(disk, 700);
    ASSERT_GT(whole, room) << "the tree must fill the setup disk";
    ASSERT_EQ(pack(dir / "src", dir / "set", "",
                   {"--images", "--format", "360K", "--installer", (dir / "install.exe").string(),
                    "--add", (dir / "readme.txt").string()}),
              0);
    const auto setup = readfile(dir / "set" / "SETUP.IMG");
    EXPECT_EQ(readback(setup, "CELL.0").size(), room);
    EXPECT_EQ(readback(setup, "INSTALL.EXE"), randombytes(5000, 9));
    EXPECT_EQ(readback(setup, "README.TXT"), textbytes(700));
    EXPECT_EQ(unpack(dir / "set").size(), unpack(dir / "loose").size());

    fs::rename(dir / "set" / "DISK1.IMG", dir / "set" / "second.bin");
    std::string output;
    EXPECT_EQ(runcell({"test", (dir / "set").string()}, nullptr, &output), 0) << output;
    EXPECT_EQ(runcell({"test", (dir / "set" / "SETUP.IMG").string()}), 1); // DISK1 missing
}

TEST_F(CellImages, TheSameInputGivesTheSameImages) {
    ASSERT_EQ(packimages("a", {"--add", (dir / "readme.txt").string()}), 0);
    ASSERT_EQ(packimages("b", {"--add", (dir / "readme.txt").string()}), 0);
    for (const char* name : {"SETUP.IMG", "DISK1.IMG"})
        EXPECT_EQ(readfile(dir / "a" / name), readfile(dir / "b" / name)) << name;
    // Loose volumes replace the images of an earlier set, and images the volumes.
    ASSERT_EQ(pack(dir / "src", dir / "a", "100000"), 0);
    EXPECT_FALSE(fs::exists(dir / "a" / "SETUP.IMG"));
    EXPECT_FALSE(fs::exists(dir / "a" / "DISK1.IMG"));
    ASSERT_EQ(packimages("a", {}), 0);
    EXPECT_FALSE(fs::exists(dir / "a" / "CELL.0"));
}

TEST_F(CellImages, ASetupDiskWithoutRoomForTheDescriptorIsRefusedWithTheNumbers) {
    writefile(dir / "big.exe", randombytes(fat::freebytes(floppy("360K")) - 1000, 4));
    std::string errors;
    EXPECT_EQ(packimages("set", {"--installer", (dir / "big.exe").string()}, &errors), 1);
    EXPECT_NE(errors.find("keeps 0 bytes for CELL.0 beside INSTALL.EXE 362496 bytes, but CELL.0 "
                          "must hold the whole descriptor, 45 bytes"),
              std::string::npos)
        << errors;
    EXPECT_FALSE(fs::exists(dir / "set" / "SETUP.IMG"));
    EXPECT_EQ(packimages("set", {"--add", (dir / "nosuch.txt").string()}), 1);
    EXPECT_EQ(pack(dir / "src", dir / "set", "1.44M", {"--images", "--format", "360K"}), 2);
    EXPECT_EQ(pack(dir / "src", dir / "set", "3000", {"--images"}), 2); // which format?
    EXPECT_EQ(pack(dir / "src", dir / "set", "", {"--add", "readme.txt"}), 2);
}

TEST_F(CellImages, ADamagedImageIsDamagedData) {
    ASSERT_EQ(packimages("set", {}), 0);
    auto setup = readfile(dir / "set" / "SETUP.IMG");
    setchain(setup, 3, 2);
    writefile(dir / "set" / "SETUP.IMG", setup);
    std::string errors;
    EXPECT_EQ(runcell({"list", (dir / "set").string()}, &errors), 4);
    EXPECT_NE(errors.find("SETUP.IMG: a damaged floppy image: CELL.0: its cluster chain loops"),
              std::string::npos)
        << errors;
}

} // namespace
