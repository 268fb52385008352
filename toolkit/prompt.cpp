#include "toolkit/prompt.h"

#include <windows.h>

void msgbox(const char* text, const char* caption) {
    MessageBoxA(GetActiveWindow(), text, caption, MB_OK);
}
