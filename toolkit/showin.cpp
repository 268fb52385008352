#include "toolkit/showin.h"

#include "toolkit/handles_win32.h"

void showctl(const winhandle& window) {
    ShowWindow(towindow(window), SW_SHOW);
}

void hidectl(const winhandle& window) {
    ShowWindow(towindow(window), SW_HIDE);
}

void shownormal(const winhandle& window) {
    showmain(SW_SHOWNORMAL, window);
}

void showmain(const std::int32_t& command, const winhandle& window) {
    ShowWindow(towindow(window), command);
    UpdateWindow(towindow(window));
}
