// The unpacker task end to end: distributions made with the writer, decoded
// through the ring and written by the unpacker under a scripted window.
#include "extraction/distribution.h"
#include "platform/fileio.h"
#include "tests/extraction/unpackrun.h"
#include "tests/platform/faultplan.h"
#include "tools/cell/entries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using unpackrun::entry;

namespace {

constexpr std::int32_t diskprompt = 18, done = 19, writefailure = 21, dataerror = 22;

std::string content(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void put(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string bytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string out(n, 0);
    for (char& c : out) {
        c = static_cast<char>(random());
    }
    return out;
}

// Every path under root, relative to it, in order.
std::set<std::string> tree(const fs::path& root) {
    std::set<std::string> found;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        found.insert(fs::relative(item.path(), root).generic_string());
    }
    return found;
}

fs::path onposix(const std::string& name) {
    std::string relative = name.substr(1);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return relative;
}

// Removes a tree; Windows removes no read-only file, so none stays read-only.
void removetree(const fs::path& root) {
    std::error_code ignored;
    for (const auto& item : fs::recursive_directory_iterator(root, ignored)) {
        platform::setattributes(item.path().string().c_str(), platform::attrnormal);
    }
    fs::remove_all(root, ignored);
}

class Unpacker : public ::testing::Test {
  protected:
    void SetUp() override {
        // Short: the target directory holds at most 59 characters.
        static int runs = 0;
        root = fs::temp_directory_path() /
               ("unp" + std::to_string(::getpid()) + "-" + std::to_string(++runs));
        removetree(root);
        fs::create_directories(root / "out");
        platform::injectfaults({});
    }
    void TearDown() override {
        platform::injectfaults({});
        setunpackerwriting({});
        removetree(root);
    }

    std::string dist() const { return (root / "dist").string() + "/"; }
    std::string target() const { return (root / "out").string(); }

    unpackrun::outcome extract(const std::vector<entry>& entries, std::uint64_t volumesize = 0,
                               const unpackrun::diskhandler& ondisk = {}) {
        volumes = unpackrun::writevolumes(root / "dist", unpackrun::stream(entries), volumesize);
        return unpackrun::run(dist(), target(), ondisk);
    }

    // Every entry's file holds its data.
    void expectwritten(const std::vector<entry>& entries) {
        for (const entry& e : entries) {
            EXPECT_EQ(content(root / "out" / onposix(e.name)), e.data) << e.name;
        }
    }

    // Six files of 300 bytes over volumes of volumesize bytes, and a folder
    // "away" for the volumes that are not in the drive.
    std::vector<entry> smallfiles(unsigned seed, std::uint64_t volumesize) {
        std::vector<entry> entries;
        for (unsigned i = 0; i < 6; ++i) {
            entries.push_back({"\\f" + std::to_string(i), bytes(300, seed + i)});
        }
        volumes = unpackrun::writevolumes(root / "dist", unpackrun::stream(entries), volumesize);
        fs::create_directories(root / "away");
        return entries;
    }

    fs::path root;
    std::uint32_t volumes = 0;
};

TEST_F(Unpacker, DistributionWithoutFilesIsDoneAtOnce) {
    const auto result = extract({});
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.commands, std::vector<std::int32_t>{done});
    EXPECT_TRUE(result.names.empty());
    EXPECT_TRUE(result.percents.empty());
    EXPECT_EQ(result.volume, 0); // closed by the unpacker
    EXPECT_TRUE(fs::is_empty(root / "out"));
}

// The descriptor's texts must end within their buffers, the proposal must hold
// a backslash, and the total must cover the descriptor itself.
TEST_F(Unpacker, DescriptorsBeyondTheirLimitsAreRefused) {
    const auto started = [&](const std::string& name, const std::string& proposal, int slack) {
        const auto length = cell::descriptorlength(name, proposal);
        fs::remove_all(root / "dist");
        unpackrun::writevolumes(root / "dist",
                                cell::descriptorbytes(name, proposal, length + slack));
        return unpackrun::run(dist(), target()).started;
    };
    EXPECT_TRUE(started(std::string(55, 'n'), "C:\\" + std::string(60, 'p'), 0));
    EXPECT_FALSE(started(std::string(56, 'n'), "C:\\P", 0));
    EXPECT_FALSE(started("Widget", "C:\\" + std::string(61, 'p'), 0));
    EXPECT_FALSE(started("Widget", "NOBACKSLASH", 0));
    EXPECT_FALSE(started("Widget", "C:\\P", -1));
}

