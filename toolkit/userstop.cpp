#include "toolkit/userstop.h"

#include "toolkit/handles_win32.h"

void msgboxwin(const winhandle& owner, const char* text, const char* caption) {
    MessageBoxA(towindow(owner), text, caption, MB_OK);
}
