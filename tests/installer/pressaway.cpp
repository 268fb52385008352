// pressaway CLASS ID: presses the left mouse button on the control ID of the
// top-level window of class CLASS and lets it go outside the control, as a
// person who changes their mind does: a push button then has the focus but
// was not clicked. Exit code 0 when the control was found and the input sent.
#include <cstdlib>
#include <windows.h>

namespace {

INPUT mouse(DWORD flags, LONG x, LONG y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    HWND window = FindWindowA(argv[1], nullptr);
    HWND control = window != nullptr ? GetDlgItem(window, std::atoi(argv[2])) : nullptr;
    if (control == nullptr) {
        return 1;
    }
    RECT rect{};
    GetWindowRect(control, &rect);
    const LONG x = (rect.left + rect.right) / 2, y = (rect.top + rect.bottom) / 2;
    INPUT press[] = {mouse(0, x, y), mouse(MOUSEEVENTF_LEFTDOWN, x, y)};
    INPUT away[] = {mouse(0, x, rect.bottom + 40), mouse(MOUSEEVENTF_LEFTUP, x, rect.bottom + 40)};
    const bool sent = SendInput(2, press, sizeof(INPUT)) == 2 && (Sleep(200), true) &&
                      SendInput(2, away, sizeof(INPUT)) == 2;
    Sleep(200);
    return sent ? 0 : 1;
}
