#include "toolkit/prompt.h"

#include <cstdio>

void msgbox(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}
