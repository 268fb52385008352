// The manager's fatal failures: a message captioned "Incore Data Manager",
// then the process ends with exit code 0. Each runs in a child process, the
// test program started again by GoogleTest (on Windows too, under Wine).
#include "tests/datamanager/pooltest.h"

#include "datamanager/directories.h"
#include "datamanager/handle.h"
#include "datamanager/locks.h"
#include "datamanager/put.h"
#include "datamanager/read.h"
#include "datamanager/records.h"
#include "datamanager/replacefield.h"
#include "datamanager/work.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The message as the native message box writes it, as a pattern that both
// GoogleTest regular expression dialects read literally.
std::string stopswith(const std::string& text) {
    std::string pattern = "Incore Data Manager: ";
    for (const char c : text) {
        if (c == '.') {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern + "\n";
}

class FatalDeathTest : public PoolTest {
  protected:
    void SetUp() override {
        PoolTest::SetUp();
        IDMCreateDir(1);
        IDMCreateFile(2, 1);
        IDMOpenWork(work);
        for (int r = 0; r < 3; ++r) {
            IDMPut4(work, r);
            IDMEndRecord(work);
        }
        IDMStoreWork(work, 2, 1);
    }
    void TearDown() override {
        if (work != 0) {
            IDMFreeHandle(work);
        }
        PoolTest::TearDown();
    }
    std::int32_t work = 0;
};

using ::testing::ExitedWithCode;

TEST_F(FatalDeathTest, PoolSpaceThatCannotBeFoundStopsWithThePoolSizeInTenDigits) {
    std::int32_t address = 0;
    EXPECT_EXIT(IDMAlloc(address, 70000), ExitedWithCode(0),
                stopswith("Memory space: 0000065536 bytes are insufficient."));
    EXPECT_EXIT(IDMPutN8(work, static_cast<const double*>(nullptr), 300000000), ExitedWithCode(0),
                stopswith("Memory space: 0000065536 bytes are insufficient."));
}

TEST_F(FatalDeathTest, MissingDirectoriesFilesAndRecordsAreNamed) {
    EXPECT_EXIT(IDMDeleteDir(7), ExitedWithCode(0),
                stopswith("Directory  000000007 was not found in IDMDeleteDir."));
    EXPECT_EXIT(IDMDeleteDir(-5), ExitedWithCode(0),
                stopswith("Directory -000000005 was not found in IDMDeleteDir."));
    EXPECT_EXIT(IDMReplaceField(1, 5, 2, 1, 9), ExitedWithCode(0),
                stopswith("Record  000000005 was not found in IDMReplaceField."));
    EXPECT_EXIT(IDMReplaceField(1, 1, 3, 1, 9), ExitedWithCode(0),
                stopswith("File  000000003 in directory  000000001 was not found in "
                          "IDMReplaceField."));
    EXPECT_EXIT(IDMReplaceField(1, 1, 2, 32768, 9), ExitedWithCode(0),
                stopswith("File  000000002 in directory  000032768 was not found in "
                          "IDMReplaceField."));
}

TEST_F(FatalDeathTest, OperationsOnAMissingDirectoryOrFileStop) {
    std::int32_t h = 0;
    std::int32_t count = 0;
    EXPECT_EXIT(IDMCreateFile(1, 4), ExitedWithCode(0),
                stopswith("Directory  000000004 was not found in IDMCreateFile."));
    EXPECT_EXIT(IDMCreateFile(1, -work), ExitedWithCode(0), "IDMCreateFile");
    EXPECT_EXIT(IDMCreateDir(-3), ExitedWithCode(0), "work directory in IDMCreateDir");
    EXPECT_EXIT(IDMStoreWork(work, 9, 1), ExitedWithCode(0),
                stopswith("File  000000009 in directory  000000001 was not found in "
                          "IDMStoreWork."));
    EXPECT_EXIT(IDMInsertWork(work, 2, 6, 0), ExitedWithCode(0), "in IDMInsertWork");
    EXPECT_EXIT(IDMReplaceRecords(work, 0, 1, 1, 1), ExitedWithCode(0), "in IDMDeleteRecords");
    EXPECT_EXIT(IDMDeleteFile(0, 1), ExitedWithCode(0), "in IDMDeleteFile");
    EXPECT_EXIT(IDMCountRecords(2, 0, count), ExitedWithCode(0), "in IDMCountRecords");
    EXPECT_EXIT(IDMOpenFile(h, 2, 9, 1), ExitedWithCode(0), "in IDMOpenFile");
    EXPECT_EXIT(IDMOpenField(h, 1, 1, 8, 1, 1), ExitedWithCode(0), "in IDMOpenField");
}

TEST_F(FatalDeathTest, ValuesThatWouldOverrunTheirFieldStop) {
    const double wide = 1;
    EXPECT_EXIT(IDMReplaceField(1, 1, 2, 1, wide), ExitedWithCode(0),
                stopswith("Field  000000001 is too short in IDMReplaceField."));
    EXPECT_EXIT(IDMReplaceField(4, 3, 2, 1, 1), ExitedWithCode(0),
                stopswith("Field  000000004 was not found in IDMReplaceField."));
    EXPECT_EXIT(IDMReplaceField(0, 1, 2, 1, 1), ExitedWithCode(0), "Field  000000000");
}

// The process ends at once: no exit handler runs, nor any destructor of
// static storage, which tasks still running could be using.
TEST_F(FatalDeathTest, AStopEndsTheProcessAtOnce) {
    EXPECT_EXIT(
        {
            std::atexit([] { std::fputs("exit handlers ran\n", stderr); });
            IDMDeleteDir(7);
        },
        ExitedWithCode(0), ::testing::Not(::testing::HasSubstr("exit handlers ran")));
}

TEST_F(FatalDeathTest, AFullHandleTableStopsInsteadOfSharingAHandle) {
    EXPECT_EXIT(
        {
            for (int i = 0; i < handlecount; ++i) {
                std::int32_t h = 0;
                IDMGetHandle(h);
            }
        },
        ExitedWithCode(0), stopswith("All 100 handles are in use in IDMGetHandle."));
}

TEST_F(FatalDeathTest, AddressesOutsideThePoolAndUnknownLocksStop) {
    std::int32_t word = 0;
    EXPECT_EXIT(MemGet(&word, 65534, 4), ExitedWithCode(0),
                stopswith("Address  000065534 is outside the pool in MemGet."));
    EXPECT_EXIT(MemPut(&word, -1, 4), ExitedWithCode(0), "outside the pool in MemPut");
    EXPECT_EXIT(IDMPut4(12345, 1), ExitedWithCode(0), "is not a handle of the manager");
    EXPECT_EXIT(LockAcquire(5), ExitedWithCode(0),
                stopswith("Lock  000000005 was not found in LockAcquire."));
    EXPECT_EXIT(
        {
            for (int i = 0; i < 40; ++i) {
                LockRegister(100 + i);
            }
        },
        ExitedWithCode(0), "found no free entry in LockRegister");
    std::int32_t status = 0;
    IDMExit(status);
    EXPECT_EXIT(MemGet(&word, 0, 4), ExitedWithCode(0), "outside the pool"); // no pool
    PoolTest::init(65536);
}

} // namespace
