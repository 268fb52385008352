// robot.exe SCRIPT TRANSCRIPT: drives other programs' windows as a person
// would, step by step from a scenario script, and writes what it saw and did
// to the transcript. Exit status 0 when every step held, 1 at the first step
// that failed (named in the transcript), 2 for a script that does not parse.
#include "host.h"
#include "input.h"
#include "inspect.h"
#include "script.h"

#include <windows.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

// E2E_WAIT_SCALE (a whole number, default 1) multiplies every limit of a
// wait or an expectation, for machines where programs run many times slower
// (an emulated one); the steps still go on as soon as what they wait for holds.
unsigned waitscale() {
    const char* value = std::getenv("E2E_WAIT_SCALE");
    unsigned long scale = value ? std::strtoul(value, nullptr, 10) : 1;
    return scale ? static_cast<unsigned>(scale) : 1;
}

const unsigned scale = waitscale();
const unsigned settlems = 5000 * scale; // how long an expectation may take to come true
const unsigned waitms = 10000 * scale;  // default limit of the wait steps
constexpr unsigned hostms = 300000;     // limit of a host command

struct Robot {
    FILE* transcript = nullptr;
    HWND window = nullptr; // the current top-level window
    HWND msgbox = nullptr; // the message box found last
    std::map<std::string, PROCESS_INFORMATION> processes;
    std::string why; // the reason of the current step's failure

    void note(const char* format, ...) {
        va_list args;
        va_start(args, format);
        std::fputs("  ", transcript);
        std::vfprintf(transcript, format, args);
        std::fputc('\n', transcript);
        std::fflush(transcript);
        va_end(args);
    }
    bool fail(const std::string& reason) {
        why = reason;
        return false;
    }
    std::vector<DWORD> pids() const {
        std::vector<DWORD> all;
        for (const auto& [name, pi] : processes)
            all.push_back(pi.dwProcessId);
        return all;
    }
};

using Action = bool (*)(Robot&, const Step&);

struct Verb {
    const char* name;
    std::size_t minargs, maxargs;
    Action action;
    bool raw; // takes the rest of the line as it stands
};

template <class Check> bool eventually(unsigned ms, Check check) {
    ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        if (check())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(20);
    }
}

std::string quoted(const std::string& text) {
    std::string out(1, '"');
    out += text;
    out += '"';
    return out;
}

bool number(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return !text.empty() && *end == '\0';
}

unsigned timeoutarg(const Step& step, std::size_t index, unsigned fallback) {
    if (index >= step.args.size())
        return fallback;
    return static_cast<unsigned>(std::strtod(step.args[index].c_str(), nullptr) * 1000.0) * scale;
}

bool havewindow(Robot& r) {
    if (r.window && IsWindow(r.window))
        return true;
    return r.fail("no window: wait-window first, or the window is gone");
}

// The control named by an identifier argument: "main" is the window itself.
HWND control(Robot& r, const std::string& id) {
    if (id == "main")
        return r.window;
    long value = 0;
    if (!number(id, value)) {
        r.fail("bad control identifier " + id);
        return nullptr;
    }
    for (HWND child : descendants(r.window))
        if ((GetDlgCtrlID(child) & 0xffff) == (value & 0xffff))
            return child;
    r.fail("no control " + id);
    return nullptr;
}

// Runs check on the control until it holds or the settle time is over.
template <class Check> bool oncontrol(Robot& r, const std::string& id, unsigned ms, Check check) {
    if (!havewindow(r))
        return false;
    return eventually(ms, [&] {
        HWND hwnd = control(r, id);
        return hwnd && check(hwnd);
    });
}

PROCESS_INFORMATION* process(Robot& r, const std::string& name) {
    auto it = r.processes.find(name);
    if (it != r.processes.end())
        return &it->second;
    r.fail("no process named " + name);
    return nullptr;
}

// --- processes

