#pragma once
// A fresh directory for each test of the file layer, removed afterwards, and
// small helpers to look at files without going through the layer.
#include "platform/fileio.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace scratch {

namespace fs = std::filesystem;

class directory {
  public:
    directory() {
        std::random_device seed;
        root = fs::temp_directory_path() / ("cellfiles-" + std::to_string(seed()));
        fs::create_directories(root);
    }
    ~directory() {
        // Windows will not remove a read-only file.
        for (const auto& entry : fs::recursive_directory_iterator(root))
            platform::setattributes(entry.path().string().c_str(), platform::attrnormal);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    directory(const directory&) = delete;
    directory& operator=(const directory&) = delete;

    // A name for the file layer, levels joined with backslashes on every platform.
    std::string name(const std::string& relative) const { return root.string() + "\\" + relative; }
    // The same file for the standard library.
    fs::path path(const std::string& relative) const {
        std::string native = relative;
        for (char& c : native)
            if (c == '\\')
                c = '/';
        return root / fs::path(native).make_preferred();
    }
    void write(const std::string& relative, const std::string& text) const {
        std::ofstream(path(relative), std::ios::binary) << text;
    }
    std::string read(const std::string& relative) const {
        std::ifstream in(path(relative), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool exists(const std::string& relative) const { return fs::exists(path(relative)); }

    fs::path root;
};

// Works in another current directory for one scope.
class workingin {
  public:
    explicit workingin(const fs::path& place) : before(fs::current_path()) {
        fs::current_path(place);
    }
    ~workingin() { fs::current_path(before); }
    workingin(const workingin&) = delete;
    workingin& operator=(const workingin&) = delete;

  private:
    fs::path before;
};

} // namespace scratch
