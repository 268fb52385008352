// The manager ends the process with exit code 0 when it stops; outside a
// death test that must count as a failure, not as a passing run. Death test
// suites are those whose name ends in "DeathTest".
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

const char* running = nullptr; // the test under way that must not end the process

void exitduringtest() {
    if (running != nullptr) {
        std::fprintf(stderr, "%s ended the process\n", running);
        std::_Exit(1);
    }
}

class exitguard : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& test) override {
        if (!std::string_view(test.test_suite_name()).ends_with("DeathTest")) {
            running = test.name();
        }
    }
    void OnTestEnd(const ::testing::TestInfo&) override { running = nullptr; }
};

const bool installed = [] {
    std::atexit(exitduringtest);
    ::testing::UnitTest::GetInstance()->listeners().Append(new exitguard);
    return true;
}();

} // namespace