bool start(Robot& r, const Step& s) {
    if (r.processes.count(s.args[0]))
        return r.fail("a process named " + s.args[0] + " was started already");
    std::string commandline = s.args[1];
    const char* dir = s.args.size() > 2 ? s.args[2].c_str() : std::getenv("E2E_WORK");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, commandline.data(), nullptr, nullptr, FALSE, 0, nullptr, dir, &si,
                        &pi))
        return r.fail("cannot start: error " + std::to_string(GetLastError()));
    r.processes[s.args[0]] = pi;
    r.note("started pid %lu", pi.dwProcessId);
    return true;
}

bool exitcode(Robot& r, const Step& s, std::size_t timeoutindex, DWORD& code) {
    PROCESS_INFORMATION* pi = process(r, s.args[0]);
    if (!pi)
        return false;
    if (WaitForSingleObject(pi->hProcess, timeoutarg(s, timeoutindex, waitms)) != WAIT_OBJECT_0)
        return r.fail("still running");
    GetExitCodeProcess(pi->hProcess, &code);
    r.note("exit code %lu", code);
    return true;
}

bool waitexit(Robot& r, const Step& s) {
    DWORD code = 0;
    return exitcode(r, s, 1, code);
}

bool expectexit(Robot& r, const Step& s) {
    long want = 0;
    if (!number(s.args[1], want))
        return r.fail("bad exit code " + s.args[1]);
    DWORD code = 0;
    if (!exitcode(r, s, 2, code))
        return false;
    return static_cast<long>(code) == want || r.fail("exit code " + std::to_string(code));
}

void endprocess(PROCESS_INFORMATION& pi) {
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, waitms);
}

bool stop(Robot& r, const Step& s) {
    PROCESS_INFORMATION* pi = process(r, s.args[0]);
    if (!pi)
        return false;
    endprocess(*pi);
    return true;
}

bool settle(Robot& r, const Step& s) {
    if (!havewindow(r))
        return false;
    DWORD pid = 0;
    GetWindowThreadProcessId(r.window, &pid);
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!h)
        return r.fail("cannot open the window's process");
    DWORD result = WaitForInputIdle(h, timeoutarg(s, 0, waitms));
    CloseHandle(h);
    return result == 0 || r.fail("the window's process did not become idle");
}

// --- windows

bool waitwindow(Robot& r, const Step& s) {
    r.window = nullptr;
    r.msgbox = nullptr;
    bool found = eventually(timeoutarg(s, 1, waitms), [&] {
        r.window = FindWindowA(s.args[0].c_str(), nullptr);
        return r.window != nullptr;
    });
    if (!found)
        return r.fail("no window of class " + s.args[0]);
    r.note("window %p", static_cast<void*>(r.window));
    return true;
}

bool waitgone(Robot& r, const Step& s) {
    if (!r.window)
        return r.fail("no window: wait-window first");
    return eventually(timeoutarg(s, 0, waitms), [&] { return !IsWindow(r.window); }) ||
           r.fail("the window is still there");
}

bool activate(Robot& r, const Step&) {
    if (!havewindow(r))
        return false;
    return SetForegroundWindow(r.window) || r.fail("SetForegroundWindow refused");
}

// What the system menu's Close sends.
bool systemclose(Robot& r, const Step&) {
    if (!havewindow(r))
        return false;
    return PostMessageA(r.window, WM_SYSCOMMAND, SC_CLOSE, 0) ||
           r.fail("cannot post WM_SYSCOMMAND");
}

bool listcontrols(Robot& r, const Step&) {
    if (!havewindow(r))
        return false;
    r.note("%s", describe(r.window).c_str());
    for (HWND child : descendants(r.window))
        r.note("  %s", describe(child).c_str());
    return true;
}

bool waitcontrol(Robot& r, const Step& s) {
    return oncontrol(r, s.args[0], timeoutarg(s, 1, waitms), [&](HWND hwnd) {
        return IsWindowVisible(hwnd) || r.fail("control " + s.args[0] + " is hidden");
    });
}

