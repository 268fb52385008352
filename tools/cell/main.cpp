// cell: builds, lists and checks distributions.
#include "extraction/decomp.h"
#include "tools/cell/commands.h"

#include <cstdio>
#include <cstring>

namespace {

struct subcommand {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

constexpr subcommand subcommands[] = {
    {"pack", cell::packcommand, "write a distribution from a directory tree"},
    {"list", cell::listcommand, "show the descriptor and the entries of a distribution"},
    {"test", cell::testcommand, "decode a distribution and check its structure"},
#ifdef CELL_EXTRACT
    {"extract", cell::extractcommand, "install a distribution into a directory"},
#endif
};

int usage(std::FILE* out) {
    std::fputs("usage: cell COMMAND [ARGUMENTS]  (cell COMMAND --help for more)\n"
               "       cell --version\n\n",
               out);
    for (const auto& command : subcommands)
        std::fprintf(out, "  %-8s %s\n", command.name, command.summary);
    return out == stdout ? 0 : 2;
}

} // namespace

// The installer's ring is paced by a floppy disk; cell reads from disks that
// keep up with the decoder, which larger buffers let run on for longer
// between hand-overs.
constexpr ringgeometry cellgeometry{4, 1 << 20};

int main(int argc, char** argv) {
    decompgeometry(cellgeometry);
    if (argc < 2)
        return usage(stderr);
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0)
        return usage(stdout);
    if (std::strcmp(argv[1], "--version") == 0) {
        std::puts("cell " CELL_VERSION);
        return 0;
    }
    for (const auto& command : subcommands)
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(argc - 1, argv + 1);
    std::fprintf(stderr, "cell: unknown command %s\n", argv[1]);
    return usage(stderr);
}
