#include "datamanager/fatal.h"

#include "toolkit/prompt.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int messagelength = 160;

// Numbers in messages take ten characters with at least nine digits: a blank
// or a minus sign, then the digits with leading zeros.
constexpr const char* numberformat = "%10.9d";

} // namespace

// The process ends at once: tasks of the window thread may still run, and no
// object of static storage may be torn down under them.
void idmstop(const char* text) {
    msgbox(text, "Incore Data Manager");
    std::_Exit(0);
}

void idmnotfound(const char* what, const std::int32_t& number, const char* operation) {
    char text[messagelength];
    char digits[16];
    std::snprintf(digits, sizeof digits, numberformat, number);
    std::snprintf(text, sizeof text, "%s %s was not found in %s.", what, digits, operation);
    idmstop(text);
}

void idmfilenotfound(const std::int32_t& file, const std::int32_t& directory,
                     const char* operation) {
    char text[messagelength];
    char filedigits[16];
    char directorydigits[16];
    std::snprintf(filedigits, sizeof filedigits, numberformat, file);
    std::snprintf(directorydigits, sizeof directorydigits, numberformat, directory);
    std::snprintf(text, sizeof text, "File %s in directory %s was not found in %s.", filedigits,
                  directorydigits, operation);
    idmstop(text);
}
