#include "tools/cell/console.h"

#include <cstdio>
#include <mutex>
#include <sys/ioctl.h>
#include <unistd.h>

namespace cell::console {

namespace {

constexpr int barwidth = 20;

std::mutex guard;
bool terminal = false;
bool verbose = false;
bool lineopen = false; // a progress line is on the screen
bool closed = false;   // the last words were said
int columns = 80;
std::int32_t percent = 0;
std::string file;

void draw() {
    const int filled = percent * barwidth / 100;
    std::string line = "\r[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(barwidth - filled), '.') + "] ";
    char number[8];
    std::snprintf(number, sizeof number, "%3d%% ", static_cast<int>(percent));
    line += number;
    const std::size_t room = static_cast<std::size_t>(columns) - 1 - (line.size() - 1);
    line += file.size() <= room ? file : "..." + file.substr(file.size() - room + 3);
    line += "\x1b[K";
    std::fputs(line.c_str(), stderr);
    lineopen = true;
}

void endline() {
    if (lineopen) {
        std::fputc('\n', stderr);
        lineopen = false;
    }
}

} // namespace

void start(bool names) {
    std::lock_guard lock(guard);
    verbose = names;
    terminal = ::isatty(STDERR_FILENO) == 1;
    winsize size{};
    if (terminal && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col >= 40) {
        columns = size.ws_col;
    }
}

std::string printable(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '\\') {
            c = '/';
        } else if (code < 32 || code == 127) {
            c = '?';
        }
    }
    return out;
}

void showfile(std::string_view name) {
    std::lock_guard lock(guard);
    if (closed) {
        return;
    }
    file = printable(name);
    if (verbose) {
        endline();
        std::fprintf(stdout, "%s\n", file.c_str());
        std::fflush(stdout);
    }
    if (terminal) {
        draw();
    }
}

void showpercent(std::int32_t value) {
    std::lock_guard lock(guard);
    if (closed || value == percent) {
        return;
    }
    percent = value;
    if (terminal) {
        draw();
    }
}

void say(const std::string& text) {
    std::lock_guard lock(guard);
    endline();
    std::fprintf(stderr, "%s\n", text.c_str());
}

void note(const std::string& text) {
    if (terminal) {
        say(text);
    }
}

void sayfinal(const std::string& text) {
    std::lock_guard lock(guard);
    endline();
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    closed = true;
}

} // namespace cell::console