TEST_F(Unpacker, WritesFilesDirectoriesAndEmptyFiles) {
    const std::vector<entry> entries = {{"\\readme.txt", "hello\r\n"},
                                        {"\\docs\\guide\\a.txt", std::string(3000, 'a')},
                                        {"\\docs\\empty.dat", ""},
                                        {"\\bin\\tool.exe", bytes(9000, 1)}};
    const auto result = extract(entries);
    EXPECT_EQ(result.commands, std::vector<std::int32_t>{done});
    expectwritten(entries);
    ASSERT_EQ(result.names.size(), 4u);
    EXPECT_EQ(result.names[1], target() + "\\docs\\guide\\a.txt");
    EXPECT_EQ(result.percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(result.percents.begin(), result.percents.end()));
}

// Volumes of every small size cut the stream inside names, inside the fixed
// fields and inside data; the copy goes on at the same byte each time.
TEST_F(Unpacker, EntriesStraddlingVolumeEndsAreReadWhole) {
    const std::vector<entry> entries = {{"\\first-name-long-enough.txt", bytes(40, 2)},
                                        {"\\d\\second.bin", bytes(70, 3)},
                                        {"\\d\\e\\third", ""},
                                        {"\\fourth.txt", "four"}};
    for (std::uint64_t size = 48; size <= 104; size += 1) { // CELL.0 holds the descriptor

        fs::remove_all(root / "dist");
        fs::remove_all(root / "out");
        fs::create_directories(root / "out");
        const auto result = extract(entries, size);
        ASSERT_TRUE(result.started) << "volume size " << size;
        ASSERT_GT(volumes, 3u);
        ASSERT_EQ(result.commands, std::vector<std::int32_t>{done}) << "volume size " << size;
        expectwritten(entries);
    }
}

TEST_F(Unpacker, DataMovesInPiecesOf2048AndProgressFollowsEachPiece) {
    const std::vector<entry> entries = {{"\\big.bin", bytes(5000, 4)}};
    const auto result = extract(entries);
    ASSERT_EQ(result.last(), done);
    expectwritten(entries);

    // One update after the fields and one after each piece: 2048, 2048, 904.
    const std::int32_t total = distribution.total.low;
    const std::int32_t fields = total - 5000;
    std::vector<std::int32_t> expected;
    for (const std::int32_t position : {fields, fields + 2048, fields + 4096, total}) {
        expected.push_back(100 * position / total);
    }
    EXPECT_EQ(result.percents, expected);

    // Failing the nth write leaves exactly the pieces before it.
    const std::pair<int, std::uintmax_t> cases[] = {{1, 0}, {2, 2048}, {3, 4096}};
    for (const auto& [nth, kept] : cases) {
        fs::remove_all(root / "out");
        platform::faultplan plan;
        plan.write = nth;
        platform::injectfaults(plan);
        const auto failed = unpackrun::run(dist(), target());
        EXPECT_EQ(failed.commands, std::vector<std::int32_t>{writefailure});
        EXPECT_EQ(failed.volume, 0);
        EXPECT_FALSE(failed.ringrunning); // stopped before its volume was released
        EXPECT_EQ(fs::file_size(root / "out" / "big.bin"), kept);
    }
}

// Gathered writes (cell's): a file over several volumes goes out in writes of
// more than gather - 2048 bytes, its room reserved without changing its
// length, so that a failed write leaves exactly the writes before it.
TEST_F(Unpacker, GatheredWritesAreLargeAndAFailureKeepsOnlyWholeOnes) {
    constexpr std::int32_t gather = 65536;
    setunpackerwriting({gather, true});
    std::vector<entry> entries = {{"\\big.bin", bytes(200000, 6)}, {"\\small", bytes(10, 7)}};
    for (std::size_t i = 0; i < entries[0].data.size(); i += 7)
        entries[0].data[i] = static_cast<char>(i);
    const auto result = extract(entries, 30000);
    ASSERT_GT(volumes, 4u);
    ASSERT_EQ(result.last(), done);
    expectwritten(entries);

    std::uintmax_t before = 0;
    for (int nth = 1; nth <= 4; ++nth) {
        removetree(root / "out");
        platform::faultplan plan;
        plan.write = nth;
        platform::injectfaults(plan);
        const auto failed = unpackrun::run(dist(), target());
        EXPECT_EQ(failed.commands, std::vector<std::int32_t>{writefailure});
        const auto kept = fs::file_size(root / "out" / "big.bin");
        if (nth == 1) {
            EXPECT_EQ(kept, 0u);
        } else { // the write before the failed one
            EXPECT_GT(kept - before, static_cast<std::uintmax_t>(gather - 2048)) << nth;
            EXPECT_LE(kept - before, static_cast<std::uintmax_t>(gather)) << nth;
        }
        before = kept;
    }
}

