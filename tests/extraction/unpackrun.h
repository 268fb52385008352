#pragma once
// Runs the unpacker as the installer does, with a scripted window on the
// native message layer: opens "CELL.0", reads the descriptor, starts the
// unpacker task and answers its commands until it ends. Distributions are made
// from a decoded stream with the writer's encoder and packer.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace unpackrun {

struct entry {
    std::string name;
    std::string data;
    std::uint32_t attributes = 0x20;
    std::uint64_t lastwrite = 0; // 0: left as the system sets it
};

// The decoded stream of a distribution holding these entries, in this order.
std::vector<unsigned char> stream(const std::vector<entry>& entries);

// Writes the stream as CELL.0, CELL.1, ... into dir, no volume above
// volumesize bytes (0: one volume). Returns the number of volumes.
std::uint32_t writevolumes(const std::filesystem::path& dir, std::span<const unsigned char> stream,
                           std::uint64_t volumesize = 0);

struct outcome {
    bool started = false;               // CELL.0 opened and its descriptor sound
    std::vector<std::int32_t> commands; // 18, 19, 21, 22 as the window saw them
    std::vector<std::string> names;     // the file-name texts shown
    std::vector<std::int32_t> waits;    // the current-event index at each disk prompt
    std::vector<std::int32_t> percents; // every progress update, to its end
    std::int32_t volume = 0;            // the volume handle once the unpacker ended
    bool ringrunning = false;           // the decoder still ran when the last command came
    std::int32_t last() const { return commands.empty() ? 0 : commands.back(); }
};

// Called on each disk prompt with its count (1, 2, ...) before the window
// confirms the disk. Without one, a disk prompt aborts the program.
using diskhandler = std::function<void(int prompt)>;

// Extracts the distribution in dist (a directory path ending with its
// separator, or empty) into target (at most 59 characters). With stopafter
// above 0, the progress display asks the unpacker to stop at that update.
// Commands that come after the unpacker has ended are recorded too.
outcome run(const std::string& dist, const std::string& target, const diskhandler& ondisk = {},
            int stopafter = 0);

// Runs the unpacker of the next runs on the calling thread, as a plain call
// before the window's loop, instead of as a task: with the decoder on the
// calling thread too, a run starts no thread at all. Disk prompts and stops
// from the progress display work the same; a stop from another thread does not.
void samethread(bool same);

// Asks the unpacker of the current run to stop, as the window does on a
// cancel; the run then ends when the unpacker has. From a disk handler, the
// disk event is posted after it, as the window does.
void stop();

} // namespace unpackrun
