#include "toolkit/readcmd.h"

#include "toolkit/command.h"

#include <algorithm>

void readcmd(char* buffer, const std::int32_t& capacity, const std::int32_t& count) {
    copycommandline(buffer, std::min(capacity, count));
}
