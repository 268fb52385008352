// toolkitdemo: a window laid out with every kind of control the toolkit makes,
// for the end-to-end scenarios to drive from outside. It reports what the
// robot cannot see by itself in static texts: the cell size, the edit
// field's selection, the list's items, the window's geometry, and the last
// navigation key or command.
//
// Tab cycles the focus through the directory field, OK, Cancel and Message;
// Enter in the field or on OK clicks OK, on Cancel clicks Cancel, and on
// Message opens a message box. Peeked plays Tab in the field to the hook as a
// loop that peeks before it takes the key makes Windows call it. The panel's multi-line edit field
// lies in a window that is not in the hook table, so Tab and Enter reach it unchanged.
#include "toolkit/apptop.h"
#include "toolkit/ck.h"
#include "toolkit/controls.h"
#include "toolkit/cook.h"
#include "toolkit/handles_win32.h"
#include "toolkit/makwin.h"
#include "toolkit/parent.h"
#include "toolkit/prompt.h"
#include "toolkit/reply.h"
#include "toolkit/showin.h"
#include "toolkit/userstop.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <string>

namespace {
enum : std::int32_t {
    idlabel = 101,
    iddir = 102,
    idframe = 103,
    idpassword = 104,
    idright = 105,
    idcentre = 106,
    idraw = 107,
    idok = 110,
    idcancel = 111,
    idfine = 112,
    idpixel = 113,
    idmessage = 114,
    idask = 115,
    idfocusfree = 116,
    idclear = 117,
    idreplace = 118,
    idowned = 119,
    idclose = 124,
    idpeeked = 125,
    idradio = 120,
    idradiopx = 121,
    idcheck = 122,
    idcheckpx = 123,
    idlist = 130,
    idlistpx = 131,
    idstatus = 140,
    idcell = 141,
    idselection = 142,
    iditems = 143,
    idgeometry = 144,
    idpanel = 150,
    idfree = 151,
};

constexpr std::int32_t hooktag = 1;
constexpr std::array<std::int32_t, 4> tabcycle{iddir, idok, idcancel, idmessage};

instancehandle instance = 0;
winhandle mainwin = 0;
std::int32_t navigations = 0;

winhandle childof(const winhandle& parent, const std::int32_t& id) {
    return fromwin(GetDlgItem(towindow(parent), id));
}

winhandle control(const std::int32_t& id) {
    return childof(mainwin, id);
}

void show(const std::int32_t& id, const std::string& text) {
    settext(control(id), text.c_str());
}

void showselection() {
    std::int32_t start = 0;
    std::int32_t end = 0;
    getsel(control(iddir), start, end);
    show(idselection, "sel " + std::to_string(start) + " " + std::to_string(end));
}

void showitems() {
    std::int32_t count = 0;
    listcount(control(idlist), count);
    std::string items = "items";
    for (std::int32_t i = 0; i < count; ++i) {
        char item[16];
        std::int32_t length = 0;
        listgettext(control(idlist), i, item, length);
        items.append(" ").append(item, static_cast<std::size_t>(length));
    }
    // The first item read into a buffer too small for it comes back cut.
    char cut[4];
    std::int32_t length = 0;
    listgettext(control(idlist), 0, cut, length);
    show(iditems, items + " cut " + cut + " " + std::to_string(length));
}

void showgeometry() {
    RECT outer{};
    RECT client{};
    GetWindowRect(towindow(mainwin), &outer);
    GetClientRect(towindow(mainwin), &client);
    char text[128];
    std::snprintf(text, sizeof text, "screen %d %d window %ld %ld %ld %ld client %ld %ld",
                  GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN), outer.left,
                  outer.top, outer.right - outer.left, outer.bottom - outer.top, client.right,
                  client.bottom);
    show(idgeometry, text);
}

void makestatics(const winhandle& parent) {
    std::int32_t w = 0;
    std::int32_t h = 0;
    getcellsize(w, h);
    const std::string cell = "cell " + std::to_string(w) + " " + std::to_string(h);
    winhandle made = 0;
    maketext(parent, "ready", 17, 2, 18, 24, 0, 0, 0, 0, "L", idstatus, instance, made);
    maketext(parent, cell.c_str(), 17, 25, 18, 48, 0, 0, 0, 0, "L", idcell, instance, made);
    maketext(parent, "sel", 18, 2, 19, 20, 0, 0, 0, 0, "L", idselection, instance, made);
    maketext(parent, "items", 18, 21, 19, 48, 0, 0, 0, 0, "L", iditems, instance, made);
    maketext(parent, "window", 19, 2, 20, 48, 0, 0, 0, 0, "L", idgeometry, instance, made);
}

