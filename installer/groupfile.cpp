#include "installer/groupfile.h"

#include "platform/fileio.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

constexpr std::int32_t linewidth = 128;
constexpr std::int32_t valuesize = 80;
constexpr std::int32_t pathsize = 260; // a path and its 0
constexpr std::uint32_t readsize = 4096;
constexpr std::string_view groupname = "\\setup.000";

// The open group file and the name it was opened by, so that each pass can
// start again from the beginning.
platform::handle groupfile = 0;
char grouppath[pathsize] = {};

using line = std::array<char, linewidth>;

// Lines of a file, read in blocks.
class linereader {
  public:
    explicit linereader(platform::handle file) : file_(file) {}

    // The next line, blank-filled to its 128 characters; false at the end of
    // the file or after a read error.
    bool next(line& text) {
        text.fill(' ');
        std::int32_t raw = 0; // characters before the LF, counted up to one past the width
        bool any = false;
        char c = 0;
        while (fetch(c)) {
            any = true;
            if (c == '\n')
                break;
            if (raw < linewidth)
                text[raw] = c;
            raw = std::min(raw + 1, linewidth + 1);
        }
        if (raw > 0 && raw <= linewidth && text[raw - 1] == '\r')
            text[raw - 1] = ' ';
        return any;
    }

  private:
    bool fetch(char& c) {
        if (at_ == got_) {
            at_ = 0;
            if (ended_ || !platform::readfile(file_, buffer_.data(), readsize, got_) || got_ == 0) {
                ended_ = true;
                got_ = 0;
                return false;
            }
        }
        c = buffer_[at_++];
        return true;
    }

    platform::handle file_;
    std::array<char, readsize> buffer_{};
    std::uint32_t at_ = 0, got_ = 0;
    bool ended_ = false;
};

// A value of the group file: at most 80 characters, without trailing blanks.
struct value {
    std::array<char, valuesize> text{};
    std::int32_t length = 0;

    std::string_view view() const { return {text.data(), static_cast<std::size_t>(length)}; }

    // Takes the characters from index from to the last non-blank of the line.
    void take(const line& source, std::int32_t from) {
        std::int32_t end = linewidth;
        while (end > from && source[end - 1] == ' ')
            --end;
        length = std::max(0, std::min(end - from, valuesize));
        std::copy_n(source.begin() + from, length, text.begin());
        while (length > 0 && text[length - 1] == ' ')
            --length;
    }
};

enum class kind { none, group, item };

struct record {
    kind current = kind::none;
    value group, command, directory, name;
};

// The two command texts being built. Without blocks only the lengths are
// counted; with them the characters are written while they fit, keeping room
// for the 0.
class commandtext {
  public:
    commandtext(char* block1, char* block2, std::int32_t size)
        : blocks_{block1, block2}, size_(size) {}

    bool overlimit() const { return length_ > commandlimit; }

    void put(std::string_view text) {
        for (char c : text)
            putchar(c);
    }

    // A value between quotes: only a quote could end it early (and a 0 would
    // end the block), so only those are left out.
    void putvalue(std::string_view text) {
        for (char c : text)
            if (c != '"' && c != 0)
                putchar(c);
    }

    // A value outside quotes, the "+" command: brackets, commas and
    // parentheses would end the argument or the command and are left out,
    // except inside a quoted run, which is kept whole; a quote that opens no
    // closed run is left out too.
    void putunquoted(std::string_view text) {
        for (std::size_t at = 0; at < text.size(); ++at) {
            const char c = text[at];
            if (c == '"') {
                const std::size_t close = text.find('"', at + 1);
                if (close != std::string_view::npos) {
                    put("\"");
                    putvalue(text.substr(at + 1, close - at - 1));
                    put("\"");
                    at = close;
                }
            } else if (std::string_view("[](),").find(c) == std::string_view::npos && c != 0) {
                putchar(c);
            }
        }
    }

    // The target directory: taken as the user gave it, but never with a quote.
    void puttarget(std::string_view text) {
        for (char c : text)
            if (c != '"')
                putchar(c);
    }

    // Ends block 1 with ending1 and block 2 with ending2 (of the same length),
    // each followed by its 0; true when both texts fitted.
    bool finish(std::string_view ending1, std::string_view ending2) {
        const std::int64_t common = length_;
        putending(ending1, 0);
        length_ = common;
        putending(ending2, 1);
        ++length_; // the 0
        for (char* block : blocks_)
            if (block != nullptr && size_ > 0)
                block[std::min<std::int64_t>(length_, size_) - 1] = 0;
        return length_ <= size_;
    }

    std::int64_t size() const { return length_; }

