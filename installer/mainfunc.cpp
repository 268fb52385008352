// mainfunc: the install window's procedure. The installation is a chain of
// command messages (WM_COMMAND, the whole first parameter being the command):
// buttons send their identifiers, the keyboard hook sends the navigation
// message, start-up and the unpacker send or post their commands, and the
// procedure posts commands to itself to go from step to step.
#include "installer/mainfunc.h"
#include "installer/progman.h"
#include "installer/progress.h"
#include "installer/targetdir.h"
#include "installer/winmain.h"
#include "installer/writing.h"

#include "datamanager/directories.h"
#include "datamanager/memory.h"
#include "datamanager/recordmainwin.h"
#include "extraction/distribution.h"
#include "extraction/files.h"
#include "extraction/unpacker.h"
#include "tasks/events.h"
#include "tasks/mtask.h"
#include "toolkit/apptop.h"
#include "toolkit/ck.h"
#include "toolkit/handles_win32.h"
#include "toolkit/parent.h"
#include "toolkit/showin.h"

#include <dde.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// Command numbers.
constexpr std::int32_t acceptdir = 6, cancel = 7, cancelprompt = 11, finish = 12;
constexpr std::int32_t rememberfile = 16, startcopy = 17, diskmissing = 18, copydone = 19;
constexpr std::int32_t diskinserted = 20, dataerror = 22, success = 23, sendgroup = 24;
constexpr std::int32_t startgroup = 25;

constexpr std::int32_t keytab = 9, keyenter = 13;
constexpr std::int32_t hooktag = 1;

// The window's variables. The unpacker is handed several of them by
// reference and reads or changes them while it runs.
platform::handle descriptorfile = 0; // CELL.0 and later the open volume; 0 once closed
std::int32_t nextvolume = 0;         // the unpacker's: the number of the volume it opens next
std::int32_t directoryscreen = 1;
std::int32_t promptbuttons = 0;
bool promptup = false; // the disk prompt is shown and its OK not yet taken
std::int32_t brush = 0;
std::int32_t diskevents[2] = {0, 0};
std::int32_t currentevent = 1;
std::int32_t unpackertask = 0;
bool copybegun = false; // from then on the volume handle is the unpacker's
bool cancelled = false; // from then on no command is carried out
winhandle unpackerwindow = 0;
std::int32_t diskpromptcommand = diskmissing, donecommand = copydone, errorcommand = dataerror;

// Control slots: 1 to 7 are the directory screen's (start-up made them); the
// copy screen puts its first text, second text and Cancel into 1, 2 and 7.
winhandle filenametext = 0, prompttext = 0, promptok = 0, promptcancel = 0;
winhandle successlines[3] = {0, 0, 0};
winhandle finishbutton = 0;

// The control that had the focus when the window lost the activation.
HWND lastfocus = nullptr;

winhandle& slot(std::int32_t number) {
    return startup.controls[number - 1];
}

// Only where the unpacker has ended or is about to: after its done or write
// failure command, and after the message loop.
void joinunpacker() {
    taskjoin(unpackertask);
    unpackertask = 0;
}

void post(const winhandle& window, const std::int32_t& command) {
    const std::int32_t none = 0;
    postmsg(window, wmcommand, command, none);
}

void dropbrush() {
    if (brush != 0) {
        delobject(brush);
        brush = 0;
    }
}

void closewindow(const winhandle& window) {
    dropbrush();
    destroywin(window);
}

// Command 6 refused the directory: the field is emptied and focused.
void refusedirectory(const winhandle& window, const std::int32_t& code) {
    statusmessage(window, code);
    distribution.target[0] = 0;
    distribution.targetend = 0;
    setedit(slot(5), distribution.target);
}

bool allblank(const char* text) {
    return text[std::strspn(text, " ")] == 0;
}

void acceptdirectory(const winhandle& window) {
    distributionstate& d = distribution;
    gettext(slot(5), d.target, sizeof d.target);
    d.targetend = static_cast<std::int32_t>(std::strlen(d.target)) + 1;
    if (allblank(d.target)) {
        refusedirectory(window, 2);
        return;
    }
    std::int32_t ok = targetacceptable(d.target) ? 1 : 0;
    if (ok == 1) {
        makedirs(d.target, ok);
    }
    if (ok == 0) {
        refusedirectory(window, 3);
        return;
    }
    directoryscreen = 0;
    post(window, startcopy);
}

void makecopyscreen(const winhandle& window) {
    const instancehandle& module = startup.instance;
    maketext(window, "Installation is in progress.........", 2, 3, 3, 39, 0, 0, 0, 0, "L", 1,
             module, slot(1));
    maketext(window, "Copy: ", 3, 3, 4, 9, 0, 0, 0, 0, "L", 2, module, slot(2));
    maketext(window, " ", 3, 9, 4, 37, 0, 0, 0, 0, "L", 8, module, filenametext);
    makebutton(window, "Cancel", 9, 17, 11, 25, cancel, module, slot(7));
}

