// The tests' side of the fault-injection seam: the operations the plan names
// fail, counted across all threads.
#include "tests/platform/faultplan.h"

#include "platform/faults.h"

#include <mutex>
#include <string>

namespace platform {
namespace {

std::mutex guard;
faultplan plan;
std::string refused; // the name a planned open failure hit, if any

// Counts one call against a planned count: true on the call it names.
bool due(int& count) {
    if (count == 0)
        return false;
    return --count == 0;
}

bool duenow(int faultplan::*kind) {
    std::lock_guard lock(guard);
    return due(plan.*kind);
}

} // namespace

void injectfaults(const faultplan& given) {
    std::lock_guard lock(guard);
    plan = given;
    refused.clear();
}

namespace faults {

bool openforwrite(const char* name) {
    std::lock_guard lock(guard);
    if (!refused.empty() && refused == name)
        return true;
    if (!due(plan.openforwrite))
        return false;
    refused = name;
    return true;
}

writeoutcome write() {
    std::lock_guard lock(guard);
    const bool fail = due(plan.write);
    const bool half = due(plan.shortwrite);
    if (fail)
        return writeoutcome::fail;
    return half ? writeoutcome::half : writeoutcome::whole;
}

bool openforread() {
    return duenow(&faultplan::openforread);
}

bool read() {
    return duenow(&faultplan::read);
}

bool reserve() {
    return duenow(&faultplan::reserve);
}

bool mutexcreate() {
    return duenow(&faultplan::mutexcreate);
}

bool eventcreate() {
    return duenow(&faultplan::eventcreate);
}

bool threadstart() {
    return duenow(&faultplan::threadstart);
}

bool threadwait() {
    return duenow(&faultplan::threadwait);
}

} // namespace faults
} // namespace platform
