#pragma once
// The fault-injection seam of both platform layers: each call below counts
// one operation of its kind and says whether that operation is to fail. The
// platform library carries faultless.cpp, in which nothing ever fails; test
// programs link tests/platform/faultplan.cpp instead, which fails the
// operations a test plans (its object file replaces the library's at link
// time, so the product's calls take no lock and keep no state).
#include <cstdint>

namespace platform::faults {

// True when this open for writing is to fail. Once a planned failure has hit a
// name, every later open for writing of the same name fails too, as on a file
// system that cannot hold that file, so a caller's retry meets it again.
bool openforwrite(const char* name);

enum class writeoutcome { whole, fail, half };
writeoutcome write();

bool openforread(); // true when this open for reading is to fail
bool reserve();     // true when this reservation is to be refused as on a full disk
bool read();        // true when this read is to fail

// True when this creation is to be refused, or this wait for threads to fail.
bool mutexcreate();
bool eventcreate();
bool threadstart();
bool threadwait();

} // namespace platform::faults
