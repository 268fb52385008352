#include "toolkit/command.h"

#include "platform/fileio.h"

std::int32_t copycommandline(char* buffer, std::int32_t limit) {
    const char* line = platform::commandline();
    const bool quoted = line[0] == '"';
    if (quoted)
        ++line;
    for (std::int32_t i = 0; i < limit; ++i) {
        buffer[i] = line[i];
        if (line[i] != 0)
            continue;
        if (quoted && i > 0 && buffer[i - 1] == '"') {
            buffer[i - 1] = 0;
            return i;
        }
        return i + 1;
    }
    return 0;
}

void command(char* buffer, const std::int32_t& capacity, std::int32_t& end) {
    end = 0;
    if (capacity < 1)
        return;
    end = copycommandline(buffer, capacity);
    if (end == 0) {
        buffer[capacity - 1] = 0;
        end = capacity;
    }
}
