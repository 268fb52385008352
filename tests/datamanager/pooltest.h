#pragma once
// A fresh pool for each test, and a look at a file's chain as the pool holds
// it.
#include "datamanager/files.h"
#include "datamanager/layout.h"
#include "datamanager/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

class PoolTest : public ::testing::Test {
  protected:
    void SetUp() override { init(65536); }
    void TearDown() override {
        std::int32_t status = 0;
        IDMExit(status);
    }
    static void init(std::int32_t size) {
        std::int32_t status = 0;
        IDMInit(size, status);
        ASSERT_EQ(status, 1);
    }
    static std::int32_t vectorentry(std::int16_t index) {
        std::int32_t value = 0;
        MemGetVector(value, index);
        return value;
    }
    // The number of deleted blocks between address 4 and the next free one.
    static int deletedblocks() {
        int deleted = 0;
        for (std::int32_t at = 4; at < vectorentry(nextfree); at += std::abs(blocksize(at))) {
            deleted += blocksize(at) < 0 ? 1 : 0;
        }
        return deleted;
    }
    // The sizes of the file's fields in chain order.
    static std::vector<std::int32_t> sizes(std::int32_t file, std::int32_t directory) {
        std::vector<std::int32_t> found;
        const std::int32_t node = findfile(file, directory);
        for (std::int32_t f = getword(node + childword); f != noblock; f = nextof(f)) {
            found.push_back(blocksize(f));
        }
        return found;
    }
};