bool expectabsent(Robot& r, const Step& s) {
    long value = 0;
    if (!havewindow(r) || !number(s.args[0], value))
        return r.fail("no window or a bad control identifier " + s.args[0]);
    return eventually(settlems, [&] {
        return findcontrol(r.window, static_cast<int>(value)) == nullptr ||
               r.fail("control " + s.args[0] + " exists");
    });
}

bool textis(Robot& r, HWND hwnd, const std::string& want) {
    std::string text;
    if (!readtext(hwnd, text))
        return r.fail("the control does not answer");
    return text == want || r.fail("text is " + quoted(text));
}

bool waittext(Robot& r, const Step& s) {
    return oncontrol(r, s.args[0], timeoutarg(s, 2, waitms),
                     [&](HWND hwnd) { return textis(r, hwnd, s.args[1]); });
}

bool expecttext(Robot& r, const Step& s) {
    return oncontrol(r, s.args[0], settlems, [&](HWND hwnd) { return textis(r, hwnd, s.args[1]); });
}

bool expectrect(Robot& r, const Step& s) {
    long want[4] = {};
    for (std::size_t i = 0; i < 4; ++i)
        if (!number(s.args[i + 1], want[i]))
            return r.fail("bad coordinate " + s.args[i + 1]);
    return oncontrol(r, s.args[0], settlems, [&](HWND hwnd) {
        RECT got = placement(hwnd);
        if (got.left == want[0] && got.top == want[1] && got.right == want[2] &&
            got.bottom == want[3])
            return true;
        char text[96];
        std::snprintf(text, sizeof text, "rect is %ld %ld %ld %ld", got.left, got.top, got.right,
                      got.bottom);
        return r.fail(text);
    });
}

bool expectclientsize(Robot& r, const Step& s) {
    long width = 0, height = 0;
    if (!number(s.args[0], width) || !number(s.args[1], height))
        return r.fail("bad size");
    return oncontrol(r, "main", settlems, [&](HWND hwnd) {
        RECT got{};
        GetClientRect(hwnd, &got);
        return (got.right == width && got.bottom == height) ||
               r.fail("client size is " + std::to_string(got.right) + " " +
                      std::to_string(got.bottom));
    });
}

// expect-visible and expect-enabled: a 0 or 1 against a window property.
template <class Property> bool expectflag(Robot& r, const Step& s, const char* what, Property get) {
    bool want = s.args[1] != "0";
    return oncontrol(r, s.args[0], settlems, [&](HWND hwnd) {
        return (get(hwnd) != 0) == want || r.fail(std::string(what) + " is " + (want ? "0" : "1"));
    });
}

bool expectvisible(Robot& r, const Step& s) {
    return expectflag(r, s, "visible", [](HWND h) { return IsWindowVisible(h); });
}

bool expectenabled(Robot& r, const Step& s) {
    return expectflag(r, s, "enabled", [](HWND h) { return IsWindowEnabled(h); });
}

bool expectstyle(Robot& r, const Step& s) {
    long mask = 0, want = 0;
    if (!number(s.args[1], mask) || !number(s.args[2], want))
        return r.fail("bad style mask or value");
    return oncontrol(r, s.args[0], settlems, [&](HWND hwnd) {
        unsigned long style = static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_STYLE));
        char text[64];
        std::snprintf(text, sizeof text, "style is 0x%08lx", style);
        return (style & static_cast<unsigned long>(mask)) == static_cast<unsigned long>(want) ||
               r.fail(text);
    });
}

std::string focusname(HWND window, HWND focus) {
    if (!focus)
        return "nothing";
    if (focus == window)
        return "main";
    return classof(focus) + " " + std::to_string(GetDlgCtrlID(focus));
}

