// cell test's verdicts on damaged and ill-formed distributions, and cell list.
#include "tests/cell/tree.h"

#include <gtest/gtest.h>

namespace {

using namespace celltest;

bytes descriptor(std::uint64_t extra) {
    const auto length = cell::descriptorlength("Widget", "C:\\W");
    return cell::descriptorbytes("Widget", "C:\\W", length + extra);
}

bytes withentries(const std::vector<std::pair<std::string, bytes>>& files,
                  std::uint64_t shortfall = 0) {
    bytes tail;
    for (const auto& [name, data] : files) {
        cell::entryinfo entry;
        entry.name = name;
        entry.size = data.size();
        const auto head = cell::entryhead(entry);
        tail.insert(tail.end(), head.begin(), head.end());
        tail.insert(tail.end(), data.begin(), data.end());
    }
    auto stream = descriptor(tail.size() - shortfall);
    stream.insert(stream.end(), tail.begin(), tail.end());
    return stream;
}

// Status and the reason cell test gives for a distribution in dist.
std::pair<int, std::string> verdict(const fs::path& dist) {
    std::string errors;
    const int status = runcell({"test", dist.string()}, &errors);
    return {status, errors};
}

void expectunsound(const fs::path& dist, const std::string& reason) {
    const auto [status, errors] = verdict(dist);
    EXPECT_EQ(status, 1) << reason;
    EXPECT_NE(errors.find(reason), std::string::npos) << errors;
}

TEST(Verdict, RefusesNamesTheInstallerMustNotWrite) {
    const std::pair<std::string, std::string> cases[] = {
        {"\\..\\outside.txt", "\"..\""},
        {"relative.txt", "backslash"},
        {"\\" + std::string(201, 'x'), "200"},
    };
    for (const auto& [name, reason] : cases) {
        scratch dir;
        writestream(dir.path(), withentries({{"\\fine.txt", {1}}, {name, {2, 3}}}));
        expectunsound(dir.path(), reason);
    }
}

TEST(Verdict, RefusesNamesThatLandOnOneFile) {
    const std::vector<std::pair<std::string, bytes>> cases[] = {
        {{"\\Read.me", {}}, {"\\READ.ME", {}}},
        {{"\\a", {}}, {"\\A\\b", {}}},
        {{"\\a\\b", {}}, {"\\a", {}}},
    };
    for (const auto& files : cases) {
        scratch dir;
        writestream(dir.path(), withentries(files));
        EXPECT_EQ(verdict(dir.path()).first, 1) << files[1].first;
    }
}

TEST(Verdict, MeasuresTheStreamAgainstTheTotal) {
    {
        scratch dir; // the total promises more than the volumes hold
        writestream(dir.path(), descriptor(100));
        expectunsound(dir.path(), "CELL.1 is missing");
    }
    {
        scratch dir; // bytes after the total
        auto stream = withentries({{"\\a.txt", {1, 2, 3}}});
        stream.insert(stream.end(), {9, 9});
        writestream(dir.path(), stream);
        expectunsound(dir.path(), "follow the total");
    }
    {
        scratch dir; // an entry whose data runs past the total
        writestream(dir.path(), withentries({{"\\a.txt", bytes(50, 1)}}, 10));
        expectunsound(dir.path(), "runs past the total");
    }
    {
        scratch dir; // a descriptor whose total does not cover itself
        writestream(dir.path(), cell::descriptorbytes("Widget", "C:\\W", 5));
        expectunsound(dir.path(), "descriptor");
    }
    {
        scratch dir; // a descriptor that does not end in CELL.0
        writestream(dir.path(), withentries({{"\\a.txt", {1}}}), 20);
        expectunsound(dir.path(), "descriptor: runs past");
    }
    {
        scratch dir; // a product name without its 0 in reach
        writestream(dir.path(), bytes(300, 'n'));
        expectunsound(dir.path(), "product name");
    }
}

TEST(Verdict, NoticesMissingStrayAndDamagedVolumes) {
    scratch dir;
    writefile(dir / "source" / "a.txt", randombytes(20000, 5));
    ASSERT_EQ(pack(dir / "source", dir / "out", "5000"), 0);
    const auto count = volumes(dir / "out").size();
    ASSERT_GT(count, 3u);
    ASSERT_EQ(verdict(dir / "out").first, 0);

    const auto stray = "CELL." + std::to_string(count);
    fs::copy_file(dir / "out" / "CELL.0", dir / "out" / stray);
    expectunsound(dir / "out", stray + " follows the last volume");
    fs::remove(dir / "out" / stray);

    fs::rename(dir / "out" / "CELL.2", dir / "out" / "kept");
    expectunsound(dir / "out", "CELL.2 is missing");
    fs::rename(dir / "out" / "kept", dir / "out" / "CELL.2");

    // A block's first code above 255 names an entry the block has not defined.
    auto first = readfile(dir / "out" / "CELL.0");
    first[1] = 0xF0;
    first[2] = 0xFF;
    writefile(dir / "out" / "CELL.0", first);
    expectunsound(dir / "out", "damaged");

    // A volume that ends one byte into a pair of codes.
    scratch cut;
    ASSERT_EQ(pack(dir / "source", cut.path(), "5000"), 0);
    auto middle = readfile(cut / "CELL.1");
    middle.pop_back();
    writefile(cut / "CELL.1", middle);
    EXPECT_EQ(verdict(cut.path()).first, 1);
}

TEST(List, ShowsTheDescriptorAndEveryEntry) {
    scratch dir;
    writefile(dir / "source" / "docs" / "read me.txt", textbytes(1234));
    writefile(dir / "source" / "empty.txt", {});
    ASSERT_EQ(pack(dir / "source", dir / "out", "1001"), 0);
    std::string text, json;
    ASSERT_EQ(runcell({"list", (dir / "out").string()}, nullptr, &text), 0);
    EXPECT_NE(text.find("Widget"), std::string::npos) << text;
    EXPECT_NE(text.find("C:\\APPS\\WIDGET"), std::string::npos) << text;
    EXPECT_NE(text.find("1234  ---A  2001-09-09 01:46:40  \\docs\\read me.txt"), std::string::npos)
        << text;
    ASSERT_EQ(runcell({"list", (dir / "out").string(), "--json"}, nullptr, &json), 0);
    EXPECT_NE(json.find("\"name\": \"\\\\docs\\\\read me.txt\", \"size\": 1234"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"proposal\": \"C:\\\\APPS\\\\WIDGET\""), std::string::npos) << json;
    EXPECT_EQ(runcell({"list", (dir / "missing").string()}), 1);
}

} // namespace
