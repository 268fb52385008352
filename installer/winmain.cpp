// winmain: start-up. Finds the distribution directory from the command line,
// reads the descriptor at the head of CELL.0 through the decoder ring, builds
// the main window with its directory question and runs the message loop.
#include "installer/winmain.h"

#include "installer/mainfunc.h"

#include "datamanager/memory.h"
#include "datamanager/recordmainwin.h"
#include "extraction/cleandir.h"
#include "extraction/decomp.h"
#include "extraction/distribution.h"
#include "extraction/files.h"
#include "toolkit/command.h"
#include "toolkit/handles_win32.h"
#include "toolkit/makwin.h"
#include "toolkit/prompt.h"
#include "toolkit/showin.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <windows.h>

startupstate startup{};

namespace {

constexpr const char* caption = "Install";
constexpr std::int32_t poolbytes = 65536;
constexpr std::int32_t maxrows = 12, maxcolumns = 40;

// The open CELL.0: the decoder reads this variable, and the window takes the
// handle over with command 16.
platform::handle descriptorfile = 0;

// The distribution directory is the lower-cased command line before its last
// "install" (a quote opening the line is dropped). False when it does not fit.
bool finddistdirectory() {
    char line[256];
    std::int32_t end = 0;
    command(line, end);
    for (std::int32_t i = 0; i < end; ++i) {
        if (line[i] >= 'A' && line[i] <= 'Z') {
            line[i] = static_cast<char>(line[i] + 32);
        }
    }
    std::int32_t d = 0;
    for (std::int32_t i = end - 6; i >= 1; --i) {
        if (std::memcmp(line + i - 1, "install", 7) == 0) {
            d = i - 1;
            break;
        }
    }
    const std::int32_t first = line[0] == '"' || line[0] == '\'' ? 2 : 1;
    const std::int32_t length = std::max(0, d - first + 1);
    std::int32_t ok = 0;
    setdistdirectory(line + first - 1, length, ok);
    return ok == 1;
}

// A clean during the copy spares the volumes beside the installer and the
// installer itself, however the target names their directory.
void guardthedisks() {
    const std::string here(distribution.directory,
                           static_cast<std::size_t>(distribution.directorylength));
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    guardclean({here.empty() ? std::string(".") : here},
               {length > 0 && length < MAX_PATH ? std::string(self) : std::string()});
}

void opendescriptor() {
    char name[sizeof distribution.directory + 7];
    const auto length = static_cast<std::size_t>(distribution.directorylength);
    std::memcpy(name, distribution.directory, length);
    std::memcpy(name + length, "CELL.0", 7);
    const std::int32_t noattributes = 0;
    fileopen(descriptorfile, name, "R", "S", noattributes, "R");
}

// The proposed target: the system drive, then the proposal from its last
// backslash on. False when that does not fit in the target buffer.
bool proposetarget() {
    char proposed[sizeof distribution.target + sizeof distribution.proposal];
    systemdrive(proposed);
    const auto drive = static_cast<std::int32_t>(std::strlen(proposed));
    std::int32_t b = distribution.proposalend - 1;
    while (distribution.proposal[b - 1] != '\\') {
        --b;
    }
    const std::int32_t tail = distribution.proposalend - b; // without the 0
    std::memcpy(proposed + drive, distribution.proposal + b - 1, static_cast<std::size_t>(tail));
    std::int32_t ok = 0;
    settarget(proposed, drive + tail, ok);
    return ok == 1;
}

// Reads the descriptor; false when it is damaged or breaks its limits.
bool readdistribution() {
    decompstart(descriptorfile);
    std::int32_t ok = 0;
    readdescriptor(ok);
    return ok == 1 && proposetarget();
}

void makewindow(const instancehandle& previous, winhandle& window, std::int32_t& ok) {
    std::int32_t rows = 0, columns = 0;
    measurecells(rows, columns);
    char title[sizeof distribution.productname + 7];
    std::memcpy(title, distribution.productname,
                static_cast<std::size_t>(distribution.productnameend - 1));
    std::memcpy(title + distribution.productnameend - 1, " Setup", 7);
    const std::int32_t fixed = 0;
    makemainwin(startup.instance, previous, "mainfunc", "", "QORinstall", title, "install", window,
                std::min(rows, maxrows), std::min(columns, maxcolumns), fixed, ok);
}

void makedirectoryscreen(const winhandle& window) {
    char question[sizeof distribution.productname + 40];
    const std::int32_t n = distribution.productnameend - 1;
    std::memcpy(question, "Install ", 8);
    std::memcpy(question + 8, distribution.productname, static_cast<std::size_t>(n));
    std::memcpy(question + 8 + n, " into the following directory,", 31);
    const instancehandle& module = startup.instance;
    winhandle* c = startup.controls;
    maketext(window, question, 2, 3, 3, n + 40, 0, 0, 0, 0, "L", 1, module, c[0]);
    maketext(window, "or you may provide an alternative.", 3, 3, 4, 36, 0, 0, 0, 0, "L", 2, module,
             c[1]);
    maketext(window, "Directory to install", 5, 3, 6, 22, 0, 40, 0, 40, "L", 3, module, c[2]);
    makeframe(window, 7, 5, 8, 38, -40, -40, 40, 40, 4, module, c[3]);
    makeedit(window, 7, 5, 8, 38, 0, 0, 0, 0, "Y", targetlimit, 5, module, c[4]);
    makebutton(window, "OK", 10, 11, 12, 17, 6, module, c[5]);
    makebutton(window, "Cancel", 10, 22, 12, 32, 7, module, c[6]);
}

std::int32_t winmain(const instancehandle& instance, const instancehandle& previous,
                     const std::int32_t& show) {
    std::int32_t length = 0;
    installdrive(startup.installerdrive, length);
    if (finddistdirectory()) {
        guardthedisks();
        opendescriptor();
    }
    if (descriptorfile < 1) {
        msgbox("ERROR: File CELL.0 was not found.", caption);
        return 0;
    }
    if (!readdistribution()) {
        msgbox("Data error: This distributed disk was damaged.", caption);
        return 0;
    }
    startup.instance = instance;
    std::int32_t status = 0;
    IDMInit(poolbytes, status);
    if (status == 0) {
        msgbox("IDM.FAILURE: Insufficient memory resource", caption);
        return 0;
    }
    winhandle window = 0;
    std::int32_t ok = 0;
    makewindow(previous, window, ok);
    if (ok == 0) {
        return 0;
    }
    recordmainwin(window);
    const std::int32_t remember = 16;
    postmsg(window, wmcommand, remember, descriptorfile);
    showmain(show, window);
    makedirectoryscreen(window);
    setedit(startup.controls[4], distribution.target);
    const std::int32_t code = pumpmsgs();
    copyend();
    return code;
}

} // namespace

// The process ends here, whatever still runs: a cancelled copy leaves the
// decoder behind (it may be blocked in a read of the volume), and no
// destructor of static storage may run under it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR /*line*/, int show) {
    ExitProcess(
        static_cast<UINT>(winmain(instancenumber(instance), instancenumber(previous), show)));
}
