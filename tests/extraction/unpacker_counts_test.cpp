// The two-word counts the unpacker keeps its position and sizes in, its
// progress percentage, and the entry names it accepts.
#include "extraction/entryname.h"
#include "extraction/progressupdate.h"
#include "extraction/unpacker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

constexpr std::uint64_t wordunit = 4294967295u;

twoword count(std::uint32_t low, std::uint32_t high) {
    return {static_cast<std::int32_t>(low), static_cast<std::int32_t>(high)};
}

TEST(TwoWordCount, AddingCarriesOneWordUnitIntoBothWords) {
    twoword c = count(0xFFFFFFFFu, 0);
    ADDER(c, 1);
    EXPECT_EQ(c.low, 1);
    EXPECT_EQ(c.high, 1);
    EXPECT_EQ(countvalue(c), wordunit + 1);

    c = count(0xFFFF0000u, 0);
    ADDER(c, 0x10000);
    EXPECT_EQ(countvalue(c), 0x100000000ull);

    c = count(0x0000FFFFu, 0);
    ADDER(c, 2048);
    EXPECT_EQ(countvalue(c), 0xFFFFull + 2048);
    EXPECT_EQ(c.high, 0);
}

TEST(TwoWordCount, SubtractingUndoesAddingAcrossTheWordBoundary) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        const std::uint64_t start = wordunit - 4096 + random() % 8192 + (random() % 3) * wordunit;
        twoword c = count(static_cast<std::uint32_t>(start % wordunit),
                          static_cast<std::uint32_t>(start / wordunit));
        ASSERT_EQ(countvalue(c), start);
        const auto amount = static_cast<std::int32_t>(random() % 70000);
        ADDER(c, amount);
        ASSERT_EQ(countvalue(c), start + static_cast<std::uint64_t>(amount)) << start;
        s(c, amount);
        ASSERT_EQ(countvalue(c), start) << start << " " << amount;
    }
}

TEST(TwoWordCount, SubtractingBorrowsFromTheHighWord) {
    twoword c = count(0, 1); // 4294967295
    s(c, 2048);
    EXPECT_EQ(c.high, 0);
    EXPECT_EQ(countvalue(c), wordunit - 2048);

    c = count(5, 0);
    s(c, 5);
    std::int32_t flag = 0;
    isdone(c, count(0, 0), flag);
    EXPECT_EQ(flag, 1);
}

// k x 4294967295 has two forms: low 4294967295 and high k - 1, which the
// position reaches by carrying, and low 0 and high k, which other writers
// give as the total. Either is the end of the other.
TEST(TwoWordCount, TheEndIsFoundInEitherFormOfTheSameTotal) {
    twoword position = count(0xFFFFFFFEu, 1);
    ADDER(position, 1);
    std::int32_t flag = 0;
    isdone(count(0, 2), position, flag);
    EXPECT_EQ(flag, 1);
    isdone(position, count(0, 2), flag);
    EXPECT_EQ(flag, 1);
    isdone(count(0, 2), count(0xFFFFFFFEu, 1), flag);
    EXPECT_EQ(flag, 0);
}

TEST(TwoWordCount, GetSmallIsTheLimitForLargeCounts) {
    std::int32_t n = 0;
    GETSMALL(count(904, 0), 2048, n);
    EXPECT_EQ(n, 904);
    GETSMALL(count(5000, 0), 2048, n);
    EXPECT_EQ(n, 2048);
    GETSMALL(count(0, 0), 2048, n);
    EXPECT_EQ(n, 0);
    GETSMALL(count(0x80000000u, 0), 2048, n); // negative as a signed word
    EXPECT_EQ(n, 2048);
    GETSMALL(count(3, 1), 2048, n);
    EXPECT_EQ(n, 2048);
}

TEST(TwoWordCount, SigDigitsFindsTheHighestNonZeroDigit) {
    std::int32_t k = 0;
    sigdigits(count(65535, 0), k);
    EXPECT_EQ(k, 1);
    sigdigits(count(65536, 0), k);
    EXPECT_EQ(k, 2);
    sigdigits(count(20000000, 0), k);
    EXPECT_EQ(k, 2);
    sigdigits(count(0, 1), k);
    EXPECT_EQ(k, 3);
    sigdigits(count(7, 0x10000), k);
    EXPECT_EQ(k, 4);
}

std::int32_t ratio(std::uint64_t total, std::uint64_t position, std::int32_t last = 0) {
    const twoword t = count(static_cast<std::uint32_t>(total), 0);
    const twoword p = count(static_cast<std::uint32_t>(position), 0);
    std::int32_t k = 0;
    sigdigits(t, k);
    GETRATIO(t, p, k, 65536, last);
    return last;
}

TEST(Progress, BelowOneDigitIsExactlyTheTruncatedShare) {
    for (const std::uint64_t total : {1ull, 7ull, 300ull, 4099ull, 65535ull}) {
        for (std::uint64_t position = 0; position <= total; position += 1 + total / 997) {
            ASSERT_EQ(ratio(total, position), static_cast<std::int32_t>(100 * position / total))
                << position << " of " << total;
        }
        EXPECT_EQ(ratio(total, total), 100);
    }
}

