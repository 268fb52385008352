// The file layer on Windows: the kernel's own calls, with handles inheritable.
#include "platform/faults.h"
#include "platform/fileio.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace platform {
namespace {

handle fromhandle(HANDLE object) {
    return object == INVALID_HANDLE_VALUE
               ? invalidfile
               : static_cast<handle>(reinterpret_cast<std::intptr_t>(object));
}

HANDLE tohandle(handle object) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(object));
}

FILETIME tofiletime(const filetime& time) {
    return FILETIME{time.low, time.high};
}

void fillfound(const WIN32_FIND_DATAA& data, finddata& found) {
    found.attributes = data.dwFileAttributes;
    static_assert(sizeof found.name == sizeof data.cFileName);
    std::memcpy(found.name, data.cFileName, sizeof found.name);
    found.name[sizeof found.name - 1] = 0;
}

// A line set in place of the program's own one, by tests.
std::string& setline() {
    static std::string line;
    return line;
}

} // namespace

handle openfile(const char* name, std::uint32_t access, std::uint32_t share,
                std::uint32_t disposition, std::uint32_t flagsandattributes) {
    if ((access & genericwrite) != 0 && faults::openforwrite(name))
        return invalidfile;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return fromhandle(
        CreateFileA(name, access, share, &inheritable, disposition, flagsandattributes, nullptr));
}

bool readfile(handle file, void* buffer, std::uint32_t count, std::uint32_t& got) {
    got = 0;
    if (faults::read())
        return false;
    DWORD n = 0;
    const bool ok = ReadFile(tohandle(file), buffer, count, &n, nullptr) != 0;
    got = n;
    return ok;
}

bool writefile(handle file, const void* buffer, std::uint32_t count, std::uint32_t& written) {
    written = 0;
    const faults::writeoutcome outcome = faults::write();
    if (outcome == faults::writeoutcome::fail)
        return false;
    const DWORD wanted = outcome == faults::writeoutcome::half ? count / 2 : count;
    DWORD n = 0;
    const bool ok = WriteFile(tohandle(file), buffer, wanted, &n, nullptr) != 0;
    written = n;
    return ok;
}

bool closefile(handle file) {
    return CloseHandle(tohandle(file)) != 0;
}

std::uint32_t getattributes(const char* name) {
    return GetFileAttributesA(name);
}

bool setattributes(const char* name, std::uint32_t attributes) {
    return SetFileAttributesA(name, attributes) != 0;
}

bool setfiletime(handle file, const filetime& creation, const filetime& lastaccess,
                 const filetime& lastwrite) {
    const FILETIME created = tofiletime(creation), accessed = tofiletime(lastaccess),
                   written = tofiletime(lastwrite);
    return SetFileTime(tohandle(file), &created, &accessed, &written) != 0;
}

bool createdirectory(const char* name) {
    return CreateDirectoryA(name, nullptr) != 0;
}

bool deletefile(const char* name) {
    return DeleteFileA(name) != 0;
}

handle findfirst(const char* pattern, finddata& found) {
    WIN32_FIND_DATAA data{};
    const HANDLE search = FindFirstFileA(pattern, &data);
    if (search != INVALID_HANDLE_VALUE)
        fillfound(data, found);
    return fromhandle(search);
}

bool findnext(handle search, finddata& found) {
    WIN32_FIND_DATAA data{};
    if (FindNextFileA(tohandle(search), &data) == 0)
        return false;
    fillfound(data, found);
    return true;
}

void findclose(handle search) {
    FindClose(tohandle(search));
}

std::uint32_t systemdirectory(char* buffer, std::uint32_t size) {
    return GetSystemDirectoryA(buffer, size);
}

std::uint32_t currentdirectory(char* buffer, std::uint32_t size) {
    return GetCurrentDirectoryA(size, buffer);
}

std::uint32_t drivetype(const char* root) {
    return GetDriveTypeA(root);
}

bool diskfreespace(const char* root, std::uint32_t& sectorspercluster,
                   std::uint32_t& bytespersector, std::uint32_t& freeclusters,
                   std::uint32_t& totalclusters) {
    DWORD sectors = 0, bytes = 0, free = 0, total = 0;
    const bool ok = GetDiskFreeSpaceA(root, &sectors, &bytes, &free, &total) != 0;
    sectorspercluster = sectors;
    bytespersector = bytes;
    freeclusters = free;
    totalclusters = total;
    return ok;
}

const char* commandline() {
    return setline().empty() ? GetCommandLineA() : setline().c_str();
}

void setcommandline(const char* line) {
    setline() = line;
}

} // namespace platform
