// The pool, allocation and compaction, and the handle table.
#include "tests/datamanager/pooltest.h"

#include "datamanager/compact.h"
#include "datamanager/directories.h"
#include "datamanager/get.h"
#include "datamanager/handle.h"
#include "datamanager/put.h"
#include "datamanager/read.h"
#include "datamanager/records.h"
#include "datamanager/work.h"

#include <numeric>

namespace {

TEST_F(PoolTest, StartsEmptyAndRefusesAPoolWithoutRoomForItsHead) {
    EXPECT_EQ(vectorentry(poolbase), 0);
    EXPECT_GE(vectorentry(poolsize), 65536);
    EXPECT_EQ(vectorentry(nextfree), 4);
    EXPECT_EQ(getword(listhead), -1);
    std::int32_t status = 1;
    IDMInit(3, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(vectorentry(nextfree), 4); // the pool in use is left alone
}

TEST_F(PoolTest, ByteCopiesOfNoBytesCopyNothing) {
    const std::int32_t word = 0x01020304;
    MemPut(&word, 100, 4);
    std::int32_t read = 7;
    MemGet(&read, 100, 0);
    MemGet(&read, 100, -4);
    EXPECT_EQ(read, 7);
    const std::int32_t other = 0;
    MemPut(&other, 100, 0);
    MemPut(&other, 100, -1);
    MemGet(&read, 100, 4);
    EXPECT_EQ(read, word);
    MemAdvance(10);
    MemAdvance(-6);
    EXPECT_EQ(vectorentry(nextfree), 8);
}

// A negative size would move the next free address back over live blocks, a
// size below the link and size words leave a block no walk can step over.
TEST_F(PoolTest, ABlockSmallerThanItsHeaderIsRefused) {
    for (const std::int32_t size : {-5, 0, 7}) {
        std::int32_t address = 0;
        IDMAlloc(address, size);
        EXPECT_EQ(address, -1) << size;
        EXPECT_EQ(vectorentry(nextfree), 4) << size;
    }
    std::int32_t address = 0;
    IDMAlloc(address, 8);
    EXPECT_EQ(address, 4);
}

TEST_F(PoolTest, AnExactFitNeedsNoCompaction) {
    IDMCreateDir(1);
    IDMDeleteDir(1);
    std::int32_t address = 0;
    const std::int32_t rest = vectorentry(poolsize) - vectorentry(nextfree);
    IDMAlloc(address, rest);
    EXPECT_EQ(address, 20);
    EXPECT_EQ(vectorentry(nextfree), vectorentry(poolsize));
    putword(address + sizeword, rest);
    EXPECT_EQ(deletedblocks(), 1); // still there: nothing was compacted
}

// A file of records holding 1, 2, 3, ...; every even record is deleted, so
// that runs of deleted blocks alternate with live records, and a large last
// record has to move in several pieces.
class CompactionTest : public PoolTest {
  protected:
    void SetUp() override {
        PoolTest::SetUp();
        IDMCreateDir(3);
        IDMCreateFile(1, 3);
        IDMOpenWork(work);
    }
    void TearDown() override {
        IDMCloseWork(work);
        PoolTest::TearDown();
    }
    void makeruns(std::int32_t runs) {
        for (std::int32_t v = 1; v <= 2 * runs + 1; ++v) {
            IDMPut4(work, v);
            IDMEndRecord(work);
        }
        IDMFillN1(work, std::int8_t{42}, 3000);
        IDMEndRecord(work);
        IDMStoreWork(work, 1, 3);
        for (std::int32_t r = 2 * runs; r >= 2; r -= 2) {
            IDMDeleteRecords(1, 3, r, 1);
        }
    }
    // The odd values, then the large record intact.
    void expectodd(std::int32_t runs) {
        std::int32_t h = 0;
        IDMOpenFile(h, 1, 3, 1);
        std::int32_t v = 0;
        for (std::int32_t expected = 1; expected <= 2 * runs + 1; expected += 2) {
            ASSERT_TRUE(IDMGet4(h, v));
            EXPECT_EQ(v, expected);
            IDMSkipRecords(h);
        }
        std::vector<std::int8_t> large(3000);
        EXPECT_TRUE(IDMGetN1(h, large.data(), 3000));
        EXPECT_EQ(std::count(large.begin(), large.end(), 42), 3000);
        IDMSkipRecords(h);
        EXPECT_FALSE(IDMGet4(h, v));
        IDMFreeHandle(h);
    }
    std::int32_t work = 0;
};

TEST_F(CompactionTest, ReclaimsEveryRunWhateverTheNumberOfPasses) {
    for (const std::int32_t runs : {1, 9, 10, 11, 20, 21, 35}) {
        makeruns(runs);
        const std::int32_t used = vectorentry(nextfree);
        IDMCompact();
        EXPECT_EQ(deletedblocks(), 0) << runs << " runs";
        EXPECT_EQ(vectorentry(nextfree), used - runs * 20) << runs << " runs";
        expectodd(runs);
        IDMDeleteRecords(1, 3, 1, 1000);
        IDMCompact();
    }
}

TEST_F(CompactionTest, KeepsHandlesOnTheirFieldsWhileTheyMove) {
    makeruns(12);
    IDMPut2(work, std::int16_t{-5}); // pending on the work handle
    std::int32_t reader = 0;
    IDMOpenRecord(reader, 4, 1, 3, 1); // record 4 holds 7
    IDMCompact();

    std::int32_t v = 0;
    EXPECT_TRUE(IDMGet4(reader, v));
    EXPECT_EQ(v, 7);
    IDMDeleteRecord(reader); // its position moved too
    EXPECT_TRUE(IDMGet4(reader, v));
    EXPECT_EQ(v, 9);
    IDMFreeHandle(reader);

    IDMEndRecord(work);
    IDMInsertWork(work, 1, 3, 0);
    std::int16_t first = 0;
    IDMOpenFile(reader, 1, 3, 0);
    EXPECT_TRUE(IDMGet2(reader, first));
    EXPECT_EQ(first, -5);
    IDMFreeHandle(reader);
}

TEST_F(CompactionTest, AnAllocationThatFitsOnlyAfterCompactionSucceeds) {
    makeruns(30);
    std::int32_t address = 0;
    const std::int32_t free = vectorentry(poolsize) - vectorentry(nextfree);
    IDMAlloc(address, free + 30 * 20);
    EXPECT_EQ(vectorentry(nextfree), vectorentry(poolsize));
    EXPECT_EQ(deletedblocks(), 0);
    MemAdvance(-(free + 30 * 20));
    expectodd(30);
}

TEST(HandleTest, HandlesAreGivenOutRoundRobinFromTheOneAfterTheLast) {
    std::int32_t status = 0;
    IDMInit(64, status);
    std::int32_t last = 0;
    IDMGetHandle(last);
    IDMFreeHandle(last);
    bool wrapped = false;
    for (int i = 0; i < 120; ++i) {
        std::int32_t h = 0;
        IDMGetHandle(h);
        EXPECT_EQ(h, last % 100 + 1);
        wrapped = wrapped || (last == 100 && h == 1);
        IDMFreeHandle(h);
        last = h;
    }
    EXPECT_TRUE(wrapped);

    std::int32_t held = 0;
    std::int32_t next = 0;
    IDMGetHandle(held); // in use: skipped when the search comes round
    for (int i = 0; i < 99; ++i) {
        IDMGetHandle(next);
        IDMFreeHandle(next);
    }
    IDMGetHandle(next);
    EXPECT_EQ(next, held % 100 + 1);
    IDMFreeHandle(next);

    handleof(held).tag = 12;
    handleof(held).current = 40;
    IDMFreeHandle(held);
    IDMFreeHandle(held); // twice: counted once
    EXPECT_EQ(handleof(held).current, -1);
    EXPECT_EQ(handleof(held).tag, 12);
    std::int32_t count = -1;
    IDMHandleCount(count);
    EXPECT_EQ(count, 0);
    IDMExit(status);
}

TEST(HandleDeathTest, TheFirstHandleAfterLoadIsOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process, as loaded
    EXPECT_EXIT(
        {
            std::int32_t status = 0;
            IDMInit(64, status);
            std::int32_t h = 0;
            IDMGetHandle(h);
            std::fprintf(stderr, "first handle %d\n", h);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "first handle 1\n");
}

} // namespace