// The copy ends here, whatever it was doing: the unpacker is asked to stop
// and a wait for a disk is woken (posting both events needs no look at the
// index the unpacker may be changing).
void stopcopy(const winhandle& window) {
    cancelled = true;
    unpackerstop();
    eventpost(diskevents[0]);
    eventpost(diskevents[1]);
    progmanstop(window);
}

void copy(const winhandle& window) {
    for (winhandle& control : startup.controls) {
        killwin(control);
    }
    makecopyscreen(window);
    progressstart(window, 3, 5, 37, 7);
    const std::int32_t once = 1;
    eventcreate(diskevents[0]);
    eventcreate(diskevents[1]);
    currentevent = 1;
    eventarm(diskevents[0], once);
    unpackerwindow = window;
    copybegun = true;
    if (diskevents[0] != 0 && diskevents[1] != 0) {
        taskstart9(unpackertask, unpacker, unpackerwindow, diskevents, currentevent, descriptorfile,
                   nextvolume, filenametext, diskpromptcommand, donecommand, errorcommand);
    }
    if (unpackertask == 0) { // the system refused an event or the thread: no copy can begin
        post(window, writefailurecommand);
    }
}

void showcopyscreen(const bool shown) {
    for (const winhandle& control : {slot(1), slot(2), filenametext, slot(7)}) {
        if (shown) {
            showctl(control);
        } else {
            hidectl(control);
        }
    }
}

void askfordisk(const winhandle& window) {
    progressclear(window);
    showcopyscreen(false);
    char text[64];
    std::snprintf(text, sizeof text, "Insert DISK %d into drive %s", static_cast<int>(nextvolume),
                  startup.installerdrive);
    const instancehandle& module = startup.instance;
    maketext(window, text, 4, 3, 5, 37, 0, 0, 0, 0, "C", 9, module, prompttext);
    if (promptbuttons == 1) {
        showctl(promptok);
        showctl(promptcancel);
    } else {
        promptbuttons = 1;
        makebutton(window, "OK", 8, 11, 10, 17, diskinserted, module, promptok);
        makebutton(window, "Cancel", 8, 22, 10, 32, cancelprompt, module, promptcancel);
    }
    promptup = true;
    setfocus(promptok);
}

// The copy screen comes back with the focus on the window itself, as after
// the directory screen: an Enter held down does not cancel the copy.
void diskready(const winhandle& window) {
    if (!promptup) { // a second OK before the unpacker asked again
        return;
    }
    promptup = false;
    killwin(prompttext);
    setfocus(window);
    hidectl(promptok);
    hidectl(promptcancel);
    showcopyscreen(true);
    eventpost(diskevents[currentevent - 1]);
}

void makesuccessscreen(const winhandle& window) {
    char first[sizeof distribution.productname + 24];
    std::snprintf(first, sizeof first, "The software %s has been", distribution.productname);
    const instancehandle& module = startup.instance;
    winhandle* line = successlines;
    maketext(window, first, 3, 3, 4, 37, 0, 40, 0, 40, "C", 13, module, line[0]);
    maketext(window, "successfully installed into the following directory", 4, 3, 5, 37, 0, 40, 0,
             40, "C", 14, module, line[1]);
    maketext(window, distribution.target, 6, 3, 7, 37, 0, 40, 0, 40, "C", 15, module, line[2]);
    makebutton(window, "Finish", 9, 17, 11, 25, finish, module, finishbutton);
}

void succeed(const winhandle& window) {
    dropbrush();
    for (const winhandle& control :
         {promptok, promptcancel, slot(1), slot(2), filenametext, slot(7)}) {
        killwin(control);
    }
    progressend(window);
    makesuccessscreen(window);
    setfocus(finishbutton);
}

void finishrun(const winhandle& window) {
    dropbrush();
    for (const winhandle& control : successlines) {
        killwin(control);
    }
    killwin(finishbutton);
    destroywin(window);
}

void oncommand(const winhandle& window, const std::int32_t& number, const std::int32_t& second) {
    if (cancelled) { // the status message is up, or the window is going
        return;
    }
    switch (number) {
    case acceptdir:
        acceptdirectory(window);
        break;
    case cancel:
    case cancelprompt:
        stopcopy(window);
        statusmessage(window, 1);
        closewindow(window);
        break;
    case finish:
        finishrun(window);
        break;
    case rememberfile:
        nextvolume = 0;
        descriptorfile = second;
        break;
    case startcopy:
        copy(window);
        break;
    case diskmissing:
        askfordisk(window);
        break;
    case copydone:
        joinunpacker();
        post(window, startgroup);
        break;
    case diskinserted:
        diskready(window);
        break;
    case writefailurecommand:
        statusmessage(window, 4);
        joinunpacker();
        closewindow(window);
        break;
    case dataerror:
        statusmessage(window, 5);
        closewindow(window);
        break;
    case cleanrefusedcommand:
        statusmessage(window, 6);
        break;
    case success:
        succeed(window);
        break;
    case sendgroup:
        progmansend(window, distribution.target, distribution.targetend);
        break;
    case startgroup:
        progmanstart(window, distribution.target, distribution.targetend);
        break;
    default:
        break;
    }
}

