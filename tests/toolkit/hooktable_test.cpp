#include "toolkit/hooktable.h"

#include <gtest/gtest.h>

namespace {

TEST(HookTable, EntriesAreTakenFirstFreeAndAFullTableChangesNothing) {
    hooktable table{};
    for (std::int32_t i = 1; i <= hookentries; ++i) {
        EXPECT_EQ(hookclaim(table, 100 + i, 1), i);
    }
    const hooktable full = table;
    EXPECT_EQ(hookclaim(table, 999, 2), 0);
    EXPECT_TRUE(table == full);
    // Freeing the third entry makes it the next one taken.
    hookat(table, 3).tag = 0;
    EXPECT_EQ(hookclaim(table, 555, 7), 3);
    EXPECT_EQ(hookat(table, 3).window, 555);
}

TEST(HookTable, ClaimWithTagZeroTakesNothing) {
    hooktable table{};
    EXPECT_EQ(hookclaim(table, 100, 0), 0);
    EXPECT_EQ(hookfree(table), 1);
}

TEST(HookTable, ReleaseFreesTheFirstTaggedEntryAndKeepsItsFields) {
    hooktable table{};
    hookclaim(table, 100, 1);
    hookclaim(table, 200, 1); // the same tag again takes a second entry
    hookat(table, 1).hook = 42;
    EXPECT_EQ(hookrelease(table, 1), 1);
    EXPECT_EQ(hookat(table, 1).tag, 0);
    EXPECT_EQ(hookat(table, 1).hook, 42);
    EXPECT_EQ(hookat(table, 1).window, 100);
    EXPECT_EQ(hookrelease(table, 1), 2);
    EXPECT_EQ(hookrelease(table, 1), 0); // none left
}

TEST(HookTable, ReleaseOfAnAbsentTagOrTagZeroChangesNothing) {
    hooktable table{};
    hookclaim(table, 100, 5);
    EXPECT_EQ(hookrelease(table, 6), 0);
    EXPECT_EQ(hookrelease(table, 0), 0); // free entries carry tag 0 but are not "tagged"
    EXPECT_EQ(hookat(table, 1).tag, 5);
    EXPECT_EQ(hookfree(table), 2);
}

TEST(HookTable, OnlyEntriesInUseWatchAWindow) {
    hooktable table{};
    // A top-level window has the focus: its parent is 0, like never-used entries.
    EXPECT_EQ(hookwatching(table, 0), 0);
    hookclaim(table, 300, 1);
    hookclaim(table, 400, 2);
    EXPECT_EQ(hookwatching(table, 400), 2);
    EXPECT_EQ(hookwatching(table, 0), 0);
    // A freed entry keeps its window field, yet no longer watches it.
    hookrelease(table, 1);
    EXPECT_EQ(hookwatching(table, 300), 0);
    EXPECT_EQ(hookwatching(table, 400), 2);
}

TEST(HookTable, TheFirstOfTwoEntriesForOneWindowMatches) {
    hooktable table{};
    hookclaim(table, 300, 1);
    hookclaim(table, 300, 1);
    EXPECT_EQ(hookwatching(table, 300), 1);
    hookrelease(table, 1);
    EXPECT_EQ(hookwatching(table, 300), 2);
    EXPECT_EQ(hookat(table, hookentries).tag, 0); // the last entry is still free
}

} // namespace
