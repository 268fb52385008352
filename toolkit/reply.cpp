#include "toolkit/reply.h"

#include "toolkit/handles_win32.h"

void askokcancel(const winhandle& owner, const char* text, const char* caption, bool& accepted) {
    accepted = MessageBoxA(towindow(owner), text, caption, MB_OKCANCEL) == IDOK;
}
