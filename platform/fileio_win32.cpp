// The file layer on Windows: the kernel's own calls, with handles inheritable.
#include "platform/faults.h"
#include "platform/fileio.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
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

// The write root as given, its separators made backslashes, without a
// trailing one.
std::mutex rootguard;
std::string writeroot;

std::string backslashed(const char* name) {
    std::string converted(name);
    std::replace(converted.begin(), converted.end(), '/', '\\');
    return converted;
}

bool startswithroot(const std::string& path, const std::string& root) {
    return !root.empty() && path.size() > root.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.data(),
                          static_cast<int>(root.size()), root.data(),
                          static_cast<int>(root.size())) == CSTR_EQUAL &&
           path[root.size()] == '\\';
}

bool isreparsepoint(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// True when no level between the write root and the last level of name is a
// link or a junction. below = the last level lies below the root.
bool nolinkontheway(const std::string& name, bool& below) {
    std::string root;
    {
        std::lock_guard lock(rootguard);
        root = writeroot;
    }
    below = startswithroot(name, root);
    if (!below)
        return true;
    for (std::size_t cut = name.find('\\', root.size() + 1); cut != std::string::npos;
         cut = name.find('\\', cut + 1)) {
        if (name[cut - 1] != '\\' && isreparsepoint(name.substr(0, cut))) { // not an empty level
            SetLastError(ERROR_CANT_ACCESS_FILE);
            return false;
        }
    }
    return true;
}

// Where a file is to be written: no link on the way, and a link in its place
// removed (the link, not what it leads to; a directory link refuses).
bool roomforfile(const std::string& name) {
    bool below = false;
    if (!nolinkontheway(name, below))
        return false;
    const DWORD attributes = GetFileAttributesA(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return true;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && DeleteFileA(name.c_str()) != 0;
}

// A handle for writing is kept only when it is a file on a disk, opened as
// itself: no pipe, device or link.
HANDLE plainfile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (file == INVALID_HANDLE_VALUE)
        return file;
    if (GetFileType(file) != FILE_TYPE_DISK ||
        GetFileInformationByHandle(file, &information) == 0 ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// CreateDirectoryA stops at 248 characters; the long form of the full path
// takes what a file name may hold.
bool createdirectory(const std::string& name) {
    if (name.size() < 248)
        return CreateDirectoryA(name.c_str(), nullptr) != 0;
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(name.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const bool unc = full[0] == '\\' && full[1] == '\\';
    const std::string longform =
        (unc ? std::string("\\\\?\\UNC") + (full + 1) : std::string("\\\\?\\") + full);
    std::wstring wide(longform.size() + 1, L'\0');
    const int made = MultiByteToWideChar(CP_ACP, 0, longform.c_str(), -1, wide.data(),
                                         static_cast<int>(wide.size()));
    return made > 0 && CreateDirectoryW(wide.c_str(), nullptr) != 0;
}

// A line set in place of the program's own one, by tests.
std::string& setline() {
    static std::string line;
    return line;
}

} // namespace

void setwriteroot(const char* directory) {
    std::string root = backslashed(directory);
    while (!root.empty() && root.back() == '\\')
        root.pop_back();
    std::lock_guard lock(rootguard);
    writeroot = root;
}

handle openfile(const char* name, std::uint32_t access, std::uint32_t share,
                std::uint32_t disposition, std::uint32_t flagsandattributes) {
    const bool writing = (access & genericwrite) != 0;
    if ((writing && faults::openforwrite(name)) || (!writing && faults::openforread()))
        return invalidfile;
    if (writing && !roomforfile(backslashed(name)))
        return invalidfile;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!writing) // a volume is read as it comes, through a link or from a slow device
        return fromhandle(CreateFileA(name, access, share, &inheritable, disposition,
                                      flagsandattributes, nullptr));
    return fromhandle(
        plainfile(CreateFileA(name, access, share, &inheritable, disposition,
                              flagsandattributes | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
}

// ReadFile may give fewer bytes than asked before the end of the file: it is
// asked again until the count is reached or it gives nothing.
bool readfile(handle file, void* buffer, std::uint32_t count, std::uint32_t& got) {
    got = 0;
    if (faults::read())
        return false;
    auto* bytes = static_cast<char*>(buffer);
    while (got < count) {
        DWORD n = 0;
        if (ReadFile(tohandle(file), bytes + got, count - got, &n, nullptr) == 0)
            return false;
        if (n == 0)
            break;
        got += n;
    }
    return true;
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

bool reservespace(handle file, std::uint64_t size) {
    if (faults::reserve()) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (SetFileInformationByHandle(tohandle(file), FileAllocationInfo, &allocation,
                                   sizeof allocation) != 0)
        return true;
    const DWORD error = GetLastError();
    return error != ERROR_DISK_FULL && error != ERROR_HANDLE_DISK_FULL;
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

bool makedirectory(const char* name) {
    const std::string path = backslashed(name);
    bool below = false;
    if (!nolinkontheway(path, below))
        return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return createdirectory(path);
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           !(below && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
}

bool deletefile(const char* name) {
    bool below = false;
    return nolinkontheway(backslashed(name), below) && DeleteFileA(name) != 0;
}

bool identify(const char* name, fileidentity& identity) {
    const HANDLE file = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool ok = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    identity = {information.dwVolumeSerialNumber,
                (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
    return ok;
}

// X:\ and \\server\share\ are roots, in whatever form the path names them.
bool isvolumeroot(const char* directory) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(directory, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return false;
    std::string path = backslashed(full);
    while (path.size() > 1 && path.back() == '\\')
        path.pop_back();
    if (path.size() == 2 && path[1] == ':')
        return true;
    return path.starts_with("\\\\") && std::count(path.begin(), path.end(), '\\') <= 3;
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