bool expectfocus(Robot& r, const Step& s) {
    return oncontrol(r, s.args[0], settlems, [&](HWND hwnd) {
        HWND focus = focusof(r.window);
        return focus == hwnd || r.fail("focus is on " + focusname(r.window, focus));
    });
}

bool expectselection(Robot& r, const Step& s) {
    long from = 0, to = 0;
    if (!number(s.args[1], from) || !number(s.args[2], to))
        return r.fail("bad selection");
    return oncontrol(r, s.args[0], settlems, [&](HWND hwnd) {
        DWORD_PTR sel = 0;
        if (!SendMessageTimeoutA(hwnd, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &sel))
            return r.fail("the control does not answer");
        long gotfrom = LOWORD(sel), gotto = HIWORD(sel);
        return (gotfrom == from && gotto == to) ||
               r.fail("selection is " + std::to_string(gotfrom) + " " + std::to_string(gotto));
    });
}

bool expectlist(Robot& r, const Step& s) {
    std::vector<std::string> want(s.args.begin() + 1, s.args.end());
    return oncontrol(r, s.args[0], settlems, [&](HWND hwnd) {
        std::vector<std::string> items;
        if (!listitems(hwnd, items))
            return r.fail("the list box does not answer");
        if (items == want)
            return true;
        std::string got = "items are";
        for (const std::string& item : items) {
            got += ' ';
            got += quoted(item);
        }
        return r.fail(got);
    });
}

// --- acting

bool settext(Robot& r, const Step& s) {
    return oncontrol(r, s.args[0], settlems, [&](HWND hwnd) {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.args[1].c_str()),
                                   SMTO_ABORTIFHUNG, 2000, &result) ||
               r.fail("the control does not answer");
    });
}

bool click(Robot& r, const Step& s) {
    return oncontrol(r, s.args[0], settlems, [&](HWND hwnd) {
        return PostMessageA(hwnd, BM_CLICK, 0, 0) || r.fail("cannot post BM_CLICK");
    });
}

INPUT mouseevent(DWORD flags, LONG x, LONG y) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    return in;
}

bool mouseclick(Robot& r, const Step& s) {
    return oncontrol(r, s.args[0], settlems, [&](HWND hwnd) {
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        LONG x = (rect.left + rect.right) / 2, y = (rect.top + rect.bottom) / 2;
        INPUT events[] = {mouseevent(MOUSEEVENTF_MOVE, x, y),
                          mouseevent(MOUSEEVENTF_LEFTDOWN, x, y),
                          mouseevent(MOUSEEVENTF_LEFTUP, x, y)};
        return SendInput(3, events, sizeof(INPUT)) == 3 || r.fail("SendInput refused");
    });
}

bool key(Robot& r, const Step& s) {
    KeyChord chord;
    if (!parsechord(s.args[0], chord))
        return r.fail("unknown key " + s.args[0]);
    long downs = 1;
    if (s.args.size() > 1 && (!number(s.args[1], downs) || downs < 1))
        return r.fail("bad repeat count " + s.args[1]);
    return presschord(chord, static_cast<int>(downs)) || r.fail("SendInput refused the keys");
}

bool type(Robot& r, const Step& s) {
    std::string error;
    return typetext(s.args[0], error) || r.fail(error);
}

// --- message boxes

// The owner a message box must have: the current window, or none once that
// window is gone (or there never was one).
HWND boxowner(const Robot& r) {
    return IsWindow(r.window) ? r.window : nullptr;
}

bool findbox(Robot& r, unsigned ms) {
    r.msgbox = nullptr;
    return eventually(ms, [&] {
        r.msgbox = findmsgbox(boxowner(r), r.pids());
        return r.msgbox != nullptr;
    });
}

bool boxtext(HWND box, std::string& caption, std::string& text) {
    HWND label = GetDlgItem(box, 0xffff);
    return readtext(box, caption) && label && readtext(label, text);
}

