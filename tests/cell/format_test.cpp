// The decoded stream's fields and the names a distribution may carry.
#include "tools/cell/entries.h"
#include "tools/cell/names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Entries, LaysOutAnEntryAsTheInstallerReadsIt) {
    cell::entryinfo entry;
    entry.name = "\\a.txt";
    entry.size = 3;
    auto bytes = cell::entryhead(entry);
    bytes.insert(bytes.end(), {1, 2, 3});
    std::vector<unsigned char> expected{92, 97, 46, 116, 120, 116, 0, 32, 0, 0, 0};
    expected.insert(expected.end(), 24, 0);
    expected.insert(expected.end(), {3, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3});
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(cell::entrylength(entry), 46u);
}

TEST(Entries, WritesCountsInTheTwoWordForm) {
    // The high word counts carries; each carry leaves one unit in the low word.
    const std::pair<std::uint64_t, std::pair<std::uint32_t, std::uint32_t>> cases[] = {
        {0, {0, 0}},
        {4294967295u, {4294967295u, 0}},
        {4294967296u, {1, 1}},
        {2 * 4294967295ull + 1, {1, 2}},
    };
    for (const auto& [value, words] : cases) {
        std::uint32_t low = 9, high = 9;
        cell::splittwoword(value, low, high);
        EXPECT_EQ(std::make_pair(low, high), words) << value;
        EXPECT_EQ(cell::twowordvalue(low, high), value);
    }
}

TEST(Entries, ConvertsPosixTimesToFileTimes) {
    EXPECT_EQ(cell::filetimefromunix(0, 0), 116444736000000000u);
    EXPECT_EQ(cell::filetimefromunix(1, 999999999), 116444736019999999u);
    EXPECT_EQ(cell::filetimefromunix(-11644473600, 0), 0u);
    EXPECT_EQ(cell::filetimefromunix(-11644473601, 0), 0u);
}

TEST(Entries, ChecksTheDescriptorLimits) {
    EXPECT_EQ(cell::descriptorfault("Widget", "C:\\APPS\\WIDGET"), "");
    EXPECT_EQ(cell::descriptorfault(std::string(55, 'n'), "\\" + std::string(55, 'p')), "");
    EXPECT_NE(cell::descriptorfault(std::string(56, 'n'), "C:\\W"), "");
    EXPECT_NE(cell::descriptorfault("", "C:\\W"), "");
    EXPECT_NE(cell::descriptorfault("Widget", "C:\\APPS\\" + std::string(56, 'p')), "");
    EXPECT_NE(cell::descriptorfault("Widget", "WIDGET"), "");
    // The last level goes behind a drive into 60 characters with its 0.
    EXPECT_NE(cell::descriptorfault("Widget", "\\" + std::string(57, 'p')), "");
    EXPECT_EQ(cell::descriptorfault("Widget", "C:\\APPS\\" + std::string(55, 'p')), "");
}

TEST(Names, AcceptsPlainRelativeNames) {
    for (const char* name : {"\\a.txt", "\\docs\\read me.txt", "\\..clean", "\\d\\..clean",
                             "\\CONSOLE", "\\com10", "\\lpt", "\\.profile", "\\a..b"})
        EXPECT_EQ(cell::namefault(name), "") << name;
    EXPECT_EQ(cell::namefault("\\" + std::string(199, 'x')), "");
}

TEST(Names, RefusesWhatWindowsCannotHoldOrThatLeavesTheTarget) {
    for (const char* name :
         {"",          "a.txt",          "\\",           "\\a\\\\b", "\\a\\",  "\\.",
          "\\..\\x",   "\\a\\..\\..\\x", "\\a:b",        "\\c:\\x",  "\\a/b",  "\\tab\there",
          "\\del\x7f", "\\a*",           "\\a?",         "\\a|b",    "\\<a>",  "\\\"q\"",
          "\\CON",     "\\con.txt",      "\\Nul.tar.gz", "\\aux ",   "\\com1", "\\LPT9.log",
          "\\x\\prn",  "\\dot.",         "\\blank "})
        EXPECT_NE(cell::namefault(name), "") << name;
    EXPECT_NE(cell::namefault("\\" + std::string(200, 'x')), "");
}

} // namespace
