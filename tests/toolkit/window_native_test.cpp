#include "toolkit/window_native.h"

#include "tests/tasks/gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr std::int32_t stopmessage = 1000;

// A window on the test's thread that records what it was given, in order.
struct recorder {
    std::mutex guard;
    std::vector<std::pair<std::int32_t, std::int32_t>> seen; // message, first
    std::vector<std::string> texts;
    std::thread::id ranon;
    winhandle window = registerwindow([this](const winhandle&, const nativemessage& message) {
        std::lock_guard lock(guard);
        ranon = std::this_thread::get_id();
        seen.emplace_back(message.message, message.first);
        if (message.message == wmsettext)
            texts.push_back(message.text);
        if (message.message == stopmessage)
            quitapp();
        return 0;
    });
    ~recorder() { unregisterwindow(window); }
};

TEST(messages, PostsArriveInOrderThroughTheLoop) {
    recorder box;
    std::thread poster([&] {
        for (std::int32_t i = 0; i < 200; ++i)
            postmsg(box.window, wmcommand, i, 0);
        postmsg(box.window, stopmessage, 0, 0);
    });
    EXPECT_EQ(pumpmsgs(), 0);
    poster.join();
    ASSERT_EQ(box.seen.size(), 201u);
    for (std::int32_t i = 0; i < 200; ++i)
        EXPECT_EQ(box.seen[static_cast<std::size_t>(i)], std::pair(wmcommand, i));
    EXPECT_EQ(box.ranon, std::this_thread::get_id());
}

TEST(messages, SendsFromManyThreadsWaitUntilHandledOnTheOwner) {
    recorder box;
    constexpr int senders = 4, each = 50;
    std::atomic<int> handled[senders] = {}, finished{0};
    const winhandle counter = registerwindow([&](const winhandle&, const nativemessage& message) {
        handled[message.first].fetch_add(1);
        return 0;
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < senders; ++t)
        threads.emplace_back([&, t] {
            for (int i = 1; i <= each; ++i) {
                sendmsg(counter, wmcommand, t, i);
                // The procedure has run by the time the send returns.
                EXPECT_EQ(handled[t].load(), i);
            }
            settext(box.window, ("thread " + std::to_string(t)).c_str());
            if (finished.fetch_add(1) + 1 == senders)
                postmsg(box.window, stopmessage, 0, 0);
        });
    EXPECT_EQ(pumpmsgs(), 0);
    for (auto& thread : threads)
        thread.join();
    unregisterwindow(counter);
    for (const auto& count : handled)
        EXPECT_EQ(count.load(), each);
    EXPECT_EQ(box.texts.size(), static_cast<std::size_t>(senders));
}

TEST(messages, SendOnTheOwnerThreadRunsAtOnce) {
    recorder box;
    settext(box.window, "direct");
    sendmsg(box.window, wmcommand, 7, 0);
    ASSERT_EQ(box.seen.size(), 2u);
    EXPECT_EQ(box.texts, std::vector<std::string>{"direct"});
    EXPECT_EQ(box.seen[1], std::pair(wmcommand, 7));
    std::int32_t result = -1;
    defproc(box.window, wmcommand, 0, 0, result);
    EXPECT_EQ(result, 0);
}

TEST(messages, UnregisteringReleasesAWaitingSender) {
    auto box = std::make_unique<recorder>();
    const winhandle target = box->window;
    std::atomic<bool> queued{false};
    std::thread sender([&] {
        queued = true;
        sendmsg(target, wmcommand, 1, 0); // the owner never pumps it
    });
    while (!queued)
        std::this_thread::yield();
    // The send may still be on its way in; the window goes either way.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    box.reset();
    sender.join();
    sendmsg(12345, wmcommand, 0, 0); // no such window: nothing waits
    SUCCEED();
}

// The owner unregisters its window (without running its loop again) the
// moment a send from another thread sets out, in many rounds: the send,
// whether it came before or after, is always released.
TEST(messages, ASendThatMeetsTheUnregisterIsAlwaysReleased) {
    for (int round = 0; round < 500; ++round) {
        const winhandle target =
            registerwindow([](const winhandle&, const nativemessage&) { return 0; });
        std::atomic<bool> sending{false};
        std::thread sender([&] {
            sending = true;
            sendmsg(target, wmcommand, round, 0);
        });
        while (!sending)
            std::this_thread::yield();
        unregisterwindow(target);
        expectfinishes("a send to a window being unregistered", [&] { sender.join(); });
    }
}

TEST(messages, QuitEndsTheLoopAfterWhatIsQueued) {
    recorder box;
    postmsg(box.window, wmcommand, 1, 0);
    quitapp();
    EXPECT_EQ(pumpmsgs(), 0);
    EXPECT_EQ(box.seen.size(), 1u);
}

} // namespace
