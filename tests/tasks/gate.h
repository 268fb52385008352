#pragma once
// Test helpers: a gate that holds tasks until it is opened, a check that a
// wait passes only once it is released, and one that an operation returns.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

struct gate {
    std::mutex lock;
    std::condition_variable opened;
    bool open = false;
    std::atomic<int> passed{0};

    void pass() {
        std::unique_lock held(lock);
        opened.wait(held, [this] { return open; });
        ++passed;
    }
    void openall() {
        const std::lock_guard held(lock);
        open = true;
        opened.notify_all();
    }
};

// A meeting point for a fixed number of threads, used round after round: each
// arrival waits until all have arrived. MinGW's std::barrier can lose a
// wake-up under Wine and hang a test that meets thousands of times.
class rendezvous {
  public:
    explicit rendezvous(int parties) : parties_(parties) {}
    void arriveandwait() {
        std::unique_lock held(lock_);
        const long long round = round_;
        if (++arrived_ == parties_) {
            arrived_ = 0;
            ++round_;
            allarrived_.notify_all();
            return;
        }
        allarrived_.wait(held, [&] { return round_ != round; });
    }

  private:
    std::mutex lock_;
    std::condition_variable allarrived_;
    const int parties_;
    int arrived_ = 0;
    long long round_ = 0;
};

// The waiter gets a moment in which a faulty wait would pass; a correct one
// passes only after release, however long that moment lasts.
inline void expectblockeduntil(const std::function<void()>& wait,
                               const std::function<void()>& release) {
    std::atomic<bool> released{false};
    std::atomic<bool> passedearly{false};
    std::thread waiter([&] {
        wait();
        passedearly = !released.load();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    released = true;
    release();
    waiter.join();
    EXPECT_FALSE(passedearly);
}

// The operation must return. One that hangs would hold the test program until
// the harness ends it; after a minute it is reported and the program ends.
inline void expectfinishes(const char* what, const std::function<void()>& operation) {
    auto finished = std::async(std::launch::async, operation);
    if (finished.wait_for(std::chrono::minutes(1)) != std::future_status::ready) {
        std::fprintf(stderr, "%s never returned\n", what);
        std::fflush(stderr);
        std::_Exit(1);
    }
    finished.get();
}
