#include "tests/extraction/unpackrun.h"

#include "extraction/decomp.h"
#include "extraction/distribution.h"
#include "extraction/extract.h"
#include "extraction/files.h"
#include "extraction/progressupdate.h"
#include "extraction/unpacker.h"
#include "tasks/events.h"
#include "tasks/mtask.h"
#include "toolkit/window_native.h"
#include "tools/cell/encoder.h"
#include "tools/cell/entries.h"
#include "tools/cell/packer.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>

namespace {

std::mutex progressguard;
std::vector<std::int32_t> progress;
std::size_t stopupdate = 0; // the update that asks for a stop; 0 for none

// The window of the current run, and the message that ends its loop once a
// stopped unpacker has ended.
std::atomic<winhandle> runwindow{0};
constexpr std::int32_t stoppedmessage = 0x8001;
bool onthecaller = false; // the unpacker runs on the calling thread

} // namespace

// The progress display of these runs: a record of every value.
void progressupdate(const winhandle& /*window*/, const std::int32_t& percent) {
    std::size_t count = 0;
    {
        std::lock_guard lock(progressguard);
        progress.push_back(percent);
        count = progress.size();
    }
    if (count == stopupdate) {
        unpackrun::stop();
    }
}

namespace unpackrun {

std::vector<unsigned char> stream(const std::vector<entry>& entries) {
    std::vector<unsigned char> body;
    for (const entry& e : entries) {
        cell::entryinfo info;
        info.name = e.name;
        info.attributes = e.attributes;
        info.lastwrite = e.lastwrite;
        info.size = e.data.size();
        const auto head = cell::entryhead(info);
        body.insert(body.end(), head.begin(), head.end());
        body.insert(body.end(), e.data.begin(), e.data.end());
    }
    const std::string_view product = "Widget", proposal = "C:\\APPS\\WIDGET";
    auto out = cell::descriptorbytes(product, proposal,
                                     cell::descriptorlength(product, proposal) + body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::uint32_t writevolumes(const std::filesystem::path& dir, std::span<const unsigned char> stream,
                           std::uint64_t volumesize) {
    std::filesystem::create_directories(dir);
    std::ofstream out;
    std::uint32_t open = 0;
    auto reopen = [&](std::uint32_t volume) {
        out.close();
        out.open(dir / ("CELL." + std::to_string(volume)), std::ios::binary | std::ios::trunc);
        open = volume;
    };
    reopen(0);
    cell::packer packer(volumesize,
                        [&](std::uint32_t volume, std::span<const unsigned char> bytes) {
                            if (volume != open) {
                                reopen(volume);
                            }
                            out.write(reinterpret_cast<const char*>(bytes.data()),
                                      static_cast<std::streamsize>(bytes.size()));
                        });
    // One encoder for all the sets of a thread: its tables outweigh a small
    // set, and a finish leaves them clean for the next.
    using sink = std::function<void(std::span<const cell::code>)>;
    static thread_local sink current;
    static thread_local cell::encoder encoder(
        [](std::span<const cell::code> block) { current(block); });
    current = [&](std::span<const cell::code> block) { packer.block(block); };
    encoder.put(stream);
    encoder.finish();
    current = nullptr;
    return packer.volumes();
}

namespace {

// Start-up's part: the descriptor volume open, the ring started on it and
// the descriptor read.
bool startup(const std::string& dist, const std::string& target, platform::handle& volume) {
    std::int32_t ok = 0;
    setdistdirectory(dist.data(), static_cast<std::int32_t>(dist.size()), ok);
    settarget(target.data(), static_cast<std::int32_t>(target.size()), ok);
    if (ok == 0) {
        std::fprintf(stderr, "unpackrun: target too long\n");
        std::abort();
    }
    const std::string name = dist + "CELL.0";
    const std::int32_t noattributes = 0;
    fileopen(volume, name.c_str(), "R", "S", noattributes, "R");
    if (volume < 1) {
        return false;
    }
    decompstart(volume);
    readdescriptor(ok);
    if (ok == 0) {
        decompstop();
        fileclose(volume);
    }
    return ok == 1;
}

} // namespace

void samethread(bool same) {
    onthecaller = same;
}

void stop() {
    unpackerstop();
    const std::int32_t zero = 0;
    postmsg(runwindow.load(), stoppedmessage, zero, zero);
}

outcome run(const std::string& dist, const std::string& target, const diskhandler& ondisk,
            int stopafter) {
    outcome result;
    {
        std::lock_guard lock(progressguard);
        progress.clear();
        stopupdate = static_cast<std::size_t>(stopafter);
    }
    unpackerresume();
    platform::handle volume = 0;
    if (!startup(dist, target, volume)) {
        return result;
    }
    result.started = true;

    std::int32_t events[2] = {0, 0}, currentevent = 1, nextnumber = 0, task = 0;
    std::int32_t diskprompt = 18, done = 19, dataerror = 22;
    const std::int32_t one = 1;
    eventcreate(events[0]);
    eventcreate(events[1]);
    eventarm(events[0], one);

    winhandle window = registerwindow([&](const winhandle&, const nativemessage& m) {
        if (m.message == stoppedmessage) {
            quitapp();
        }
        if (m.message != wmcommand) {
            return 0;
        }
        result.commands.push_back(m.first);
        result.ringrunning = ring.firststart == 0;
        if (m.first == diskprompt) {
            result.waits.push_back(currentevent);
            if (!ondisk) {
                std::fprintf(stderr, "unpackrun: unexpected disk prompt\n");
                std::abort();
            }
            ondisk(static_cast<int>(result.waits.size()));
            eventpost(events[currentevent - 1]);
        } else {
            quitapp();
        }
        return 0;
    });
    winhandle filename = registerwindow([&](const winhandle&, const nativemessage& m) {
        result.names.push_back(m.text);
        return 0;
    });

    runwindow = window;
    if (onthecaller) {
        unpacker(window, events, currentevent, volume, nextnumber, filename, diskprompt, done,
                 dataerror);
    } else {
        taskstart9(task, unpacker, window, events, currentevent, volume, nextnumber, filename,
                   diskprompt, done, dataerror);
    }
    pumpmsgs();
    taskjoin(task);
    // Whatever the unpacker posted after the command that ended the loop.
    const std::int32_t zero = 0;
    postmsg(window, stoppedmessage, zero, zero);
    pumpmsgs();

    // What the window's end does: the ring of a run that failed is stopped and
    // whatever volume is still open closed.
    if (result.last() != done) {
        decompstop();
    }
    result.volume = volume;
    if (volume > 0) {
        fileclose(volume);
    }
    unregisterwindow(window);
    unregisterwindow(filename);
    eventclose(events[0]);
    eventclose(events[1]);
    std::lock_guard lock(progressguard);
    result.percents = progress;
    return result;
}

} // namespace unpackrun