void maketexts(const winhandle& parent) {
    winhandle made = 0;
    maketext(parent, "Directory:", 1, 2, 2, 12, 0, 0, 0, 0, "L", idlabel, instance, made);
    maketext(parent, "Right", 1, 13, 2, 23, 0, 0, 0, 0, "r", idright, instance, made);
    maketextpx(parent, "Centre", 0, 216, 16, 306, "c", idcentre, instance, made);
    makeedit(parent, 3, 3, 4, 20, 0, 0, 0, 0, "Y", 60, iddir, instance, made);
    makeframe(parent, 3, 3, 4, 20, -40, -40, 40, 40, idframe, instance, made);
    makeeditpx(parent, 216, 32, 306, 48, "n", 8, idpassword, instance, made);
    makeedit(parent, 5, 3, 6, 20, 0, 0, 0, 0, "y", 60, idraw, instance, made);
}

void makebuttons(const winhandle& parent) {
    winhandle made = 0;
    makebutton(parent, "OK", 7, 3, 9, 11, idok, instance, made);
    makebutton(parent, "Cancel", 7, 12, 9, 20, idcancel, instance, made);
    makebutton(parent, "Message", 7, 21, 9, 30, idmessage, instance, made);
    makebutton(parent, "Ask", 7, 31, 9, 39, idask, instance, made);
    makebuttonfine(parent, "Fine", 10, 1, 11, 8, 50, 25, 50, 75, idfine, instance, made);
    makebuttonpx(parent, "Pixel", 148, 80, 172, 140, idpixel, instance, made);
    makebutton(parent, "Free", 10, 21, 11, 27, idfocusfree, instance, made);
    makebutton(parent, "Clear", 10, 28, 11, 34, idclear, instance, made);
    makebutton(parent, "Replace", 10, 35, 11, 42, idreplace, instance, made);
    makebutton(parent, "Owned", 10, 43, 11, 47, idowned, instance, made);
    makebutton(parent, "Close", 16, 2, 17, 9, idclose, instance, made);
    makebutton(parent, "Peeked", 16, 10, 17, 18, idpeeked, instance, made);
    makeradio(parent, "Radio", 12, 21, 13, 30, idradio, instance, made);
    makeradiopx(parent, "RadioPx", 208, 180, 224, 260, idradiopx, instance, made);
    makecheck(parent, "Check", 12, 31, 13, 40, idcheck, instance, made);
    makecheckpx(parent, "CheckPx", 208, 270, 224, 350, idcheckpx, instance, made);
    setcheck(made, "s");
}

void makelists(const winhandle& parent) {
    winhandle list = 0;
    makelist(parent, 12, 2, 15, 12, idlist, instance, list);
    for (const char* text : {"pear", "apple", "plum"}) {
        std::int32_t index = 0;
        listadd(list, text, index);
    }
    winhandle listpx = 0;
    makelistpx(parent, 176, 110, 230, 170, idlistpx, instance, listpx);
    listinsert(listpx, "first", 0);
    listinsert(listpx, "second", 1);
    listselect(listpx, 1);
}

// Shows what reached the panel's edit field, Tab and Enter by name.
void showfree(HWND edit) {
    char text[64] = {};
    GetWindowTextA(edit, text, sizeof text);
    std::string shown = "free ";
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\t') {
            shown += "<tab>";
        } else if (*c == '\n') {
            shown += "<enter>";
        } else if (*c != '\r') {
            shown += *c;
        }
    }
    show(idstatus, shown);
}

LRESULT CALLBACK panelproc(HWND hwnd, UINT message, WPARAM first, LPARAM second) {
    if (message == WM_COMMAND && HIWORD(first) == EN_CHANGE) {
        showfree(reinterpret_cast<HWND>(second));
    }
    return DefWindowProcA(hwnd, message, first, second);
}

// A plain child window, not in the hook table, holding a multi-line edit field.
void makepanel(const winhandle& parent) {
    WNDCLASSA panelclass{};
    panelclass.lpfnWndProc = panelproc;
    panelclass.hInstance = instanceof (instance);
    panelclass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    panelclass.lpszClassName = "DemoPanel";
    RegisterClassA(&panelclass);
    std::int32_t w = 0;
    std::int32_t h = 0;
    getcellsize(w, h);
    HWND panel = CreateWindowExA(0, "DemoPanel", nullptr, WS_CHILD | WS_VISIBLE, w * 39, h * 12,
                                 w * 8, h * 3, towindow(parent), reinterpret_cast<HMENU>(idpanel),
                                 instanceof (instance), nullptr);
    CreateWindowExA(0, "Edit", nullptr,
                    WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_WANTRETURN |
                        ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                    4, 4, w * 8 - 8, h * 3 - 8, panel, reinterpret_cast<HMENU>(idfree),
                    instanceof (instance), nullptr);
}