// A disk too full to set a file's room aside (fallocate's ENOSPC, Windows'
// disk full) is a write failure like any other: the files before it stay
// whole, the refused one holds nothing, nothing after it is written.
TEST_F(Unpacker, RefusedReservationIsAWriteFailureKeepingTheFilesBefore) {
    constexpr std::int32_t gather = 65536;
    setunpackerwriting({gather, true});
    const std::vector<entry> entries = {{"\\first.bin", bytes(100000, 8)},
                                        {"\\small", bytes(10, 9)},
                                        {"\\refused.bin", bytes(100000, 10)},
                                        {"\\after", bytes(10, 11)}};
    platform::faultplan plan;
    plan.reserve = 2; // first.bin's room is set aside, refused.bin's is not
    platform::injectfaults(plan);
    const auto result = extract(entries, 30000);
    EXPECT_EQ(result.commands, std::vector<std::int32_t>{writefailure});
    EXPECT_EQ(result.volume, 0);
    EXPECT_EQ(content(root / "out" / "first.bin"), entries[0].data);
    EXPECT_EQ(content(root / "out" / "small"), entries[1].data);
    EXPECT_EQ(fs::file_size(root / "out" / "refused.bin"), 0u);
    EXPECT_FALSE(fs::exists(root / "out" / "after"));
}

TEST_F(Unpacker, MissingDiskIsAskedForUntilItIsThereAlternatingTheEvents) {
    const std::vector<entry> entries = smallfiles(10, 200);
    ASSERT_GT(volumes, 4u);
    fs::rename(root / "dist" / "CELL.2", root / "away" / "CELL.2");
    fs::rename(root / "dist" / "CELL.3", root / "away" / "CELL.3");

    const auto result = unpackrun::run(dist(), target(), [&](int prompt) {
        if (prompt == 2) { // the right disk at last
            fs::rename(root / "away" / "CELL.2", root / "dist" / "CELL.2");
        } else if (prompt == 3) {
            fs::rename(root / "away" / "CELL.3", root / "dist" / "CELL.3");
        }
    });
    EXPECT_EQ(result.waits, (std::vector<std::int32_t>{1, 2, 1}));
    EXPECT_EQ(result.commands,
              (std::vector<std::int32_t>{diskprompt, diskprompt, diskprompt, done}));
    expectwritten(entries);
    EXPECT_TRUE(std::is_sorted(result.percents.begin(), result.percents.end()));
    EXPECT_EQ(result.percents.back(), 100);
}

// A stop between two pieces of a file: nothing more reaches the window, the
// file cut short is removed, the files before it stay whole, and the volume
// is left open for the decoder.
TEST_F(Unpacker, StopMidFileRemovesThatFileAndSaysNothingMore) {
    const std::vector<entry> entries{
        {"\\a", bytes(3000, 1)}, {"\\dir\\big", bytes(20000, 2)}, {"\\c", bytes(100, 3)}};
    volumes = unpackrun::writevolumes(root / "dist", unpackrun::stream(entries));
    // Updates: a's fields and two pieces, big's fields and three pieces.
    const auto result = unpackrun::run(dist(), target(), {}, 7);
    EXPECT_TRUE(result.commands.empty());
    EXPECT_EQ(result.names.size(), 2u);
    EXPECT_EQ(result.percents.size(), 7u);
    EXPECT_EQ(content(root / "out" / "a"), entries[0].data);
    EXPECT_EQ(tree(root / "out"), (std::set<std::string>{"a", "dir"}));
    EXPECT_GT(result.volume, 0);
}

