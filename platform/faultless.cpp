// The product's side of the fault-injection seam: no operation ever fails.
#include "platform/faults.h"

namespace platform::faults {

bool openforwrite(const char* /*name*/) {
    return false;
}

writeoutcome write() {
    return writeoutcome::whole;
}

bool openforread() {
    return false;
}

bool read() {
    return false;
}

bool reserve() {
    return false;
}

bool mutexcreate() {
    return false;
}

bool eventcreate() {
    return false;
}

bool threadstart() {
    return false;
}

bool threadwait() {
    return false;
}

} // namespace platform::faults
