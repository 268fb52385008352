// ddeclient.exe [--class CLASS] FILE: a Program Manager DDE client for testing
// a server. It broadcasts the initiate for PROGMAN/PROGMAN, talks to the first
// window that answers, posts each line of FILE (with a terminating 0 instead
// of its line end) as one command block in a WM_DDE_EXECUTE and waits for its
// acknowledgement, then terminates the
// conversation and waits for the server's terminate. Exit status: 0 all went
// well, 2 no server answered, 3 a block was acknowledged negatively, 4 the
// server terminated early, 5 the server did not answer in time, 6 the first
// server to answer is not of class CLASS, 1 anything else.
#include <windows.h>

#include <dde.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD answerms = 5000;

struct State {
    HWND self = nullptr;
    HWND server = nullptr;
    bool acked = false;      // an acknowledgement of the last block came
    bool positive = true;    // every acknowledgement so far was positive
    bool terminated = false; // the server's terminate came
};

State state;

void initiateanswer(HWND server, LPARAM atoms) {
    GlobalDeleteAtom(LOWORD(atoms));
    GlobalDeleteAtom(HIWORD(atoms));
    if (state.server) { // a second server: not wanted
        PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(state.self), 0);
        return;
    }
    state.server = server;
}

void executeanswer(LPARAM lp) {
    UINT_PTR status = 0, commands = 0;
    UnpackDDElParam(WM_DDE_ACK, lp, &status, &commands);
    FreeDDElParam(WM_DDE_ACK, lp);
    GlobalFree(reinterpret_cast<HGLOBAL>(commands));
    state.positive = state.positive && (status & 0x8000) != 0;
    state.acked = true;
    std::printf("ack %s\n", (status & 0x8000) ? "positive" : "negative");
}

LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    HWND from = reinterpret_cast<HWND>(wp);
    switch (msg) {
    case WM_DDE_ACK: // sent while the initiate is broadcast, posted for a block
        if (InSendMessage())
            initiateanswer(from, lp);
        else if (from == state.server)
            executeanswer(lp);
        return 0;
    case WM_DDE_TERMINATE:
        state.terminated = state.terminated || from == state.server;
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

// Dispatches messages one at a time until done() holds or the time is over.
template <class Done> bool pumpuntil(Done done) {
    ULONGLONG deadline = GetTickCount64() + answerms;
    MSG msg;
    while (!done()) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
            continue;
        }
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                  QS_ALLINPUT);
    }
    return true;
}

void initiate() {
    ATOM app = GlobalAddAtomA("PROGMAN"), topic = GlobalAddAtomA("PROGMAN");
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(state.self),
                        MAKELPARAM(app, topic), SMTO_ABORTIFHUNG, answerms, &result);
    GlobalDeleteAtom(app);
    GlobalDeleteAtom(topic);
}

bool postblock(const std::string& text) {
    SIZE_T size = text.size() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, size);
    void* p = block ? GlobalLock(block) : nullptr;
    if (!p)
        return false;
    std::memcpy(p, text.c_str(), size);
    GlobalUnlock(block);
    state.acked = false;
    return PostMessageA(state.server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(state.self),
                        reinterpret_cast<LPARAM>(block)) != 0;
}

void hangup() {
    PostMessageA(state.server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(state.self), 0);
}

// Sends the blocks one by one; returns the exit status.
int converse(const std::vector<std::string>& blocks) {
    for (const std::string& block : blocks) {
        if (!postblock(block))
            return 1;
        if (!pumpuntil([] { return state.acked || state.terminated; }))
            return 5;
        if (state.terminated) {
            hangup();
            std::puts("server terminated early");
            return 4;
        }
    }
    hangup();
    if (!pumpuntil([] { return state.terminated; }))
        return 5;
    std::puts("terminated");
    return state.positive ? 0 : 3;
}

std::string classof(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

bool readblocks(const char* path, std::vector<std::string>& blocks) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        blocks.push_back(line);
    }
    return in.eof();
}

} // namespace

int main(int argc, char** argv) {
    std::string wanted;
    if (argc == 4 && std::strcmp(argv[1], "--class") == 0)
        wanted = argv[2];
    else if (argc != 2)
        return 1;
    std::vector<std::string> blocks;
    if (!readblocks(argv[argc - 1], blocks))
        return 1;
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CellDdeClient";
    RegisterClassA(&wc);
    state.self = CreateWindowExA(0, "CellDdeClient", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                 nullptr, wc.hInstance, nullptr);
    if (!state.self)
        return 1;
    initiate();
    if (!state.server)
        return 2;
    std::printf("server %s\n", classof(state.server).c_str());
    if (!wanted.empty() && classof(state.server) != wanted) {
        hangup();
        return 6;
    }
    return converse(blocks);
}
