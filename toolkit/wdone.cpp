#include "toolkit/messages.h"

#include <windows.h>

void quitapp() {
    PostQuitMessage(0);
}
