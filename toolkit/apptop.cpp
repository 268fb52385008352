#include "toolkit/apptop.h"

#include "toolkit/handles_win32.h"

void destroywin(const winhandle& window) {
    DestroyWindow(towindow(window));
}
