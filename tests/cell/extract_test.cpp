// cell extract end to end: the program run as a user runs it, on
// distributions made by cell pack, with standard input a file or a terminal.
#include "tests/cell/tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <map>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace celltest;

constexpr int writefailure = 3, damaged = 4, missing = 5, cancelled = 6;

std::vector<char*> argv(std::vector<std::string>& items) {
    std::vector<char*> out;
    for (auto& item : items) {
        out.push_back(item.data());
    }
    out.push_back(nullptr);
    return out;
}

[[noreturn]] void runextract(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {CELL_PROGRAM, "extract"});
    auto items = argv(arguments);
    ::execv(CELL_PROGRAM, items.data());
    ::_exit(127);
}

int exitstatus(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct finished {
    int status;
    std::string errors;
};

// Runs cell extract with no terminal: standard input is empty, standard
// output goes to the file named.
finished extract(const std::vector<std::string>& arguments, const fs::path& output = "/dev/null") {
    int pipeends[2];
    EXPECT_EQ(::pipe(pipeends), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(::open("/dev/null", O_RDONLY), STDIN_FILENO);
        ::dup2(::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::dup2(pipeends[1], STDERR_FILENO);
        ::close(pipeends[0]);
        runextract(arguments);
    }
    ::close(pipeends[1]);
    std::string errors;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeends[0], buffer, sizeof buffer)) > 0;) {
        errors.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeends[0]);
    return {exitstatus(child), errors};
}

// cell extract on a terminal of its own, which the test reads and types on.
class terminal {
  public:
    explicit terminal(const std::vector<std::string>& arguments) {
        child = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (child == 0) {
            runextract(arguments);
        }
    }
    ~terminal() {
        if (child > 0) {
            ::kill(child, SIGKILL);
            exitstatus(child);
        }
        ::close(master);
    }
    terminal(const terminal&) = delete;
    terminal& operator=(const terminal&) = delete;

