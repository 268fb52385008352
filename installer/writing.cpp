#include "installer/writing.h"

#include "toolkit/userstop.h"

#include <iterator>

namespace {

struct status {
    const char* text;
    const char* caption;
};

constexpr status messages[] = {
    {"The software has not successfully installed. You must install it again before using.",
     "CANCEL"},
    {"There is nothing for the directory. Try again.", "OK"},
    {"The input directory is invalid. Try again.", "OK"},
    {"The procedure cannot continuously extract files onto the destination drive. ", "INSTALL"},
    {"Data error: This distributed disk was damaged.", "INSTALL"},
    {"The destination is the root of a drive: the files already there are not deleted. The "
     "installation goes on.",
     "INSTALL"},
};

} // namespace

void statusmessage(const winhandle& window, const std::int32_t& code) {
    if (code < 1 || code > static_cast<std::int32_t>(std::size(messages))) {
        return;
    }
    msgboxwin(window, messages[code - 1].text, messages[code - 1].caption);
}