// Tab moves round the directory screen's field, OK and Cancel, and between
// the disk prompt's OK and Cancel.
void tab(const winhandle& focus) {
    const winhandle cycle[][2] = {{slot(5), slot(6)},
                                  {slot(6), slot(7)},
                                  {slot(7), slot(5)}, // directory screen
                                  {promptok, promptcancel},
                                  {promptcancel, promptok}};
    const std::size_t first = directoryscreen == 1 ? 0 : 3, last = promptup ? 5 : 3;
    for (std::size_t i = first; i < last; ++i) {
        if (focus == cycle[i][0]) {
            setfocus(cycle[i][1]);
            return;
        }
    }
}

// Enter on a button acts as its click: the field or OK accepts, slot 7 (the
// directory or copy screen's Cancel) cancels, and so do the disk prompt's OK
// and Cancel and the success screen's Finish.
void enter(const winhandle& window, const winhandle& focus) {
    const std::pair<winhandle, std::int32_t> buttons[] = {
        {slot(7), cancel},        {slot(5), acceptdir},         {slot(6), acceptdir},
        {promptok, diskinserted}, {promptcancel, cancelprompt}, {finishbutton, finish}};
    for (const auto& [button, command] : buttons) {
        if (button != 0 && focus == button) {
            post(window, command);
            return;
        }
    }
}

void navigate(const winhandle& window, const std::int32_t& key) {
    winhandle focus = 0;
    getfocus(focus);
    if (key == keytab) {
        tab(focus);
    } else if (key == keyenter) {
        enter(window, focus);
    }
}

bool whitetext(const winhandle& control) {
    for (const winhandle& text : {slot(1), slot(2), slot(3), filenametext, prompttext,
                                  successlines[0], successlines[1], successlines[2]}) {
        if (control == text) {
            return true;
        }
    }
    return false;
}

// Black text on white for the window's texts.
std::int32_t colourtext(const std::int32_t& context) {
    if (brush == 0) {
        makebrush(1.0F, 1.0F, 1.0F, brush);
    }
    textcolour(context, 0.0F, 0.0F, 0.0F);
    return brush;
}

// The end of the run, in this order: the copy's stop, the data manager's
// records of the window, the data manager, the keyboard hook, the default
// handling, CELL.0 if the unpacker never had it and the quit request. The
// disk events wait for the unpacker's end (copyend).
LRESULT destroyed(HWND hwnd, WPARAM wparam, LPARAM lparam) {
    const winhandle window = fromwin(hwnd);
    stopcopy(window);
    IDMDeleteDir(windowdirectory);
    std::int32_t status = 0;
    IDMExit(status);
    unhookkeys(hooktag);
    const LRESULT result = DefWindowProcA(hwnd, WM_DESTROY, wparam, lparam);
    if (!copybegun && descriptorfile > 0) {
        fileclose(descriptorfile);
        descriptorfile = 0;
    }
    quitapp();
    return result;
}

// A window activated again gives the focus back to the control that had it
// (after a message box, the default handling would leave it on the window,
// where Tab and Enter do nothing). False when there is none to give it to.
bool activation(HWND window, WPARAM state) {
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = GetFocus();
        lastfocus = focus != nullptr && IsChild(window, focus) ? focus : nullptr;
        return false;
    }
    if (lastfocus == nullptr || !IsChild(window, lastfocus) || !IsWindowVisible(lastfocus) ||
        !IsWindowEnabled(lastfocus)) {
        return false;
    }
    SetFocus(lastfocus);
    return true;
}

} // namespace

void copyend() {
    joinunpacker();
    eventclose(diskevents[0]);
    eventclose(diskevents[1]);
    diskevents[0] = diskevents[1] = 0;
}

namespace {

// The command messages' parameters are the installer's own 32-bit numbers
// (a button's WM_COMMAND carries its identifier and, second, its window
// handle, which has 32 significant bits); every other parameter keeps its
// Win32 type until it reaches a handle of the toolkit's.
std::int32_t commandpart(WPARAM parameter) {
    return static_cast<std::int32_t>(parameter);
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    mainfunc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    const winhandle window = fromwin(hwnd);
    switch (msg) {
    case WM_NCCALCSIZE:
        hookkeys(window, hooktag);
        break;
    case WM_DESTROY:
        return destroyed(hwnd, wparam, lparam);
    case WM_COMMAND:
        oncommand(window, commandpart(wparam), commandpart(static_cast<WPARAM>(lparam)));
        return 0;
    case WM_CTLCOLORSTATIC:
        if (whitetext(fromwin(reinterpret_cast<HWND>(lparam)))) {
            return reinterpret_cast<LRESULT>(
                towin<HBRUSH>(colourtext(fromwin(reinterpret_cast<HDC>(wparam)))));
        }
        break;
    case navigationmessage:
        navigate(window, commandpart(wparam));
        return 0;
    case WM_DDE_ACK:
        progmanack(window, reinterpret_cast<HWND>(wparam), lparam);
        return 0;
    case WM_DDE_TERMINATE:
        progmanterminate(window, reinterpret_cast<HWND>(wparam));
        return 0;
    case WM_ACTIVATE:
        if (activation(hwnd, wparam)) {
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}
