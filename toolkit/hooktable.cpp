#include "toolkit/hooktable.h"

#include <cstddef>

namespace {
// The number of the first entry that satisfies the test, 0 when none does.
template <typename Test> std::int32_t firstentry(const hooktable& table, Test test) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (test(table[i])) {
            return static_cast<std::int32_t>(i) + 1;
        }
    }
    return 0;
}
} // namespace

std::int32_t hookfree(const hooktable& table) {
    return firstentry(table, [](const hookentry& e) { return e.tag == 0; });
}

std::int32_t hooktagged(const hooktable& table, const std::int32_t& tag) {
    if (tag == 0) {
        return 0;
    }
    return firstentry(table, [&](const hookentry& e) { return e.tag == tag; });
}

std::int32_t hookwatching(const hooktable& table, const std::int32_t& window) {
    return firstentry(table, [&](const hookentry& e) { return e.tag != 0 && e.window == window; });
}

hookentry& hookat(hooktable& table, const std::int32_t& number) {
    return table[static_cast<std::size_t>(number - 1)];
}

std::int32_t hookclaim(hooktable& table, const std::int32_t& window, const std::int32_t& tag) {
    const std::int32_t entry = tag == 0 ? 0 : hookfree(table);
    if (entry != 0) {
        hookat(table, entry) = {tag, 0, window};
    }
    return entry;
}

std::int32_t hookrelease(hooktable& table, const std::int32_t& tag) {
    const std::int32_t entry = hooktagged(table, tag);
    if (entry != 0) {
        hookat(table, entry).tag = 0;
    }
    return entry;
}
