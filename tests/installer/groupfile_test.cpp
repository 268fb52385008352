#include "installer/groupfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string target = "C:\\WIDGET";

// A target directory holding a group file, removed afterwards.
class groupdir {
  public:
    groupdir() {
        std::random_device seed;
        root_ = fs::temp_directory_path() / ("cellgroup-" + std::to_string(seed()));
        fs::create_directories(root_);
    }
    ~groupdir() {
        closegroupfile();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    groupdir(const groupdir&) = delete;
    groupdir& operator=(const groupdir&) = delete;

    void write(const std::string& text) const {
        std::ofstream(root_ / "setup.000", std::ios::binary) << text;
    }
    bool open() const {
        const std::string name = root_.string();
        std::int32_t ok = -1;
        opengroupfile(name.c_str(), static_cast<std::int32_t>(name.size()), ok);
        return ok == 1;
    }

  private:
    fs::path root_;
};

struct blocks {
    std::string first, second;
};

// Both passes over the open group file for the given target: the sizes must
// be those of the texts written.
blocks build(const std::string& t = target) {
    const auto length = static_cast<std::int32_t>(t.size());
    std::int32_t size1 = -1, size2 = -1, ok = -1;
    sizecommands(t.c_str(), length, size1, size2);
    EXPECT_EQ(size1, size2);
    std::vector<char> one(static_cast<std::size_t>(size1)), two(one.size());
    buildcommands(t.c_str(), length, one.data(), two.data(), size1, ok);
    EXPECT_EQ(ok, 1);
    blocks result{one.data(), two.data()};
    EXPECT_EQ(result.first.size() + 1, one.size());
    EXPECT_EQ(result.second.size() + 1, two.size());
    return result;
}

blocks commandsof(const std::string& file) {
    groupdir dir;
    dir.write(file);
    EXPECT_TRUE(dir.open());
    return build();
}

// What the two blocks hold for the emitted commands and the last group name.
blocks expected(const std::string& emitted, const std::string& group) {
    const std::string common = emitted + "[ShowGroup(\"" + group + "\",4,0)]";
    return {common + "[ExitProgman(1)]", common + "[ExitProgman(0)]"};
}

void expectblocks(const blocks& got, const std::string& emitted, const std::string& group) {
    const blocks want = expected(emitted, group);
    EXPECT_EQ(got.first, want.first);
    EXPECT_EQ(got.second, want.second);
}

const std::string widget = "[CreateGroup(\"Widget\",0)]";
const std::string app = "[AddItem(\"C:\\WIDGET\\bin\\app.exe\",\"Widget App\", , , , ,"
                        "\"C:\\WIDGET\\bin\")]";

TEST(groupfile, GroupAndItemsSeparatedByBlankLines) {
    const std::string lf = "[PGROUP] Widget\n\n"
                           "[CMD] \\bin\\app.exe\n[WKDIR] \\bin\n[ITEMNAME] Widget App\n\n"
                           "[ITEMNAME] Notes\n[CMD] +notepad.exe notes.txt   \n[WKDIR] \\docs\n\n";
    const std::string notes = "[AddItem(notepad.exe notes.txt,\"Notes\", , , , ,"
                              "\"C:\\WIDGET\\docs\")]";
    expectblocks(commandsof(lf), widget + app + notes, "Widget");

    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    expectblocks(commandsof(crlf), widget + app + notes, "Widget");
}

TEST(groupfile, EveryBlankLineEmitsTheRecordAgainAndTheLastNeedsOne) {
    expectblocks(commandsof("[PGROUP] Widget\n\n[CMD] \\bin\\app.exe\n[WKDIR] \\bin\n"
                            "[ITEMNAME] Widget App\n\n\n[CMD] \\bin\\other.exe"),
                 widget + app + app, "Widget");
    // Other text ends the record; blank lines after it emit nothing.
    expectblocks(commandsof("[PGROUP] Widget\nnot a tag\n\n\n"), "", "Widget");
}

TEST(groupfile, TagsCountOnlyByTheirClosingBracket) {
    const std::string item = "[CMD] \\bin\\app.exe\n[WKDIR] \\bin\n[ITEMNAME] Widget App\n";
    // Closing at 9, or not closing at all: the line is ignored and the item stays.
    expectblocks(commandsof(item + "[SEVENXX] Other\n\n"), app, "");
    expectblocks(commandsof(item + "[ITEMNAME Other" + std::string(120, 'x') + "\n\n"), app, "");
    // Any six characters make a group tag; the one after the bracket is skipped.
    expectblocks(commandsof("(abcde]xWidget\n\n"), "", "");
    expectblocks(commandsof("[abcdef]xWidget\n\n[######]_Tools\n\n"),
                 widget + "[CreateGroup(\"Tools\",0)]", "Tools");
}

TEST(groupfile, ItemsInheritTheFieldsTheyLeaveOut) {
    const std::string file = "[CMD] \\bin\\app.exe\n[WKDIR] \\bin\n[ITEMNAME] Widget App\n\n"
                             "[ITEMNAME] Second\n\n";
    const std::string second = "[AddItem(\"C:\\WIDGET\\bin\\app.exe\",\"Second\", , , , ,"
                               "\"C:\\WIDGET\\bin\")]";
    expectblocks(commandsof(file), app + second, "");
}

TEST(groupfile, EmptyFileGivesOnlyShowGroupAndExit) {
    expectblocks(commandsof(""), "", "");
    expectblocks(commandsof("\n\n\r\n"), "", "");
}

// Between quotes only a quote could end a value; outside them, in a "+"
// command, brackets, commas and parentheses could, except in a quoted run.
TEST(groupfile, OnlyWhatCouldEndAValueEarlyIsDropped) {
    const std::string file = "[PGROUP] Wid\"get\",0)][ExitProgman(0)]\n\n"
                             "[CMD] +run\",x)][Reload(y\n[WKDIR] \\b]in\n"
                             "[ITEMNAME] A\"pp [1]\n\n";
    const std::string group = "Widget,0)][ExitProgman(0)]";
    const std::string item = "[AddItem(runxReloady,\"App [1]\", , , , ,\"C:\\WIDGET\\b]in\")]";
    expectblocks(commandsof(file), "[CreateGroup(\"" + group + "\",0)]" + item, group);
    const std::string spaced = "[CMD] +\"C:\\My (old), [new]\\a.exe\" /x (y)\n[WKDIR] \\\n"
                               "[ITEMNAME] A\n\n";
    expectblocks(commandsof(spaced),
                 "[AddItem(\"C:\\My (old), [new]\\a.exe\" /x y,\"A\", , , , ,\"C:\\WIDGET\\\")]",
                 "");
    // A zero byte would end the block early.
    expectblocks(commandsof(std::string("[PGROUP] Wid\0get\n\n", 19)), widget, "Widget");
}

TEST(groupfile, ValuesKeepEightyCharactersOfALineOf128) {
    const std::string eighty(80, 'g');
    expectblocks(commandsof("[PGROUP] " + eighty + "tail\n\n"),
                 "[CreateGroup(\"" + eighty + "\",0)]", eighty);
    // Blanks at the cut are trailing blanks; beyond column 128 nothing counts,
    // so the CR of a longer line is no character of it either.
    const std::string cut = std::string(70, 'g') + std::string(10, ' ') + "g";
    expectblocks(commandsof("[PGROUP] " + cut + "\r\n\n"),
                 "[CreateGroup(\"" + std::string(70, 'g') + "\",0)]", std::string(70, 'g'));
    const std::string longline = "[ITEMNAME] Widget App" + std::string(107, ' ') + "xyz\r\n";
    expectblocks(commandsof("[CMD] \\bin\\app.exe\n[WKDIR] \\bin\n" + longline + "\n"), app, "");
    expectblocks(
        commandsof(std::string(127, ' ') + "\r\n[PGROUP] W\n" + std::string(128, ' ') + "\r\n"),
        "[CreateGroup(\"W\",0)]", "W");
}

TEST(groupfile, TargetIsTakenUpToItsLengthAndWithoutQuotes) {
    groupdir dir;
    dir.write("[CMD] \\a.exe\n[WKDIR] \\\n[ITEMNAME] A\n\n");
    ASSERT_TRUE(dir.open());
    const std::string item = "[AddItem(\"D:\\AB\\a.exe\",\"A\", , , , ,\"D:\\AB\\\")]";
    expectblocks(build("D:\\A\"B"), item, "");
    const std::string padded = std::string("D:\\AB\0junk", 10);
    std::int32_t size1 = 0, size2 = 0;
    sizecommands(padded.c_str(), 10, size1, size2);
    EXPECT_EQ(size1, static_cast<std::int32_t>(expected(item, "").first.size() + 1));
}

TEST(groupfile, BlocksAreNeverWrittenPast) {
    groupdir dir;
    dir.write("[PGROUP] Widget\n\n");
    ASSERT_TRUE(dir.open());
    const std::string want = expected(widget, "Widget").first;
    for (const std::int32_t size : {0, 1, 10, static_cast<std::int32_t>(want.size())}) {
        std::vector<char> one(static_cast<std::size_t>(size) + 8, '#'), two(one);
        std::int32_t ok = -1;
        buildcommands(target.c_str(), 9, one.data(), two.data(), size, ok);
        EXPECT_EQ(ok, 0) << size;
        EXPECT_EQ(std::string(one.data() + size, 8), "########") << size;
        EXPECT_EQ(std::string(two.data() + size, 8), "########") << size;
        if (size > 0) {
            EXPECT_EQ(std::string(one.data()), want.substr(0, static_cast<std::size_t>(size) - 1));
        }
    }
}

TEST(groupfile, MissingOversizedOrClosedFileGivesNoBlocks) {
    groupdir dir;
    EXPECT_FALSE(dir.open());
    std::int32_t size1 = -1, size2 = -1, ok = -1;
    sizecommands(target.c_str(), 9, size1, size2);
    EXPECT_EQ(size1, 0);
    EXPECT_EQ(size2, 0);
    char one[64], two[64];
    buildcommands(target.c_str(), 9, one, two, 64, ok);
    EXPECT_EQ(ok, 0);

    // Every blank line repeats the item: enough of them pass the limit.
    dir.write("[CMD] \\bin\\app.exe\n[WKDIR] \\bin\n[ITEMNAME] Widget App\n" +
              std::string(commandlimit / app.size() + 1, '\n'));
    ASSERT_TRUE(dir.open());
    sizecommands(target.c_str(), 9, size1, size2);
    EXPECT_EQ(size1, 0);
    closegroupfile();
    sizecommands(target.c_str(), 9, size1, size2);
    EXPECT_EQ(size1, 0);
}

} // namespace
