// What cell pack refuses, and that a refused pack writes nothing and leaves an
// earlier set as it was.
#include "tests/cell/tree.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace celltest;

struct earlierset {
    scratch dir;
    fs::path source = dir / "source", out = dir / "out";
    std::vector<bytes> before;

    earlierset() {
        writefile(source / "good.txt", textbytes(3000));
        EXPECT_EQ(pack(source, out, "1001"), 0);
        for (const auto& volume : volumes(out))
            before.push_back(readfile(volume));
    }

    // The earlier set is still there, byte for byte, and nothing else is.
    void expectuntouched() const {
        std::size_t count = 0;
        for (const auto& item : fs::directory_iterator(out)) {
            const auto name = item.path().filename().string();
            ASSERT_TRUE(name.starts_with("CELL.")) << name;
            ++count;
        }
        const auto after = volumes(out);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(count, before.size());
        for (std::size_t i = 0; i < after.size(); ++i)
            EXPECT_TRUE(readfile(after[i]) == before[i]);
    }
};

// Creates dir/name unless the platform itself cannot hold the name.
bool makefile(const fs::path& dir, const std::string& name) {
    writefile(dir / name, textbytes(10));
    std::error_code error;
    for (const auto& item : fs::directory_iterator(dir, error))
        if (item.path().filename().string() == name)
            return true;
    return false;
}

TEST(Refusal, NamesWindowsCannotHoldOrTheFormatCannotCarry) {
    std::vector<std::string> names{"..clean", std::string(201, 'n')};
#ifndef _WIN32 // Windows itself refuses these
    names.insert(names.end(), {"a:b.txt", "tab\tname", "what?", "con.txt", "dot.", "blank "});
#endif
    for (const auto& name : names) {
        earlierset set;
        if (!makefile(set.source / "sub", name))
            continue; // too long a path for this platform
        std::string errors;
        EXPECT_EQ(pack(set.source, set.out, "1001", {}, &errors), 1) << name;
        EXPECT_NE(errors.find(name), std::string::npos) << errors;
        set.expectuntouched();
    }
}

TEST(Refusal, NamesOverTwoHundredCharactersAndCaseTwins) {
    {
        earlierset set;
        // \ + 99 + \ + 100 = 201 characters: each level alone is fine.
        if (makefile(set.source / std::string(99, 'd'), std::string(100, 'f'))) {
            std::string errors;
            EXPECT_EQ(runcell({"pack", set.source.string(), set.out.string(), "--name", "W",
                               "--dir", "\\W"},
                              &errors),
                      1);
            EXPECT_NE(errors.find("200"), std::string::npos) << errors;
            set.expectuntouched();
        }
    }
    {
        earlierset set;
        if (makefile(set.source, "Read.me") && makefile(set.source, "READ.ME")) {
            std::string errors;
            EXPECT_EQ(runcell({"pack", set.source.string(), set.out.string(), "--name", "W",
                               "--dir", "\\W"},
                              &errors),
                      1);
            EXPECT_NE(errors.find("READ.ME"), std::string::npos) << errors;
            set.expectuntouched();
        }
    }
}

TEST(Refusal, BadDescriptorsAndPlacesWriteNothing) {
    earlierset set;
    const auto src = set.source.string(), out = set.out.string();
    const std::vector<std::vector<std::string>> cases{
        {"pack", src, out, "--name", std::string(56, 'n'), "--dir", "\\W"},
        {"pack", src, out, "--name", "W", "--dir", "NOBACKSLASH"},
        {"pack", src, out, "--name", "W", "--dir", "C:\\" + std::string(61, 'p')},
        {"pack", src, out, "--name", "W"},
        {"pack", src, out, "--name", "W", "--dir", "\\W", "--volume-size", "1"},
        {"pack", src, out, "--name", "W", "--dir", "\\W", "--volume-size", "2K"},
        {"pack", src, out, "--name", "W", "--dir", "\\W", "--time", "soon"},
        {"pack", src, out, "--name", "W", "--dir", "\\W", "--bogus"},
        {"pack", src, "--name", "W", "--dir", "\\W"},
        {"pack", (set.dir / "missing").string(), out, "--name", "W", "--dir", "\\W"},
        {"pack", src, (set.source / "inside").string(), "--name", "W", "--dir", "\\W"},
    };
    for (const auto& args : cases) {
        std::string errors;
        EXPECT_NE(runcell(args, &errors), 0) << args.back();
        EXPECT_FALSE(errors.empty());
        set.expectuntouched();
    }
    EXPECT_FALSE(fs::exists(set.source / "inside"));
}

#ifndef _WIN32
TEST(Refusal, SkipsLinksAndSpecialFilesWithAWarning) {
    scratch dir;
    writefile(dir / "source" / "real.txt", textbytes(100));
    fs::create_symlink("real.txt", dir / "source" / "link.txt");
    fs::create_directory_symlink("/", dir / "source" / "root");
    ASSERT_EQ(mkfifo((dir / "source" / "pipe").c_str(), 0600), 0);
    std::string errors;
    ASSERT_EQ(runcell({"pack", (dir / "source").string(), (dir / "out").string(), "--name", "W",
                       "--dir", "\\W"},
                      &errors),
              0);
    for (const char* name : {"link.txt", "root", "pipe"})
        EXPECT_NE(errors.find(name), std::string::npos) << errors;
    const auto got = unpack(dir / "out");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].entry.name, "\\real.txt");
}
#endif

} // namespace