// Cancel on the disk prompt: the window posts the disk event to wake the
// unpacker, which neither asks again nor goes on; what was whole stays.
TEST_F(Unpacker, StopOnTheDiskPromptEndsTheWaitWithoutAnotherPrompt) {
    const std::vector<entry> entries = smallfiles(20, 1000);
    ASSERT_GT(volumes, 2u);
    fs::rename(root / "dist" / "CELL.1", root / "away" / "CELL.1");
    const auto result = unpackrun::run(dist(), target(), [](int) { unpackrun::stop(); });
    EXPECT_EQ(result.commands, std::vector<std::int32_t>{diskprompt});
    const auto written = tree(root / "out");
    EXPECT_FALSE(written.empty());
    for (const entry& e : entries) {
        if (written.contains(e.name.substr(1))) {
            EXPECT_EQ(content(root / "out" / onposix(e.name)), e.data) << e.name;
        }
    }
}

TEST_F(Unpacker, CleanEntriesEmptyTheirDirectoryFirst) {
    put(root / "out" / "old.txt", "old");
    put(root / "out" / "keep" / "inner.txt", "inner");
    put(root / "out" / "locked.txt", "locked");
    platform::setattributes((root / "out" / "locked.txt").string().c_str(), platform::attrreadonly);
    const auto result = extract({{"\\..clean", ""},
                                 {"\\a.txt", "a"},
                                 {"\\new\\early.txt", "gone"},
                                 {"\\new\\..clean", ""},
                                 {"\\new\\late.txt", "stays"}});
    ASSERT_EQ(result.last(), done);
    EXPECT_EQ(tree(root / "out"),
              (std::set<std::string>{"..clean", "a.txt", "keep", "keep/inner.txt", "locked.txt",
                                     "new", "new/..clean", "new/late.txt"}));
}

// The entry's last write time and read-only attribute reach every file, an
// empty one too; a time of 0 is the system's own.
TEST_F(Unpacker, TimesAndAttributesReachEveryFileEmptyOnesToo) {
    const std::uint64_t in2001 = 126256467060000000; // 2001-02-03 04:05:06 UTC
    const auto result = extract({{"\\empty", "", 0x21, in2001},
                                 {"\\d\\full", "data", 0x20, in2001 + 10000000},
                                 {"\\now", "x", 0x20, 0}});
    ASSERT_EQ(result.last(), done);
    const auto unixtime = [&](const char* name) {
        struct stat status {};
        ::stat((root / "out" / name).string().c_str(), &status);
        return static_cast<std::int64_t>(status.st_mtime);
    };
    const std::int64_t at2001 = 981173106;
    EXPECT_EQ(unixtime("empty"), at2001);
    EXPECT_EQ(unixtime("d/full"), at2001 + 1);
    EXPECT_GT(unixtime("now"), at2001 + 100000000);
    EXPECT_NE(platform::getattributes((root / "out" / "empty").string().c_str()) &
                  platform::attrreadonly,
              0u);
}

TEST_F(Unpacker, ReadOnlyAndHiddenFilesInTheWayAreReplaced) {
    put(root / "out" / "ro.txt", "old read-only");
    put(root / "out" / "sub" / "hidden.txt", "old hidden");
    platform::setattributes((root / "out" / "ro.txt").string().c_str(), platform::attrreadonly);
    platform::setattributes((root / "out" / "sub" / "hidden.txt").string().c_str(),
                            platform::attrhidden | platform::attrreadonly);
    const std::vector<entry> entries = {{"\\ro.txt", "new one", platform::attrreadonly},
                                        {"\\sub\\hidden.txt", "new two"}};
    const auto result = extract(entries);
    ASSERT_EQ(result.last(), done);
    expectwritten(entries);
    const auto ro = platform::getattributes((root / "out" / "ro.txt").string().c_str());
    EXPECT_NE(ro & platform::attrreadonly, 0u); // the entry's attributes are applied
}

