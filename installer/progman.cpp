#include "installer/progman.h"

#include "installer/groupfile.h"
#include "toolkit/handles_win32.h"

#include <windows.h>

#include <dde.h>

#include <initializer_list>

namespace {

constexpr std::int32_t successcommand = 23, sendcommand = 24;

// How long one top-level window may take over the initiate, and how long the
// server may stay silent during the conversation.
constexpr UINT initiatetimeout = 5000;
constexpr DWORD silencelimit = 30000;
constexpr UINT_PTR watchtimer = 0x4750; // identifier of the conversation's watch
constexpr UINT watchperiod = 1000;

// Where the conversation stands.
enum ddestate : std::int32_t {
    idle = 0,       // nothing awaited
    initiated = 1,  // the initiate is being sent
    firstsent = 2,  // block 1 awaits its acknowledgement
    secondsent = 3, // block 2 awaits its acknowledgement
};

struct commandblock {
    HGLOBAL handle = nullptr;
    char* text = nullptr;
};

struct conversation {
    std::int32_t state = idle;
    bool broadcasting = false; // answers now are answers to the initiate
    ATOM application = 0, topic = 0;
    HWND server = nullptr; // set while a conversation is open
    bool closing = false;  // our own terminate has been posted
    DWORD lastheard = 0;   // tick of the server's last message
    commandblock blocks[2];
};

conversation talk;

void post(const winhandle& window, std::int32_t command) {
    const std::int32_t none = 0;
    postmsg(window, wmcommand, command, none);
}

void deleteatoms() {
    for (ATOM* atom : {&talk.application, &talk.topic}) {
        if (*atom != 0)
            GlobalDeleteAtom(*atom);
        *atom = 0;
    }
}

bool makeblock(commandblock& block, std::int32_t size) {
    block.handle = GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, static_cast<SIZE_T>(size));
    block.text = block.handle != nullptr ? static_cast<char*>(GlobalLock(block.handle)) : nullptr;
    return block.text != nullptr;
}

void freeblock(commandblock& block) {
    if (block.handle != nullptr) {
        if (block.text != nullptr)
            GlobalUnlock(block.handle);
        GlobalFree(block.handle);
    }
    block = commandblock{};
}

bool postserver(const winhandle& window, UINT message, LPARAM second) {
    return PostMessageA(talk.server, message, reinterpret_cast<WPARAM>(towindow(window)), second) !=
           0;
}

// Ends whatever is open of the conversation and tells a server that is still
// there when we are the ones closing.
void closeconversation(const winhandle& window, bool tellserver) {
    if (talk.server != nullptr) {
        KillTimer(towindow(window), watchtimer);
        if (tellserver && !talk.closing && IsWindow(talk.server))
            postserver(window, WM_DDE_TERMINATE, 0);
    }
    for (commandblock& block : talk.blocks)
        freeblock(block);
    deleteatoms();
    closegroupfile();
    talk = conversation{};
}

// ... and shows the success screen.
void finish(const winhandle& window, bool tellserver) {
    closeconversation(window, tellserver);
    post(window, successcommand);
}

// Runs every second while a conversation is open.
void CALLBACK watch(HWND hwnd, UINT, UINT_PTR, DWORD) {
    if (talk.server == nullptr)
        return;
    if (!IsWindow(talk.server) || GetTickCount() - talk.lastheard >= silencelimit)
        finish(fromwin(hwnd), true);
}

void openconversation(const winhandle& window, HWND server) {
    talk.server = server;
    talk.lastheard = GetTickCount();
    SetTimer(towindow(window), watchtimer, watchperiod, watch);
}

bool makeblocks(const char* target, const std::int32_t& length) {
    std::int32_t size1 = 0, size2 = 0, ok = 0;
    sizecommands(target, length, size1, size2);
    if (size1 < 1 || !makeblock(talk.blocks[0], size1) || !makeblock(talk.blocks[1], size1))
        return false;
    buildcommands(target, length, talk.blocks[0].text, talk.blocks[1].text, size1, ok);
    return ok == 1;
}

// The acknowledgement of the block just sent: the next one, or our terminate.
void acknowledged(const winhandle& window, LPARAM second) {
    FreeDDElParam(WM_DDE_ACK, second);
    if (talk.state == firstsent) {
        talk.state = secondsent;
        if (!postserver(window, WM_DDE_EXECUTE, reinterpret_cast<LPARAM>(talk.blocks[1].handle)))
            finish(window, false);
        return;
    }
    talk.state = idle;
    talk.closing = postserver(window, WM_DDE_TERMINATE, 0);
    if (!talk.closing)
        finish(window, false);
}

} // namespace

void progmanstart(const winhandle& window, const char* target, const std::int32_t& length) {
    std::int32_t ok = 0;
    opengroupfile(target, length, ok);
    if (ok != 1) {
        finish(window, false);
        return;
    }
    talk.application = GlobalAddAtomA("PROGMAN");
    talk.topic = GlobalAddAtomA("PROGMAN");
    if (talk.application == 0 || talk.topic == 0) {
        finish(window, false);
        return;
    }
    talk.state = initiated;
    talk.broadcasting = true;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(towindow(window)),
                        MAKELPARAM(talk.application, talk.topic), SMTO_ABORTIFHUNG, initiatetimeout,
                        &ignored);
    talk.broadcasting = false;
    if (talk.state == initiated) // nobody answered
        finish(window, false);
}

void progmansend(const winhandle& window, const char* target, const std::int32_t& length) {
    if (talk.server == nullptr) // the conversation ended before it began
        return;
    if (!makeblocks(target, length)) {
        finish(window, true);
        return;
    }
    talk.state = firstsent;
    if (!postserver(window, WM_DDE_EXECUTE, reinterpret_cast<LPARAM>(talk.blocks[0].handle))) {
        finish(window, false);
        return;
    }
    closegroupfile();
}

void progmanack(const winhandle& window, HWND from, LPARAM second) {
    if (talk.broadcasting) { // the answer's atoms are the receiver's to delete
        GlobalDeleteAtom(LOWORD(second));
        GlobalDeleteAtom(HIWORD(second));
        if (talk.state != initiated) { // a second server: it is not wanted
            PostMessageA(from, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(towindow(window)), 0);
            return;
        }
        talk.state = idle;
        deleteatoms();
        openconversation(window, from);
        post(window, sendcommand);
    } else if ((talk.state == firstsent || talk.state == secondsent) && from == talk.server) {
        talk.lastheard = GetTickCount();
        acknowledged(window, second);
    } else { // late, after the conversation was given up: nothing waits for it
        FreeDDElParam(WM_DDE_ACK, second);
    }
}

void progmanstop(const winhandle& window) {
    closeconversation(window, true);
}

void progmanterminate(const winhandle& window, HWND sender) {
    if (talk.server != nullptr && sender == talk.server)
        finish(window, true); // answered, unless it answers our own
}