void tab() {
    winhandle focus = 0;
    getfocus(focus);
    std::size_t next = 0;
    for (std::size_t i = 0; i < tabcycle.size(); ++i) {
        if (control(tabcycle[i]) == focus) {
            next = (i + 1) % tabcycle.size();
        }
    }
    setfocus(control(tabcycle[next]));
}

void enter() {
    winhandle focus = 0;
    getfocus(focus);
    const std::int32_t id = GetDlgCtrlID(towindow(focus));
    postmsg(mainwin, wmcommand, id == iddir ? idok : id, 0);
}

void navigate(const std::int32_t& key) {
    ++navigations;
    show(idstatus, "key " + std::to_string(key) + " count " + std::to_string(navigations));
    if (key == VK_TAB) {
        tab();
    } else {
        enter();
    }
}

// Tab in the directory field as the hook meets it when a loop looks at the
// key before taking it (PeekMessage with PM_NOREMOVE, then a removal): first
// with HC_NOREMOVE, then with HC_ACTION.
void peekedtab() {
    setfocus(control(iddir));
    const auto hook = exportedprocedure<HOOKPROC>("getcontrolkey");
    hook(HC_NOREMOVE, VK_TAB, 1);
    hook(HC_ACTION, VK_TAB, 1);
}

void oncommand(const std::int32_t& id) {
    switch (id) {
    case idok:
    case idcancel:
        show(idstatus, id == idok ? "clicked OK" : "clicked Cancel");
        break;
    case idmessage:
        msgbox("The files are in place.", "Toolkit demo");
        show(idstatus, "box closed");
        break;
    case idowned:
        msgboxwin(mainwin, "Owned by the window.", "Owned box");
        break;
    case idask: {
        bool accepted = false;
        askokcancel(mainwin, "Go on?", "Question", accepted);
        show(idstatus, accepted ? "accepted" : "refused");
        break;
    }
    case idfocusfree:
        setfocus(childof(control(idpanel), idfree));
        break;
    case idclear:
        filledit(control(iddir), "");
        break;
    case idreplace:
        listreplace(control(idlist), "zebra", 0);
        break;
    case idpeeked:
        peekedtab();
        break;
    case idclose:
        destroywin(mainwin);
        return;
    default:
        return;
    }
    showselection();
    showitems();
}

void layout(const winhandle& window) {
    makestatics(window);
    maketexts(window);
    makebuttons(window);
    makelists(window);
    makepanel(window);
    const char directory[] = "C:\\PRODUCT";
    setedit(control(iddir), directory);
    // A buffer filled to its end without a 0.
    const char unterminated[8] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
    filledit(control(idraw), unterminated);
    setfocus(control(iddir));
    showselection();
    showitems();
    showgeometry();
}
} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    demofunc(HWND hwnd, UINT message, WPARAM first, LPARAM second) {
    const winhandle window = fromwin(hwnd);
    switch (message) {
    case WM_CREATE:
        hookkeys(window, hooktag);
        return 0;
    case WM_DESTROY:
        unhookkeys(hooktag);
        quitapp();
        return 0;
    case WM_KEYDOWN: // the window itself has the focus
        show(idstatus, "main key " + std::to_string(first));
        return 0;
    case navigationmessage:
        navigate(static_cast<std::int32_t>(first));
        return 0;
    case WM_COMMAND:
        oncommand(static_cast<std::int32_t>(first));
        return 0;
    default: // pointers among the parameters and the result: they keep their types
        return DefWindowProcA(hwnd, message, first, second);
    }
}

int WINAPI WinMain(HINSTANCE module, HINSTANCE previous, LPSTR, int showcommand) {
    instance = instancenumber(module);
    const instancehandle previnstance = instancenumber(previous);
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    measurecells(rows, columns);
    std::int32_t ok = 0;
    makemainwin(instance, previnstance, "demofunc", "", "ToolkitDemo", "Toolkit demo", "demo",
                mainwin, 20, 47, 0, ok);
    if (ok == 0) {
        msgbox("The window could not be made.", "Toolkit demo");
        return 1;
    }
    showmain(showcommand, mainwin);
    layout(mainwin);
    return pumpmsgs();
}
