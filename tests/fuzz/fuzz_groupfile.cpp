// Arbitrary group files. Each input is written as setup.000 into a scratch
// target directory and built into its two command blocks. The blocks must be
// as long as the first pass said, differ only in their last command, and hold
// nothing but whole Program Manager commands: a value may not close its
// command early or open one of its own.
#include "installer/groupfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_groupfile: %s\n", what);
        std::abort();
    }
}

// The commas each command has between its arguments, or -1 for none known.
int commasof(std::string_view command) {
    const std::pair<std::string_view, int> commands[] = {
        {"[CreateGroup(", 1}, {"[AddItem(", 6}, {"[ShowGroup(", 2}, {"[ExitProgman(", 0}};
    for (const auto& [name, commas] : commands)
        if (command.starts_with(name))
            return commas;
    return -1;
}

// Splits the block into commands: "[" to the first "]" outside quotes. Outside
// quotes a command holds no "[", one "(" and one ")" and the commas between
// its arguments, so no value ended early; quotes come in pairs.
void checkcommands(std::string_view block, std::string_view last) {
    require(block.ends_with(last), "block does not end with its ExitProgman");
    std::size_t at = 0;
    while (at < block.size()) {
        require(block[at] == '[', "text between commands");
        bool quoted = false;
        int commas = 0, opens = 0, closes = 0;
        std::size_t end = at + 1;
        for (; end < block.size() && (quoted || block[end] != ']'); ++end) {
            const char c = block[end];
            quoted = quoted != (c == '"');
            if (quoted || c == '"')
                continue;
            require(c != '[', "bracket inside a command");
            commas += c == ',';
            opens += c == '(';
            closes += c == ')';
        }
        require(end < block.size(), "command without its closing bracket");
        const std::string_view command = block.substr(at, end + 1 - at);
        require(commasof(command) >= 0, "unknown command");
        require(commas == commasof(command) && opens == 1 && closes == 1,
                "an argument ended early");
        require(command.ends_with(")]"), "text after the arguments");
        at = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path root =
        fs::temp_directory_path() / ("fuzz-groupfile-" + std::to_string(::getpid()));
    static const std::string target = root.string();
    fs::create_directories(root);
    std::ofstream(root / "setup.000", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    const auto length = static_cast<std::int32_t>(target.size());
    std::int32_t ok = 0, size1 = 0, size2 = 0;
    opengroupfile(target.c_str(), length, ok);
    require(ok == 1, "group file did not open");
    sizecommands(target.c_str(), length, size1, size2);
    require(size1 == size2, "blocks of different sizes");
    if (size1 == 0) { // refused as too large
        closegroupfile();
        return 0;
    }
    std::vector<char> one(static_cast<std::size_t>(size1)), two(one.size());
    buildcommands(target.c_str(), length, one.data(), two.data(), size1, ok);
    closegroupfile();
    require(ok == 1, "second pass did not fit the first");
    const std::string_view first(one.data()), second(two.data());
    require(first.size() + 1 == one.size(), "first block shorter than sized");
    require(second.size() + 1 == two.size(), "second block shorter than sized");
    const std::string_view exit1 = "[ExitProgman(1)]", exit2 = "[ExitProgman(0)]";
    require(first.substr(0, first.size() - exit1.size()) ==
                second.substr(0, second.size() - exit2.size()),
            "blocks differ before their last command");
    checkcommands(first, exit1);
    checkcommands(second, exit2);
    return 0;
}
