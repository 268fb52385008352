#include "platform/fileio.h"
#include "toolkit/command.h"
#include "toolkit/readcmd.h"
#include "toolkit/subset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class commandline : public ::testing::Test {
  protected:
    void TearDown() override { platform::setcommandline(""); }
};

struct copied {
    std::string text;
    std::int32_t end;
};

copied commandof(const char* line) {
    platform::setcommandline(line);
    char buffer[256];
    std::memset(buffer, '#', sizeof buffer);
    std::int32_t end = -1;
    command(buffer, end);
    return {buffer, end};
}

TEST_F(commandline, CommandDropsOnlyAQuoteThatClosesTheWholeLine) {
    const copied quoted = commandof("\"C:\\SETUP\\INSTALL.EXE\"");
    EXPECT_EQ(quoted.text, "C:\\SETUP\\INSTALL.EXE");
    EXPECT_EQ(quoted.end, 21);

    const copied argument = commandof("\"C:\\SETUP\\INSTALL.EXE\" /q");
    EXPECT_EQ(argument.text, "C:\\SETUP\\INSTALL.EXE\" /q");
    EXPECT_EQ(argument.end, 25);

    const copied plain = commandof("a:\\install.exe \"x\"");
    EXPECT_EQ(plain.text, "a:\\install.exe \"x\"");
    EXPECT_EQ(plain.end, 19);

    EXPECT_EQ(commandof("\"").end, 1);
    EXPECT_EQ(commandof("\"\"").text, "");
}

TEST_F(commandline, CommandStopsAtTheBufferAndStillEndsIt) {
    platform::setcommandline("\"0123456789\"");
    char small[6];
    std::int32_t end = 0;
    command(small, end);
    EXPECT_STREQ(small, "01234");
    EXPECT_EQ(end, 6);

    char exact[11];
    command(exact, end); // 10 characters and the 0 fit; the closing quote went
    EXPECT_STREQ(exact, "0123456789");
    EXPECT_EQ(end, 11);
}

TEST_F(commandline, ReadcmdCopiesAtMostCountAndNeverPastTheBuffer) {
    platform::setcommandline("\"C:\\SETUP\\INSTALL.EXE\"");
    char buffer[32];
    std::memset(buffer, ' ', sizeof buffer);
    readcmd(buffer, 5);
    EXPECT_EQ(std::string(buffer, 6), "C:\\SE ");

    std::memset(buffer, ' ', sizeof buffer);
    readcmd(buffer, 32);
    EXPECT_STREQ(buffer, "C:\\SETUP\\INSTALL.EXE");

    char small[4];
    std::memset(small, ' ', sizeof small);
    readcmd(small, 256); // the buffer's length wins over a larger count, and ends it
    EXPECT_STREQ(small, "C:\\");

    std::memset(buffer, ' ', sizeof buffer);
    readcmd(buffer, 0);
    EXPECT_EQ(buffer[0], ' ');
}

TEST(hasbits, EveryBitOfTheMaskMustBeSet) {
    EXPECT_TRUE(hasbits(0, 0));
    EXPECT_TRUE(hasbits(0, -1));
    EXPECT_TRUE(hasbits(16, 48));
    EXPECT_FALSE(hasbits(48, 16));
    EXPECT_FALSE(hasbits(16, 0x2F));
    EXPECT_TRUE(hasbits(INT32_MIN, -1));
    EXPECT_FALSE(hasbits(-1, INT32_MAX));
}

} // namespace