  private:
    void putchar(char c) {
        for (char* block : blocks_)
            writeat(block, c);
        ++length_;
    }

    void putending(std::string_view text, std::size_t which) {
        for (char c : text) {
            writeat(blocks_[which], c);
            ++length_;
        }
    }

    void writeat(char* block, char c) {
        if (block != nullptr && length_ < size_ - 1)
            block[length_] = c;
    }

    std::array<char*, 2> blocks_;
    std::int64_t size_;
    std::int64_t length_ = 0;
};

void emit(const record& r, std::string_view target, commandtext& out) {
    if (r.current == kind::group) {
        out.put("[CreateGroup(\"");
        out.putvalue(r.group.view());
        out.put("\",0)]");
    } else if (r.current == kind::item) {
        const std::string_view command = r.command.view();
        out.put("[AddItem(");
        if (command.starts_with('+')) {
            out.putunquoted(command.substr(1));
        } else {
            out.put("\"");
            out.puttarget(target);
            out.putvalue(command);
            out.put("\"");
        }
        out.put(",\"");
        out.putvalue(r.name.view());
        out.put("\", , , , ,\"");
        out.puttarget(target);
        out.putvalue(r.directory.view());
        out.put("\")]");
    }
}

bool blank(const line& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

// A tag line: its closing bracket's 1-based position says which value it
// sets; the value starts after the one separator that follows the bracket.
void readtag(const line& text, record& r) {
    const auto close = std::find(text.begin() + 1, text.end(), ']');
    const auto position = static_cast<std::int32_t>(close - text.begin()) + 1;
    const std::int32_t from = position + 1;
    switch (position) {
    case 8:
        r.group.take(text, from);
        r.current = kind::group;
        break;
    case 5:
        r.command.take(text, from);
        r.current = kind::item;
        break;
    case 7:
        r.directory.take(text, from);
        r.current = kind::item;
        break;
    case 10:
        r.name.take(text, from);
        r.current = kind::item;
        break;
    default: // another tag, or none closed within the line: the kind stays
        break;
    }
}

void readline(const line& text, std::string_view target, record& r, commandtext& out) {
    if (blank(text))
        emit(r, target, out);
    else if (text[0] != '[')
        r.current = kind::none;
    else
        readtag(text, r);
}

// The target directory up to its first 0, at most length characters.
std::string_view targettext(const char* target, std::int32_t length) {
    const auto most = static_cast<std::size_t>(std::clamp(length, 0, pathsize - 1));
    return {target, static_cast<std::size_t>(std::find(target, target + most, 0) - target)};
}

// Opens the group file again at its start.
bool reopen() {
    if (groupfile > 0)
        platform::closefile(groupfile);
    groupfile = platform::openfile(grouppath, platform::genericread, platform::shareread,
                                   platform::openexisting, platform::attrnormal);
    return groupfile > 0;
}

// One pass over the whole group file; false when no file could be read or
// the text grew past the limit.
bool build(const char* target, std::int32_t length, commandtext& out) {
    if (groupfile < 1 || !reopen())
        return false;
    const std::string_view t = targettext(target, length);
    linereader reader(groupfile);
    record r;
    line text;
    while (!out.overlimit() && reader.next(text))
        readline(text, t, r, out);
    out.put("[ShowGroup(\"");
    out.putvalue(r.group.view());
    out.put("\",4,0)]");
    return out.finish("[ExitProgman(1)]", "[ExitProgman(0)]") && !out.overlimit();
}

} // namespace

void opengroupfile(const char* target, const std::int32_t& length, std::int32_t& ok) {
    closegroupfile();
    const std::string_view t = targettext(target, length);
    ok = 0;
    if (t.size() + groupname.size() >= pathsize)
        return;
    std::copy(t.begin(), t.end(), grouppath);
    std::copy(groupname.begin(), groupname.end(), grouppath + t.size());
    grouppath[t.size() + groupname.size()] = 0;
    ok = reopen() ? 1 : 0;
}

void closegroupfile() {
    if (groupfile > 0)
        platform::closefile(groupfile);
    groupfile = 0;
}

void sizecommands(const char* target, const std::int32_t& length, std::int32_t& size1,
                  std::int32_t& size2) {
    commandtext out(nullptr, nullptr, commandlimit);
    const bool built = build(target, length, out);
    size1 = built ? static_cast<std::int32_t>(out.size()) : 0;
    size2 = size1;
}

void buildcommands(const char* target, const std::int32_t& length, char* block1, char* block2,
                   const std::int32_t& size, std::int32_t& ok) {
    commandtext out(block1, block2, size);
    ok = build(target, length, out) ? 1 : 0;
}
