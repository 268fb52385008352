// The table of module instances behind the toolkit's 32-bit instance numbers.
// A program has its own instance and, at most, a few more; the table never
// shrinks, so a number names the same instance for the whole run.
#include "toolkit/handles_win32.h"

#include <array>
#include <mutex>

namespace {

std::mutex guard;
std::array<HINSTANCE, 16> instances{};

} // namespace

instancehandle instancenumber(HINSTANCE instance) {
    if (instance == nullptr) {
        return 0;
    }
    const std::lock_guard held(guard);
    for (std::size_t i = 0; i < instances.size(); ++i) {
        if (instances[i] == nullptr) {
            instances[i] = instance;
        }
        if (instances[i] == instance) {
            return static_cast<instancehandle>(i + 1);
        }
    }
    return 0; // more modules than a program of ours ever has
}

HINSTANCE instanceof (const instancehandle& number) {
    const std::lock_guard held(guard);
    return number >= 1 && number <= static_cast<instancehandle>(instances.size())
               ? instances[static_cast<std::size_t>(number - 1)]
               : nullptr;
}