bool expectmsgbox(Robot& r, const Step& s) {
    if (!findbox(r, timeoutarg(s, 2, waitms)))
        return r.fail(boxowner(r) ? "no message box owned by the window"
                                  : "no unowned message box");
    std::string caption, text;
    bool same = eventually(settlems, [&] {
        return boxtext(r.msgbox, caption, text) && caption == s.args[0] && text == s.args[1];
    });
    return same || r.fail("message box " + quoted(caption) + " " + quoted(text));
}

bool expectnomsgbox(Robot& r, const Step&) {
    return eventually(settlems, [&] {
        HWND box = findmsgbox(boxowner(r), r.pids());
        if (!box)
            return true;
        std::string caption, text;
        boxtext(box, caption, text);
        return r.fail("message box " + quoted(caption) + " " + quoted(text) + " is up");
    });
}

int buttonid(const std::string& name) {
    static const std::map<std::string, int> ids = {
        {"OK", IDOK},         {"CANCEL", IDCANCEL}, {"ABORT", IDABORT}, {"RETRY", IDRETRY},
        {"IGNORE", IDIGNORE}, {"YES", IDYES},       {"NO", IDNO}};
    std::string key = name;
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto it = ids.find(key);
    return it == ids.end() ? 0 : it->second;
}

bool pressmsgbox(Robot& r, const Step& s) {
    int id = buttonid(s.args[0]);
    if (!id)
        return r.fail("unknown button " + s.args[0]);
    if (!(r.msgbox && IsWindow(r.msgbox)) && !findbox(r, waitms))
        return r.fail("no message box");
    HWND button = GetDlgItem(r.msgbox, id);
    if (!button || !PostMessageA(button, BM_CLICK, 0, 0))
        return r.fail("the message box has no button " + s.args[0]);
    HWND box = r.msgbox;
    r.msgbox = nullptr;
    return eventually(timeoutarg(s, 1, waitms), [&] { return !IsWindow(box); }) ||
           r.fail("the message box stays");
}

// --- host side

bool host(Robot& r, const char* kind, const std::string& argument, unsigned ms) {
    int status = 0;
    std::string error;
    if (!hostrequest(kind, argument, ms, status, error))
        return r.fail(error);
    return status == 0 || r.fail("host status " + std::to_string(status));
}

bool screenshot(Robot& r, const Step& s) {
    for (char c : s.args[0])
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
            return r.fail("a screenshot name holds letters, digits, - and _ only");
    return host(r, "shot", s.args[0], waitms * 3);
}

bool runhost(Robot& r, const Step& s) {
    return host(r, "run", s.rest, hostms);
}

bool sleepstep(Robot& r, const Step& s) {
    long ms = 0;
    if (!number(s.args[0], ms) || ms < 0)
        return r.fail("bad duration " + s.args[0]);
    Sleep(static_cast<DWORD>(ms));
    return true;
}

constexpr Verb verbs[] = {
    {"start", 2, 3, start, false},
    {"wait-exit", 1, 2, waitexit, false},
    {"expect-exit", 2, 3, expectexit, false},
    {"stop", 1, 1, stop, false},
    {"settle", 0, 1, settle, false},
    {"wait-window", 1, 2, waitwindow, false},
    {"wait-gone", 0, 1, waitgone, false},
    {"activate", 0, 0, activate, false},
    {"system-close", 0, 0, systemclose, false},
    {"list-controls", 0, 0, listcontrols, false},
    {"wait-control", 1, 2, waitcontrol, false},
    {"expect-absent", 1, 1, expectabsent, false},
    {"wait-text", 2, 3, waittext, false},
    {"expect-text", 2, 2, expecttext, false},
    {"expect-rect", 5, 5, expectrect, false},
    {"expect-client-size", 2, 2, expectclientsize, false},
    {"expect-visible", 2, 2, expectvisible, false},
    {"expect-enabled", 2, 2, expectenabled, false},
    {"expect-style", 3, 3, expectstyle, false},
    {"expect-focus", 1, 1, expectfocus, false},
    {"expect-selection", 3, 3, expectselection, false},
    {"expect-list", 1, 1000, expectlist, false},
    {"set-text", 2, 2, settext, false},
    {"click", 1, 1, click, false},
    {"mouse-click", 1, 1, mouseclick, false},
    {"key", 1, 2, key, false},
    {"type", 1, 1, type, false},
    {"expect-msgbox", 2, 3, expectmsgbox, false},
    {"expect-no-msgbox", 0, 0, expectnomsgbox, false},
    {"press-msgbox", 1, 2, pressmsgbox, false},
    {"screenshot", 1, 1, screenshot, false},
    {"sleep", 1, 1, sleepstep, false},
    {"run-host", 1, 1, runhost, true},
};

