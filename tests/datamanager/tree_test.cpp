// Directories, files, work handles, read handles and fields.
#include "tests/datamanager/pooltest.h"

#include "datamanager/directories.h"
#include "datamanager/get.h"
#include "datamanager/handle.h"
#include "datamanager/put.h"
#include "datamanager/read.h"
#include "datamanager/recordmainwin.h"
#include "datamanager/records.h"
#include "datamanager/replacefield.h"
#include "datamanager/work.h"

#include <cstring>

namespace {

using Sizes = std::vector<std::int32_t>;

class TreeTest : public PoolTest {
  protected:
    void SetUp() override {
        PoolTest::SetUp();
        IDMCreateDir(1);
        IDMCreateFile(5, 1);
        IDMOpenWork(work);
    }
    void TearDown() override {
        IDMCloseWork(work);
        PoolTest::TearDown();
    }
    // Puts records of one 4-byte integer each, value = first, first + 1, ...
    void putrecords(std::int32_t first, std::int32_t count) {
        for (std::int32_t v = first; v < first + count; ++v) {
            IDMPut4(work, v);
            IDMEndRecord(work);
        }
    }
    std::vector<std::int32_t> values(std::int32_t file = 5, std::int32_t directory = 1) {
        std::vector<std::int32_t> read;
        std::int32_t h = 0;
        IDMOpenFile(h, file, directory, 1);
        for (std::int32_t v = 0; IDMGet4(h, v); IDMSkipRecords(h)) {
            read.push_back(v);
        }
        IDMFreeHandle(h);
        return read;
    }
    std::int32_t work = 0;
};

TEST_F(TreeTest, CountsLeaveOutWorkDirectoriesDirectoryZeroAndMissingDirectories) {
    IDMCreateDir(0);
    IDMCreateDir(32768);
    std::int32_t count = -1;
    IDMCountDirs(count);
    EXPECT_EQ(count, 2); // 1 and 32768; not 0, not the work directory
    std::int32_t found = -1;
    IDMDirExists(-work, found);
    EXPECT_EQ(found, 1);
    IDMWorkExists(work, found);
    EXPECT_EQ(found, 1);

    IDMCountFiles(count, 9);
    EXPECT_EQ(count, 0);
    IDMFileExists(5, 9, found);
    EXPECT_EQ(found, 0);
    IDMFileExists(5, 1, found);
    EXPECT_EQ(found, 1);
    IDMCountFiles(count, -work); // a work directory holds fields, not files
    EXPECT_EQ(count, 0);
}

TEST_F(TreeTest, DuplicateNumbersAreLookedUpOldestFirst) {
    IDMCreateDir(1);
    IDMCreateFile(5, 1); // lands in the older directory 1
    std::int32_t count = 0;
    IDMCountFiles(count, 1);
    EXPECT_EQ(count, 2);
    putrecords(10, 1);
    IDMStoreWork(work, 5, 1);
    EXPECT_EQ(values(), std::vector<std::int32_t>{10});
    IDMDeleteFile(5, 1); // the older file goes; the newer one is found now
    EXPECT_TRUE(values().empty());
    IDMDeleteDir(1);
    IDMDirExists(1, count);
    EXPECT_EQ(count, 1);
    IDMCountFiles(count, 1);
    EXPECT_EQ(count, 0);
}

TEST_F(TreeTest, WorkFieldsAppearOnlyWhenStoredAndBatchesFollowEachOther) {
    putrecords(1, 2);
    std::int32_t records = -1;
    IDMCountRecords(5, 1, records);
    EXPECT_EQ(records, 0);
    IDMStoreWork(work, 5, 1);
    putrecords(3, 1);
    IDMStoreWork(work, 5, 1);
    EXPECT_EQ(values(), (std::vector<std::int32_t>{1, 2, 3}));
    IDMCountRecords(5, 1, records);
    EXPECT_EQ(records, 3);
}

TEST_F(TreeTest, InsertingPlacesTheBatchAfterTheRecordGiven) {
    putrecords(1, 3);
    IDMStoreWork(work, 5, 1);
    putrecords(10, 1);
    IDMInsertWork(work, 5, 1, 0);
    putrecords(20, 1);
    IDMInsertWork(work, 5, 1, 2);
    putrecords(30, 1);
    IDMInsertWork(work, 5, 1, 99); // beyond the end: appended
    EXPECT_EQ(values(), (std::vector<std::int32_t>{10, 1, 20, 2, 3, 30}));
}

TEST_F(TreeTest, HandingOnAnEmptyBatchLeavesTheFileAsItWas) {
    putrecords(1, 3);
    IDMStoreWork(work, 5, 1);
    IDMInsertWork(work, 5, 1, 1);
    IDMStoreWork(work, 5, 1);
    EXPECT_EQ(values(), (std::vector<std::int32_t>{1, 2, 3}));
    IDMReplaceRecords(work, 5, 1, 2, 1); // still deletes
    EXPECT_EQ(values(), (std::vector<std::int32_t>{1, 3}));
}

TEST_F(TreeTest, ReplacingAndDeletingRecords) {
    putrecords(1, 5);
    IDMStoreWork(work, 5, 1);
    putrecords(10, 2);
    IDMReplaceRecords(work, 5, 1, 2, 3);
    EXPECT_EQ(values(), (std::vector<std::int32_t>{1, 10, 11, 5}));
    IDMDeleteRecords(5, 1, 4, 9); // more than there are
    IDMDeleteRecords(5, 1, 1, 0); // none
    EXPECT_EQ(values(), (std::vector<std::int32_t>{1, 10, 11}));
    IDMDiscardWork(work);
    putrecords(40, 1);
    IDMDiscardWork(work);
    IDMStoreWork(work, 5, 1);
    EXPECT_EQ(values(), (std::vector<std::int32_t>{1, 10, 11}));
}

TEST_F(TreeTest, FieldSizesAndEmptyFieldsCountAsMarkers) {
    const std::int8_t none[1] = {};
    IDMPut1(work, std::int8_t{1});
    IDMPut2(work, std::int16_t{2});
    IDMPut4(work, 3);
    IDMPut4(work, 4.0F);
    IDMPut8(work, 5.0);
    IDMPutText(work, "abcdef", 3);
    IDMReserve(work, 5);
    IDMFillN2(work, std::int16_t{7}, 3);
    IDMFillN8(work, 1.5, 2);
    IDMEndRecord(work);
    IDMEndRecord(work);      // a record without fields
    IDMPutN1(work, none, 0); // no data: taken for a marker
    IDMStoreWork(work, 5, 1);
    EXPECT_EQ(sizes(5, 1), (Sizes{9, 10, 12, 12, 16, 11, 13, 14, 24, 8, 8, 8}));
    std::int32_t records = 0;
    IDMCountRecords(5, 1, records);
    EXPECT_EQ(records, 3);
}

TEST_F(TreeTest, GettersReadEachFieldOnceAndStopAtTheEnd) {
    const std::int16_t pairs[2] = {-3, 4};
    const double reals[2] = {0.25, -8.5};
    IDMPutN2(work, pairs, 2);
    IDMPutN8(work, reals, 2);
    IDMPutText(work, "word", 4);
    IDMFillN4(work, 2.5F, 2);
    IDMStoreWork(work, 5, 1);

    std::int32_t h = 0;
    IDMOpenFile(h, 5, 1, 1);
    std::int16_t gotpairs[2] = {};
    double gotreals[2] = {};
    char text[5] = "????";
    float filled[3] = {0, 0, 9};
    EXPECT_TRUE(IDMGetN2(h, gotpairs, 2));
    EXPECT_TRUE(IDMGetN8(h, gotreals, 2));
    EXPECT_TRUE(IDMGetText(h, text, 3)); // three of the four characters
    EXPECT_TRUE(IDMGetN4(h, filled, 2));
    EXPECT_EQ(gotpairs[1], 4);
    EXPECT_EQ(gotreals[1], -8.5);
    EXPECT_STREQ(text, "wor?");
    EXPECT_EQ(filled[1], 2.5F);
    EXPECT_EQ(filled[2], 9.0F);
    std::int32_t last = 77;
    EXPECT_FALSE(IDMGet4(h, last));
    EXPECT_EQ(last, 77);
    IDMFreeHandle(h);
}

TEST_F(TreeTest, ElementsAreReadAndWrittenInPlaceWithinTheField) {
    const std::int16_t elements[4] = {1, 2, 3, 4};
    IDMPutN2(work, elements, 4);
    IDMPut1(work, std::int8_t{99});
    IDMStoreWork(work, 5, 1);

    std::int32_t h = 0;
    IDMOpenFile(h, 5, 1, 1);
    std::int16_t v = 300;
    EXPECT_TRUE(IDMElement2(h, v, 3, "w"));
    v = 0;
    EXPECT_TRUE(IDMElement2(h, v, 3, "r"));
    EXPECT_EQ(v, 300);
    std::int8_t bytes[8] = {};
    EXPECT_TRUE(IDMGetN1(h, bytes, 8)); // the write changed data bytes 5 and 6
    std::int16_t third = 0;
    std::memcpy(&third, bytes + 4, 2);
    EXPECT_EQ(third, 300);

    std::int8_t b = 0;
    double wide = 1;
    EXPECT_FALSE(IDMElement8(h, wide, 1, "W")); // the field has one byte
    EXPECT_FALSE(IDMElement1(h, b, 0, "R"));
    EXPECT_FALSE(IDMElement1(h, b, 2, "W"));
    EXPECT_TRUE(IDMElement1(h, b, 1, "x"));
    EXPECT_EQ(b, 99);
    EXPECT_TRUE(IDMGet1(h, b));
    EXPECT_FALSE(IDMElement1(h, b, 1, "R")); // at the end
    IDMFreeHandle(h);
}

TEST_F(TreeTest, ReadHandlesOpenOnRecordsAndFieldsAndStep) {
    for (std::int32_t r = 1; r <= 5; ++r) {
        IDMPut4(work, r);
        IDMPut4(work, r * 10);
        IDMEndRecord(work);
    }
    IDMStoreWork(work, 5, 1);
    std::int32_t h = 0;
    std::int32_t v = 0;
    IDMOpenField(h, 2, 3, 5, 1, 2);
    EXPECT_TRUE(IDMGet4(h, v));
    EXPECT_EQ(v, 30);
    IDMSkipRecords(h); // from the middle of record 3: past its marker and record 4
    EXPECT_TRUE(IDMGet4(h, v));
    EXPECT_EQ(v, 5);
    IDMSkipRecords(h);
    EXPECT_FALSE(IDMGet4(h, v));
    IDMFreeHandle(h);

    IDMOpenRecord(h, 9, 5, 1, 0); // beyond the end
    EXPECT_FALSE(IDMGet4(h, v));
    IDMDeleteRecord(h); // nothing to delete there
    IDMFreeHandle(h);
    IDMOpenRecord(h, 2, 5, 1, 0);
    IDMSkipRecords(h); // a step of 0 stays
    EXPECT_TRUE(IDMGet4(h, v));
    EXPECT_EQ(v, 2);
    IDMFreeHandle(h);
    EXPECT_EQ(values(), (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
}

TEST_F(TreeTest, DeletingAtAReadHandleLetsTheNextRecordMoveUp) {
    putrecords(1, 6);
    IDMStoreWork(work, 5, 1);
    std::int32_t h = 0;
    std::int32_t v = 0;
    IDMOpenRecord(h, 2, 5, 1, 2);
    IDMDeleteRecord(h); // deletes 2; 3 moves up and the step skips it
    EXPECT_TRUE(IDMGet4(h, v));
    EXPECT_EQ(v, 4);
    IDMFreeHandle(h);
    IDMOpenRecord(h, 5, 5, 1, 1); // the last record
    IDMDeleteRecord(h);
    EXPECT_FALSE(IDMGet4(h, v));
    IDMFreeHandle(h);
    EXPECT_EQ(values(), (std::vector<std::int32_t>{1, 3, 4, 5}));
}

TEST_F(TreeTest, ReplaceFieldOverwritesTheStartOfAFieldInPlace) {
    const float reals[3] = {1, 2, 3};
    putrecords(1, 2);
    IDMPutN4(work, reals, 3);
    IDMEndRecord(work);
    IDMStoreWork(work, 5, 1);
    IDMReplaceField(1, 2, 5, 1, 20);
    IDMReplaceField(3, 1, 5, 1, 21); // fields count on into the next record
    const float two[2] = {-1, -2};
    IDMReplaceField(1, 3, 5, 1, two, 2);
    std::int32_t h = 0;
    float got[3] = {};
    IDMOpenRecord(h, 3, 5, 1, 1);
    EXPECT_TRUE(IDMGetN4(h, got, 3));
    EXPECT_EQ(got[1], -2.0F);
    EXPECT_EQ(got[2], 3.0F);
    IDMFreeHandle(h);
    auto integers = values();
    integers.resize(2); // record 3 holds reals
    EXPECT_EQ(integers, (std::vector<std::int32_t>{1, 21}));
}

TEST_F(TreeTest, HandlesTakenForTheDurationOfAnOperationAreReturned) {
    std::int32_t before = 0;
    std::int32_t inuse = 0;
    std::int32_t next = 0;
    IDMHandleCount(before);
    std::int32_t found = 0;
    IDMDirExists(1, found); // takes the handle after the work handle
    IDMHandleCount(inuse);
    EXPECT_EQ(inuse, before);
    IDMGetHandle(next);
    const auto after = [](std::int32_t h) { return h % handlecount + 1; };
    EXPECT_EQ(next, after(after(work)));
    IDMFreeHandle(next);
}

TEST_F(TreeTest, TheMainWindowRecordKeepsNineRecordsInFileMinusOne) {
    std::int32_t before = 0;
    IDMHandleCount(before);
    recordmainwin(0x1234);
    std::int32_t count = 0;
    IDMCountFiles(count, windowdirectory);
    EXPECT_EQ(count, 2);
    IDMCountRecords(0, windowdirectory, count);
    EXPECT_EQ(count, 0);
    IDMCountRecords(windowfile, windowdirectory, count);
    EXPECT_EQ(count, 9);

    std::int32_t h = 0;
    IDMOpenFile(h, windowfile, windowdirectory, 1);
    std::int16_t extents[6] = {};
    EXPECT_TRUE(IDMGetN2(h, extents, 6));
    EXPECT_EQ(extents[3], 1056);
    EXPECT_EQ(extents[5], 0);
    IDMFreeHandle(h);
    std::int32_t window = 0;
    IDMOpenRecord(h, 4, windowfile, windowdirectory, 1);
    EXPECT_TRUE(IDMGet4(h, window));
    EXPECT_EQ(window, 0x1234);
    IDMFreeHandle(h);
    float scale = 0;
    IDMOpenRecord(h, 8, windowfile, windowdirectory, 1);
    EXPECT_TRUE(IDMGet4(h, scale));
    EXPECT_NEAR(scale, 2.5227, 1e-4);
    IDMSkipRecords(h);
    float axes[3] = {};
    EXPECT_TRUE(IDMGetN4(h, axes, 3));
    EXPECT_TRUE(IDMGetN4(h, axes, 3));
    EXPECT_EQ(axes[0], 1.0F);
    IDMFreeHandle(h);
    std::int32_t inuse = 0;
    IDMHandleCount(inuse);
    EXPECT_EQ(inuse, before); // its work handle is returned
    IDMDeleteDir(windowdirectory);
}

} // namespace
