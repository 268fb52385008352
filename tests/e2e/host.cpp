#include "host.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

std::string hostdir() {
    const char* dir = std::getenv("E2E_HOST");
    return dir ? dir : "";
}

std::string numbered(const std::string& dir, const char* stem, int n, const char* ext) {
    return dir + "\\" + stem + "-" + std::to_string(n) + ext;
}

bool writerequest(const std::string& dir, int n, const std::string& kind,
                  const std::string& argument) {
    std::string temp = numbered(dir, "req", n, ".tmp");
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return false;
    std::fprintf(f, "%s\n%s\n", kind.c_str(), argument.c_str());
    bool written = std::fclose(f) == 0;
    return written && MoveFileA(temp.c_str(), numbered(dir, "req", n, ".txt").c_str());
}

bool readanswer(const std::string& path, int& status) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bool read = std::fscanf(f, "%d", &status) == 1;
    std::fclose(f);
    DeleteFileA(path.c_str());
    return read;
}

} // namespace

bool hostrequest(const std::string& kind, const std::string& argument, unsigned timeoutms,
                 int& status, std::string& error) {
    static int count = 0;
    std::string dir = hostdir();
    if (dir.empty()) {
        error = "no host: E2E_HOST is not set";
        return false;
    }
    int n = ++count;
    if (!writerequest(dir, n, kind, argument)) {
        error = "cannot write the request into " + dir;
        return false;
    }
    std::string answer = numbered(dir, "done", n, ".txt");
    ULONGLONG deadline = GetTickCount64() + timeoutms;
    while (GetFileAttributesA(answer.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() > deadline) {
            error = "the host did not answer";
            return false;
        }
        Sleep(20);
    }
    if (!readanswer(answer, status)) {
        error = "unreadable answer from the host";
        return false;
    }
    return true;
}
