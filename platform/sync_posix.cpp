// Threads, mutexes and auto-reset events on POSIX: objects in one table,
// named by their index + 1. A mutex or event is a flag with a condition to
// wait on, each under a lock of its own so that hand-overs between two threads
// never contend with the rest of the table (a mutex is an event that starts
// signalled and is signalled while no one holds it). A thread object records
// that its thread has ended and lives until both its thread has ended and its
// handle is closed; thread state is kept under the table lock.
#include "platform/sync.h"

#include "platform/faults.h"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace platform {

namespace {

enum class kind : std::uint8_t { none, mutex, event, thread };

struct object {
    std::atomic<kind> what = kind::none;
    std::atomic<bool> set = false; // mutex: free; event: signalled; thread: ended
    bool closed = false;           // thread: its handle is closed
    threadentry entry = nullptr;
    void* parameter = nullptr;
    std::mutex lock;                 // mutexes and events: guards set
    std::condition_variable changed; // mutexes and events
};

constexpr int capacity = 1024;

struct objecttable {
    std::mutex lock;
    std::condition_variable threadended;
    object objects[capacity];
    int cursor = 0; // where the next search for a free object begins

    object* find(handle h) {
        if (h < 1 || h > capacity || objects[h - 1].what == kind::none)
            return nullptr;
        return &objects[h - 1];
    }

    // A mutex or event of that kind, or nullptr. Such an object is used only
    // while it is open, so no table lock is needed to reach it.
    object* find(handle h, kind what) {
        object* o = find(h);
        return o != nullptr && o->what == what ? o : nullptr;
    }

    // Takes a free object, round-robin so that a closed handle is not named
    // again at once; 0 when all are taken.
    handle take(kind what, bool set) {
        for (int i = 0; i < capacity; ++i) {
            const int at = (cursor + i) % capacity;
            if (objects[at].what == kind::none) {
                cursor = (at + 1) % capacity;
                {
                    const std::lock_guard held(objects[at].lock);
                    objects[at].set = set;
                }
                objects[at].what = what;
                return at + 1;
            }
        }
        return 0;
    }

    static void free(object& o) {
        o.what = kind::none;
        o.set = false;
        o.closed = false;
        o.entry = nullptr;
        o.parameter = nullptr;
    }
};

// Made on first use, so that it exists whenever any static initialiser runs.
objecttable& table() {
    static objecttable made;
    return made;
}

void* runthread(void* parameter) {
    auto& t = table();
    auto& self = t.objects[reinterpret_cast<std::intptr_t>(parameter)];
    threadentry entry = nullptr;
    void* argument = nullptr;
    {
        const std::lock_guard held(t.lock);
        entry = self.entry;
        argument = self.parameter;
    }
    entry(argument);
    const std::lock_guard held(t.lock);
    self.set = true;
    if (self.closed)
        objecttable::free(self);
    t.threadended.notify_all();
    return nullptr;
}

bool startdetached(pthread_t& id, void* parameter) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    const bool started = pthread_attr_setstacksize(&attributes, taskstacksize) == 0 &&
                         pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED) == 0 &&
                         pthread_create(&id, &attributes, runthread, parameter) == 0;
    pthread_attr_destroy(&attributes);
    return started;
}

// Waits until the object is set, then resets it. (Whoever expects a
// hand-over within microseconds watches for it before: the switches do.)
void waitset(handle h, kind what) {
    object* o = table().find(h, what);
    if (o == nullptr)
        return;
    std::unique_lock held(o->lock);
    o->changed.wait(held, [o] { return o->set.load(); });
    o->set = false;
}

// waitset with a time limit: false, leaving the object alone, when it was not
// set in time.
bool waitsetfor(handle h, kind what, unsigned milliseconds) {
    object* o = table().find(h, what);
    if (o == nullptr)
        return true;
    std::unique_lock held(o->lock);
    if (!o->changed.wait_for(held, std::chrono::milliseconds(milliseconds),
                             [o] { return o->set.load(); }))
        return false;
    o->set = false;
    return true;
}

// The waiter is woken after the lock is released, so that it does not wake
// only to block on the lock again.
void setflag(handle h, kind what, bool set) {
    object* o = table().find(h, what);
    if (o == nullptr)
        return;
    {
        const std::lock_guard held(o->lock);
        o->set = set;
    }
    if (set)
        o->changed.notify_one();
}

handle create(kind what, bool set) {
    auto& t = table();
    const std::lock_guard held(t.lock);
    return t.take(what, set);
}

} // namespace

handle mutexcreate() {
    return faults::mutexcreate() ? 0 : create(kind::mutex, true);
}

void mutexacquire(handle mutex) {
    waitset(mutex, kind::mutex);
}

void mutexrelease(handle mutex) {
    setflag(mutex, kind::mutex, true);
}

handle eventcreate() {
    return faults::eventcreate() ? 0 : create(kind::event, false);
}

void eventsignal(handle event) {
    setflag(event, kind::event, true);
}

void eventreset(handle event) {
    setflag(event, kind::event, false);
}

void eventwaitone(handle event) {
    waitset(event, kind::event);
}

bool eventwaitfor(handle event, unsigned milliseconds) {
    return waitsetfor(event, kind::event, milliseconds);
}

handle threadstart(threadentry entry, void* parameter) {
    if (faults::threadstart())
        return 0;
    auto& t = table();
    const std::lock_guard held(t.lock);
    const handle h = t.take(kind::thread, false);
    if (h == 0)
        return 0;
    object& o = t.objects[h - 1];
    o.entry = entry;
    o.parameter = parameter;
    pthread_t id;
    if (!startdetached(id, reinterpret_cast<void*>(static_cast<std::intptr_t>(h - 1)))) {
        objecttable::free(o);
        return 0;
    }
    return h;
}

bool threadwait(handle thread) {
    return threadwaitmany(&thread, 1, true) == 0;
}

int threadwaitmany(const handle* threads, int n, bool all) {
    if (faults::threadwait())
        return -1;
    auto& t = table();
    std::unique_lock held(t.lock);
    // A handle that names no thread counts as ended.
    const auto ended = [&](int i) {
        const object* o = t.find(threads[i]);
        return o == nullptr || o->what != kind::thread || o->set.load();
    };
    for (;;) {
        int count = 0, first = -1;
        for (int i = 0; i < n; ++i)
            if (ended(i)) {
                ++count;
                first = first < 0 ? i : first;
            }
        if (all ? count == n : count > 0)
            return all ? 0 : first;
        t.threadended.wait(held);
    }
}

void closehandle(handle object) {
    auto& t = table();
    const std::lock_guard held(t.lock);
    auto* o = t.find(object);
    if (o == nullptr)
        return;
    if (o->what == kind::thread && !o->set)
        o->closed = true;
    else
        objecttable::free(*o);
}

namespace {
std::atomic<std::uint64_t> yielded{0};
} // namespace

void yield() {
    yielded.fetch_add(1, std::memory_order_relaxed);
    sched_yield();
}

std::uint64_t yields() {
    return yielded.load();
}

} // namespace platform
