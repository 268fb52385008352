#pragma once
// The bookkeeping behind platform::injectfaults, shared by both file layers:
// each call below counts one operation of its kind and says whether that
// operation is to fail.
#include <cstdint>

namespace platform::faults {

// True when this open for writing is to fail. Once a planned failure has hit a
// name, every later open for writing of the same name fails too, as on a file
// system that cannot hold that file, so a caller's retry meets it again.
bool openforwrite(const char* name);

enum class writeoutcome { whole, fail, half };
writeoutcome write();

bool read(); // true when this read is to fail

} // namespace platform::faults