// A hostile name is damaged data: the window hears of it, the files before it
// stay, and nothing is made for it, inside the target or outside.
TEST_F(Unpacker, HostileNamesAreDamagedDataAndCreateNothing) {
    std::string longname(251, 'x'); // built in place: g++ 12 -O3 misreads "\\" + string
    longname[0] = '\\';
    const std::string hostile[] = {"\\..\\evil",
                                   "\\a\\..\\..\\evil",
                                   "\\..",
                                   "\\.\\evil",
                                   "\\a\\\\evil",
                                   "evil",
                                   "\\c:evil",
                                   "\\evil:stream",
                                   "\\a/../../evil",
                                   "\\..\\..\\..\\..\\tmp\\evil",
                                   "\\evil\x07",
                                   "\\CON",
                                   "\\sub\\lpt1.txt",
                                   "\\evil.",
                                   "\\evil ",
                                   "\\",
                                   "",
                                   longname,
                                   "\\..\\..clean",
                                   "\\a\\..\\..\\..clean",
                                   "/..clean"};
    for (const std::string& name : hostile) {
        fs::remove_all(root / "out");
        fs::remove_all(root / "dist");
        fs::create_directories(root / "out");
        const auto result = extract({{"\\ok.txt", "fine"}, {name, "payload"}, {"\\after", "x"}});
        EXPECT_EQ(result.commands, std::vector<std::int32_t>{dataerror}) << name;
        EXPECT_EQ(tree(root / "out"), std::set<std::string>{"ok.txt"}) << name;
        EXPECT_EQ(tree(root), (std::set<std::string>{"dist", "dist/CELL.0", "out", "out/ok.txt"}))
            << name;
        EXPECT_EQ(result.names, std::vector<std::string>{target() + "\\ok.txt"}) << name;
    }
}

// A size or a name that runs past the total is damaged data, not a request for
// a disk that does not exist.
TEST_F(Unpacker, EntriesRunningPastTheTotalAreDamagedData) {
    auto stream = unpackrun::stream({{"\\a.txt", "abc"}});
    stream[stream.size() - 3 - 8] = 4; // the size: one byte more than the stream holds
    unpackrun::writevolumes(root / "dist", stream);
    auto result = unpackrun::run(dist(), target());
    EXPECT_EQ(result.commands, std::vector<std::int32_t>{dataerror});

    // A name whose 0 would lie past the total.
    fs::remove_all(root / "out");
    fs::create_directories(root / "out");
    const std::string_view product = "Widget", proposal = "C:\\W", name = "\\abcd";
    stream = cell::descriptorbytes(product, proposal,
                                   cell::descriptorlength(product, proposal) + name.size());
    stream.insert(stream.end(), name.begin(), name.end());
    unpackrun::writevolumes(root / "dist", stream);
    result = unpackrun::run(dist(), target());
    EXPECT_EQ(result.commands, std::vector<std::int32_t>{dataerror});
    EXPECT_TRUE(fs::is_empty(root / "out"));
}

TEST_F(Unpacker, CreateFailuresAreWriteFailuresEvenForEmptyFiles) {
    const std::vector<entry> entries = {{"\\a.txt", "a"}, {"\\empty", ""}, {"\\c.txt", "c"}};
    platform::faultplan plan;
    plan.openforwrite = 2;
    platform::injectfaults(plan);
    const auto result = extract(entries);
    EXPECT_EQ(result.commands, std::vector<std::int32_t>{writefailure});
    EXPECT_EQ(result.volume, 0);
    EXPECT_EQ(tree(root / "out"), std::set<std::string>{"a.txt"});
}

TEST_F(Unpacker, ShortWritesAreWriteFailures) {
    platform::faultplan plan;
    plan.shortwrite = 1;
    platform::injectfaults(plan);
    const auto result = extract({{"\\a.txt", "abcdef"}, {"\\b.txt", "b"}});
    EXPECT_EQ(result.commands, std::vector<std::int32_t>{writefailure});
    EXPECT_FALSE(fs::exists(root / "out" / "b.txt"));
}

TEST_F(Unpacker, DirectoryBlockedByAFileIsAWriteFailure) {
    put(root / "out" / "d", "a file where a directory should be");
    const auto result = extract({{"\\d\\x.txt", "x"}});
    EXPECT_EQ(result.commands, std::vector<std::int32_t>{writefailure});
    EXPECT_EQ(content(root / "out" / "d"), "a file where a directory should be");
}

TEST_F(Unpacker, FailedVolumeReadIsDamagedData) {
    std::vector<entry> entries = {{"\\a.bin", bytes(20000, 5)}};
    volumes = unpackrun::writevolumes(root / "dist", unpackrun::stream(entries), 4000);
    ASSERT_GT(volumes, 2u);
    platform::faultplan plan;
    plan.read = 3;
    platform::injectfaults(plan);
    const auto result = unpackrun::run(dist(), target());
    EXPECT_EQ(result.last(), dataerror);
}

} // namespace
