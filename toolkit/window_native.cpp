#include "toolkit/window_native.h"

#include <condition_variable>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace {

struct pending {
    winhandle window;
    nativemessage message;
    bool done = false; // the procedure has run (or never will); a sender waits for it
};

// The queue of one thread, shared by the windows it owns.
struct threadqueue {
    std::mutex guard;
    std::condition_variable changed;
    std::deque<std::shared_ptr<pending>> items;
    bool quitting = false;
};

struct windowentry {
    windowproc procedure;
    std::shared_ptr<threadqueue> queue;
    std::thread::id owner;
};

std::mutex registryguard;
std::map<winhandle, windowentry> windows;
winhandle lastwindow = 0;

const std::shared_ptr<threadqueue>& ownqueue() {
    thread_local const auto queue = std::make_shared<threadqueue>();
    return queue;
}

std::optional<windowentry> lookup(const winhandle& window) {
    std::lock_guard lock(registryguard);
    const auto found = windows.find(window);
    if (found == windows.end())
        return std::nullopt;
    return found->second;
}

void finish(threadqueue& queue, pending& item) {
    std::lock_guard lock(queue.guard);
    item.done = true;
    queue.changed.notify_all();
}

void dispatch(threadqueue& queue, pending& item) {
    if (const auto entry = lookup(item.window))
        entry->procedure(item.window, item.message);
    finish(queue, item);
}

// A message for another thread is queued while the window is still
// registered (the registry is held until the queue is): either the owner's
// unregister finds it there and releases its sender, or the send finds no
// window. Locks are taken in that order only, registry then queue.
void deliver(const winhandle& window, nativemessage message, bool wait) {
    std::unique_lock registry(registryguard);
    const auto found = windows.find(window);
    if (found == windows.end())
        return;
    if (wait && found->second.owner == std::this_thread::get_id()) {
        const windowproc procedure = found->second.procedure;
        registry.unlock();
        procedure(window, message);
        return;
    }
    const std::shared_ptr<threadqueue> queue = found->second.queue;
    const auto item = std::make_shared<pending>(pending{window, std::move(message)});
    std::unique_lock lock(queue->guard);
    registry.unlock();
    queue->items.push_back(item);
    queue->changed.notify_all();
    if (wait)
        queue->changed.wait(lock, [&] { return item->done; });
}

} // namespace

winhandle registerwindow(windowproc procedure) {
    std::lock_guard lock(registryguard);
    do
        lastwindow = lastwindow == std::numeric_limits<winhandle>::max() ? 1 : lastwindow + 1;
    while (windows.contains(lastwindow));
    windows.emplace(lastwindow,
                    windowentry{std::move(procedure), ownqueue(), std::this_thread::get_id()});
    return lastwindow;
}

void unregisterwindow(const winhandle& window) {
    std::shared_ptr<threadqueue> queue;
    {
        std::lock_guard lock(registryguard);
        const auto found = windows.find(window);
        if (found == windows.end())
            return;
        queue = found->second.queue;
        windows.erase(found);
    }
    std::lock_guard lock(queue->guard);
    for (const auto& item : queue->items)
        item->done = item->done || item->window == window;
    std::erase_if(queue->items, [&](const auto& item) { return item->window == window; });
    queue->changed.notify_all();
}

void sendmsg(const winhandle& window, const std::int32_t& message, const std::int32_t& first,
             const std::int32_t& second) {
    deliver(window, nativemessage{message, first, second, {}}, true);
}

void postmsg(const winhandle& window, const std::int32_t& message, const std::int32_t& first,
             const std::int32_t& second) {
    deliver(window, nativemessage{message, first, second, {}}, false);
}

void settext(const winhandle& window, const char* text) {
    deliver(window, nativemessage{wmsettext, 0, 0, text == nullptr ? "" : text}, true);
}

std::int32_t pumpmsgs() {
    threadqueue& queue = *ownqueue();
    for (;;) {
        std::unique_lock lock(queue.guard);
        queue.changed.wait(lock, [&] { return !queue.items.empty() || queue.quitting; });
        if (queue.items.empty()) {
            queue.quitting = false;
            return 0;
        }
        const auto item = queue.items.front();
        queue.items.pop_front();
        lock.unlock();
        dispatch(queue, *item);
    }
}

void quitapp() {
    threadqueue& queue = *ownqueue();
    std::lock_guard lock(queue.guard);
    queue.quitting = true;
}

void defproc(const winhandle& /*window*/, const std::int32_t& /*message*/,
             const std::int32_t& /*first*/, const std::int32_t& /*second*/, std::int32_t& result) {
    result = 0;
}
