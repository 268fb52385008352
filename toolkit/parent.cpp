#include "toolkit/parent.h"

#include "toolkit/handles_win32.h"

void getfocus(winhandle& window) {
    window = fromwin(GetFocus());
}

void setfocus(const winhandle& window) {
    SetFocus(towindow(window));
}

void enablewin(const winhandle& window) {
    EnableWindow(towindow(window), TRUE);
}

void disablewin(const winhandle& window) {
    EnableWindow(towindow(window), FALSE);
}

void killwin(const winhandle& window) {
    DestroyWindow(towindow(window));
}

void paintwin(const winhandle& window) {
    SendMessageA(towindow(window), WM_PAINT, 0, 0);
}