TEST(Progress, TwentyMillionRisesSteadilyToAHundred) {
    const std::uint64_t total = 20000000;
    std::int32_t percent = 0;
    for (std::uint64_t position = 0; position <= total; position += 2048) {
        const std::int32_t before = percent;
        percent = ratio(total, position, percent);
        ASSERT_GE(percent, before);
        const auto exact = static_cast<std::int32_t>(100 * position / total);
        ASSERT_LE(std::abs(percent - exact), 1) << position;
    }
    EXPECT_EQ(ratio(total, total, percent), 100);
    EXPECT_EQ(ratio(total, 10000000), 50);
}

// The share is rounded to single precision before its integer part is taken,
// so a value a hair below a whole percent shows that percent; a build that
// kept the wider value (x87 arithmetic) would show one less.
TEST(Progress, SinglePrecisionRoundsAHairBelowAPercentUp) {
    EXPECT_EQ(ratio(20000000, 1799983), 9);    // 8.99999998...
    EXPECT_EQ(ratio(14576640, 145739), 1);     // 0.99999999...
    EXPECT_EQ(ratio(2000000000, 39999999), 2); // 1.99999997...
    EXPECT_EQ(ratio(123456789, 3703690), 3);   // 2.99999999...
    EXPECT_EQ(ratio(20000000, 199999), 1);     // 0.999995 by the exact share
}

TEST(Progress, NeverFallsBelowWhatItShowed) {
    EXPECT_EQ(ratio(1000, 100, 40), 40);
    EXPECT_EQ(ratio(1000, 500, 40), 50);
}

bool accepted(const std::string& name) {
    std::int32_t ok = -1;
    entrynameok(name.data(), static_cast<std::int32_t>(name.size()), ok);
    return ok == 1;
}

TEST(EntryNames, PlainRelativeWindowsNamesAreAccepted) {
    for (const std::string name :
         {"\\a.txt", "\\docs\\readme.txt", "\\..clean", "\\sub\\..clean", "\\a..b", "\\.profile",
          "\\con x", "\\CONSOLE.txt", "\\COM10", "\\LPT\xB4", "\\com", "\\my file", "\\x\\y\\z.dat",
          "\\\xE9t\xE9.txt", "\\d.d\\f", "\\CONIN", "\\CONOUT$x"}) {
        EXPECT_TRUE(accepted(name)) << name;
    }
}

TEST(EntryNames, NamesThatLeaveTheTargetOrWindowsCannotHoldAreRefused) {
    for (const std::string name : {"",
                                   "\\",
                                   "a.txt",
                                   "docs\\a",
                                   "\\..",
                                   "\\..\\evil",
                                   "\\a\\..\\..\\evil",
                                   "\\.",
                                   "\\.\\a",
                                   "\\a\\.",
                                   "\\a\\\\b",
                                   "\\a\\",
                                   "\\\\server\\share",
                                   "\\c:evil",
                                   "\\a.txt:stream",
                                   "\\a/b",
                                   "\\a/../../evil",
                                   "/etc/passwd",
                                   "\\a\x01z",
                                   "\\a\tb",
                                   "\\a\x1b[2J",
                                   "\\del\x7f",
                                   "\\wild*",
                                   "\\what?",
                                   "\\<in>",
                                   "\\a|b",
                                   "\\\"quoted\"",
                                   "\\CON",
                                   "\\con",
                                   "\\con.txt",
                                   "\\Nul.tar.gz",
                                   "\\PRN",
                                   "\\aux\\f",
                                   "\\COM1",
                                   "\\com9.log",
                                   "\\LPT1",
                                   "\\lpt9",
                                   "\\COM0",
                                   "\\LPT0.txt",
                                   "\\com\xB9",
                                   "\\LPT\xC2\xB2.txt",
                                   "\\COM\xB3",
                                   "\\CONIN$",
                                   "\\conout$.log",
                                   "\\dir.\\f",
                                   "\\f.",
                                   "\\f ",
                                   "\\dir \\f",
                                   "\\...",
                                   "\\a\\b\\..\\..\\..\\x"}) {
        EXPECT_FALSE(accepted(name)) << name;
    }
}

TEST(EntryNames, OnlyTheGivenLengthCounts) {
    const char name[] = "\\ok\\..\\x";
    std::int32_t ok = 0;
    entrynameok(name, 3, ok); // "\ok"
    EXPECT_EQ(ok, 1);
    entrynameok(name, static_cast<std::int32_t>(std::strlen(name)), ok);
    EXPECT_EQ(ok, 0);
}

} // namespace

// The unpacker's module needs a progress display to link; nothing here shows one.
void progressupdate(const winhandle& /*window*/, const std::int32_t& /*percent*/) {}
