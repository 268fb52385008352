// cell extract: installs a distribution without a window. It starts as the
// installer does (the descriptor read from CELL.0 through the decoder ring),
// runs the same unpacker task into the target directory, and plays the
// window's part on the terminal: the file being written and a progress bar,
// the prompt for a missing volume, and the last word on how the copy ended.
#include "extraction/cleandir.h"
#include "extraction/decomp.h"
#include "extraction/distribution.h"
#include "extraction/files.h"
#include "extraction/progressupdate.h"
#include "extraction/unpacker.h"
#include "tasks/events.h"
#include "tasks/mtask.h"
#include "toolkit/window_native.h"
#include "tools/cell/arguments.h"
#include "tools/cell/commands.h"
#include "tools/cell/console.h"
#include "tools/cell/fat.h"
#include "tools/cell/places.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <pthread.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

// The unpacker's progress goes to the terminal line.
void progressupdate(const winhandle& /*window*/, const std::int32_t& percent) {
    cell::console::showpercent(percent);
}

namespace cell {

namespace {

constexpr const char* usage =
    "usage: cell extract DIST TARGET_DIR [--volumes DIR]... [-v]\n"
    "\n"
    "Installs the distribution whose CELL.0 lies in DIST into TARGET_DIR, as the\n"
    "installer does, without a window: TARGET_DIR and the directories below it\n"
    "are created as needed, and files already there are replaced. DIST is a\n"
    "directory of volumes or of floppy images, or an image itself (each image is\n"
    "looked into for the CELL.n it holds, whatever its name). On a terminal, the\n"
    "file being written and the progress are shown on standard error; otherwise\n"
    "only the last line and any error are. -v lists every file written on\n"
    "standard output.\n"
    "\n"
    "Later volumes (CELL.1, CELL.2, ...) are looked for in DIST and in every\n"
    "--volumes DIR (a directory or an image), in that order. When one is in none\n"
    "of them and standard input is a terminal, cell extract asks for the disk\n"
    "that holds it (DISK n for CELL.n, as the installer does) and looks again when\n"
    "Enter is pressed: an image file replaced under the same name is a disk\n"
    "changed. Otherwise it stops at once. Ctrl-C stops at any time; the files\n"
    "already written stay.\n"
    "\n"
    "Nothing is written through a link inside TARGET_DIR (TARGET_DIR itself may be\n"
    "one): a link where a directory goes, or a pipe, socket or device where a file\n"
    "goes, is a write failure that names it; a link where a file goes is replaced\n"
    "by the file. A directory the distribution clears before its files are written\n"
    "keeps the distribution's own volumes and images (in DIST and every --volumes\n"
    "DIR) and cell itself; the root of a file system (/ or a mount point)\n"
    "is not cleared at all: cell extract says so and goes on.\n"
    "\n"
    "Exit status:\n"
    "  0  every file was written\n"
    "  1  the distribution or a directory cannot be used (see the message)\n"
    "  2  the command line is wrong\n"
    "  3  write failure: a file or directory cannot be written in TARGET_DIR\n"
    "  4  damaged data: the distribution cannot be read to its end, or an image\n"
    "     is damaged\n"
    "  5  missing volume: CELL.0 or a later volume was not found\n"
    "  6  cancelled\n";

constexpr int installed = 0, unusable = 1, writefailed = 3, damaged = 4, missing = 5, cancelled = 6;

constexpr std::int32_t targetlimit = sizeof distribution.target - 1;

// Files are written in pieces of this size, with their room reserved first:
// on a disk in memory, one large write costs about what a small one does.
constexpr unpackerwriting writing{256 * 1024, true};

// The window's variables, handed to the unpacker by reference.
struct windowstate {
    std::int32_t events[2] = {0, 0};
    std::int32_t currentevent = 1;
    platform::handle volume = 0;
    std::int32_t nextnumber = 0;
    winhandle main = 0;
    winhandle filename = 0;
    std::int32_t diskprompt = 18, done = 19, dataerror = 22;
};

windowstate window;
std::optional<volumeplaces> places; // where volumes are looked for
fs::path current;                   // where the volume in use was found
std::string distshown, targetshown;
bool interactive = false;
int outcome = unusable;
std::uint64_t files = 0;
std::string lastfile, lastpath; // as shown, and as the unpacker wrote it

// Ends the process at once: the unpacker and the decoder may still run, so no
// destructor of static storage may run under them.
[[noreturn]] void leave(int status, const std::string& text) {
    if (places) {
        places->discard();
    }
    if (!text.empty()) {
        console::sayfinal("cell extract: " + text);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

// Ctrl-C (and a terminal that goes away, or a polite kill) is taken by a
// thread of its own, so that it can stop the run wherever the others are.
void watchsignals() {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    std::thread([stops] {
        int signal = 0;
        sigwait(&stops, &signal);
        leave(cancelled, "cancelled; the files already written stay in " + targetshown);
    }).detach();
}

// Points the distribution directory at dir, written as the unpacker's buffer
// can hold it: absolute, or relative to the current directory when shorter.
void pointat(const fs::path& dir) {
    const fs::path relative = dir.lexically_relative(fs::current_path());
    std::string text = dir.string();
    if (!relative.empty() && relative.string().size() < text.size()) {
        text = relative == "." ? "" : relative.string();
    }
    if (!text.empty() && text.back() != '/') {
        text += '/';
    }
    std::int32_t ok = 0;
    setdistdirectory(text.data(), static_cast<std::int32_t>(text.size()), ok);
    if (ok == 0) {
        leave(unusable, "the path of " + dir.string() + " is too long for a volume directory");
    }
}

// The volume from the places (all of them, or only the distribution's);
// a damaged image ends the run.
std::optional<foundvolume> findvolume(std::uint32_t volume, bool anywhere) {
    try {
        return anywhere ? places->find(volume) : places->findin(0, volume);
    } catch (const fat::damaged& e) {
        leave(damaged, e.what());
    } catch (const std::exception& e) {
        leave(unusable, e.what());
    }
}

bool waitforenter() {
    int c = 0;
    while ((c = std::getchar()) != EOF && c != '\n') {
    }
    return c != EOF;
}

// The disk prompt: the volume is looked for everywhere it may be; when it is
// nowhere, the user is asked for its disk. Either way the unpacker is let go
// to try again, as the window's OK does.
void askfordisk() {
    const auto number = static_cast<std::uint32_t>(window.nextnumber);
    const std::string name = "CELL." + std::to_string(number);
    auto found = findvolume(number, true);
    if (!found) {
        const std::string where = "(looked in " + places->list() + ")";
        if (!interactive) {
            leave(missing, "volume " + name + " is missing " + where);
        }
        console::say("Insert DISK " + std::to_string(number) + " holding " + name + " " + where +
                     ", then press Enter; Ctrl-C cancels.");
        if (!waitforenter()) {
            leave(missing, "volume " + name + " is missing " + where);
        }
        found = findvolume(number, true);
    }
    if (found) {
        current = found->directory;
        pointat(current);
    }
    eventpost(window.events[window.currentevent - 1]);
}

std::int32_t mainprocedure(const winhandle& /*self*/, const nativemessage& message) {
    if (message.message != wmcommand) {
        return 0;
    }
    if (message.first == window.diskprompt) {
        askfordisk();
        return 0;
    }
    if (message.first == cleanrefusedcommand) {
        console::say("not clearing the directory of " + lastfile + " in " + targetshown +
                     ": it is the root of a file system; the files there stay");
        return 0;
    }
    if (message.first == window.done) {
        outcome = installed;
    } else if (message.first == writefailurecommand) {
        outcome = writefailed;
    } else if (message.first == window.dataerror) {
        outcome = damaged;
    } else {
        return 0;
    }
    quitapp();
    return 0;
}

std::int32_t filenameprocedure(const winhandle& /*self*/, const nativemessage& message) {
    if (message.message == wmsettext) {
        const auto prefix = static_cast<std::size_t>(distribution.targetend);
        lastpath = message.text;
        lastfile = console::printable(message.text.substr(std::min(prefix, message.text.size())));
        ++files;
        console::showfile(lastfile);
    }
    return 0;
}

// The unpacker's task. Its file-name text is a window of the task's own
// thread, so that showing a name is a call rather than a wait for the main
// thread once per file; the terminal line takes its own lock.
void unpackertask(winhandle& main, std::int32_t (&events)[2], std::int32_t& currentevent,
                  platform::handle& volume, std::int32_t& nextnumber, winhandle& filename,
                  std::int32_t& diskprompt, std::int32_t& done, std::int32_t& dataerror) {
    filename = registerwindow(filenameprocedure);
    unpacker(main, events, currentevent, volume, nextnumber, filename, diskprompt, done, dataerror);
    unregisterwindow(filename);
}

// Start-up: CELL.0 opened, the decoder started on it, the descriptor read.
void readdistribution() {
    const auto found = findvolume(0, false);
    if (!found) {
        leave(missing, "CELL.0 was not found in " + distshown);
    }
    current = found->directory;
    pointat(current);
    const std::string name = std::string(distribution.directory,
                                         static_cast<std::size_t>(distribution.directorylength)) +
                             "CELL.0";
    const std::int32_t noattributes = 0;
    fileopen(window.volume, name.c_str(), "R", "S", noattributes, "R");
    if (window.volume < 1) {
        leave(missing, "CELL.0 was not found in " + distshown);
    }
    if (!decompstart(window.volume)) {
        leave(unusable, "the decoder cannot start: the system refused its thread or events");
    }
    std::int32_t ok = 0;
    readdescriptor(ok);
    if (ok == 0) {
        leave(damaged,
              "the distribution in " + distshown + " is damaged: its descriptor is unsound");
    }
}

// The target directory, made as needed. A path too long for the unpacker's
// buffer is worked in from inside: the unpacker then writes below ".".
void preparetarget(std::string target) {
    while (target.size() > 1 && target.back() == '/') {
        target.pop_back();
    }
    std::error_code error;
    fs::create_directories(target, error);
    if (!fs::is_directory(target)) {
        leave(writefailed, "cannot create the directory " + target +
                               (error ? ": " + error.message() : ": a file is in the way"));
    }
    if (static_cast<std::int32_t>(target.size()) > targetlimit) {
        if (::chdir(target.c_str()) != 0) {
            leave(writefailed, "cannot enter the directory " + target);
        }
        target = ".";
        pointat(current);
    }
    std::int32_t ok = 0;
    settarget(target.data(), static_cast<std::int32_t>(target.size()), ok);
}

void rununpacker() {
    const std::int32_t one = 1;
    setunpackerwriting(writing);
    eventcreate(window.events[0]);
    eventcreate(window.events[1]);
    if (window.events[0] == 0 || window.events[1] == 0) {
        leave(unusable, "cannot make the events the unpacker waits on");
    }
    eventarm(window.events[0], one);
    window.main = registerwindow(mainprocedure);
    std::int32_t task = 0;
    taskstart9(task, unpackertask, window.main, window.events, window.currentevent, window.volume,
               window.nextnumber, window.filename, window.diskprompt, window.done,
               window.dataerror);
    if (task == 0) {
        leave(unusable, "cannot start the unpacker");
    }
    pumpmsgs();
    taskjoin(task);
}

// What stood in the way of the last file, when it was a link or a special
// file: the first level below the target that is one; empty otherwise.
std::string blocker() {
    std::string path = lastpath;
    std::replace(path.begin(), path.end(), '\\', '/');
    const auto start = static_cast<std::size_t>(distribution.targetend);
    for (std::size_t cut = start;; ++cut) {
        cut = path.find('/', cut);
        const std::string level = path.substr(0, cut);
        const std::string shown = console::printable(level.substr(std::min(start, level.size())));
        struct stat status {};
        if (::lstat(level.c_str(), &status) != 0) {
            return {};
        }
        if (S_ISLNK(status.st_mode)) {
            return shown + " is a symbolic link";
        }
        if (cut == std::string::npos) {
            return S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)
                       ? std::string()
                       : shown + " is a pipe, socket or device, not a plain file";
        }
    }
    return {};
}

std::string lastwords() {
    const std::string after = files == 0 ? "before the first file" : "after " + lastfile;
    switch (outcome) {
    case writefailed:
        if (const std::string cause = blocker(); !cause.empty()) {
            return "write failure: " + cause + " in " + targetshown +
                   "; nothing is written through a link or into a special file, and the files " +
                   "written before it stay";
        }
        return "write failure: cannot write " +
               (files == 0 ? std::string("into") : lastfile + " in") + " " + targetshown +
               " (the disk may be full, or the file or its directory " +
               "cannot be made); the files written before it stay";
    case damaged:
        return "data error: the distribution in " + distshown + " is damaged (" + after +
               "); the files written before it stay";
    default:
        return "the copy ended unexpectedly";
    }
}

// What a clean must spare: the volumes in every place they are looked for,
// the floppy images there, and this program.
void guardset(const std::vector<fs::path>& where) {
    std::vector<std::string> volumedirs, keep;
    for (const fs::path& place : where) {
        volumedirs.push_back(place.string());
    }
    for (const fs::path& image : places->images()) {
        keep.push_back(image.string());
    }
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        keep.push_back(self.string());
    }
    guardclean(volumedirs, keep);
}

int extract(arguments& args) {
    const auto extra = args.values("--volumes");
    const bool verbose = args.flag("-v");
    const auto paths = args.positional(2);
    distshown = paths[0];
    targetshown = paths[1];
    std::vector<fs::path> where{fs::absolute(paths[0]).lexically_normal()};
    for (const auto& dir : extra) {
        where.push_back(fs::absolute(dir).lexically_normal());
    }
    places.emplace(where);
    guardset(where);
    interactive = ::isatty(STDIN_FILENO) == 1;
    console::start(verbose);
    watchsignals();

    readdistribution();
    preparetarget(paths[1]);
    const std::string product = console::printable(distribution.productname);
    console::note("Installing " + product + " into " + targetshown);
    rununpacker();
    if (outcome != installed) {
        leave(outcome, lastwords());
    }
    console::sayfinal("Installed " + product + ": " + std::to_string(files) + " files in " +
                      targetshown);
    leave(installed, "");
}

} // namespace

int extractcommand(int argc, char** argv) {
    return runcommand("extract", usage, argc, argv, extract);
}

} // namespace cell
