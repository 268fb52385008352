// Named locks, and the handle table and allocator they guard, from several
// threads at once.
#include "datamanager/handle.h"
#include "datamanager/locks.h"
#include "datamanager/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr int threads = 4;

template <class Work> void together(Work work) {
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t) {
        running.emplace_back(work, t);
    }
    for (auto& thread : running) {
        thread.join();
    }
}

TEST(LockTest, OneHolderAtATime) {
    const std::int32_t name = 77;
    LockRegister(name);
    long counter = 0; // guarded by the lock alone
    together([&](int) {
        for (int i = 0; i < 5000; ++i) {
            LockAcquire(name);
            counter += 1;
            LockRelease(name);
        }
    });
    EXPECT_EQ(counter, threads * 5000L);
    LockRemove(name);
}

class GuardedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::int32_t status = 0;
        IDMInit(65536, status);
        ASSERT_EQ(status, 1);
    }
    void TearDown() override {
        std::int32_t status = 0;
        IDMExit(status);
    }
};

TEST_F(GuardedTest, NoHandleIsGivenToTwoThreadsAtOnce) {
    std::array<std::atomic<int>, handlecount + 1> holders{};
    std::atomic<int> shared{0};
    together([&](int) {
        for (int i = 0; i < 2000; ++i) {
            std::int32_t h = 0;
            IDMGetHandle(h);
            shared += holders[static_cast<std::size_t>(h)]++ == 0 ? 0 : 1;
            holders[static_cast<std::size_t>(h)]--;
            IDMFreeHandle(h);
        }
    });
    EXPECT_EQ(shared, 0);
    std::int32_t count = -1;
    IDMHandleCount(count);
    EXPECT_EQ(count, 0);
}

TEST_F(GuardedTest, ConcurrentAllocationsNeverOverlap) {
    constexpr int each = 500;
    constexpr std::int32_t size = 24;
    std::array<std::vector<std::int32_t>, threads> taken;
    together([&](int t) {
        for (int i = 0; i < each; ++i) {
            std::int32_t address = 0;
            IDMAlloc(address, size);
            taken[static_cast<std::size_t>(t)].push_back(address);
        }
    });
    std::vector<std::int32_t> all;
    for (const auto& mine : taken) {
        all.insert(all.end(), mine.begin(), mine.end());
    }
    std::sort(all.begin(), all.end());
    for (std::size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(all[i], 4 + static_cast<std::int32_t>(i) * size);
    }
}

} // namespace
