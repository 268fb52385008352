#pragma once
// Reads a distribution the way the installer does: every volume decoded
// through the decoder ring in turn, the descriptor first, then the entries up
// to the total. Whatever keeps the stream from being read to its total throws
// unsound, with the reason. The ring is one per process: one reader at a time.
#include "tools/cell/entries.h"
#include "tools/cell/places.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/types.h"

namespace cell {

struct unsound : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct descriptorinfo {
    std::string product, proposal;
    std::uint64_t total = 0;
    std::uint64_t length = 0; // decoded bytes the descriptor takes
};

class distreader {
  public:
    // Reads the descriptor; the volumes come from a directory or an image, or
    // a directory of images.
    explicit distreader(const std::filesystem::path& where);
    distreader(const distreader&) = delete;
    distreader& operator=(const distreader&) = delete;

    const descriptorinfo& descriptor() const { return descriptor_; }
    // The next entry's fields, after passing over the data of the one before;
    // false once the total is reached.
    bool next(entryinfo& entry);
    // Up to n bytes of the current entry's data; 0 once all of it was taken.
    std::size_t data(unsigned char* destination, std::size_t n);
    // After the last entry: nothing may follow the total, neither bytes in the
    // last volume nor a further volume.
    void finish();
    std::uint32_t volumes() const { return volume_ + 1; }

  private:
    void open();
    void read(unsigned char* destination, std::uint64_t n);
    std::string text(std::size_t limit, const char* what);
    void skip(std::uint64_t n);
    std::uint64_t left() const { return descriptor_.total - position_; }
    std::string where() const;

    // The open volume and the running ring, released however the reader ends.
    struct session {
        platform::handle file = -1;
        bool started = false;
        session() = default;
        session(const session&) = delete;
        session& operator=(const session&) = delete;
        ~session();
        void start(); // the ring on file
        void close(); // the file
    };

    volumeplaces places_;
    std::string shown_; // where the open volume came from
    session session_;
    std::uint32_t volume_ = 0;
    std::uint64_t position_ = 0; // decoded bytes taken
    std::uint64_t pending_ = 0;  // data of the current entry not yet taken
    descriptorinfo descriptor_;
    std::vector<unsigned char> scratch_;
};

} // namespace cell
