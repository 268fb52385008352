#include "extraction/files.h"
#include "files_scratch.h"
#include "tests/platform/faultplan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <cstdint>
#include <iterator>

namespace {

using scratch::directory;

void writeall(platform::handle file, const std::string& text) {
    std::uint32_t written = 0;
    ASSERT_TRUE(
        platform::writefile(file, text.data(), static_cast<std::uint32_t>(text.size()), written));
    ASSERT_EQ(written, text.size());
}

bool isreadonly(const std::string& name) {
    return (platform::getattributes(name.c_str()) & platform::attrreadonly) != 0;
}

TEST(fileopen, ReadOfMissingFileFailsAndWriteCreates) {
    directory dir;
    platform::handle file = 0;
    fileopen(file, dir.name("missing").c_str(), "R", "S", 0, "R");
    EXPECT_EQ(file, -1);
    EXPECT_FALSE(dir.exists("missing"));

    fileopen(file, dir.name("made").c_str(), "w", "s", 0, "n");
    ASSERT_GT(file, 0);
    writeall(file, "data");
    fileclose(file);
    EXPECT_EQ(dir.read("made"), "data");

    fileopen(file, dir.name("made").c_str(), "r", "s", 0, "r");
    ASSERT_GT(file, 0);
    char buffer[8] = {};
    std::uint32_t got = 0;
    EXPECT_TRUE(platform::readfile(file, buffer, sizeof buffer, got));
    EXPECT_EQ(std::string(buffer, got), "data");
    fileclose(file);

    // A directory is no file, to write or to read.
    scratch::fs::create_directory(dir.path("sub"));
    fileopen(file, dir.name("sub").c_str(), "W", "S", 0, "N");
    EXPECT_EQ(file, -1);
    fileopen(file, dir.name("sub").c_str(), "R", "S", 0, "R");
    EXPECT_EQ(file, -1);
}

TEST(fileopen, WriteReplacesReadOnlyFile) {
    directory dir;
    dir.write("old", "a longer old content");
    setattributes(dir.name("old").c_str(), platform::attrreadonly);
    ASSERT_TRUE(isreadonly(dir.name("old")));
#ifndef _WIN32
    // The layer refuses to write a read-only file, as Windows does, even for root
    // (Wine run by root lets it through, so this is checked here only).
    EXPECT_EQ(platform::openfile(dir.name("old").c_str(), platform::genericwrite, 0,
                                 platform::createalways, 0),
              platform::invalidfile);
#endif

    platform::handle file = 0;
    fileopen(file, dir.name("old").c_str(), "W", "S", 0, "N");
    ASSERT_GT(file, 0);
    writeall(file, "new");
    fileclose(file);
    EXPECT_EQ(dir.read("old"), "new");
#ifndef _WIN32
    EXPECT_FALSE(isreadonly(dir.name("old"))); // cleared for the second attempt
#endif
}

// Only a write of a file that an attribute guards is tried again with the
// attributes cleared: a read that failed, or a directory, keeps them.
TEST(fileopen, FailedReadOpensAndDirectoriesKeepTheirAttributes) {
    directory dir;
    dir.write("ro", "x");
    setattributes(dir.name("ro").c_str(), platform::attrreadonly);
    platform::injectfaults({.openforread = 1});
    platform::handle file = 0;
    fileopen(file, dir.name("ro").c_str(), "R", "S", 0, "R");
    platform::injectfaults({});
    EXPECT_EQ(file, -1);
    EXPECT_TRUE(isreadonly(dir.name("ro")));

    scratch::fs::create_directory(dir.path("sub"));
    setattributes(dir.name("sub").c_str(), platform::attrreadonly | platform::attrdirectory);
    const std::uint32_t before = platform::getattributes(dir.name("sub").c_str());
    fileopen(file, dir.name("sub").c_str(), "W", "S", 0, "N");
    EXPECT_EQ(file, -1);
    EXPECT_EQ(platform::getattributes(dir.name("sub").c_str()), before);
}

// A pipe hands its messages over one per read: a read of more is given all.
#ifdef _WIN32
TEST(readfile, ShortReadsBeforeTheEndAreReadOn) {
    const std::string name = "\\\\.\\pipe\\cellshortread" + std::to_string(GetCurrentProcessId());
    const HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND,
                                           PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
                                           64, 64, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    const HANDLE client =
        CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    DWORD mode = PIPE_READMODE_MESSAGE;
    ASSERT_NE(SetNamedPipeHandleState(client, &mode, nullptr, nullptr), 0);
    DWORD sent = 0;
    WriteFile(server, "abc", 3, &sent, nullptr);
    WriteFile(server, "defg", 4, &sent, nullptr);
    char buffer[8] = {};
    std::uint32_t got = 0;
    EXPECT_TRUE(platform::readfile(
        static_cast<platform::handle>(reinterpret_cast<std::intptr_t>(client)), buffer, 7, got));
    EXPECT_EQ(std::string(buffer, got), "abcdefg");
    CloseHandle(client);
    CloseHandle(server);
}

// Windows makes a directory of at most 248 characters by the plain call.
TEST(makedirs, DirectoriesUpTo259CharactersAreMadeAndWrittenInto) {
    directory dir;
    for (const std::size_t length : {247u, 248u, 255u, 257u}) {
        const std::string base = dir.name("");
        const std::string deep = base + std::string(length - base.size(), 'd');
        std::int32_t ok = 0;
        makedirs(deep.c_str(), ok);
        EXPECT_EQ(ok, 1) << length;
        platform::handle file = 0;
        fileopen(file, (deep + "\\f").c_str(), "W", "S", 0, "N");
        EXPECT_GT(file, 0) << length;
        fileclose(file);
    }
}
#endif

TEST(faults, WritesAndReadsFailOrShortenAsPlanned) {
    directory dir;
    platform::handle file = 0;
    fileopen(file, dir.name("f").c_str(), "W", "S", 0, "N");
    ASSERT_GT(file, 0);
    platform::injectfaults({.write = 2, .shortwrite = 3});
    std::uint32_t written = 0;
    EXPECT_TRUE(platform::writefile(file, "1234", 4, written));
    EXPECT_FALSE(platform::writefile(file, "1234", 4, written));
    EXPECT_TRUE(platform::writefile(file, "abcd", 4, written));
    EXPECT_EQ(written, 2u);
    EXPECT_TRUE(platform::writefile(file, "wxyz", 4, written));
    EXPECT_EQ(written, 4u);
    fileclose(file);
    EXPECT_EQ(dir.read("f"), "1234abwxyz");

    platform::injectfaults({.read = 1});
    fileopen(file, dir.name("f").c_str(), "R", "S", 0, "R");
    ASSERT_GT(file, 0);
    char buffer[16];
    std::uint32_t got = 0;
    EXPECT_FALSE(platform::readfile(file, buffer, sizeof buffer, got));
    EXPECT_TRUE(platform::readfile(file, buffer, sizeof buffer, got));
    EXPECT_EQ(got, 10u);
    fileclose(file);
    platform::injectfaults({});
}

TEST(faults, RefusedCreateOutlastsTheRetryForThatNameOnly) {
    directory dir;
    platform::injectfaults({.openforwrite = 2});
    platform::handle file = 0;
    fileopen(file, dir.name("first").c_str(), "W", "S", 0, "N");
    ASSERT_GT(file, 0);
    fileclose(file);
    fileopen(file, dir.name("second").c_str(), "W", "S", 0, "N");
    EXPECT_EQ(file, -1);
    EXPECT_FALSE(dir.exists("second"));
    fileopen(file, dir.name("third").c_str(), "W", "S", 0, "N");
    ASSERT_GT(file, 0);
    fileclose(file);
    platform::injectfaults({});
    fileopen(file, dir.name("second").c_str(), "W", "S", 0, "N");
    EXPECT_GT(file, 0);
    fileclose(file);
}

// The last access and last write times of a file, as the system keeps them.
std::pair<std::uint64_t, std::uint64_t> filetimes(const std::string& name) {
#ifdef _WIN32
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    FILETIME accessed{}, written{};
    GetFileTime(file, nullptr, &accessed, &written);
    CloseHandle(file);
    const auto value = [](const FILETIME& t) {
        return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
    };
    return {value(accessed), value(written)};
#else
    struct stat status {};
    std::string path = name;
    for (char& c : path)
        if (c == '\\')
            c = '/';
    stat(path.c_str(), &status);
    const auto value = [](const timespec& t) {
        return static_cast<std::uint64_t>((t.tv_sec + 11644473600LL) * 10000000LL +
                                          t.tv_nsec / 100);
    };
    return {value(status.st_atim), value(status.st_mtim)};
#endif
}

platform::filetime split(std::uint64_t ticks) {
    return {static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
}

TEST(setfiletimes, TimesReadBackToTheTick) {
    directory dir;
    const std::uint64_t in2021 = 132539328001234567;     // 2021-01-01 00:00:00.1234567
    const std::uint64_t before1970 = 116444735995000000; // 1969-12-31 23:59:59.5
    for (const auto& [access, write] : {std::pair{in2021, before1970}, {before1970, in2021}}) {
        platform::handle file = 0;
        fileopen(file, dir.name("timed").c_str(), "W", "S", 0, "N");
        ASSERT_GT(file, 0);
        writeall(file, "t");
        setfiletimes(file, split(write), split(access), split(write));
        fileclose(file);
        EXPECT_EQ(filetimes(dir.name("timed")), std::pair(access, write));
    }
}

// Zero and all ones leave a time as it is.
TEST(setfiletimes, ZeroOrAllOnesLeaveThatTimeUnchanged) {
    directory dir;
    const std::uint64_t in2021 = 132539328001234567, in2022 = 132855552000000000;
    for (const std::uint64_t keep : {std::uint64_t{0}, ~std::uint64_t{0}}) {
        platform::handle file = 0;
        fileopen(file, dir.name("timed").c_str(), "W", "S", 0, "N");
        ASSERT_GT(file, 0);
        setfiletimes(file, split(in2021), split(in2021), split(in2021));
        setfiletimes(file, split(keep), split(keep), split(in2022));
        fileclose(file);
        EXPECT_EQ(filetimes(dir.name("timed")), std::pair(in2021, in2022)) << keep;
    }
}

TEST(attributes, ReadOnlyComesAndGoesDirectoriesSayWhatTheyAre) {
    directory dir;
    dir.write("f", "x");
    setattributes(dir.name("f").c_str(), platform::attrreadonly | platform::attrarchive);
    EXPECT_TRUE(isreadonly(dir.name("f")));
    setattributes(dir.name("f").c_str(), 0);
    EXPECT_FALSE(isreadonly(dir.name("f")));
    EXPECT_EQ(platform::getattributes(dir.name("f").c_str()) & platform::attrdirectory, 0u);
    EXPECT_NE(platform::getattributes(dir.root.string().c_str()) & platform::attrdirectory, 0u);
    EXPECT_EQ(platform::getattributes(dir.name("none").c_str()), platform::invalidattributes);
}

TEST(findfirst, ListsEveryEntryWithItsAttributes) {
    directory dir;
    dir.write("file", "x");
    scratch::fs::create_directory(dir.path("sub"));
    std::set<std::pair<std::string, bool>> seen;
    platform::finddata found{};
    const platform::handle search = platform::findfirst(dir.name("*.*").c_str(), found);
    ASSERT_NE(search, platform::invalidfile);
    do
        seen.emplace(found.name, (found.attributes & platform::attrdirectory) != 0);
    while (platform::findnext(search, found));
    platform::findclose(search);
    const std::set<std::pair<std::string, bool>> expected{
        {".", true}, {"..", true}, {"file", false}, {"sub", true}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(platform::findfirst(dir.name("sub\\*.none").c_str(), found), platform::invalidfile);
}

TEST(makedirs, CreatesEveryMissingLevelInOrder) {
    directory dir;
    std::int32_t ok = 0;
    makedirs(dir.name("a\\b/c\\d").c_str(), ok);
    EXPECT_EQ(ok, 1);
    EXPECT_TRUE(scratch::fs::is_directory(dir.path("a\\b\\c\\d")));
    // Existing levels, and a trailing separator, are fine.
    makedirs(dir.name("a\\b\\e\\").c_str(), ok);
    EXPECT_EQ(ok, 1);
    EXPECT_TRUE(scratch::fs::is_directory(dir.path("a\\b\\e")));
}

TEST(makedirs, FileInTheWayFailsAndNothingIsMadeBelowIt) {
    directory dir;
    dir.write("plain", "x");
    std::int32_t ok = 1;
    makedirs(dir.name("plain\\below\\deeper").c_str(), ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(dir.read("plain"), "x");
    EXPECT_FALSE(scratch::fs::is_directory(dir.path("plain")));
}

TEST(makedirs, OneLevelPathIsCheckedItself) {
    directory dir;
    scratch::workingin here(dir.root);
    // The first level stands for a drive and is never looked at.
    scratch::fs::create_directory(dir.path("drive"));
    std::int32_t ok = 0;
    makedirs("drive\\x", ok);
    EXPECT_EQ(ok, 1);
    EXPECT_TRUE(scratch::fs::is_directory(dir.path("drive\\x")));
    makedirs("nodrive\\x", ok);
    EXPECT_EQ(ok, 0);
    // A drive's root alone has nothing to make.
    makedirs("C:\\", ok);
    EXPECT_EQ(ok, 1);
}

TEST(makedirs, PathTooLongFailsCleanly) {
    directory dir;
    const std::string deep = dir.name("a\\" + std::string(300, 'b'));
    std::int32_t ok = 1;
    makedirs(deep.c_str(), ok);
    EXPECT_EQ(ok, 0);
    EXPECT_FALSE(dir.exists("a"));
}

#ifndef _WIN32
// Below the write root no link is followed and no special file opened; the
// root itself may be a link. Outside, a file's own level is still no link.
TEST(writeroot, NoLinkBelowTheRootIsFollowedNorSpecialFileOpened) {
    directory dir;
    namespace fs = scratch::fs;
    fs::create_directories(dir.path("real"));
    fs::create_directories(dir.path("elsewhere"));
    dir.write("elsewhere\\victim", "victim");
    fs::create_directory_symlink(dir.path("real"), dir.path("root"));
    fs::create_directory_symlink(dir.path("elsewhere"), dir.path("real\\docs"));
    fs::create_symlink(dir.path("elsewhere\\victim"), dir.path("real\\file"));
    ASSERT_EQ(::mkfifo(dir.path("real\\fifo").c_str(), 0666), 0);
    platform::setwriteroot(dir.name("root").c_str());
    std::int32_t ok = 1;
    makedirs(dir.name("root\\docs\\deeper").c_str(), ok);
    EXPECT_EQ(ok, 0);
    makedirs(dir.name("root\\made").c_str(), ok); // through the root's own link
    EXPECT_EQ(ok, 1);
    platform::handle file = 0;
    fileopen(file, dir.name("root\\docs\\victim").c_str(), "W", "S", 0, "N");
    EXPECT_EQ(file, -1);
    EXPECT_FALSE(platform::deletefile(dir.name("root\\docs\\victim").c_str()));
    fileopen(file, dir.name("root\\fifo").c_str(), "W", "S", 0, "N");
    EXPECT_EQ(file, -1);
    fileopen(file, dir.name("root\\fifo").c_str(), "R", "S", 0, "R");
    EXPECT_EQ(file, -1);
    fileopen(file, dir.name("root\\file").c_str(), "W", "S", 0, "N");
    ASSERT_GT(file, 0);
    writeall(file, "new");
    fileclose(file);
    EXPECT_FALSE(fs::is_symlink(dir.path("real\\file")));
    EXPECT_EQ(dir.read("real\\file"), "new");
    EXPECT_EQ(dir.read("elsewhere\\victim"), "victim");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path("elsewhere")), {}), 1);

    platform::setwriteroot("");
    fs::create_symlink(dir.path("elsewhere\\victim"), dir.path("elsewhere\\link"));
    fileopen(file, dir.name("elsewhere\\link").c_str(), "W", "S", 0, "N");
    ASSERT_GT(file, 0);
    fileclose(file);
    EXPECT_EQ(dir.read("elsewhere\\victim"), "victim");
}
#endif

TEST(drives, InstallDriveFallsBackToTheCurrentDrive) {
    char current[8] = {};
    currentdrive(current);
    char drive[8] = {};
    std::int32_t length = -1;
    platform::setcommandline("setup/install -x");
    installdrive(drive, length);
    EXPECT_STREQ(drive, current);
    EXPECT_EQ(length, current[0] == 0 ? 0 : static_cast<std::int32_t>(std::strlen(current)) + 1);

    char system[8] = {};
    systemdrive(system);
#ifdef _WIN32
    // The system directory is longer than a drive text, yet its drive comes back.
    EXPECT_EQ(std::strlen(system), 2u);
    EXPECT_EQ(system[1], ':');
    EXPECT_EQ(current[1], ':');
    platform::setcommandline("\"C:\\dist\\install.exe\" more");
    installdrive(drive, length);
    EXPECT_STREQ(drive, "C:");
    EXPECT_EQ(length, 3);
#else
    // No drives here.
    EXPECT_STREQ(system, "");
    EXPECT_STREQ(current, "");
    platform::setcommandline("C:\\dist\\install.exe");
    installdrive(drive, length);
    EXPECT_EQ(length, 0);
#endif
    platform::setcommandline("");
}

TEST(oldstyle, CreateWriteReopenRead) {
    directory dir;
    platform::handle file = 0;
    std::int32_t ok = 0;
    lcreatfile(dir.name("old").c_str(), file);
    ASSERT_GT(file, 0);
    lwritefile(file, "hello", 5, ok);
    EXPECT_EQ(ok, 1);
    platform::injectfaults({.shortwrite = 1});
    lwritefile(file, "abcd", 4, ok);
    EXPECT_EQ(ok, 0);
    lclosefile(file, ok);
    EXPECT_EQ(ok, 1);

    lopenfile(dir.name("old").c_str(), file);
    ASSERT_GT(file, 0);
    char buffer[16] = {};
    std::int32_t read = 0;
    lreadfile(file, buffer, sizeof buffer, read);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(read)), "helloab");
    lclosefile(file, ok);
    lopenfile(dir.name("none").c_str(), file);
    EXPECT_EQ(file, -1);
}

} // namespace
