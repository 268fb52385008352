// The manager's stop message in the tests, in place of the toolkit's message
// box: written to standard error, where a death test reads it (on Windows too,
// where a box would wait for a user, or fail at once without a display). The
// process then ends as the manager ends it. Outside a death test a stop is a
// failure, not a passing run: the process ends at once with exit code 1.
// Death test suites are those whose name ends in "DeathTest".
#include "toolkit/prompt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

const char* running = nullptr; // the test under way that must not end the process

class stopguard : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& test) override {
        if (!std::string_view(test.test_suite_name()).ends_with("DeathTest")) {
            running = test.name();
        }
    }
    void OnTestEnd(const ::testing::TestInfo&) override { running = nullptr; }
};

const bool installed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new stopguard);
    return true;
}();

} // namespace

void msgbox(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    if (running != nullptr) {
        std::fprintf(stderr, "%s stopped the manager\n", running);
        std::fflush(stderr);
        std::_Exit(1);
    }
}
