#include "extraction/cleandir.h"
#include "files_scratch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using scratch::directory;

void fill(const directory& dir) {
    dir.write("a.txt", "a");
    dir.write("b.dat", "b");
    dir.write("hidden", "h");
    platform::setattributes(dir.name("hidden").c_str(),
                            platform::attrhidden | platform::attrsystem);
    dir.write("kept", "k");
    platform::setattributes(dir.name("kept").c_str(), platform::attrreadonly);
    scratch::fs::create_directories(dir.path("sub\\deeper"));
    dir.write("sub\\inner", "i");
}

TEST(cleandir, DeletesFilesDirectlyInTheDirectoryOnly) {
    for (const std::string ending : {"", "\\"}) {
        directory dir;
        fill(dir);
        std::int32_t cleaned = 0;
        cleandir((dir.root.string() + ending).c_str(), cleaned);
        EXPECT_EQ(cleaned, 1);
        EXPECT_FALSE(dir.exists("a.txt")) << "ending '" << ending << "'";
        EXPECT_FALSE(dir.exists("b.dat"));
        EXPECT_FALSE(dir.exists("hidden"));
        EXPECT_EQ(dir.read("kept"), "k");
        EXPECT_EQ(dir.read("sub\\inner"), "i");
        EXPECT_TRUE(scratch::fs::is_directory(dir.path("sub\\deeper")));
    }
}

TEST(cleandir, MissingEmptyOrOverlongDirectoryDeletesNothing) {
    directory dir;
    dir.write("a.txt", "a");
    scratch::workingin here(dir.root);
    std::int32_t cleaned = 0;
    cleandir(dir.name("missing").c_str(), cleaned);
    cleandir("", cleaned); // not the root of the drive
    const std::string overlong = dir.name(std::string(300, 'x'));
    cleandir(overlong.c_str(), cleaned);
    EXPECT_TRUE(dir.exists("a.txt"));
}

// The guard is taken by identity: another spelling of the volume directory,
// or a relative one, guards it as well.
TEST(cleandir, TheDistributionsVolumesAndTheKeptFilesStay) {
    directory dir;
    scratch::fs::create_directory(dir.path("sub"));
    for (const char* name : {"CELL.0", "cell.12", "CELL.x", "CELL.", "CELL.1.bak", "a.txt",
                             "install.exe", "sub\\CELL.3"})
        dir.write(name, "x");
    scratch::workingin here(dir.root);
    guardclean({"sub\\..", "missing"}, {dir.name("install.exe")});
    std::int32_t cleaned = 0;
    cleandir(dir.name("").c_str(), cleaned);
    EXPECT_EQ(cleaned, 1);
    for (const char* kept : {"CELL.0", "cell.12", "install.exe", "sub\\CELL.3"})
        EXPECT_TRUE(dir.exists(kept)) << kept;
    for (const char* gone : {"CELL.x", "CELL.", "CELL.1.bak", "a.txt"})
        EXPECT_FALSE(dir.exists(gone)) << gone;
    cleandir(dir.name("sub").c_str(), cleaned); // not a volume directory
    EXPECT_FALSE(dir.exists("sub\\CELL.3"));
    guardclean({}, {});
}

// The root of a drive or of a file system is never cleared.
TEST(cleandir, RootsAreToldApart) {
    directory dir;
    EXPECT_FALSE(platform::isvolumeroot(dir.name("").c_str()));
    EXPECT_FALSE(platform::isvolumeroot(dir.name("missing").c_str()));
#ifdef _WIN32
    for (const char* root : {"C:\\", "C:/", "c:\\windows\\..", "\\\\server\\share\\"})
        EXPECT_TRUE(platform::isvolumeroot(root)) << root;
#else
    EXPECT_TRUE(platform::isvolumeroot("/"));
    EXPECT_TRUE(platform::isvolumeroot("/proc")); // a mount point
    EXPECT_FALSE(platform::isvolumeroot("/proc/self"));
#endif
}

#ifndef _WIN32
// Only POSIX holds paths past 260 characters: a name that would not fit the
// work buffer after the directory is left alone, the others are deleted.
TEST(cleandir, NameTooLongForTheWorkBufferIsSkipped) {
    directory dir;
    const std::string level(200 - dir.name("").size(), 'd');
    scratch::fs::create_directories(dir.path(level));
    const std::string fits(58, 'f'), toolong(59, 'l'); // 201 + 58 characters and the 0 fill 260
    dir.write(level + "\\" + fits, "f");
    dir.write(level + "\\" + toolong, "l");
    std::int32_t cleaned = 0;
    cleandir(dir.name(level).c_str(), cleaned);
    EXPECT_FALSE(dir.exists(level + "\\" + fits));
    EXPECT_EQ(dir.read(level + "\\" + toolong), "l");
}
#endif

} // namespace
