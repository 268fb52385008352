// Directories, files, work handles, read handles and fields: the cases
// with values fixed in advance. The model test covers the rest.
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

TEST_F(TreeTest, StoringAppendsAndInsertingPlacesTheBatchAfterTheRecordGiven) {
    putrecords(1, 2);
    IDMStoreWork(work, 5, 1);
    putrecords(3, 1);
    IDMStoreWork(work, 5, 1); // behind the first batch
    putrecords(10, 1);
    IDMInsertWork(work, 5, 1, 0);
    putrecords(20, 1);
    IDMInsertWork(work, 5, 1, 2);
    putrecords(30, 1);
    IDMInsertWork(work, 5, 1, 99); // beyond the end: appended
    EXPECT_EQ(values(), (std::vector<std::int32_t>{10, 1, 20, 2, 3, 30}));
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

// A variable longer than its field keeps the rest of what it held: a get
// never reads the blocks that follow, nor past the last one.
TEST_F(TreeTest, GettersCopyNoMoreThanTheFieldHolds) {
    IDMPut2(work, std::int16_t{0x1234});
    IDMEndRecord(work);
    IDMPut1(work, std::int8_t{7});
    IDMStoreWork(work, 5, 1);
    std::int32_t h = 0;
    IDMOpenFile(h, 5, 1, 1);
    std::int32_t v = 0x7F000000;
    EXPECT_TRUE(IDMGet4(h, v));
    EXPECT_EQ(v, 0x7F001234);
    double marker = 2.5;
    EXPECT_TRUE(IDMGet8(h, marker)); // the end-of-record marker holds nothing
    EXPECT_EQ(marker, 2.5);
    std::int8_t last[4] = {9, 9, 9, 9};
    EXPECT_TRUE(IDMGetN1(h, last, 4));
    EXPECT_EQ(std::vector<std::int8_t>(last, last + 4), (std::vector<std::int8_t>{7, 9, 9, 9}));
    EXPECT_FALSE(IDMGetN1(h, last, 4));
    IDMFreeHandle(h);
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
