#include "inspect.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr UINT answerms = 2000;

bool sendtimed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR& result) {
    return SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, answerms,
                               &result) != 0;
}

BOOL CALLBACK collect(HWND hwnd, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

struct BoxSearch {
    HWND owner;
    const std::vector<DWORD>* processes;
    HWND found;
};

bool ownedbyone(HWND hwnd, const std::vector<DWORD>& processes) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return std::find(processes.begin(), processes.end(), pid) != processes.end();
}

BOOL CALLBACK matchbox(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<BoxSearch*>(lp);
    if (!IsWindowVisible(hwnd) || classof(hwnd) != "#32770")
        return TRUE;
    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (owner != search->owner)
        return TRUE;
    if (!owner && !ownedbyone(hwnd, *search->processes))
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

} // namespace

std::vector<HWND> descendants(HWND window) {
    std::vector<HWND> all;
    EnumChildWindows(window, collect, reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND findcontrol(HWND window, int id) {
    for (HWND child : descendants(window))
        if (GetDlgCtrlID(child) == id)
            return child;
    return nullptr;
}

bool readtext(HWND hwnd, std::string& text) {
    DWORD_PTR length = 0;
    if (!sendtimed(hwnd, WM_GETTEXTLENGTH, 0, 0, length))
        return false;
    std::vector<char> buffer(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!sendtimed(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                   copied))
        return false;
    text.assign(buffer.data(), std::min<std::size_t>(copied, length));
    return true;
}

std::string classof(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

RECT placement(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    if (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND focusof(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

namespace {

// An item of a list box in another process. Wine hands a list box's item
// text across processes in the list's own (wide) form, so ask for that.
bool listitem(HWND listbox, WPARAM index, std::string& item) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(listbox, LB_GETTEXTLEN, index, 0, SMTO_ABORTIFHUNG, answerms,
                             &length) ||
        length == static_cast<DWORD_PTR>(LB_ERR))
        return false;
    std::vector<wchar_t> wide(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(listbox, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide.data()),
                             SMTO_ABORTIFHUNG, answerms, &copied))
        return false;
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> narrow(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, narrow.data(), size, nullptr, nullptr);
    item = narrow.data();
    return true;
}

} // namespace

bool listitems(HWND listbox, std::vector<std::string>& items) {
    items.clear();
    DWORD_PTR count = 0;
    if (!sendtimed(listbox, LB_GETCOUNT, 0, 0, count) || count == static_cast<DWORD_PTR>(LB_ERR))
        return false;
    for (WPARAM i = 0; i < count; ++i) {
        std::string item;
        if (!listitem(listbox, i, item))
            return false;
        items.push_back(item);
    }
    return true;
}

HWND findmsgbox(HWND owner, const std::vector<DWORD>& processes) {
    BoxSearch search{owner, &processes, nullptr};
    EnumWindows(matchbox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string describe(HWND hwnd) {
    std::string text;
    if (!readtext(hwnd, text))
        text = "<no answer>";
    RECT r = placement(hwnd);
    char line[512];
    std::snprintf(line, sizeof line, "%s %d style=0x%08lx rect=%ld,%ld,%ld,%ld visible=%d",
                  classof(hwnd).c_str(), GetDlgCtrlID(hwnd),
                  static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_STYLE)), r.left, r.top,
                  r.right, r.bottom, IsWindowVisible(hwnd) ? 1 : 0);
    return std::string(line) + " \"" + text + "\"";
}
