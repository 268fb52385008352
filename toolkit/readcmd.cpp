#include "toolkit/readcmd.h"

#include "toolkit/command.h"

#include <algorithm>

void readcmd(char* buffer, const std::int32_t& capacity, const std::int32_t& count) {
    if (capacity < 1 || count < 1)
        return;
    if (copycommandline(buffer, std::min(capacity, count)) == 0 && count > capacity)
        buffer[capacity - 1] = 0;
}
