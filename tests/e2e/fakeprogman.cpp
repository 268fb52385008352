// fakeprogman.exe [--silent] [--close-after N] [--nack] [--log FILE] RECORD
//
// A stand-in for the shell's Program Manager DDE server: a hidden top-level
// window of class CellFakeProgman that answers WM_DDE_INITIATE for the
// service and topic PROGMAN, appends every command block it is sent to RECORD
// byte for byte (up to and including its terminating 0), acknowledges it, and
// answers WM_DDE_TERMINATE. --silent answers nothing; --close-after N ends the
// conversation itself after N command blocks; --nack acknowledges negatively.
// --log FILE appends one line per conversation event.
#include <windows.h>

#include <dde.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Options {
    bool silent = false;
    bool nack = false;
    long closeafter = -1; // -1: never close first
    std::string log;
    std::string record;
};

struct Conversation {
    HWND client = nullptr;
    long executes = 0;
    bool closing = false; // our own terminate is on its way
};

Options options;
Conversation talk;
HWND probe = nullptr; // the window that looks for the other server at start
HWND other = nullptr; // the other server that answered the probe

void logline(const char* format, ...) {
    if (options.log.empty())
        return;
    FILE* f = std::fopen(options.log.c_str(), "ab");
    if (!f)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(f, format, args);
    va_end(args);
    std::fputc('\n', f);
    std::fclose(f);
}

bool isprogman(ATOM atom) {
    char name[64] = {};
    return atom && GlobalGetAtomNameA(atom, name, sizeof name) && lstrcmpiA(name, "PROGMAN") == 0;
}

void record(HGLOBAL commands) {
    const char* text = static_cast<const char*>(GlobalLock(commands));
    if (!text) {
        logline("execute unreadable");
        return;
    }
    SIZE_T size = GlobalSize(commands), n = 0;
    while (n < size && text[n])
        ++n;
    bool terminated = n < size;
    FILE* f = std::fopen(options.record.c_str(), "ab");
    if (f) {
        std::fwrite(text, 1, terminated ? n + 1 : n, f);
        std::fclose(f);
    }
    GlobalUnlock(commands);
    logline("execute %lu bytes%s", static_cast<unsigned long>(n),
            terminated ? "" : " unterminated");
}

void close(HWND self) {
    PostMessageA(talk.client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(self), 0);
    talk.closing = true;
    logline("terminate sent");
}

void initiate(HWND self, HWND client, LPARAM atoms) {
    if (options.silent || !isprogman(LOWORD(atoms)) || !isprogman(HIWORD(atoms)))
        return;
    talk = Conversation{client, 0, false};
    logline("initiate");
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(self),
                 MAKELPARAM(GlobalAddAtomA("PROGMAN"), GlobalAddAtomA("PROGMAN")));
    if (options.closeafter == 0)
        close(self);
}

void execute(HWND self, HWND client, LPARAM lp) {
    HGLOBAL commands = reinterpret_cast<HGLOBAL>(lp);
    if (client != talk.client || talk.closing) {
        logline("execute outside a conversation ignored");
        return;
    }
    record(commands);
    ++talk.executes;
    WORD status = options.nack ? 0 : 0x8000;
    PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(self),
                 PackDDElParam(WM_DDE_ACK, status, reinterpret_cast<UINT_PTR>(commands)));
    if (talk.executes == options.closeafter)
        close(self);
}

void terminate(HWND self, HWND client) {
    if (client != talk.client)
        return;
    if (talk.closing) {
        logline("terminate answered");
    } else {
        logline("terminate");
        PostMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(self), 0);
    }
    talk = Conversation{};
}

// The probe's side: the other server's acknowledgement of the initiate.
void probeanswered(HWND server, LPARAM atoms) {
    GlobalDeleteAtom(LOWORD(atoms));
    GlobalDeleteAtom(HIWORD(atoms));
    if (!other) {
        other = server;
        PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(probe), 0);
    }
}

LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    HWND from = reinterpret_cast<HWND>(wp);
    if (hwnd == probe) {
        if (msg == WM_DDE_ACK)
            probeanswered(from, lp);
        return msg == WM_DDE_ACK || msg == WM_DDE_TERMINATE ? 0 : DefWindowProcA(hwnd, msg, wp, lp);
    }
    switch (msg) {
    case WM_DDE_INITIATE:
        initiate(hwnd, from, lp);
        return 0;
    case WM_DDE_EXECUTE:
        execute(hwnd, from, lp);
        return 0;
    case WM_DDE_TERMINATE:
        terminate(hwnd, from);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

HWND makewindow(const char* classname) {
    return CreateWindowExA(0, classname, "fake Program Manager", WS_OVERLAPPED, 0, 0, 10, 10,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// A broadcast initiate goes to the top-level windows newest first, so ours
// must be made after the system's own Program Manager server is up: wait for
// that one to answer (for a while; there may be none).
void awaitotherserver() {
    probe = makewindow("CellFakeProgmanProbe");
    ATOM app = GlobalAddAtomA("PROGMAN"), topic = GlobalAddAtomA("PROGMAN");
    for (int tries = 0; tries < 100 && !other; ++tries) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(probe),
                            MAKELPARAM(app, topic), SMTO_ABORTIFHUNG, 2000, &result);
        if (!other)
            Sleep(100);
    }
    GlobalDeleteAtom(app);
    GlobalDeleteAtom(topic);
    logline(other ? "other server up" : "no other server");
    DestroyWindow(probe);
    probe = nullptr;
}

bool parse(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--silent")
            options.silent = true;
        else if (arg == "--nack")
            options.nack = true;
        else if (arg == "--close-after" && i + 1 < argc)
            options.closeafter = std::strtol(argv[++i], nullptr, 10);
        else if (arg == "--log" && i + 1 < argc)
            options.log = argv[++i];
        else if (options.record.empty() && arg.rfind("--", 0) != 0)
            options.record = arg;
        else
            return false;
    }
    return !options.record.empty();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!parse(__argc, __argv))
        return 2;
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    for (const char* name : {"CellFakeProgman", "CellFakeProgmanProbe"}) {
        wc.lpszClassName = name;
        if (!RegisterClassA(&wc))
            return 1;
    }
    awaitotherserver();
    if (!makewindow("CellFakeProgman"))
        return 1;
    logline("ready");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