const Verb* findverb(const std::string& name) {
    for (const Verb& v : verbs)
        if (name == v.name)
            return &v;
    return nullptr;
}

std::string expand(const std::string& text) {
    DWORD size = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    std::vector<char> out(size + 1, '\0');
    ExpandEnvironmentStringsA(text.c_str(), out.data(), size);
    return out.data();
}

// Checks a step before anything runs: known verb, quoting, argument count.
bool checkstep(Step& step, std::string& error) {
    const Verb* verb = findverb(step.verb);
    if (!verb) {
        error = "unknown step " + step.verb;
        return false;
    }
    if (verb->raw) {
        if (step.rest.empty())
            error = step.verb + " needs a command";
        return !step.rest.empty();
    }
    if (!splitwords(step.rest, step.args, error))
        return false;
    if (step.args.size() < verb->minargs || step.args.size() > verb->maxargs) {
        error = step.verb + ": wrong number of arguments";
        return false;
    }
    return true;
}

bool loadscript(const char* path, std::vector<Step>& steps, FILE* transcript) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(transcript, "FAIL cannot read %s\n", path);
        return false;
    }
    std::string text, error;
    bool ok = true;
    for (int line = 1; std::getline(in, text); ++line) {
        Step step;
        parsestep(text, line, step);
        if (step.verb.empty())
            continue;
        if (!checkstep(step, error)) {
            std::fprintf(transcript, "FAIL line %d: %s\n", line, error.c_str());
            ok = false;
        }
        steps.push_back(step);
    }
    return ok;
}

bool runstep(Robot& r, Step step) {
    static const ULONGLONG started = GetTickCount64();
    double seconds = static_cast<double>(GetTickCount64() - started) / 1000.0;
    std::fprintf(r.transcript, "[%5.1f] %d: %s %s\n", seconds, step.line, step.verb.c_str(),
                 step.rest.c_str());
    std::fflush(r.transcript);
    const Verb* verb = findverb(step.verb);
    if (!verb->raw)
        for (std::string& arg : step.args)
            arg = expand(arg);
    r.why.clear();
    return verb->action(r, step);
}

void finish(Robot& r) {
    for (auto& [name, pi] : r.processes) {
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
            r.note("ending %s, still running", name.c_str());
            endprocess(pi);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

int run(Robot& r, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (runstep(r, step))
            continue;
        std::fprintf(r.transcript, "FAIL line %d: %s %s: %s\n", step.line, step.verb.c_str(),
                     step.rest.c_str(), r.why.c_str());
        std::string error;
        int status = 0;
        hostrequest("shot", "failure", waitms, status, error);
        finish(r);
        return 1;
    }
    finish(r);
    std::fputs("PASS\n", r.transcript);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: robot SCRIPT TRANSCRIPT\n", stderr);
        return 2;
    }
    Robot r;
    r.transcript = std::fopen(argv[2], "w");
    if (!r.transcript) {
        std::fprintf(stderr, "robot: cannot write %s\n", argv[2]);
        return 2;
    }
    std::vector<Step> steps;
    int status = loadscript(argv[1], steps, r.transcript) ? run(r, steps) : 2;
    std::fclose(r.transcript);
    return status;
}