    // Reads the screen until text appears on it after what was seen so far;
    // false when the program ends first (or a minute passes without it).
    bool waitfor(const std::string& text) {
        const std::size_t from = seen;
        for (int tries = 0; tries < 600; ++tries) {
            const auto at = screen.find(text, from);
            if (at != std::string::npos) {
                seen = at + text.size();
                return true;
            }
            if (!readsome(100)) {
                return false;
            }
        }
        return false;
    }
    void type(const std::string& keys) {
        EXPECT_EQ(::write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    int status() {
        while (readsome(1000)) {
        }
        const int result = exitstatus(child);
        child = 0;
        return result;
    }
    std::string screen;

  private:
    // False once the program has closed its terminal.
    bool readsome(int milliseconds) {
        pollfd item{master, POLLIN, 0};
        if (::poll(&item, 1, milliseconds) <= 0) {
            return true;
        }
        char buffer[4096];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        screen.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    int master = -1;
    pid_t child = 0;
    std::size_t seen = 0;
};

// Every file under root by its relative path, with its content.
std::map<std::string, bytes> contents(const fs::path& root) {
    std::map<std::string, bytes> found;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (item.is_regular_file()) {
            found[fs::relative(item.path(), root).generic_string()] = readfile(item.path());
        }
    }
    return found;
}

class CellExtract : public ::testing::Test {
  protected:
    void SetUp() override {
        source = dir / "source";
        writefile(source / "readme.txt", textbytes(3000));
        writefile(source / "bin" / "tool.bin", randombytes(9000, 1));
        writefile(source / "data" / "empty.txt", {});
        writefile(source / "data" / "sub" / "deep.txt", textbytes(700));
        writefile(source / "zzz.dat", randombytes(4000, 2));
        ASSERT_EQ(pack(source, dir / "dist", "3000"), 0);
        ASSERT_GE(volumes(dir / "dist").size(), 5u);
    }
    std::string dist() const { return (dir / "dist").string(); }
    void move(const std::string& volume, const fs::path& to) {
        fs::create_directories(to);
        fs::rename(dir / "dist" / volume, to / volume);
    }

    scratch dir;
    fs::path source;
};

// Off a terminal only the last line is said; -v lists the files on
// standard output.
TEST_F(CellExtract, InstallsEveryFileFromSeveralVolumes) {
    auto run = extract({dist(), (dir / "out").string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(contents(dir / "out"), contents(source));
    EXPECT_EQ(run.errors, "Installed Widget: 5 files in " + (dir / "out").string() + "\n");

    run = extract({dist(), (dir / "out").string(), "-v"}, dir / "names.txt");
    EXPECT_EQ(run.status, 0) << run.errors;
    const auto names = readfile(dir / "names.txt");
    EXPECT_NE(std::string(names.begin(), names.end()).find("bin/tool.bin\n"), std::string::npos);
    EXPECT_EQ(run.errors.find("tool.bin"), std::string::npos) << run.errors;
}

TEST_F(CellExtract, LaterVolumesAreLookedForInTheVolumesDirectories) {
    move("CELL.1", dir / "a");
    move("CELL.3", dir / "b");
    auto run = extract({dist(), (dir / "out").string()});
    EXPECT_EQ(run.status, missing);
    EXPECT_NE(run.errors.find("volume CELL.1 is missing (looked in " + dist()), std::string::npos)
        << run.errors;

    run = extract({dist(), (dir / "out").string(), "--volumes", (dir / "a").string(),
                   "--volumes=" + (dir / "b").string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(contents(dir / "out"), contents(source));
}

// The installer reads the descriptor from CELL.0 alone ("Widget" and
// "C:\APPS\WIDGET": 30 bytes, so 30 codes in 45 bytes): cell pack refuses
// volumes too small for it, and the smallest it accepts install.
TEST_F(CellExtract, TheSmallestVolumesPackAcceptsInstall) {
    std::string errors;
    EXPECT_EQ(pack(source, dir / "tiny", "44", {}, &errors), 2);
    EXPECT_NE(errors.find("45 bytes"), std::string::npos) << errors;
    ASSERT_EQ(pack(source, dir / "small", "45"), 0);
    const auto run = extract({(dir / "small").string(), (dir / "out").string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(contents(dir / "out"), contents(source));
}

TEST_F(CellExtract, TargetsLongerThanTheInstallersBufferAreInstalledInto) {
    const fs::path target =
        dir / std::string(70, 'a') / std::string(70, 'b') / std::string(70, 'c') / "target";
    const auto run = extract({dist(), target.string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(contents(target), contents(source));
}

TEST_F(CellExtract, EachFailureHasItsOwnStatusAndSaysWhatHappened) {
    writefile(dir / "blocked" / "data", {}); // a file where a directory must go
    auto run = extract({dist(), (dir / "blocked").string()});
    EXPECT_EQ(run.status, writefailure);
    EXPECT_NE(run.errors.find("write failure"), std::string::npos) << run.errors;
    EXPECT_EQ(readfile(dir / "blocked" / "bin" / "tool.bin"),
              readfile(source / "bin" / "tool.bin"));

    run = extract({(dir / "nowhere").string(), (dir / "out").string()});
    EXPECT_EQ(run.status, missing);
    EXPECT_NE(run.errors.find("CELL.0 was not found"), std::string::npos) << run.errors;

    auto volume = readfile(dir / "dist" / "CELL.2");
    std::fill(volume.begin() + 10, volume.begin() + 40, 0xFF); // codes no dictionary holds
    writefile(dir / "dist" / "CELL.2", volume);
    run = extract({dist(), (dir / "out").string()});
    EXPECT_EQ(run.status, damaged);
    EXPECT_NE(run.errors.find("is damaged"), std::string::npos) << run.errors;

    auto head = readfile(dir / "dist" / "CELL.0");
    head.resize(9); // the descriptor breaks off
    writefile(dir / "short" / "CELL.0", head);
    run = extract({(dir / "short").string(), (dir / "out2").string()});
    EXPECT_EQ(run.status, damaged);
    EXPECT_FALSE(fs::exists(dir / "out2"));

    EXPECT_EQ(extract({dist()}).status, 2);
}

// A link or a special file met in the target, and what becomes of it: a link
// where a directory goes and a special file where a file goes are write
// failures that name them, a link where a file goes is replaced by the file,
// and the target itself may be a link. Nothing outside is written or deleted.
TEST_F(CellExtract, NothingIsWrittenThroughALinkNorOpenedThatIsNoFile) {
    struct row {
        const char* what;
        std::function<void(const fs::path& out, const fs::path& outside)> lay;
        int status;
        const char* named; // in the message of a failure
    };
    const row rows[] = {
        {"directory link",
         [](auto& out, auto& outside) { fs::create_directory_symlink(outside, out / "bin"); },
         writefailure, "bin is a symbolic link"},
        {"deeper directory link",
         [](auto& out, auto& outside) {
             fs::create_directories(out / "data");
             fs::create_directory_symlink(outside, out / "data" / "sub");
         },
         writefailure, "data/sub is a symbolic link"},
        {"file link",
         [](auto& out, auto& outside) {
             fs::create_symlink(outside / "victim", out / "readme.txt");
         },
         0, ""},
        {"fifo", [](auto& out, auto&) { ASSERT_EQ(::mkfifo((out / "zzz.dat").c_str(), 0666), 0); },
         writefailure, "zzz.dat is a pipe, socket or device"},
        {"target link",
         [](auto& out, auto&) {
             fs::create_directories(out.parent_path() / "real");
             fs::remove(out);
             fs::create_directory_symlink(out.parent_path() / "real", out);
         },
         0, ""},
    };
    for (const row& r : rows) {
        const fs::path out = dir / r.what / "out", outside = dir / r.what / "outside";
        fs::create_directories(out);
        writefile(outside / "victim", textbytes(10));
        r.lay(out, outside);
        const auto run = extract({dist(), out.string()});
        EXPECT_EQ(run.status, r.status) << r.what << ": " << run.errors;
        EXPECT_NE(run.errors.find(r.named), std::string::npos) << r.what << ": " << run.errors;
        EXPECT_TRUE(contents(outside) == (std::map<std::string, bytes>{{"victim", textbytes(10)}}))
            << r.what;
        if (r.status == 0) {
            EXPECT_TRUE(contents(out) == contents(source)) << r.what;
            EXPECT_FALSE(fs::is_symlink(out / "readme.txt")) << r.what;
        }
    }
}

// A set packed with a clean of its top, extracted into its own directory or
// into one that holds later volumes: the clean spares the set's volumes (and
// cell itself), so that every disk is still there when it is needed.
TEST_F(CellExtract, ACleanNeverDeletesTheSetsOwnVolumes) {
    ASSERT_EQ(pack(source, dir / "set", "3000", {"--clean", "\\"}), 0);
    const auto before = volumes(dir / "set");
    writefile(dir / "set" / "old.txt", textbytes(5));
    auto run = extract({(dir / "set").string(), (dir / "set").string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(volumes(dir / "set"), before);
    EXPECT_FALSE(fs::exists(dir / "set" / "old.txt"));
    EXPECT_EQ(readfile(dir / "set" / "zzz.dat"), readfile(source / "zzz.dat"));

    fs::create_directories(dir / "later");
    fs::rename(dir / "set" / "CELL.3", dir / "later" / "CELL.3");
    fs::rename(dir / "set" / "CELL.4", dir / "later" / "CELL.4");
    run = extract(
        {(dir / "set").string(), (dir / "later").string(), "--volumes", (dir / "later").string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(fs::exists(dir / "later" / "CELL.3"));
    EXPECT_TRUE(fs::exists(dir / "later" / "CELL.4"));

    // A set of floppy images keeps its images as well.
    ASSERT_EQ(
        pack(source, dir / "images", "3000", {"--images", "--format", "360K", "--clean", "\\"}), 0);
    ASSERT_TRUE(fs::exists(dir / "images" / "DISK4.IMG"));
    run = extract({(dir / "images").string(), (dir / "images").string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(fs::exists(dir / "images" / "SETUP.IMG"));
    EXPECT_TRUE(fs::exists(dir / "images" / "DISK4.IMG"));
}

TEST_F(CellExtract, OnATerminalItAsksForTheDiskAndLooksAgainOnEnter) {
    move("CELL.2", dir / "away");
    terminal session({dist(), (dir / "out").string()});
    ASSERT_TRUE(session.waitfor("Insert DISK 2 holding CELL.2")) << session.screen;
    session.type("\n"); // not there yet: asked again
    ASSERT_TRUE(session.waitfor("Insert DISK 2 holding CELL.2")) << session.screen;
    fs::rename(dir / "away" / "CELL.2", dir / "dist" / "CELL.2");
    session.type("\n");
    EXPECT_EQ(session.status(), 0) << session.screen;
    EXPECT_EQ(contents(dir / "out"), contents(source));
    EXPECT_NE(session.screen.find("100%"), std::string::npos);
}

TEST_F(CellExtract, CtrlCStopsAndSaysTheWrittenFilesStay) {
    move("CELL.3", dir / "away");
    terminal session({dist(), (dir / "out").string()});
    ASSERT_TRUE(session.waitfor("Insert DISK 3 holding CELL.3")) << session.screen;
    session.type("\x03");
    EXPECT_EQ(session.status(), cancelled) << session.screen;
    EXPECT_NE(session.screen.find("cancelled; the files already written stay in " +
                                  (dir / "out").string()),
              std::string::npos)
        << session.screen;
}

} // namespace
